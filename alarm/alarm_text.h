// Every text the program shows, in UTF-8, shared by the alarm core and all three editions: the
// Windows program through its resource script, the Linux edition, and the browser edition
// through the window tables and its site (the legal lines come with the release's facts,
// release_facts.h). Only #define lines: the resource compiler reads this file too.
#ifndef ORVANE_ALARM_TEXT_H
#define ORVANE_ALARM_TEXT_H

// Main window.
#define TXT_MAIN_CAPTION "OrvaneATS"
#define TXT_EXIT "終了"
#define TXT_CONFIRM "ATS確認"
#define TXT_START "開始"
#define TXT_STOP "停止"
#define TXT_ENDLESS "Orvaneモード"
#define TXT_SUSTAIN "警報持続"
#define TXT_BELL "ATSベル"
#define TXT_CHIME "ATSチャイム"
#define TXT_FULLAUTO "フルオート(一連の動作を自動化)"
#define TXT_IGNORESIGNAL "信号無視"
#define TXT_NOOVERLAP "ATSベルとチャイムを同時に鳴らさない"
// What a screen reader hears when the alarm starts and ends.
#define TXT_ALARM_ON "警報が鳴っています"
#define TXT_ALARM_OFF "警報が止まりました"
// The confirm deadline's menu item, and what a screen reader hears when it runs out.
#define TXT_DEADLINE_ITEM "確認期限(5秒)"
#define TXT_EMERGENCY_BRAKE "非常ブレーキ"
// The about item of the window menu.
#define TXT_ABOUT_ITEM "OrvaneATSのﾊﾞｰｼﾞｮﾝ情報(&A)..."

// About box.
#define TXT_ABOUT_CAPTION "orvaneatsのﾊﾞｰｼﾞｮﾝ情報"
#define TXT_VERSION_PLACEHOLDER "OrvaneATS Version x.xxxx"
#define TXT_OK "OK"

// Wave files, named bare: they sit beside the program.
#define TXT_BELL_WAVE "atsbell.wav"
#define TXT_CHIME_WAVE "atschime.wav"
// The emergency brake: the brake pipe venting, played once.
#define TXT_BRAKE_WAVE "atsbrake.wav"

#endif
