#include "wave_library.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

QString Why(WaveProblem problem) {
    switch (problem) {
        case WaveProblem::None: break;
        case WaveProblem::NotWave: return QStringLiteral("not a WAV file");
        case WaveProblem::Truncated: return QStringLiteral("cut short");
        case WaveProblem::Unsupported:
            return QStringLiteral(
                "a WAV format this program cannot play (it plays PCM of 8, 16, "
                "24 or 32 bits and 32-bit float)");
        case WaveProblem::NoSound: return QStringLiteral("no sound in it");
        case WaveProblem::TooLong:
            return QStringLiteral("longer than %1 seconds").arg(MAX_WAVE_SECONDS);
    }
    return {};
}

// The wave in a file, or why there is none. Only a regular file is opened: a pipe or a device
// given that name could keep the read waiting.
std::shared_ptr<const MixWave> Read(const QString& path, const QFileInfo& info, QString& why) {
    const QString tooLarge = QStringLiteral("larger than %1 MiB").arg(MAX_WAVE_BYTES >> 20);
    if (!info.exists()) {
        why = QStringLiteral("no such file");
    } else if (!info.isFile()) {
        why = QStringLiteral("not a file");
    } else if (info.size() == 0) {
        why = QStringLiteral("an empty file");
    } else if (info.size() > MAX_WAVE_BYTES) {
        why = tooLarge;
    } else if (QFile file(path); !file.open(QIODevice::ReadOnly)) {
        why = QStringLiteral("cannot be read (%1)").arg(file.errorString());
    } else {
        const QByteArray bytes = file.read(MAX_WAVE_BYTES + 1);  // the file may have grown
        if (bytes.size() > MAX_WAVE_BYTES) {
            why = tooLarge;
            return nullptr;
        }
        WaveProblem problem = WaveProblem::None;
        std::optional<MixWave> wave =
            DecodeWave({reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                        static_cast<std::size_t>(bytes.size())},
                       &problem);
        if (wave) return std::make_shared<const MixWave>(std::move(*wave));
        why = Why(problem);
    }
    return nullptr;
}

}  // namespace

WaveLibrary::WaveLibrary(WaveFolders folders, Complaint complain)
    : m_folders(std::move(folders)), m_complain(std::move(complain)) {}

const WaveLibrary::Entry& WaveLibrary::Load(const QString& path) {
    const QFileInfo info(path);
    const Stamp stamp{info.exists(), info.size(), info.lastModified().toMSecsSinceEpoch()};
    const auto known = m_entries.find(path);
    if (known != m_entries.end() && known->second.stamp == stamp) return known->second;
    Entry entry{stamp, nullptr, {}};
    entry.wave = Read(path, info, entry.why);
    return m_entries[path] = std::move(entry);
}

std::shared_ptr<const MixWave> WaveLibrary::Find(const QString& name) {
    if (!m_folders.own.isEmpty()) {
        const QString own = QDir(m_folders.own).filePath(name);
        const Entry& mine = Load(own);
        if (mine.wave) return mine.wave;
        if (mine.stamp.exists) {
            m_complain(QStringLiteral("orvaneats: %1: %2; the built-in sound plays instead")
                           .arg(own, mine.why));
        }
    }
    const QString packaged = QDir(m_folders.packaged).filePath(name);
    const Entry& built = Load(packaged);
    if (!built.wave) {
        m_complain(
            QStringLiteral("orvaneats: %1: %2; that sound stays silent").arg(packaged, built.why));
    }
    return built.wave;
}
