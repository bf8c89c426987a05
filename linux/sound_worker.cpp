#include "sound_worker.h"

#include <QElapsedTimer>
#include <QTimer>

#include "alarm_ids.h"

namespace {

// The stream holds 200 ms: by this long after the brake's wave would end, it has been heard.
constexpr int BRAKE_END_MARGIN_MS = 500;

}  // namespace

SoundWorker::SoundWorker(WaveFolders folders, Complaint complain, Complaint tell)
    : m_tell(std::move(tell)),
      m_waves(std::move(folders), std::move(complain)),
      // Called on the server's thread: the news is looked at on this one.
      m_output(m_mixer,
               [this] {
                   QMetaObject::invokeMethod(
                       this, [this] { KeepLink(); }, Qt::QueuedConnection);
               }),
      m_blink(new QTimer(this)),
      m_brakeEnd(new QTimer(this)),
      m_retry(new QTimer(this)) {
    m_blink->setInterval(ats::BELL_BLINK_INTERVAL_MS);
    connect(m_blink, &QTimer::timeout, this, &SoundWorker::BlinkTick);
    // Played out, the brake's voice is let go, so the stream pauses once nothing else sounds.
    m_brakeEnd->setSingleShot(true);
    connect(m_brakeEnd, &QTimer::timeout, this, [this] { Stop(WaveMixer::Brake); });
    m_retry->setInterval(static_cast<int>(Reconnection::RETRY_MS));
    connect(m_retry, &QTimer::timeout, this, &SoundWorker::KeepLink);
}

SoundWorker::~SoundWorker() = default;

void SoundWorker::PlayWaveLoop(const QString& name) { Play(WaveMixer::Channel, name); }

void SoundWorker::StopWave() { Stop(WaveMixer::Channel); }

void SoundWorker::StartBell(const QString& name) {
    Play(WaveMixer::Bell, name);
    m_blink->start();
}

void SoundWorker::QuitBell() {
    m_blink->stop();
    Stop(WaveMixer::Bell);
}

void SoundWorker::PlayBrake(const QString& name) {
    const std::shared_ptr<const MixWave> wave = Play(WaveMixer::Brake, name);
    if (!wave) {
        m_brakeEnd->stop();
        return;
    }
    const auto lengthMs = static_cast<std::int64_t>(wave->Frames()) * 1000 / MIX_RATE;
    m_brakeEnd->start(static_cast<int>(lengthMs) + BRAKE_END_MARGIN_MS);
}

void SoundWorker::StopBrake() {
    m_brakeEnd->stop();
    Stop(WaveMixer::Brake);
}

// The wave is looked up afresh each time a sound starts: a user's own wave put in place while
// the program runs is heard from the next start of its sound.
std::shared_ptr<const MixWave> SoundWorker::Play(WaveMixer::Voice voice, const QString& name) {
    // Like PlaySound: whatever played on this voice ends, also when the new wave cannot play.
    std::shared_ptr<const MixWave> wave = m_waves.Find(name);
    if (!wave && !m_mixer.Playing(voice)) return wave;
    m_output.Change([&] { m_mixer.Play(voice, wave); });
    KeepLink();
    return wave;
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
