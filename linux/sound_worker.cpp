#include "sound_worker.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

#include "alarm_ids.h"

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
    m_blink->setInterval(ats::BELL_BLINK_INTERVAL_MS);
    connect(m_blink, &QTimer::timeout, this, &SoundWorker::BlinkTick);
    m_retry->setInterval(static_cast<int>(Reconnection::RETRY_MS));
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
