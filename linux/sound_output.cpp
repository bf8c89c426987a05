#include "sound_output.h"

#include <QAudioDevice>
#include <QFileInfo>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QTimer>
#include <QUrl>
#include <cstdio>
#include <set>

namespace {

constexpr int kBlinkIntervalMs = 500;  // as the Windows bell player posts its timer-2 ticks

}  // namespace

void ComplainOnStderr(const QString& line) {
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
}

// --- LoopingSlot ---

LoopingSlot::~LoopingSlot() = default;

void LoopingSlot::Play(const QString& path) {
    // Like PlaySound: whatever played on this slot ends, also when the new wave cannot play.
    Stop();
    if (!QFileInfo::exists(path)) {
        m_complain(QStringLiteral("orvaneats: %1 is missing; that sound stays silent").arg(path));
        return;
    }
    if (QMediaDevices::defaultAudioOutput().isNull()) {
        m_complain(QStringLiteral("orvaneats: no sound output device; %1 stays silent")
                       .arg(QFileInfo(path).fileName()));
        return;
    }
    // A fresh effect for every play: Qt 6.4's QSoundEffect now and then stays silent when
    // play() follows stop() on the same object.
    m_effect = std::make_unique<QSoundEffect>();
    QObject::connect(m_effect.get(), &QSoundEffect::statusChanged, m_effect.get(),
                     [effect = m_effect.get(), complain = m_complain, path] {
                         if (effect->status() == QSoundEffect::Error) {
                             complain(QStringLiteral("orvaneats: cannot play %1; that sound "
                                                     "stays silent")
                                          .arg(path));
                         }
                     });
    m_effect->setLoopCount(QSoundEffect::Infinite);
    m_effect->setSource(QUrl::fromLocalFile(path));
    m_effect->play();
}

void LoopingSlot::Stop() {
    if (m_effect) m_effect->stop();
}

bool LoopingSlot::Playing() const { return m_effect && m_effect->isPlaying(); }

// --- SoundWorker ---

SoundWorker::SoundWorker(LoopingSlot::Complaint complain)
    : m_channel(complain), m_bell(complain), m_blink(new QTimer(this)) {
    m_blink->setInterval(kBlinkIntervalMs);
    connect(m_blink, &QTimer::timeout, this, &SoundWorker::BlinkTick);
}

SoundWorker::~SoundWorker() = default;

void SoundWorker::PlayWaveLoop(const QString& path) { m_channel.Play(path); }

void SoundWorker::StopWave() { m_channel.Stop(); }

void SoundWorker::StartBell(const QString& path) {
    QuitBell();
    m_bell.Play(path);
    m_blink->start();
}

void SoundWorker::QuitBell() {
    m_blink->stop();
    m_bell.Stop();
}

// --- SoundThread ---

SoundThread::SoundThread(std::function<void()> onBlinkTick, LoopingSlot::Complaint complain) {
    // One line per missing file or device for the program's life, not one per ring.
    auto complained = std::make_shared<std::set<QString>>();
    LoopingSlot::Complaint once = [complained,
                                   complain = std::move(complain)](const QString& line) {
        if (!complained->insert(line).second) return;
        if (complain) {
            complain(line);
        } else {
            ComplainOnStderr(line);
        }
    };
    m_worker = new SoundWorker(std::move(once));
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    connect(m_worker, &SoundWorker::BlinkTick, this, std::move(onBlinkTick), Qt::QueuedConnection);
    m_thread.setObjectName(QStringLiteral("sound"));
    m_thread.start();
}

SoundThread::~SoundThread() {
    // Silence both before the thread goes, so no stream outlives the window.
    QMetaObject::invokeMethod(
        m_worker,
        [worker = m_worker] {
            worker->QuitBell();
            worker->StopWave();
        },
        Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

void SoundThread::PlayWaveLoop(const QString& path) {
    QMetaObject::invokeMethod(m_worker, [w = m_worker, path] { w->PlayWaveLoop(path); });
}

void SoundThread::StopWave() {
    QMetaObject::invokeMethod(m_worker, [w = m_worker] { w->StopWave(); });
}

void SoundThread::StartBellPlayer(const QString& path) {
    QMetaObject::invokeMethod(m_worker, [w = m_worker, path] { w->StartBell(path); });
}

void SoundThread::QuitBellPlayer() {
    QMetaObject::invokeMethod(m_worker, [w = m_worker] { w->QuitBell(); });
}
