// The browser edition's WebAssembly module: the alarm panel on the page's window, the entry
// points the page calls, and the tables the page builds its window from (controls, texts,
// pictures, rectangles), all taken from the core's headers.
#include <emscripten/emscripten.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
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
// A fresh panel each time the window opens, as each start of the Windows program makes one.
std::optional<ats::AlarmPanel> g_panel;

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

// Ids the page and its tests need by what they stand for.
struct NamedId {
    const char* name;
    int id;
};
constexpr std::array<NamedId, 12> CONTROL_NAMES{{
    {"exit", ats::CONTROL_EXIT},
    {"confirm", IDC_CONFIRM},
    {"start", IDC_START},
    {"endless", IDC_ENDLESS},
    {"sustain", IDC_SUSTAIN},
    {"bell", IDC_BELL},
    {"chime", IDC_CHIME},
    {"signal", IDC_SIGNAL},
    {"panel", IDC_PANEL},
    {"fullAuto", IDC_FULLAUTO},
    {"ignoreSignal", IDC_IGNORESIGNAL},
    {"noOverlap", IDC_NOOVERLAP},
}};

// The checkbox behind each option bit of orvane_page_read_options, lowest bit first.
constexpr std::array<int, 4> OPTION_CONTROLS{IDC_ENDLESS, IDC_FULLAUTO, IDC_IGNORESIGNAL,
                                             IDC_NOOVERLAP};
static_assert(web::OPTION_ENDLESS == 1 && web::OPTION_FULL_AUTO == 2 &&
              web::OPTION_IGNORE_SIGNAL == 4 && web::OPTION_NO_OVERLAP == 8);

// A small JSON writer: the tables hold only names, UTF-8 captions and whole numbers.
class Json {
public:
    Json& Raw(std::string_view text) {
        if (m_comma && text.front() != '}' && text.front() != ']' && text.front() != ':')
            m_text += ',';
        m_text += text;
        m_comma = text.back() != '{' && text.back() != '[' && text.back() != ':';
        return *this;
    }
    Json& String(std::string_view text) {
        std::string quoted = "\"";
        for (const char c : text) {
            if (c == '"' || c == '\\') quoted += '\\';
            if (static_cast<unsigned char>(c) >= 0x20) quoted += c;
        }
        return Raw(quoted + '"');
    }
    Json& Key(std::string_view name) { return String(name).Raw(":"); }
    Json& Number(int value) { return Raw(std::to_string(value)); }
    Json& Rect(std::string_view name, const ats::DialogRect& r) {
        Key(name).Raw("[").Number(r.x).Number(r.y).Number(r.width).Number(r.height);
        return Raw("]");
    }
    // The rectangle in dialog units and in CSS pixels at 100 %.
    Json& Place(const ats::DialogRect& r) {
        return Rect("units", r)
            .Rect("rect", {web::HorizontalPixels(r.x), web::VerticalPixels(r.y),
                           web::HorizontalPixels(r.width), web::VerticalPixels(r.height)});
    }
    const std::string& Text() const { return m_text; }

private:
    std::string m_text;
    bool m_comma = false;
};

std::string TablesJson() {
    Json json;
    json.Raw("{").Key("controls").Raw("[");
    for (const ats::ControlSpec& control : ats::MAIN_CONTROLS) {
        json.Raw("{").Key("id").Number(control.id);
        json.Key("kind").Number(static_cast<int>(control.kind));
        json.Key("caption").String(control.caption).Place(control.rect).Raw("}");
    }
    json.Raw("]").Key("rects").Raw("{");
    for (const NamedRect& rect : RECTS) json.Key(rect.name).Raw("{").Place(rect.rect).Raw("}");
    json.Raw("}").Key("texts").Raw("{");
    for (const NamedText& text : TEXTS) json.Key(text.name).String(text.text);
    json.Raw("}").Key("pictures").Raw("[");
    for (const ats::PictureInfo& picture : ats::PICTURES) {
        const ats::PictureSize size = ats::BitmapSize(picture.bitmapId);
        json.Raw("{").Key("id").Number(picture.bitmapId).Key("stem").String(picture.stem);
        json.Key("name").String(picture.accessibleName);
        json.Key("width").Number(size.width).Key("height").Number(size.height).Raw("}");
    }
    json.Raw("]").Key("ids").Raw("{");
    for (const NamedId& named : CONTROL_NAMES) json.Key(named.name).Number(named.id);
    json.Raw("}").Key("options").Raw("[");
    for (const int id : OPTION_CONTROLS) json.Number(id);
    json.Raw("]").Key("blinkTimer").Number(ats::TIMER_BLINK).Raw("}");
    return json.Text();
}

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
ORVANE_EXPORT int orvane_unattended() {
    return g_panel && g_panel->m_nState != ats::Idle &&
           (g_panel->m_bEndless || g_panel->m_bFullAuto);
}

// --- Tables ---

// Everything the page builds its window from, as one JSON object: controls (id, kind, caption,
// rectangle in dialog units and in pixels) in tab order, named rectangles and texts, pictures
// (bitmap id, file stem, accessible name, size), control ids by name, the checkbox behind
// each option bit, and the blink timer's id. Valid for the module's lifetime.
ORVANE_EXPORT const char* orvane_tables() {
    static const std::string tables = TablesJson();
    return tables.c_str();
}

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
