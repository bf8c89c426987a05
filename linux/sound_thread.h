// The Linux edition's sounds on a thread of their own.
#ifndef ORVANE_LINUX_SOUND_THREAD_H
#define ORVANE_LINUX_SOUND_THREAD_H

#include <QObject>
#include <QString>
#include <QThread>
#include <functional>

#include "sound_output.h"
#include "sound_worker.h"

// The sounds on a thread of their own, so the window's 100 ms wait after the bell starts
// does not starve them: the bell rings on through the wait, as a separate player would.
class SoundThread : public QObject, public SoundOutput {
    Q_OBJECT
public:
    // Waves are looked up in `folders`; onBlinkTick runs on the thread that made this object,
    // once per tick. Complaints go to standard error unless `complain` is given.
    SoundThread(WaveFolders folders, std::function<void()> onBlinkTick,
                SoundWorker::Complaint complain = nullptr);
    ~SoundThread() override;

    void PlayWaveLoop(const QString& name) override;
    void StopWave() override;
    void StartBellPlayer(const QString& name) override;
    void QuitBellPlayer() override;
    void PlayBrakeSound(const QString& name) override;
    void StopBrakeSound() override;

private:
    QThread m_thread;
    SoundWorker* m_worker;  // owned by m_thread's finished() -> deleteLater
};

#endif
