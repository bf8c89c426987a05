// The port: everything the alarm core asks of the window it lives in.
// The Windows program implements it with Win32 calls, the Linux edition with Qt, the browser
// edition with the page's JavaScript, and the unit tests with a fake on a virtual clock.
#ifndef ORVANE_ALARM_WINDOW_H
#define ORVANE_ALARM_WINDOW_H

#include <cstdint>
#include <string_view>

namespace ats {

// The four option checkboxes as the window shows them right now.
struct OptionStates {
    bool endless = false;
    bool fullAuto = false;
    bool ignoreSignal = false;
    bool noOverlap = false;
};

class AlarmWindow {
public:
    virtual ~AlarmWindow() = default;

    // Arms a periodic timer; arming an armed id replaces its interval and restarts its period.
    virtual void SetTimer(int timerId, int milliseconds) = 0;
    // Cancels a timer; cancelling an id that is not armed does nothing.
    virtual void KillTimer(int timerId) = 0;

    // Shows bitmap resource bitmapId in the picture control controlId, releasing the bitmap
    // that control showed before.
    virtual void ShowBitmap(int controlId, int bitmapId) = 0;
    // Sets the Start button's caption (UTF-8).
    virtual void SetStartCaption(std::string_view utf8Caption) = 0;
    // News for the window's screen reader (a live region, an accessible event). The alarm went
    // off (on: the bell rings and the alarm lamp lights) or ended (the lamp back to normal).
    virtual void AlarmChanged(bool on) = 0;
    // The signal changed to show aspect 0 (stop) to 4 (proceed).
    virtual void AspectChanged(int aspect) = 0;
    // The confirm deadline ran out: the emergency brake applied.
    virtual void BrakeApplied() = 0;

    // Reads all four option checkboxes.
    virtual OptionStates ReadOptions() = 0;

    // Plays a wave file, given by bare file name, in a loop; it replaces the wave playing.
    virtual void PlayWaveLoop(std::string_view fileName) = 0;
    // Ends the wave the program is playing, if any.
    virtual void StopWave() = 0;

    // Starts a bell player with this command line. The core tells the previous player to quit
    // first; an adapter may also make sure of it.
    virtual void StartBellPlayer(std::string_view commandLine) = 0;
    // Tells the bell player to quit. Reaches only a player that is still running; with none
    // running it does nothing.
    virtual void QuitBellPlayer() = 0;

    // Plays the emergency brake's wave (bare file name) once, beside whatever else sounds: it
    // cuts neither the bell nor the chime. Playing it again starts it afresh.
    virtual void PlayBrakeSound(std::string_view fileName) = 0;
    // Ends the brake's sound if it still plays.
    virtual void StopBrakeSound() = 0;

    // Blocks the window's thread for the given time.
    virtual void Wait(int milliseconds) = 0;
    // The window's own handle as a 32-bit signed number.
    virtual std::int32_t WindowHandle() = 0;

    // Seeds the random source (srand(time(NULL)) in the program).
    virtual void SeedRandom() = 0;
    // Next random integer from 0 to the source's largest value, which is at least 32767
    // (rand() in the program: 0 to RAND_MAX).
    virtual int Rand() = 0;
};

}  // namespace ats

#endif
