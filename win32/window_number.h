// A window handle as the 32-bit signed number that crosses a command line.
// Window handles carry 32 significant bits, even in a 64-bit process; Windows sign-extends
// them to the native width.
#ifndef ORVANE_WIN32_WINDOW_NUMBER_H
#define ORVANE_WIN32_WINDOW_NUMBER_H

#include <windows.h>

#include <cstdint>

inline std::int32_t WindowToNumber(HWND window) {
    return static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(window));
}

inline HWND WindowFromNumber(std::int32_t number) {
    return reinterpret_cast<HWND>(static_cast<INT_PTR>(number));
}

#endif
