// The eight pictures of the signal head and the lamp panel: the file each is stored in and
// what it shows, in words a screen reader says. Every front end takes them from here.
#ifndef ORVANE_ALARM_PICTURE_TABLE_H
#define ORVANE_ALARM_PICTURE_TABLE_H

#include <array>

#include "alarm_ids.h"

namespace ats {

struct PictureInfo {
    int bitmapId;
    // The stored files are <stem>.bmp and, at two and three times the size, <stem>_2x.png and
    // <stem>_3x.png.
    const char* stem;
    // UTF-8. The lamp panel has the indicator lamp (表示灯) on the left and the alarm lamp
    // (警報表示灯) on the right.
    const char* accessibleName;
};

inline constexpr std::array<PictureInfo, 8> PICTURES{{
    {IDB_PANEL_NORMAL, "panel_normal", "表示灯: 点灯、警報表示灯: 消灯"},
    {IDB_PANEL_DARK, "panel_dark", "表示灯: 消灯、警報表示灯: 消灯"},
    {IDB_PANEL_ALARM, "panel_alarm", "表示灯: 消灯、警報表示灯: 点灯"},
    {IDB_SIGNAL_STOP, "signal_stop", "信号: 停止"},
    {IDB_SIGNAL_RESTRICT, "signal_restrict", "信号: 警戒"},
    {IDB_SIGNAL_CAUTION, "signal_caution", "信号: 注意"},
    {IDB_SIGNAL_REDUCE, "signal_reduce", "信号: 減速"},
    {IDB_SIGNAL_PROCEED, "signal_proceed", "信号: 進行"},
}};

// The picture with this bitmap id; nullptr for any other id.
constexpr const PictureInfo* FindPicture(int bitmapId) {
    for (const PictureInfo& picture : PICTURES) {
        if (picture.bitmapId == bitmapId) return &picture;
    }
    return nullptr;
}

// What the two picture controls show when the window opens, before the first run.
struct ShownPicture {
    int controlId;
    int bitmapId;
};
inline constexpr std::array<ShownPicture, 2> FIRST_PICTURES{{
    {IDC_PANEL, IDB_PANEL_NORMAL},
    {IDC_SIGNAL, IDB_SIGNAL_STOP},
}};

}  // namespace ats

#endif
