// The page's side of port_imports.h: each call goes to the port object the page hands to the
// module when it creates it (createOrvane({port})).
mergeInto(LibraryManager.library, {
  orvane_page_set_timer: function (timerId, milliseconds) {
    Module['port'].setTimer(timerId, milliseconds);
  },
  orvane_page_kill_timer: function (timerId) {
    Module['port'].killTimer(timerId);
  },
  orvane_page_show_bitmap: function (controlId, bitmapId) {
    Module['port'].showBitmap(controlId, bitmapId);
  },
  orvane_page_set_start_caption: function (utf8, length) {
    Module['port'].setStartCaption(UTF8ToString(utf8, length));
  },
  orvane_page_alarm_changed: function (on) {
    Module['port'].alarmChanged(on !== 0);
  },
  orvane_page_aspect_changed: function (aspect) {
    Module['port'].aspectChanged(aspect);
  },
  orvane_page_brake_applied: function () {
    Module['port'].brakeApplied();
  },
  orvane_page_play_brake: function (fileName, length) {
    Module['port'].playBrake(UTF8ToString(fileName, length));
  },
  orvane_page_stop_brake: function () {
    Module['port'].stopBrake();
  },
  orvane_page_read_options: function () {
    return Module['port'].readOptions();
  },
  orvane_page_play_wave_loop: function (fileName, length) {
    Module['port'].playWaveLoop(UTF8ToString(fileName, length));
  },
  orvane_page_stop_wave: function () {
    Module['port'].stopWave();
  },
  orvane_page_start_bell_player: function () {
    Module['port'].startBellPlayer();
  },
  orvane_page_quit_bell_player: function () {
    Module['port'].quitBellPlayer();
  },
  orvane_page_wait: function (milliseconds) {
    Module['port'].wait(milliseconds);
  },
});
