// Where each of the Linux edition's sounds comes from: the user's own wave, when there is one
// that plays, else the one installed with the program.
#ifndef ORVANE_LINUX_WAVE_LIBRARY_H
#define ORVANE_LINUX_WAVE_LIBRARY_H

#include <QString>
#include <QtGlobal>
#include <functional>
#include <map>
#include <memory>

#include "wave_mixer.h"

// The largest wave file the program reads.
inline constexpr qint64 MAX_WAVE_BYTES = 16 * 1024 * 1024;

struct WaveFolders {
    QString own;       // the user's: $XDG_DATA_HOME/orvaneats; empty for none
    QString packaged;  // the program's: share/orvaneats beside its bin folder
};

class WaveLibrary {
public:
    using Complaint = std::function<void(const QString&)>;
    WaveLibrary(WaveFolders folders, Complaint complain);

    // The wave of a sound by its bare file name (atsbell.wav, ...): the user's own where it is
    // there and plays, else the packaged one; null when neither plays. Both files are looked at
    // on every call, so a wave put in place, changed or taken away counts from the next sound
    // that starts; a file is read and decoded again only once it has changed. Each file passed
    // over is complained about, with why, on every call: the complaint decides what to repeat.
    std::shared_ptr<const MixWave> Find(const QString& name);

private:
    // What tells a file changed: whether it is there, its size and its time.
    struct Stamp {
        bool exists = false;
        qint64 size = -1;
        qint64 modifiedMs = -1;
        bool operator==(const Stamp&) const = default;
    };
    struct Entry {
        Stamp stamp;
        std::shared_ptr<const MixWave> wave;
        QString why;  // empty when the wave plays
    };
    const Entry& Load(const QString& path);

    WaveFolders m_folders;
    Complaint m_complain;
    std::map<QString, Entry> m_entries;  // by path
};

#endif
