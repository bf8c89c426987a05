#include "sound_thread.h"

#include <memory>
#include <set>

#include "stderr_log.h"

SoundThread::SoundThread(WaveFolders folders, std::function<void()> onBlinkTick,
                         SoundWorker::Complaint complain) {
    // One line per file and problem for the program's life, not one per ring; one for each
    // time the sound server goes or comes back.
    SoundWorker::Complaint tell = [complain = std::move(complain)](const QString& line) {
        if (complain) {
            complain(line);
        } else {
            ComplainOnStderr(line);
        }
    };
    auto complained = std::make_shared<std::set<QString>>();
    SoundWorker::Complaint once = [complained, tell](const QString& line) {
        if (complained->insert(line).second) tell(line);
    };
    m_worker = new SoundWorker(std::move(folders), std::move(once), std::move(tell));
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    connect(m_worker, &SoundWorker::BlinkTick, this, std::move(onBlinkTick), Qt::QueuedConnection);
    m_thread.setObjectName(QStringLiteral("sound"));
    m_thread.start();
}

SoundThread::~SoundThread() {
    // Silence all before the thread goes, so no stream outlives the window.
    QMetaObject::invokeMethod(
        m_worker,
        [worker = m_worker] {
            worker->QuitBell();
            worker->StopWave();
            worker->StopBrake();
        },
        Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

void SoundThread::PlayWaveLoop(const QString& name) {
    QMetaObject::invokeMethod(m_worker, [w = m_worker, name] { w->PlayWaveLoop(name); });
}

void SoundThread::StopWave() {
    QMetaObject::invokeMethod(m_worker, [w = m_worker] { w->StopWave(); });
}

void SoundThread::StartBellPlayer(const QString& name) {
    QMetaObject::invokeMethod(m_worker, [w = m_worker, name] { w->StartBell(name); });
}

void SoundThread::QuitBellPlayer() {
    QMetaObject::invokeMethod(m_worker, [w = m_worker] { w->QuitBell(); });
}

void SoundThread::PlayBrakeSound(const QString& name) {
    QMetaObject::invokeMethod(m_worker, [w = m_worker, name] { w->PlayBrake(name); });
}

void SoundThread::StopBrakeSound() {
    QMetaObject::invokeMethod(m_worker, [w = m_worker] { w->StopBrake(); });
}
