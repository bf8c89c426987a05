// The text of e2edriver.exe's answers and arguments, and the failure that a command answers as
// "error <message>".
#ifndef ORVANE_E2E_ANSWERS_H
#define ORVANE_E2E_ANSWERS_H

#include <windows.h>

#include <string>

namespace e2e {

struct Failure {
    std::string message;
};

[[noreturn]] void Fail(const std::string& message);

std::string Dec(long long value);
// Handles travel as signed 32-bit decimals, as Windows sign-extends them.
std::string HandleText(HWND hwnd);
std::string Hex8(DWORD value);
// x,y,w,h
std::string RectText(const RECT& r);
// Keeps the answer on one line: backslash, CR and LF are escaped.
std::string OneLine(const std::wstring& text);

// Decimal arguments; anything else fails with "bad <what>".
long long ParseInt(const std::wstring& text, const char* what);
DWORD ParseTimeout(const std::wstring& text);  // milliseconds, at most 10 minutes
HWND ParseHandle(const std::wstring& text);

}  // namespace e2e

#endif
