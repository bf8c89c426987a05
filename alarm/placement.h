// Where a dialog opens, the same in every edition: each passes its own work area (and owner
// window, if any) and the dialog's size in its own pixels.
#ifndef ORVANE_ALARM_PLACEMENT_H
#define ORVANE_ALARM_PLACEMENT_H

#include <optional>

namespace ats {

// A rectangle in screen pixels: right and bottom lie just outside it, as in a Win32 RECT.
struct ScreenRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    friend bool operator==(const ScreenRect&, const ScreenRect&) = default;
};

// The dialog, keeping its size, centred over its owner's window (none: not there, hidden or
// minimised) or else over the work area, then moved as little as keeps it whole on the work
// area; one larger than the work area sits at its top left corner.
constexpr ScreenRect CentredRect(const ScreenRect& dialog, const std::optional<ScreenRect>& owner,
                                 const ScreenRect& workArea) {
    const ScreenRect around = owner.value_or(workArea);
    const int width = dialog.right - dialog.left;
    const int height = dialog.bottom - dialog.top;
    int left = (around.left + around.right - width) / 2;
    int top = (around.top + around.bottom - height) / 2;
    if (left + width > workArea.right) left = workArea.right - width;
    if (top + height > workArea.bottom) top = workArea.bottom - height;
    if (left < workArea.left) left = workArea.left;
    if (top < workArea.top) top = workArea.top;
    return {left, top, left + width, top + height};
}

}  // namespace ats

#endif
