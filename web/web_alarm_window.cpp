#include "web_alarm_window.h"

#include <cstdlib>
#include <ctime>

#include "port_imports.h"

namespace web {

namespace {

int Length(std::string_view text) { return static_cast<int>(text.size()); }

}  // namespace

// The page keeps one interval per id: arming an armed id restarts it with the new period,
// killing one that is not armed does nothing.
void WebAlarmWindow::SetTimer(int timerId, int milliseconds) {
    orvane_page_set_timer(timerId, milliseconds);
}

void WebAlarmWindow::KillTimer(int timerId) { orvane_page_kill_timer(timerId); }

void WebAlarmWindow::ShowBitmap(int controlId, int bitmapId) {
    orvane_page_show_bitmap(controlId, bitmapId);
}

void WebAlarmWindow::SetStartCaption(std::string_view utf8Caption) {
    orvane_page_set_start_caption(utf8Caption.data(), Length(utf8Caption));
}

void WebAlarmWindow::AlarmChanged(bool on) { orvane_page_alarm_changed(on ? 1 : 0); }

void WebAlarmWindow::AspectChanged(int aspect) { orvane_page_aspect_changed(aspect); }

void WebAlarmWindow::BrakeApplied() { orvane_page_brake_applied(); }

ats::OptionStates WebAlarmWindow::ReadOptions() {
    const int bits = orvane_page_read_options();
    return {(bits & OPTION_ENDLESS) != 0, (bits & OPTION_FULL_AUTO) != 0,
            (bits & OPTION_IGNORE_SIGNAL) != 0, (bits & OPTION_NO_OVERLAP) != 0};
}

void WebAlarmWindow::PlayWaveLoop(std::string_view fileName) {
    orvane_page_play_wave_loop(fileName.data(), Length(fileName));
}

void WebAlarmWindow::StopWave() { orvane_page_stop_wave(); }

void WebAlarmWindow::PlayBrakeSound(std::string_view fileName) {
    orvane_page_play_brake(fileName.data(), Length(fileName));
}

void WebAlarmWindow::StopBrakeSound() { orvane_page_stop_brake(); }

// The bell player of this edition is a second looping sound in the page: the command line
// only says that a bell is wanted.
void WebAlarmWindow::StartBellPlayer(std::string_view /*commandLine*/) {
    orvane_page_start_bell_player();
}

void WebAlarmWindow::QuitBellPlayer() { orvane_page_quit_bell_player(); }

// A page must not block: the page starts the sounds the same handler starts afterwards this
// much later on the audio clock instead.
void WebAlarmWindow::Wait(int milliseconds) { orvane_page_wait(milliseconds); }

std::int32_t WebAlarmWindow::WindowHandle() { return PAGE_WINDOW_HANDLE; }

void WebAlarmWindow::SeedRandom() { std::srand(static_cast<unsigned>(std::time(nullptr))); }

int WebAlarmWindow::Rand() { return std::rand(); }

}  // namespace web
