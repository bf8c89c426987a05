// Rectangles of the two dialogs in dialog units (x, y, width, height): the core's layout, which
// the resource script and all three editions take. Only #define lines: the resource compiler
// reads this file too.
#ifndef ORVANE_ALARM_DIALOG_LAYOUT_H
#define ORVANE_ALARM_DIALOG_LAYOUT_H

// The dialogs' font: 9 points.
#define DLG_FONT_POINTS 9

#define MAIN_DIALOG_WIDTH 219
#define MAIN_DIALOG_HEIGHT 183
#define RECT_EXIT 162, 41, 50, 14
#define RECT_CONFIRM 22, 95, 130, 65
#define RECT_PANEL 60, 5, 86, 67
#define RECT_SIGNAL 25, 5, 18, 43
#define RECT_START 162, 7, 50, 14
#define RECT_ENDLESS 162, 24, 50, 14
#define RECT_SUSTAIN 162, 95, 50, 65
#define RECT_BELL 162, 58, 50, 14
#define RECT_CHIME 162, 75, 50, 14
#define RECT_FULLAUTO 23, 163, 111, 10
#define RECT_IGNORESIGNAL 10, 60, 43, 10
#define RECT_NOOVERLAP 23, 80, 127, 10

#define ABOUT_DIALOG_WIDTH 235
#define ABOUT_DIALOG_HEIGHT 55
#define RECT_ABOUT_ICON 11, 17, 20, 20
#define RECT_ABOUT_VERSION 40, 10, 119, 8
#define RECT_ABOUT_LEGAL 40, 25, 119, 8
#define RECT_ABOUT_OK 178, 7, 50, 14

#endif
