// What the WebAssembly module asks of its page: the functions of web/port_library.js.
#ifndef ORVANE_WEB_PORT_IMPORTS_H
#define ORVANE_WEB_PORT_IMPORTS_H

extern "C" {
void orvane_page_set_timer(int timerId, int milliseconds);
void orvane_page_kill_timer(int timerId);
void orvane_page_show_bitmap(int controlId, int bitmapId);
void orvane_page_set_start_caption(const char* utf8, int length);
void orvane_page_alarm_changed(int on);
void orvane_page_aspect_changed(int aspect);
void orvane_page_brake_applied();
// The four options as bits: 1 endless, 2 full auto, 4 ignore signal, 8 no overlap.
int orvane_page_read_options();
void orvane_page_play_wave_loop(const char* fileName, int length);
void orvane_page_stop_wave();
void orvane_page_play_brake(const char* fileName, int length);
void orvane_page_stop_brake();
void orvane_page_start_bell_player();
void orvane_page_quit_bell_player();
void orvane_page_wait(int milliseconds);
}

#endif
