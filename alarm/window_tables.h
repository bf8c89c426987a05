// The window's tables as one JSON object, for every edition that builds its window or checks
// it from data: the browser page, and the tests and scripts of all three editions (the build
// writes it to window_tables.json).
#ifndef ORVANE_ALARM_WINDOW_TABLES_H
#define ORVANE_ALARM_WINDOW_TABLES_H

#include <string>

namespace ats {

// controls: id, kind ("button", "checkbox" or "picture"), caption, rectangle in dialog units
// ("units") and in pixels at 96 DPI on Windows' base units ("rect"), in tab order; aboutControls:
// the about box's controls likewise, each with a name (kind "icon", "text" or "button"); rects: the
// dialogs and the about box's controls by name, likewise; texts: the window's other texts and the
// release's lines by name; pictures: bitmap id, file stem, accessible name and size at 96 DPI; ids:
// control ids by name; bitmaps: bitmap ids by name (the signal shows signalStop + its aspect);
// options: the checkbox behind each option bit, lowest first; timers: timer ids by name; templates
// and menuItems: the Windows program's dialog template ids and window-menu item ids by name; facts:
// the numbers the editions share (baseDpi, renderingScales, blinkMs, restart gaps, interval
// bounds, the bell player's start wait, the confirm deadline).
std::string WindowTablesJson();

}  // namespace ats

#endif
