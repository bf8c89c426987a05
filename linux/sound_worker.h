// The sound thread's worker: the wave channel and the bell mixed into one output stream.
#ifndef ORVANE_LINUX_SOUND_WORKER_H
#define ORVANE_LINUX_SOUND_WORKER_H

#include <QObject>
#include <QString>
#include <functional>
#include <map>
#include <memory>

#include "pulse_stream.h"
#include "reconnection.h"
#include "wave_mixer.h"

class QTimer;

// Lives on the sound thread: the wave channel and the bell mixed into one output stream,
// and the bell's blink timer. While a sound is wanted and the sound server is lost, it
// connects again every Reconnection::RETRY_MS, and says so once when the server goes and once
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

#endif
