// What the Linux edition's window asks of its sounds: the program's one wave channel, the bell
// player and the emergency brake's sound. A wave is named by its bare file name (atsbell.wav,
// ...), looked up in the user's own folder first and then in the program's (WaveLibrary).
#ifndef ORVANE_LINUX_SOUND_OUTPUT_H
#define ORVANE_LINUX_SOUND_OUTPUT_H

#include <QString>

// The real one is SoundThread; tests use a recording fake.
class SoundOutput {
public:
    virtual ~SoundOutput() = default;

    // Loops a wave on the program's one channel; a new wave replaces the one playing.
    virtual void PlayWaveLoop(const QString& name) = 0;
    virtual void StopWave() = 0;
    // Loops the bell apart from the channel, and delivers a blink tick every
    // ats::BELL_BLINK_INTERVAL_MS while it rings. A bell still ringing is stopped first.
    virtual void StartBellPlayer(const QString& name) = 0;
    virtual void QuitBellPlayer() = 0;
    // Plays a wave once beside the other two, cutting neither; a new start replaces it.
    virtual void PlayBrakeSound(const QString& name) = 0;
    virtual void StopBrakeSound() = 0;
};

#endif
