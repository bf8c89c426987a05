// The sound thread's worker: the wave channel, the bell and the brake mixed into one output
// stream.
#ifndef ORVANE_LINUX_SOUND_WORKER_H
#define ORVANE_LINUX_SOUND_WORKER_H

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

#include "pulse_stream.h"
#include "reconnection.h"
#include "wave_library.h"
#include "wave_mixer.h"

class QTimer;

// Lives on the sound thread: the wave channel, the bell and the brake mixed into one output
// stream, and the bell's blink timer. While a sound is wanted and the sound server is lost, it
// connects again every Reconnection::RETRY_MS, and says so once when the server goes and once
// when it is back.
class SoundWorker : public QObject {
    Q_OBJECT
public:
    using Complaint = std::function<void(const QString&)>;
    // Waves are looked up in `folders`. complain: about a wave file; tell: about the sound
    // server, each time it goes or returns.
    SoundWorker(WaveFolders folders, Complaint complain, Complaint tell);
    ~SoundWorker() override;

public slots:
    void PlayWaveLoop(const QString& name);
    void StopWave();
    void StartBell(const QString& name);
    void QuitBell();
    void PlayBrake(const QString& name);
    void StopBrake();

signals:
    void BlinkTick();

private:
    std::shared_ptr<const MixWave> Play(WaveMixer::Voice voice, const QString& name);
    void Stop(WaveMixer::Voice voice);
    // Connects, reconnects or lets go of the sound server as the sounds and the link need.
    void KeepLink();

    Complaint m_tell;
    WaveLibrary m_waves;
    WaveMixer m_mixer;
    PulseStream m_output;  // reads m_mixer on the server's thread: goes before it
    Reconnection m_reconnection;
    QTimer* m_blink;
    QTimer* m_brakeEnd;  // lets go of the brake's voice once it has played out
    QTimer* m_retry;     // runs while a sound is wanted and the stream is not ready
};

#endif
