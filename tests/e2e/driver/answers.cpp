#include "answers.h"

#include <cstdint>
#include <cstdio>

#include "repl.h"
#include "window_number.h"

namespace e2e {

void Fail(const std::string& message) { throw Failure{message}; }

std::string Dec(long long value) { return std::to_string(value); }

std::string HandleText(HWND hwnd) { return Dec(WindowToNumber(hwnd)); }

std::string Hex8(DWORD value) {
    char buf[16];
    std::snprintf(buf, sizeof(buf), "%08lX", static_cast<unsigned long>(value));
    return buf;
}

std::string RectText(const RECT& r) {
    return Dec(r.left) + "," + Dec(r.top) + "," + Dec(r.right - r.left) + "," +
           Dec(r.bottom - r.top);
}

std::string OneLine(const std::wstring& text) {
    std::wstring out;
    for (wchar_t c : text) {
        if (c == L'\\')
            out += L"\\\\";
        else if (c == L'\n')
            out += L"\\n";
        else if (c == L'\r')
            out += L"\\r";
        else
            out += c;
    }
    return Narrow(out);
}

long long ParseInt(const std::wstring& text, const char* what) {
    size_t i = 0;
    if (!text.empty() && text[0] == L'-') i = 1;
    if (i == text.size() || text.size() > 19) Fail(std::string("bad ") + what);
    for (size_t k = i; k < text.size(); ++k)
        if (text[k] < L'0' || text[k] > L'9') Fail(std::string("bad ") + what);
    return std::stoll(text);
}

DWORD ParseTimeout(const std::wstring& text) {
    const long long ms = ParseInt(text, "timeout");
    if (ms < 0 || ms > 600000) Fail("bad timeout");
    return static_cast<DWORD>(ms);
}

HWND ParseHandle(const std::wstring& text) {
    const long long v = ParseInt(text, "handle");
    if (v < INT32_MIN || v > INT32_MAX) Fail("bad handle");
    return WindowFromNumber(static_cast<int32_t>(v));
}

}  // namespace e2e
