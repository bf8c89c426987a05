// The browser edition's WebAssembly module: the alarm panel on the page's window, the entry
// points the page calls, and the tables the page builds its window from (controls, texts,
// pictures, rectangles), all taken from the core's headers.
#include <emscripten/emscripten.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

#include "alarm_ids.h"
#include "alarm_panel.h"
#include "alarm_text.h"
#include "dialog_layout.h"
#include "dialog_units.h"
#include "main_dialog.h"
#include "picture_scale.h"
#include "picture_table.h"
#include "release_facts.h"
#include "web_alarm_window.h"

#define ORVANE_EXPORT extern "C" EMSCRIPTEN_KEEPALIVE

namespace {

web::WebAlarmWindow g_window;
ats::AlarmPanel g_panel(g_window);

struct NamedText {
    const char* name;
    const char* text;
};

// What the page shows besides the controls' captions.
constexpr std::array<NamedText, 9> TEXTS{{
    {"caption", TXT_MAIN_CAPTION},
    {"aboutItem", TXT_ABOUT_ITEM},
    {"aboutCaption", TXT_ABOUT_CAPTION},
    {"versionLine", ORVANE_VERSION_LINE},
    {"legalLine", TXT_LEGAL_LINE},
    {"ok", TXT_OK},
    {"version", ORVANE_VERSION_STRING},
    {"bellWave", TXT_BELL_WAVE},
    {"chimeWave", TXT_CHIME_WAVE},
}};

struct NamedRect {
    const char* name;
    ats::DialogRect rect;
};

// The two dialogs and the about box's controls, in dialog units.
constexpr std::array<NamedRect, 6> RECTS{{
    {"main", ats::MAIN_DIALOG_RECT},
    {"about", {0, 0, ABOUT_DIALOG_WIDTH, ABOUT_DIALOG_HEIGHT}},
    {"aboutIcon", {RECT_ABOUT_ICON}},
    {"aboutVersion", {RECT_ABOUT_VERSION}},
    {"aboutLegal", {RECT_ABOUT_LEGAL}},
    {"aboutOk", {RECT_ABOUT_OK}},
}};

// A rectangle's field 0..3 (x, y, width, height) in CSS pixels at 100 %.
int RectPixels(const ats::DialogRect& rect, int field) {
    switch (field) {
        case 0: return web::HorizontalPixels(rect.x);
        case 1: return web::VerticalPixels(rect.y);
        case 2: return web::HorizontalPixels(rect.width);
        case 3: return web::VerticalPixels(rect.height);
        default: return 0;
    }
}

template <class Table>
bool InTable(const Table& table, int index) {
    return index >= 0 && static_cast<std::size_t>(index) < table.size();
}

}  // namespace

// --- Entry points. The page guards each one: whatever fails in it is followed by
// orvane_recover. ---

ORVANE_EXPORT void orvane_init() {
    for (const ats::ShownPicture& first : ats::FIRST_PICTURES)
        g_window.ShowBitmap(first.controlId, first.bitmapId);
    g_panel.InitDialog();
}

// A click of a control of the main window. 1 when the click closes the window (終了): the
// exit clean-up has run.
ORVANE_EXPORT int orvane_click(int controlId) {
    if (controlId == ats::CONTROL_EXIT) {
        g_panel.ExitCleanup();
        return 1;
    }
    g_panel.OnControlClicked(controlId);
    return 0;
}

ORVANE_EXPORT void orvane_timer(int timerId) { g_panel.OnTimer(timerId); }

ORVANE_EXPORT void orvane_exit() { g_panel.ExitCleanup(); }

ORVANE_EXPORT void orvane_recover() { g_panel.Recover(); }

// --- Tables ---

ORVANE_EXPORT int orvane_control_count() { return static_cast<int>(ats::MAIN_CONTROLS.size()); }
ORVANE_EXPORT int orvane_control_id(int i) {
    return InTable(ats::MAIN_CONTROLS, i) ? ats::MAIN_CONTROLS[i].id : 0;
}
// 0 push button, 1 checkbox, 2 picture.
ORVANE_EXPORT int orvane_control_kind(int i) {
    return InTable(ats::MAIN_CONTROLS, i) ? static_cast<int>(ats::MAIN_CONTROLS[i].kind) : -1;
}
ORVANE_EXPORT const char* orvane_control_caption(int i) {
    return InTable(ats::MAIN_CONTROLS, i) ? ats::MAIN_CONTROLS[i].caption : "";
}
ORVANE_EXPORT int orvane_control_rect(int i, int field) {
    return InTable(ats::MAIN_CONTROLS, i) ? RectPixels(ats::MAIN_CONTROLS[i].rect, field) : 0;
}

// Ids the page needs by what they stand for.
ORVANE_EXPORT int orvane_exit_control() { return ats::CONTROL_EXIT; }
ORVANE_EXPORT int orvane_start_control() { return IDC_START; }
ORVANE_EXPORT int orvane_blink_timer() { return ats::TIMER_BLINK; }
// The checkbox behind option bit i (1 << i) of orvane_page_read_options; 0 past the last.
ORVANE_EXPORT int orvane_option_control(int bit) {
    switch (1 << bit) {
        case web::OPTION_ENDLESS: return IDC_ENDLESS;
        case web::OPTION_FULL_AUTO: return IDC_FULLAUTO;
        case web::OPTION_IGNORE_SIGNAL: return IDC_IGNORESIGNAL;
        case web::OPTION_NO_OVERLAP: return IDC_NOOVERLAP;
        default: return 0;
    }
}

ORVANE_EXPORT int orvane_rect_count() { return static_cast<int>(RECTS.size()); }
ORVANE_EXPORT const char* orvane_rect_name(int i) { return InTable(RECTS, i) ? RECTS[i].name : ""; }
ORVANE_EXPORT int orvane_rect(int i, int field) {
    return InTable(RECTS, i) ? RectPixels(RECTS[i].rect, field) : 0;
}
ORVANE_EXPORT int orvane_base_unit(int axis) {
    return axis == 0 ? web::BASE_UNIT_X : web::BASE_UNIT_Y;
}

ORVANE_EXPORT int orvane_text_count() { return static_cast<int>(TEXTS.size()); }
ORVANE_EXPORT const char* orvane_text_name(int i) { return InTable(TEXTS, i) ? TEXTS[i].name : ""; }
ORVANE_EXPORT const char* orvane_text(int i) { return InTable(TEXTS, i) ? TEXTS[i].text : ""; }

ORVANE_EXPORT int orvane_picture_count() { return static_cast<int>(ats::PICTURES.size()); }
ORVANE_EXPORT int orvane_picture_id(int i) {
    return InTable(ats::PICTURES, i) ? ats::PICTURES[i].bitmapId : 0;
}
ORVANE_EXPORT const char* orvane_picture_stem(int i) {
    return InTable(ats::PICTURES, i) ? ats::PICTURES[i].stem : "";
}
ORVANE_EXPORT const char* orvane_picture_name(int i) {
    return InTable(ats::PICTURES, i) ? ats::PICTURES[i].accessibleName : "";
}
ORVANE_EXPORT int orvane_picture_width(int bitmapId) { return ats::BitmapSize(bitmapId).width; }
ORVANE_EXPORT int orvane_picture_height(int bitmapId) { return ats::BitmapSize(bitmapId).height; }

// --- Pictures at the display's scale, by the same rules as the Windows program ---

ORVANE_EXPORT int orvane_rendering_scale(int dpi) { return ats::ChooseRenderingScale(dpi); }
ORVANE_EXPORT int orvane_scale_to_dpi(int pixels, int dpi) { return ats::ScaleToDpi(pixels, dpi); }

// Brings width x height RGBA pixels (as a canvas holds them) at rgba to newWidth x newHeight
// with the program's resampler, in place of a buffer the page allocated for the larger of the
// two. The result is opaque, as the bitmaps are. 1 when done.
ORVANE_EXPORT int orvane_resample(std::uint8_t* rgba, int width, int height, int newWidth,
                                  int newHeight) {
    if (rgba == nullptr || width <= 0 || height <= 0 || newWidth <= 0 || newHeight <= 0) return 0;
    ats::Pixels source{width, height, std::vector<std::uint32_t>(std::size_t(width) * height)};
    for (std::size_t i = 0; i < source.rgb.size(); ++i) {
        const std::uint8_t* p = rgba + i * 4;
        source.rgb[i] = std::uint32_t(p[0]) << 16 | std::uint32_t(p[1]) << 8 | p[2];
    }
    const ats::Pixels result = ats::Resample(source, newWidth, newHeight);
    if (result.rgb.size() != std::size_t(newWidth) * newHeight) return 0;
    for (std::size_t i = 0; i < result.rgb.size(); ++i) {
        std::uint8_t* p = rgba + i * 4;
        p[0] = std::uint8_t(result.rgb[i] >> 16);
        p[1] = std::uint8_t(result.rgb[i] >> 8);
        p[2] = std::uint8_t(result.rgb[i]);
        p[3] = 0xFF;
    }
    return 1;
}
