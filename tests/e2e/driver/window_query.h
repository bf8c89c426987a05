// What e2edriver.exe reads of other programs: a window's class, its text and its program's
// exe, and an exe's resources.
#ifndef ORVANE_E2E_WINDOW_QUERY_H
#define ORVANE_E2E_WINDOW_QUERY_H

#include <windows.h>

#include <string>

#include "handles.h"

namespace e2e {

std::wstring ClassOf(HWND hwnd);
// WM_GETTEXT with a timeout: works across processes and on edit controls.
std::wstring TextOf(HWND hwnd);
std::wstring ExeOfWindow(HWND hwnd);
// The exe's resources, loaded as data; fails if it cannot be loaded.
UniqueModule LoadDatafile(const std::wstring& path);

}  // namespace e2e

#endif
