#include "sound_output.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <cstdio>
#include <set>

namespace {

constexpr int kBlinkIntervalMs = 500;  // as the Windows bell player posts its timer-2 ticks

}  // namespace

void ComplainOnStderr(const QString& line) {
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
}

// --- SoundWorker ---

SoundWorker::SoundWorker(Complaint complain, Complaint tell)
    : m_complain(std::move(complain)),
      m_tell(std::move(tell)),
      // Called on the server's thread: the news is looked at on this one.
      m_output(m_mixer,
               [this] {
                   QMetaObject::invokeMethod(
                       this, [this] { KeepLink(); }, Qt::QueuedConnection);
               }),
      m_blink(new QTimer(this)),
      m_retry(new QTimer(this)) {
    m_blink->setInterval(kBlinkIntervalMs);
    connect(m_blink, &QTimer::timeout, this, &SoundWorker::BlinkTick);
    m_retry->setInterval(static_cast<int>(Reconnection::kRetryMs));
    connect(m_retry, &QTimer::timeout, this, &SoundWorker::KeepLink);
}

SoundWorker::~SoundWorker() = default;

void SoundWorker::PlayWaveLoop(const QString& path) { Play(WaveMixer::Channel, path); }

void SoundWorker::StopWave() { Stop(WaveMixer::Channel); }

void SoundWorker::StartBell(const QString& path) {
    Play(WaveMixer::Bell, path);
    m_blink->start();
}

void SoundWorker::QuitBell() {
    m_blink->stop();
    Stop(WaveMixer::Bell);
}

std::shared_ptr<const MixWave> SoundWorker::Load(const QString& path) {
    const auto known = m_waves.find(path);
    if (known != m_waves.end()) return known->second;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_complain(QStringLiteral("orvaneats: %1 is missing; that sound stays silent").arg(path));
        return nullptr;  // looked for again next time: the file may yet appear
    }
    const QByteArray bytes = file.readAll();
    std::optional<MixWave> wave =
        DecodeWave({reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                    static_cast<size_t>(bytes.size())});
    if (!wave) {
        m_complain(QStringLiteral("orvaneats: cannot play %1; that sound stays silent").arg(path));
    }
    auto decoded = wave ? std::make_shared<const MixWave>(std::move(*wave)) : nullptr;
    m_waves[path] = decoded;
    return decoded;
}

void SoundWorker::Play(WaveMixer::Voice voice, const QString& path) {
    // Like PlaySound: whatever played on this voice ends, also when the new wave cannot play.
    std::shared_ptr<const MixWave> wave = Load(path);
    if (!wave && !m_mixer.Playing(voice)) return;
    m_output.Change([&] { m_mixer.Play(voice, std::move(wave)); });
    KeepLink();
}

void SoundWorker::Stop(WaveMixer::Voice voice) {
    if (!m_mixer.Playing(voice)) return;
    m_output.Change([&] { m_mixer.Stop(voice); });
    KeepLink();
}

void SoundWorker::KeepLink() {
    static const QElapsedTimer clock = [] {
        QElapsedTimer started;
        started.start();
        return started;
    }();
    const bool wanted = !m_mixer.Silent();
    const Reconnection::Step step = m_reconnection.Next(m_output.Link(), wanted, clock.elapsed());
    if (step.say == Reconnection::Say::Lost) {
        m_tell(
            QStringLiteral("orvaneats: no sound server; the sounds stay silent until it is back"));
    } else if (step.say == Reconnection::Say::Back) {
        m_tell(QStringLiteral("orvaneats: the sound server is back"));
    }
    if (step.act != Reconnection::Act::Keep) m_output.Drop();
    if (step.act == Reconnection::Act::Reconnect) m_output.Connect();
    const bool watch = wanted && m_output.Link() != PulseLink::Ready;
    if (watch && !m_retry->isActive()) {
        m_retry->start();
    } else if (!watch) {
        m_retry->stop();
    }
}

// --- SoundThread ---

SoundThread::SoundThread(std::function<void()> onBlinkTick, SoundWorker::Complaint complain) {
    // One line per missing file for the program's life, not one per ring; one for each time
    // the sound server goes or comes back.
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
    m_worker = new SoundWorker(std::move(once), std::move(tell));
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
