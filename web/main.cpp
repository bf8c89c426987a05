// The browser edition's WebAssembly module: the alarm panel on the page's window, and the entry
// points the page calls, the core's window tables, pictures and placement among them.
#include <emscripten/emscripten.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "alarm_ids.h"
#include "alarm_panel.h"
#include "picture_scale.h"
#include "picture_table.h"
#include "placement.h"
#include "web_alarm_window.h"
#include "window_tables.h"

#define ORVANE_EXPORT extern "C" EMSCRIPTEN_KEEPALIVE

namespace {

web::WebAlarmWindow g_window;
// A fresh panel each time the window opens, as each start of the Windows program makes one.
std::optional<ats::AlarmPanel> g_panel;

// The tables' "options" list names the checkbox behind each option bit of
// orvane_page_read_options, lowest bit first.
static_assert(web::OPTION_ENDLESS == 1 && web::OPTION_FULL_AUTO == 2 &&
              web::OPTION_IGNORE_SIGNAL == 4 && web::OPTION_NO_OVERLAP == 8);

}  // namespace

// --- Entry points. The page guards each one: whatever fails in it is followed by
// orvane_recover. ---

ORVANE_EXPORT void orvane_init() {
    for (const ats::ShownPicture& first : ats::FIRST_PICTURES)
        g_window.ShowBitmap(first.controlId, first.bitmapId);
    g_panel.emplace(g_window);
    g_panel->InitDialog();
}

// A click of a control of the main window. 1 when the click closes the window (終了): the
// exit clean-up has run.
ORVANE_EXPORT int orvane_click(int controlId) {
    if (!g_panel) return 0;
    if (controlId == ats::CONTROL_EXIT) {
        g_panel->ExitCleanup();
        g_panel.reset();  // the program has ended; the next opening makes a new panel
        return 1;
    }
    g_panel->OnControlClicked(controlId);
    return 0;
}

ORVANE_EXPORT void orvane_timer(int timerId) {
    if (g_panel) g_panel->OnTimer(timerId);
}

ORVANE_EXPORT void orvane_recover() {
    if (g_panel) g_panel->Recover();
}

// 1 while a run goes on by itself (Orvaneモード or フルオート ticked, the panel not idle): the page
// keeps the screen on then.
// The confirm deadline's menu item ticked (1) or unticked (0); answers whether it is on now.
ORVANE_EXPORT int orvane_set_confirm_deadline(int on) {
    if (!g_panel) return 0;
    g_panel->SetConfirmDeadline(on != 0);
    return g_panel->ConfirmDeadline() ? 1 : 0;
}

ORVANE_EXPORT int orvane_unattended() { return g_panel && g_panel->RunsUnattended(); }

// Everything the page builds its window from, as one JSON object (window_tables.h). Valid for
// the module's lifetime.
ORVANE_EXPORT const char* orvane_tables() {
    static const std::string tables = ats::WindowTablesJson();
    return tables.c_str();
}

// --- Where a window opens, by the rule of every edition (placement.h) ---

namespace {

ats::ScreenRect g_placed;

}  // namespace

// Places a width x height window centred over its owner's rectangle (an empty one: no owner,
// centred over the work area) and kept whole on the work area, all in CSS pixels;
// orvane_placed_left and _top say where it goes.
ORVANE_EXPORT void orvane_centre(int width, int height, int ownerLeft, int ownerTop, int ownerRight,
                                 int ownerBottom, int workLeft, int workTop, int workRight,
                                 int workBottom) {
    const ats::ScreenRect owner{ownerLeft, ownerTop, ownerRight, ownerBottom};
    const bool owned = ownerRight > ownerLeft && ownerBottom > ownerTop;
    g_placed = ats::CentredRect({0, 0, width, height}, owned ? std::optional(owner) : std::nullopt,
                                {workLeft, workTop, workRight, workBottom});
}
ORVANE_EXPORT int orvane_placed_left() { return g_placed.left; }
ORVANE_EXPORT int orvane_placed_top() { return g_placed.top; }

// --- Pictures at the display's scale, by the same rules as the other editions ---

ORVANE_EXPORT int orvane_rendering_scale(int dpi) { return ats::ChooseRenderingScale(dpi); }

namespace {

ats::Pixels FromRgba(const std::uint8_t* rgba, int width, int height) {
    ats::Pixels pixels{width, height, std::vector<std::uint32_t>(std::size_t(width) * height)};
    for (std::size_t i = 0; i < pixels.rgb.size(); ++i) {
        const std::uint8_t* p = rgba + i * 4;
        pixels.rgb[i] = std::uint32_t(p[0]) << 16 | std::uint32_t(p[1]) << 8 | p[2];
    }
    return pixels;
}

// The last picture made, which the page copies out before it asks for the next.
ats::Picture g_picture;
std::vector<std::uint8_t> g_pictureRgba;

}  // namespace

// The picture for bitmapId at dpi, made from the one rendering the page holds for it:
// width x height RGBA pixels (as a canvas holds them) at rgba, stored at storedScale (1: the
// bitmap itself; a larger one stands in for every larger scale). Returns the opaque RGBA
// pixels to show, valid until the next call, or null when none can be made;
// orvane_picture_width, _height and _stored describe them.
ORVANE_EXPORT const std::uint8_t* orvane_picture(int bitmapId, int dpi, const std::uint8_t* rgba,
                                                 int width, int height, int storedScale) {
    g_pictureRgba.clear();
    g_picture = {};
    if (rgba == nullptr || width <= 0 || height <= 0) return nullptr;
    g_picture = ats::PictureAtDpi(bitmapId, dpi, [&](int scale) -> std::optional<ats::Pixels> {
        if ((scale == 1) != (storedScale == 1)) return std::nullopt;
        return FromRgba(rgba, width, height);
    });
    if (g_picture.pixels.rgb.empty()) return nullptr;
    g_pictureRgba.resize(g_picture.pixels.rgb.size() * 4);
    for (std::size_t i = 0; i < g_picture.pixels.rgb.size(); ++i) {
        std::uint8_t* p = &g_pictureRgba[i * 4];
        p[0] = std::uint8_t(g_picture.pixels.rgb[i] >> 16);
        p[1] = std::uint8_t(g_picture.pixels.rgb[i] >> 8);
        p[2] = std::uint8_t(g_picture.pixels.rgb[i]);
        p[3] = 0xFF;
    }
    return g_pictureRgba.data();
}
ORVANE_EXPORT int orvane_picture_width() { return g_picture.size.width; }
ORVANE_EXPORT int orvane_picture_height() { return g_picture.size.height; }
// 1 when the picture is the page's rendering unchanged: its file can be shown as it is.
ORVANE_EXPORT int orvane_picture_stored() { return g_picture.stored ? 1 : 0; }
