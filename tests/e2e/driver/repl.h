// Line-based I/O for the e2e driver: UTF-8 lines in on stdin, one UTF-8 line out per command.
// A worker thread reads stdin so the main thread can keep pumping window messages.
#ifndef ORVANE_E2E_REPL_H
#define ORVANE_E2E_REPL_H

#include <windows.h>

#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& text);

// Writes one line (a newline is appended) to stdout and flushes it.
void WriteLine(const std::string& utf8);

// Splits on runs of spaces.
std::vector<std::wstring> SplitWords(const std::wstring& text);

class LineReader {
public:
    LineReader();
    ~LineReader();
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // Signalled while a line is waiting or stdin has ended.
    HANDLE event() const { return event_; }
    std::optional<std::string> Pop();
    bool Ended();

private:
    static DWORD WINAPI ThreadMain(void* self);
    void Run();
    void Push(std::string line);

    HANDLE event_;
    std::mutex mutex_;
    std::deque<std::string> lines_;
    bool ended_ = false;
};

// Dispatches window messages until done() holds, `handle` (if any) is signalled, or timeoutMs
// passes. Returns true unless the time ran out.
bool PumpUntil(DWORD timeoutMs, const std::function<bool()>& done, HANDLE handle = nullptr);

void PumpPending();

}  // namespace e2e

#endif
