// UTF-8 <-> UTF-16 for text crossing from the core to the W APIs.
#ifndef ORVANE_SHELL_TEXT_H
#define ORVANE_SHELL_TEXT_H

#include <string>
#include <string_view>

std::wstring Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::wstring_view wide);

#endif
