#include "window_tables.h"

#include <array>

#include "alarm_ids.h"
#include "alarm_panel.h"
#include "alarm_text.h"
#include "dialog_layout.h"
#include "dialog_units.h"
#include "json_writer.h"
#include "main_dialog.h"
#include "picture_scale.h"
#include "picture_table.h"
#include "release_facts.h"

namespace ats {

namespace {

struct NamedText {
    const char* name;
    const char* text;
};

// What the windows show besides the controls' captions.
constexpr std::array<NamedText, 15> TEXTS{{
    {"caption", TXT_MAIN_CAPTION},
    {"stop", TXT_STOP},
    {"aboutItem", TXT_ABOUT_ITEM},
    {"aboutCaption", TXT_ABOUT_CAPTION},
    {"versionLine", ORVANE_VERSION_LINE},
    {"legalLine", TXT_LEGAL_LINE},
    {"ok", TXT_OK},
    {"version", ORVANE_VERSION_STRING},
    {"bellWave", TXT_BELL_WAVE},
    {"chimeWave", TXT_CHIME_WAVE},
    {"brakeWave", TXT_BRAKE_WAVE},
    {"alarmOn", TXT_ALARM_ON},
    {"alarmOff", TXT_ALARM_OFF},
    {"emergencyBrake", TXT_EMERGENCY_BRAKE},
    {"deadlineItem", TXT_DEADLINE_ITEM},
}};

struct NamedRect {
    const char* name;
    DialogRect rect;
};

// The two dialogs and the about box's controls, in dialog units.
constexpr std::array<NamedRect, 6> RECTS{{
    {"main", MAIN_DIALOG_RECT},
    {"about", {0, 0, ABOUT_DIALOG_WIDTH, ABOUT_DIALOG_HEIGHT}},
    {"aboutIcon", {RECT_ABOUT_ICON}},
    {"aboutVersion", {RECT_ABOUT_VERSION}},
    {"aboutLegal", {RECT_ABOUT_LEGAL}},
    {"aboutOk", {RECT_ABOUT_OK}},
}};

struct NamedNumber {
    const char* name;
    int value;
};

// The id the resource script gives a static that has none of its own (IDC_STATIC).
constexpr int STATIC_ID = -1;

struct AboutControl {
    const char* name;
    int id;  // -1 (IDC_STATIC) for the statics that have no id of their own
    const char* kind;
    const char* caption;  // what it shows once the box is open
    DialogRect rect;
};

// The about box's controls in the template's order.
constexpr std::array<AboutControl, 4> ABOUT_CONTROLS{{
    {"icon", STATIC_ID, "icon", "", {RECT_ABOUT_ICON}},
    {"version", IDC_VERSION, "text", ORVANE_VERSION_LINE, {RECT_ABOUT_VERSION}},
    {"legal", STATIC_ID, "text", TXT_LEGAL_LINE, {RECT_ABOUT_LEGAL}},
    {"ok", CONTROL_OK, "button", TXT_OK, {RECT_ABOUT_OK}},
}};

// The Windows program's dialog templates and its items in the window menu.
constexpr std::array<NamedNumber, 2> TEMPLATE_NAMES{{
    {"main", IDD_MAIN_DIALOG},
    {"about", IDD_ABOUTBOX},
}};

constexpr std::array<NamedNumber, 2> MENU_ITEM_NAMES{{
    {"deadline", IDM_DEADLINE},
    {"about", IDM_ABOUTBOX},
}};

constexpr std::array<NamedNumber, 12> CONTROL_NAMES{{
    {"exit", CONTROL_EXIT},
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

constexpr std::array<NamedNumber, 8> BITMAP_NAMES{{
    {"panelNormal", IDB_PANEL_NORMAL},
    {"panelDark", IDB_PANEL_DARK},
    {"panelAlarm", IDB_PANEL_ALARM},
    {"signalStop", IDB_SIGNAL_STOP},
    {"signalRestrict", IDB_SIGNAL_RESTRICT},
    {"signalCaution", IDB_SIGNAL_CAUTION},
    {"signalReduce", IDB_SIGNAL_REDUCE},
    {"signalProceed", IDB_SIGNAL_PROCEED},
}};

constexpr std::array<NamedNumber, 4> TIMER_NAMES{{
    {"signal", TIMER_SIGNAL},
    {"blink", TIMER_BLINK},
    {"restart", TIMER_RESTART},
    {"auto", TIMER_AUTO},
}};

constexpr std::array<NamedNumber, 10> FACTS{{
    {"baseDpi", BASE_DPI},
    {"blinkMs", BELL_BLINK_INTERVAL_MS},
    {"restartGapMs", RESTART_GAP_MS},
    {"restartGapIgnoreSignalMs", RESTART_GAP_IGNORE_SIGNAL_MS},
    {"shortIntervalMinMs", SHORT_INTERVAL_MIN_MS},
    {"shortIntervalSpanMs", SHORT_INTERVAL_SPAN_MS},
    {"longIntervalMinMs", LONG_INTERVAL_MIN_MS},
    {"longIntervalSpanMs", LONG_INTERVAL_SPAN_MS},
    {"bellPlayerStartWaitMs", BELL_PLAYER_START_WAIT_MS},
    {"confirmDeadlineMs", CONFIRM_DEADLINE_MS},
}};

const char* KindName(ControlKind kind) {
    switch (kind) {
        case ControlKind::PushButton: return "button";
        case ControlKind::CheckBox: return "checkbox";
        case ControlKind::Picture: break;
    }
    return "picture";
}

// The rectangle in dialog units and in pixels at 96 DPI.
void Place(JsonWriter& json, const DialogRect& units) {
    const DialogRect pixels = ToPixels(units);
    json.Key("units").Numbers({units.x, units.y, units.width, units.height});
    json.Key("rect").Numbers({pixels.x, pixels.y, pixels.width, pixels.height});
}

template <std::size_t N>
void Names(JsonWriter& json, const char* key, const std::array<NamedNumber, N>& names) {
    json.Key(key).Raw("{");
    for (const NamedNumber& named : names) json.Key(named.name).Number(named.value);
    json.Raw("}");
}

}  // namespace

std::string WindowTablesJson() {
    JsonWriter json;
    json.Raw("{").Key("controls").Raw("[");
    for (const ControlSpec& control : MAIN_CONTROLS) {
        json.Raw("{").Key("id").Number(control.id).Key("kind").String(KindName(control.kind));
        json.Key("caption").String(control.caption);
        Place(json, control.rect);
        json.Raw("}");
    }
    json.Raw("]").Key("aboutControls").Raw("[");
    for (const AboutControl& control : ABOUT_CONTROLS) {
        json.Raw("{").Key("name").String(control.name).Key("id").Number(control.id);
        json.Key("kind").String(control.kind).Key("caption").String(control.caption);
        Place(json, control.rect);
        json.Raw("}");
    }
    json.Raw("]").Key("rects").Raw("{");
    for (const NamedRect& rect : RECTS) {
        json.Key(rect.name).Raw("{");
        Place(json, rect.rect);
        json.Raw("}");
    }
    json.Raw("}").Key("texts").Raw("{");
    for (const NamedText& text : TEXTS) json.Key(text.name).String(text.text);
    json.Raw("}").Key("pictures").Raw("[");
    for (const PictureInfo& picture : PICTURES) {
        const PictureSize size = BitmapSize(picture.bitmapId);
        json.Raw("{").Key("id").Number(picture.bitmapId).Key("stem").String(picture.stem);
        json.Key("name").String(picture.accessibleName);
        json.Key("width").Number(size.width).Key("height").Number(size.height).Raw("}");
    }
    json.Raw("]");
    Names(json, "ids", CONTROL_NAMES);
    Names(json, "bitmaps", BITMAP_NAMES);
    json.Key("options").Numbers({IDC_ENDLESS, IDC_FULLAUTO, IDC_IGNORESIGNAL, IDC_NOOVERLAP});
    Names(json, "timers", TIMER_NAMES);
    Names(json, "templates", TEMPLATE_NAMES);
    Names(json, "menuItems", MENU_ITEM_NAMES);
    Names(json, "facts", FACTS);
    json.Key("renderingScales").Raw("[");
    for (const int scale : LARGER_SCALES) json.Number(scale);
    return json.Raw("]").Raw("}").Text();
}

}  // namespace ats
