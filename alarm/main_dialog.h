// The main window's controls as every front end lays them out: id, kind, caption and
// rectangle in dialog units, in tab order. The resource script writes the same template from
// the same rectangles (dialog_layout.h) and texts (alarm_text.h).
#ifndef ORVANE_ALARM_MAIN_DIALOG_H
#define ORVANE_ALARM_MAIN_DIALOG_H

#include <array>

#include "alarm_ids.h"
#include "alarm_text.h"
#include "dialog_layout.h"
#include "dialog_units.h"

namespace ats {

enum class ControlKind { PushButton, CheckBox, Picture };

struct ControlSpec {
    int id;
    ControlKind kind;
    const char* caption;  // UTF-8; empty for a picture
    DialogRect rect;
};

inline constexpr DialogRect MAIN_DIALOG_RECT{0, 0, MAIN_DIALOG_WIDTH, MAIN_DIALOG_HEIGHT};

inline constexpr std::array<ControlSpec, 12> MAIN_CONTROLS{{
    {CONTROL_EXIT, ControlKind::PushButton, TXT_EXIT, {RECT_EXIT}},
    {IDC_CONFIRM, ControlKind::PushButton, TXT_CONFIRM, {RECT_CONFIRM}},
    {IDC_PANEL, ControlKind::Picture, "", {RECT_PANEL}},
    {IDC_SIGNAL, ControlKind::Picture, "", {RECT_SIGNAL}},
    {IDC_START, ControlKind::PushButton, TXT_START, {RECT_START}},
    {IDC_ENDLESS, ControlKind::CheckBox, TXT_ENDLESS, {RECT_ENDLESS}},
    {IDC_SUSTAIN, ControlKind::PushButton, TXT_SUSTAIN, {RECT_SUSTAIN}},
    {IDC_BELL, ControlKind::PushButton, TXT_BELL, {RECT_BELL}},
    {IDC_CHIME, ControlKind::PushButton, TXT_CHIME, {RECT_CHIME}},
    {IDC_FULLAUTO, ControlKind::CheckBox, TXT_FULLAUTO, {RECT_FULLAUTO}},
    {IDC_IGNORESIGNAL, ControlKind::CheckBox, TXT_IGNORESIGNAL, {RECT_IGNORESIGNAL}},
    {IDC_NOOVERLAP, ControlKind::CheckBox, TXT_NOOVERLAP, {RECT_NOOVERLAP}},
}};

}  // namespace ats

#endif
