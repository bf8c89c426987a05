#include "repl.h"

namespace e2e {

std::wstring Widen(const std::string& utf8) {
    if (utf8.empty()) return {};
    const int n =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

std::string Narrow(const std::wstring& text) {
    if (text.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                        nullptr, nullptr);
    return out;
}

void WriteLine(const std::string& utf8) {
    const std::string line = utf8 + "\n";
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    const char* data = line.data();
    DWORD left = static_cast<DWORD>(line.size());
    while (left > 0) {
        DWORD written = 0;
        if (!WriteFile(out, data, left, &written, nullptr) || written == 0) return;
        data += written;
        left -= written;
    }
    FlushFileBuffers(out);
}

std::vector<std::wstring> SplitWords(const std::wstring& text) {
    std::vector<std::wstring> words;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && text[i] == L' ') ++i;
        const size_t start = i;
        while (i < text.size() && text[i] != L' ') ++i;
        if (i > start) words.push_back(text.substr(start, i - start));
    }
    return words;
}

LineReader::LineReader() : event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    HANDLE thread = CreateThread(nullptr, 0, &LineReader::ThreadMain, this, 0, nullptr);
    if (thread) CloseHandle(thread);
}

// The reader thread may still sit in ReadFile; the process ends right after this.
LineReader::~LineReader() = default;

DWORD WINAPI LineReader::ThreadMain(void* self) {
    static_cast<LineReader*>(self)->Run();
    return 0;
}

void LineReader::Run() {
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    std::string pending;
    char buffer[4096];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(in, buffer, sizeof(buffer), &got, nullptr) || got == 0) break;
        pending.append(buffer, got);
        size_t newline;
        while ((newline = pending.find('\n')) != std::string::npos) {
            std::string line = pending.substr(0, newline);
            pending.erase(0, newline + 1);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            Push(std::move(line));
        }
    }
    if (!pending.empty()) Push(std::move(pending));
    std::lock_guard lock(mutex_);
    ended_ = true;
    SetEvent(event_);
}

void LineReader::Push(std::string line) {
    std::lock_guard lock(mutex_);
    lines_.push_back(std::move(line));
    SetEvent(event_);
}

std::optional<std::string> LineReader::Pop() {
    std::lock_guard lock(mutex_);
    if (lines_.empty()) {
        if (!ended_) ResetEvent(event_);
        return std::nullopt;
    }
    std::string line = std::move(lines_.front());
    lines_.pop_front();
    return line;
}

bool LineReader::Ended() {
    std::lock_guard lock(mutex_);
    return ended_ && lines_.empty();
}

void PumpPending() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

bool PumpUntil(DWORD timeoutMs, const std::function<bool()>& done, HANDLE handle) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        PumpPending();
        if (done && done()) return true;
        if (handle && WaitForSingleObject(handle, 0) == WAIT_OBJECT_0) return true;
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) return false;
        // Wake on messages, on the handle, or at least every 20 ms to poll done().
        const DWORD slice = static_cast<DWORD>(deadline - now < 20 ? deadline - now : 20);
        MsgWaitForMultipleObjects(handle ? 1 : 0, handle ? &handle : nullptr, FALSE, slice,
                                  QS_ALLINPUT);
    }
}

}  // namespace e2e
