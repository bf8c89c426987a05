// What e2edriver.exe sees on the screen: which picture a control shows, and a control's
// area saved as a BMP file.
#ifndef ORVANE_E2E_SCREEN_PIXELS_H
#define ORVANE_E2E_SCREEN_PIXELS_H

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "handles.h"

namespace e2e {

struct Match {
    int id = 0;
    double fraction = -1.0;  // of the pixels that are equal
};

// The control's client area in screen coordinates; fails when it has no area.
RECT ClientOnScreen(HWND control);

// Compares the control's area on screen with each candidate, drawn at its top left corner.
Match BestMatch(HWND control, const std::vector<std::pair<int, UniqueGdiObject>>& candidates);

// Saves what the screen shows in `area` as a 24 bpp BMP file.
void SaveScreenBmp(const RECT& area, const std::wstring& path);

}  // namespace e2e

#endif
