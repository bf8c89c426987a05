// UTF-8 to UTF-16 for text crossing from the core to the W APIs.
#ifndef ORVANE_WIN32_TEXT_H
#define ORVANE_WIN32_TEXT_H

#include <string>
#include <string_view>

std::wstring Utf8ToWide(std::string_view utf8);

#endif
