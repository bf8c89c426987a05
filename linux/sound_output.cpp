#include "sound_output.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QFile>
#include <QFileInfo>
#include <QMediaDevices>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <set>
#include <vector>

namespace {

constexpr int kBlinkIntervalMs = 500;  // as the Windows bell player posts its timer-2 ticks
// What the sink holds ahead: long enough to keep its wake-ups few; changes do not wait for it.
constexpr int kSinkBufferMs = 300;

}  // namespace

void ComplainOnStderr(const QString& line) {
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
}

// --- MixedStream ---

MixedStream::MixedStream(WaveMixer& mixer) : m_mixer(mixer) {}

qint64 MixedStream::bytesAvailable() const {
    return QIODevice::bytesAvailable() + kMixRate * kMixChannels * qint64{sizeof(std::int16_t)};
}

qint64 MixedStream::readData(char* data, qint64 maxSize) {
    constexpr qint64 kFrameBytes = kMixChannels * sizeof(std::int16_t);
    const qint64 frames = maxSize / kFrameBytes;
    // Mixed when asked for: the sink always gets the voices as they are now.
    std::vector<std::int16_t> samples(static_cast<std::size_t>(frames) * kMixChannels);
    m_mixer.Mix(samples.data(), static_cast<std::size_t>(frames));
    std::memcpy(data, samples.data(), static_cast<std::size_t>(frames * kFrameBytes));
    m_framesRead += frames;
    return frames * kFrameBytes;
}

// --- SoundWorker ---

SoundWorker::SoundWorker(Complaint complain)
    : m_complain(std::move(complain)), m_stream(m_mixer), m_blink(new QTimer(this)) {
    // Unbuffered: QIODevice would otherwise mix ahead into a buffer of its own.
    m_stream.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    m_blink->setInterval(kBlinkIntervalMs);
    connect(m_blink, &QTimer::timeout, this, &SoundWorker::BlinkTick);
}

SoundWorker::~SoundWorker() {
    // Silent first: the sink's destructor runs the event loop, and a restart then finds
    // nothing to play.
    m_mixer.Stop(WaveMixer::Channel);
    m_mixer.Stop(WaveMixer::Bell);
    m_sink.reset();
}

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
    std::optional<MixWave> wave = DecodeWave(
        {reinterpret_cast<const std::uint8_t*>(bytes.constData()), static_cast<size_t>(bytes.size())});
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
    if (wave && QMediaDevices::defaultAudioOutput().isNull()) {
        m_complain(QStringLiteral("orvaneats: no sound output device; %1 stays silent")
                       .arg(QFileInfo(path).fileName()));
        wave.reset();
    }
    if (!wave && !m_mixer.Playing(voice)) return;
    Halt();
    m_mixer.Play(voice, std::move(wave));
    m_paths[voice] = path;
}

void SoundWorker::Stop(WaveMixer::Voice voice) {
    if (!m_mixer.Playing(voice)) return;
    Halt();
    m_mixer.Stop(voice);
}

// A change is heard at once: the sink stops now, dropping what it holds, and the voices step
// back over the audio it had not played yet. Changes that come together restart it once.
void SoundWorker::Halt() {
    if (m_resumePending) return;
    m_resumePending = true;
    QMetaObject::invokeMethod(this, &SoundWorker::Resume, Qt::QueuedConnection);
    if (!m_sink) return;
    const std::int64_t heard = m_sink->processedUSecs() * kMixRate / 1000000;
    const std::int64_t unheard = m_stream.FramesRead() - heard;
    m_sink->stop();
    // A fresh sink for every start: Qt 6.4's PulseAudio sink, started again after a stop,
    // now and then underruns for good. Deleted later, as its destructor runs the event loop.
    m_sink.release()->deleteLater();
    if (unheard > 0) m_mixer.Rewind(static_cast<std::size_t>(unheard));
}

void SoundWorker::Resume() {
    m_resumePending = false;
    if (m_mixer.Silent()) return;  // no stream while nothing sounds
    QAudioFormat format;
    format.setSampleRate(kMixRate);
    format.setChannelCount(kMixChannels);
    format.setSampleFormat(QAudioFormat::Int16);
    m_sink = std::make_unique<QAudioSink>(QMediaDevices::defaultAudioOutput(), format);
    m_sink->setBufferSize(kMixRate / 1000 * kSinkBufferMs * kMixChannels *
                          static_cast<int>(sizeof(std::int16_t)));
    m_stream.ResetCount();
    m_sink->start(&m_stream);
    if (m_sink->error() == QAudio::NoError) return;
    for (int voice = 0; voice < WaveMixer::VoiceCount; ++voice) {
        if (!m_mixer.Playing(static_cast<WaveMixer::Voice>(voice))) continue;
        m_complain(QStringLiteral("orvaneats: the sound output cannot open; %1 stays silent")
                       .arg(QFileInfo(m_paths[voice]).fileName()));
    }
}

// --- SoundThread ---

SoundThread::SoundThread(std::function<void()> onBlinkTick, SoundWorker::Complaint complain) {
    // One line per missing file or device for the program's life, not one per ring.
    auto complained = std::make_shared<std::set<QString>>();
    SoundWorker::Complaint once = [complained,
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
