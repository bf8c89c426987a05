// The display scale of a window, on every Windows from 7 on: the per-window calls of newer
// systems are looked up at run time, and older ones answer with the system's DPI.
#ifndef ORVANE_WIN32_DPI_H
#define ORVANE_WIN32_DPI_H

#include <windows.h>

// The DPI the window is shown at (GetDpiForWindow), or the system's when that is unknown.
UINT WindowDpi(HWND window);

// A system metric for that DPI (GetSystemMetricsForDpi), or at the system's DPI.
int SystemMetricForDpi(int index, UINT dpi);

#endif
