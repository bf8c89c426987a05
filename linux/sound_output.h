// The two sounds of the Linux edition: the program's one wave channel and the bell player.
#ifndef ORVANE_LINUX_SOUND_OUTPUT_H
#define ORVANE_LINUX_SOUND_OUTPUT_H

#include <QObject>
#include <QString>
#include <QThread>
#include <functional>
#include <map>
#include <memory>

#include "pulse_stream.h"
#include "wave_mixer.h"

class QTimer;

// What the window asks of its sounds. The real one is SoundThread; tests use a recording fake.
class SoundOutput {
public:
    virtual ~SoundOutput() = default;

    // Loops a wave on the program's one channel; a new wave replaces the one playing.
    virtual void PlayWaveLoop(const QString& path) = 0;
    virtual void StopWave() = 0;
    // Loops the bell apart from the channel, and delivers blink ticks every 500 ms while it
    // rings. A bell still ringing is stopped first.
    virtual void StartBellPlayer(const QString& path) = 0;
    virtual void QuitBellPlayer() = 0;
};

// Lives on the sound thread: the wave channel and the bell mixed into one output stream,
// and the bell's blink timer. While a sound is wanted and the sound server is lost, it
// connects again every Reconnection::kRetryMs, and says so once when the server goes and once
// when it is back.
class SoundWorker : public QObject {
    Q_OBJECT
public:
    using Complaint = std::function<void(const QString&)>;
    // complain: about a wave file; tell: about the sound server, each time it goes or returns.
    SoundWorker(Complaint complain, Complaint tell);
    ~SoundWorker() override;

public slots:
    void PlayWaveLoop(const QString& path);
    void StopWave();
    void StartBell(const QString& path);
    void QuitBell();

signals:
    void BlinkTick();

private:
    void Play(WaveMixer::Voice voice, const QString& path);
    void Stop(WaveMixer::Voice voice);
    std::shared_ptr<const MixWave> Load(const QString& path);
    // Connects, reconnects or lets go of the sound server as the sounds and the link need.
    void KeepLink();

    Complaint m_complain;
    Complaint m_tell;
    WaveMixer m_mixer;
    PulseStream m_output;  // reads m_mixer on the server's thread: goes before it
    Reconnection m_reconnection;
    std::map<QString, std::shared_ptr<const MixWave>> m_waves;  // each file decoded once
    QTimer* m_blink;
    QTimer* m_retry;  // runs while a sound is wanted and the stream is not ready
};

// The sounds on a thread of their own, so the window's 100 ms wait after the bell starts
// does not starve them: the bell rings on through the wait, as a separate player would.
class SoundThread : public QObject, public SoundOutput {
    Q_OBJECT
public:
    // onBlinkTick runs on the thread that made this object, once per tick.
    explicit SoundThread(std::function<void()> onBlinkTick,
                         SoundWorker::Complaint complain = nullptr);
    ~SoundThread() override;

    void PlayWaveLoop(const QString& path) override;
    void StopWave() override;
    void StartBellPlayer(const QString& path) override;
    void QuitBellPlayer() override;

private:
    QThread m_thread;
    SoundWorker* m_worker;  // owned by m_thread's finished() -> deleteLater
};

// One line on standard error, for a sound that cannot be played.
void ComplainOnStderr(const QString& line);

#endif
