// The mixer of the sounds, its wave decoder, and where each wave comes from, as plain logic.
#include "wave_mixer.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <new>
#include <string>

#include "wave_library.h"

// Counts the allocations of this thread while counting is on.
thread_local bool g_counting = false;
thread_local int g_allocations = 0;

void* operator new(std::size_t size) {
    if (g_counting) ++g_allocations;
    if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
    throw std::bad_alloc();
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }

namespace {

using Bytes = std::vector<std::uint8_t>;
using Samples = std::vector<std::int16_t>;

void Put16(Bytes& out, unsigned value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(Bytes& out, std::uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

void PutId(Bytes& out, const char* id) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(id[i]));
}

// A RIFF WAVE file; `extensible` names the format in a WAVE_FORMAT_EXTENSIBLE sub-format.
Bytes WaveFile(unsigned tag, unsigned channels, std::uint32_t rate, unsigned bits,
               const Bytes& data, bool extensible = false) {
    Bytes fmt;
    Put16(fmt, extensible ? 0xFFFE : tag);
    Put16(fmt, channels);
    Put32(fmt, rate);
    Put32(fmt, rate * channels * bits / 8);
    Put16(fmt, channels * bits / 8);
    Put16(fmt, bits);
    if (extensible) {
        Put16(fmt, 22);
        Put16(fmt, bits);
        Put32(fmt, 0);
        Put16(fmt, tag);
        fmt.resize(fmt.size() + 14, 0);  // the rest of the sub-format's GUID
    }
    Bytes file;
    PutId(file, "RIFF");
    Put32(file, static_cast<std::uint32_t>(4 + 8 + fmt.size() + 8 + data.size()));
    PutId(file, "WAVE");
    PutId(file, "LIST");  // a chunk the decoder passes over, of odd length with its pad byte
    Put32(file, 3);
    for (std::uint8_t byte : {'a', 'b', 'c', '\0'}) file.push_back(byte);
    PutId(file, "fmt ");
    Put32(file, static_cast<std::uint32_t>(fmt.size()));
    file.insert(file.end(), fmt.begin(), fmt.end());
    PutId(file, "data");
    Put32(file, static_cast<std::uint32_t>(data.size()));
    file.insert(file.end(), data.begin(), data.end());
    return file;
}

Bytes Pcm16(std::initializer_list<int> samples) {
    Bytes out;
    for (int sample : samples) Put16(out, static_cast<unsigned>(sample) & 0xFFFF);
    return out;
}

Bytes Float32(std::initializer_list<float> samples) {
    Bytes out;
    for (float sample : samples) {
        std::uint32_t word;
        std::memcpy(&word, &sample, 4);
        Put32(out, word);
    }
    return out;
}

// A wave already in the mix format, frames given as left/right pairs.
std::shared_ptr<const MixWave> Wave(Samples samples) {
    return std::make_shared<const MixWave>(MixWave{std::move(samples)});
}

Samples Mixed(WaveMixer& mixer, std::size_t frames) {
    Samples out(frames * MIX_CHANNELS, 1234);  // whatever was in the buffer before
    mixer.Mix(out.data(), frames);
    return out;
}

// What is put in the user's folder.
constexpr int NO_FILE = 0, A_FILE = 1, A_LARGE_FILE = 2, A_FOLDER = 3;

void Write(const QString& path, const Bytes& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
}

// A user's folder, and a packaged one whose bell and chime are one frame of 7.
struct Folders {
    QTemporaryDir own, packaged;
    Folders() {
        for (const char* name : {"atsbell.wav", "atschime.wav"})
            Write(packaged.filePath(name), WaveFile(1, 1, 44100, 16, Pcm16({7})));
    }
    WaveFolders Get() const { return {own.path(), packaged.path()}; }
};

}  // namespace

Q_DECLARE_METATYPE(Bytes)
Q_DECLARE_METATYPE(Samples)

class WaveMixerTest : public QObject {
    Q_OBJECT

private slots:
    void decodesPcmIntoTheMixFormat_data() {
        QTest::addColumn<Bytes>("file");
        QTest::addColumn<Samples>("expected");
        QTest::newRow("16-bit mono on both sides")
            << WaveFile(1, 1, 44100, 16, Pcm16({1000, -2000, 32767}))
            << Samples{1000, 1000, -2000, -2000, 32767, 32767};
        QTest::newRow("16-bit stereo")
            << WaveFile(1, 2, 44100, 16, Pcm16({1, 2, 3, 4})) << Samples{1, 2, 3, 4};
        QTest::newRow("three channels: the first two")
            << WaveFile(1, 3, 44100, 16, Pcm16({1, 2, 99, 3, 4, 99})) << Samples{1, 2, 3, 4};
        QTest::newRow("8-bit unsigned") << WaveFile(1, 1, 44100, 8, Bytes{128, 255, 0})
                                        << Samples{0, 0, 32512, 32512, -32768, -32768};
        QTest::newRow("24-bit") << WaveFile(1, 1, 44100, 24,
                                            Bytes{0x00, 0x10, 0x00, 0x00, 0x00, 0x80})
                                << Samples{16, 16, -32768, -32768};
        QTest::newRow("32-bit float, clipped") << WaveFile(3, 1, 44100, 32, Float32({0.5F, -2.0F}))
                                               << Samples{16384, 16384, -32768, -32768};
        QTest::newRow("extensible PCM")
            << WaveFile(1, 1, 44100, 16, Pcm16({7, 8}), true) << Samples{7, 7, 8, 8};
        // 22.05 kHz, as the program's own waves: every other frame lies halfway, and the last
        // one leads back to the first, as the wave loops.
        QTest::newRow("22.05 kHz doubled")
            << WaveFile(1, 1, 22050, 16, Pcm16({0, 1000, 3000}))
            << Samples{0, 0, 500, 500, 1000, 1000, 2000, 2000, 3000, 3000, 1500, 1500};
    }
    void decodesPcmIntoTheMixFormat() {
        QFETCH(Bytes, file);
        QFETCH(Samples, expected);
        const std::optional<MixWave> wave = DecodeWave(file);
        QVERIFY(wave.has_value());
        QCOMPARE(wave->samples, expected);
    }

    void refusesWhatIsNotPlayablePcm_data() {
        QTest::addColumn<Bytes>("file");
        QTest::newRow("no RIFF") << Bytes{'R', 'I', 'F', 'X', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
        QTest::newRow("compressed (ADPCM)") << WaveFile(2, 1, 44100, 4, Bytes{1, 2, 3, 4});
        QTest::newRow("12-bit") << WaveFile(1, 1, 44100, 12, Bytes{1, 2, 3, 4});
        QTest::newRow("no frames") << WaveFile(1, 1, 44100, 16, Bytes{});
        QTest::newRow("rate 0") << WaveFile(1, 1, 0, 16, Pcm16({1}));
        QTest::newRow("truncated header") << Bytes{'R', 'I', 'F', 'F', 0};
        QTest::newRow("data chunk longer than the file") << [] {
            Bytes file = WaveFile(1, 1, 44100, 16, Pcm16({5, 6}));
            file[file.size() - 8] = 0xFF;  // the data chunk's size, low byte
            return file;
        }();
    }
    void refusesWhatIsNotPlayablePcm() {
        QFETCH(Bytes, file);
        QVERIFY(!DecodeWave(file).has_value());
    }

    // A user's own wave plays in place of the packaged one; any file that cannot play leaves
    // the packaged one, with one line that says why.
    void aUsersOwnWavePlaysUnlessItCannot_data() {
        QTest::addColumn<int>("kind");  // what is put in the user's folder as atsbell.wav
        QTest::addColumn<Bytes>("own");
        QTest::addColumn<QString>("why");  // empty: the user's wave plays
        const Bytes good = WaveFile(1, 1, 44100, 16, Pcm16({300, -300}));
        QTest::newRow("none: the packaged one, quietly") << NO_FILE << Bytes{} << QString();
        QTest::newRow("a good one plays") << A_FILE << good << QString();
        QTest::newRow("empty") << A_FILE << Bytes{} << "an empty file";
        QTest::newRow("truncated header")
            << A_FILE << Bytes(good.begin(), good.begin() + 30) << "cut short";
        QTest::newRow("truncated data")
            << A_FILE << Bytes(good.begin(), good.end() - 1) << "cut short";
        QTest::newRow("oversized") << A_LARGE_FILE << good << "larger than 16 MiB";
        QTest::newRow("not audio")
            << A_FILE << Bytes{'#', '!', '/', 'b', 'i', 'n', '/', 's', 'h', '\n'}
            << "not a WAV file";
        QTest::newRow("compressed (ADPCM)") << A_FILE << WaveFile(2, 1, 44100, 4, Bytes{1, 2, 3, 4})
                                            << "a WAV format this program cannot play";
        QTest::newRow("over two minutes at 1 Hz")
            << A_FILE << WaveFile(1, 1, 1, 8, Bytes(MAX_WAVE_SECONDS + 1, 128))
            << "longer than 120 seconds";
        QTest::newRow("a folder of that name") << A_FOLDER << Bytes{} << "not a file";
    }
    void aUsersOwnWavePlaysUnlessItCannot() {
        QFETCH(int, kind);
        QFETCH(Bytes, own);
        QFETCH(QString, why);
        Folders folders;
        const QString path = folders.own.filePath("atsbell.wav");
        if (kind == A_FOLDER) QVERIFY(QDir().mkdir(path));
        if (kind == A_FILE || kind == A_LARGE_FILE) Write(path, own);
        if (kind == A_LARGE_FILE) QVERIFY(QFile::resize(path, MAX_WAVE_BYTES + 1));
        QStringList lines;
        WaveLibrary library(folders.Get(), [&](const QString& line) { lines << line; });
        const std::shared_ptr<const MixWave> wave = library.Find(QStringLiteral("atsbell.wav"));
        QVERIFY(wave != nullptr);
        QCOMPARE(wave->samples, why.isEmpty() && kind != NO_FILE ? (Samples{300, 300, -300, -300})
                                                                 : (Samples{7, 7}));
        QCOMPARE(lines.size(), why.isEmpty() ? 0 : 1);
        if (!why.isEmpty()) {
            QVERIFY2(lines[0].startsWith("orvaneats: " + path + ": " + why) &&
                         lines[0].endsWith("; the built-in sound plays instead"),
                     qPrintable(lines[0]));
        }
    }

    // Looked at on every start: a wave put in, spoilt, mended or taken away counts at once.
    void theUsersFolderIsLookedAtOnEveryStart() {
        Folders folders;
        const QString path = folders.own.filePath("atschime.wav");
        QStringList lines;
        WaveLibrary library(folders.Get(), [&](const QString& line) { lines << line; });
        const auto first = [&] { return library.Find(QStringLiteral("atschime.wav"))->samples[0]; };
        QCOMPARE(first(), std::int16_t{7});
        Write(path, WaveFile(1, 1, 44100, 16, Pcm16({1})));
        QCOMPARE(first(), std::int16_t{1});
        Write(path, Bytes{'x'});
        QCOMPARE(first(), std::int16_t{7});
        Write(path, WaveFile(1, 1, 44100, 16, Pcm16({2, 2})));
        QCOMPARE(first(), std::int16_t{2});
        QVERIFY(QFile::remove(path));
        QCOMPARE(first(), std::int16_t{7});
        QCOMPARE(lines.size(), 1);
        // Nothing to play at all: null, and the packaged file named.
        QCOMPARE(library.Find(QStringLiteral("atsbrake.wav")), nullptr);
        QVERIFY(
            lines.last().contains(folders.packaged.filePath("atsbrake.wav") + ": no such file"));
    }

    void theProgramsWavesDecodeAtTwiceTheirFrames() {
        for (const char* name : {"atsbell.wav", "atschime.wav", "atsbrake.wav"}) {
            QFile file(QStringLiteral(ORVANE_WAVE_DIR "/") + QLatin1String(name));
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray bytes = file.readAll();
            const std::optional<MixWave> wave =
                DecodeWave({reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                            static_cast<std::size_t>(bytes.size())});
            QVERIFY2(wave.has_value(), name);
            // 16-bit mono at 22.05 kHz behind a 44-byte header.
            QCOMPARE(wave->Frames(), static_cast<std::size_t>(bytes.size() - 44) / 2 * 2);
        }
    }

    void loopsSeamlesslyAcrossTheEndInAnyChunks() {
        WaveMixer mixer;
        mixer.Play(WaveMixer::Bell, Wave({1, -1, 2, -2, 3, -3}));
        Samples got;
        for (std::size_t chunk : {2, 1, 4, 3}) {
            const Samples part = Mixed(mixer, chunk);
            got.insert(got.end(), part.begin(), part.end());
        }
        Samples expected;
        for (int frame = 0; frame < 10; ++frame) {
            expected.push_back(static_cast<std::int16_t>(frame % 3 + 1));
            expected.push_back(static_cast<std::int16_t>(-(frame % 3 + 1)));
        }
        QCOMPARE(got, expected);
    }

    void sumsTheVoicesClippedTo16Bits() {
        WaveMixer mixer;
        QVERIFY(mixer.Silent());
        QCOMPARE(Mixed(mixer, 2), Samples(4, 0));  // silence, not what the buffer held
        mixer.Play(WaveMixer::Channel, Wave({30000, -30000, 100, -100}));
        mixer.Play(WaveMixer::Bell, Wave({30000, -30000, 5, 6}));
        QCOMPARE(Mixed(mixer, 2), (Samples{32767, -32768, 105, -94}));
    }

    void playReplacesAndStopSilencesOneVoice() {
        WaveMixer mixer;
        mixer.Play(WaveMixer::Channel, Wave({1, 1, 2, 2, 3, 3}));
        mixer.Play(WaveMixer::Bell, Wave({10, 10}));
        Mixed(mixer, 2);
        // A new wave on a voice starts from its beginning; the other voice goes on.
        mixer.Play(WaveMixer::Channel, Wave({100, 100, 200, 200}));
        QCOMPARE(Mixed(mixer, 3), (Samples{110, 110, 210, 210, 110, 110}));
        mixer.Stop(WaveMixer::Channel);
        QVERIFY(!mixer.Playing(WaveMixer::Channel));
        QVERIFY(mixer.Playing(WaveMixer::Bell));
        QCOMPARE(Mixed(mixer, 2), (Samples{10, 10, 10, 10}));
        mixer.Stop(WaveMixer::Bell);
        QVERIFY(mixer.Silent());
        QCOMPARE(Mixed(mixer, 1), (Samples{0, 0}));
        mixer.Play(WaveMixer::Bell, nullptr);  // a wave that could not be read: silent
        QVERIFY(mixer.Silent());
    }

    // The brake's voice plays its wave once beside the loops, then is silent until stopped; a
    // rewind steps it back no further than its start, and not at all into a wave long heard.
    void theBrakePlaysOnceBesideTheLoops() {
        WaveMixer mixer;
        mixer.Play(WaveMixer::Bell, Wave({10, 10}));
        mixer.Play(WaveMixer::Brake, Wave({1, 1, 2, 2}));
        QCOMPARE(Mixed(mixer, 3), (Samples{11, 11, 12, 12, 10, 10}));
        QVERIFY(mixer.Playing(WaveMixer::Brake));
        mixer.Rewind(2);
        QCOMPARE(Mixed(mixer, 3), (Samples{12, 12, 10, 10, 10, 10}));
        mixer.Rewind(9);  // back past its start: from its start
        QCOMPARE(Mixed(mixer, 1), (Samples{11, 11}));
        Mixed(mixer, 100);
        mixer.Rewind(50);  // its end was heard long before
        QCOMPARE(Mixed(mixer, 1), (Samples{10, 10}));
        mixer.Stop(WaveMixer::Bell);
        QVERIFY(!mixer.Silent());
        mixer.Stop(WaveMixer::Brake);
        QVERIFY(mixer.Silent());
    }

    void rewindMixesUnheardFramesAgainLoopingBackwards() {
        WaveMixer mixer;
        mixer.Play(WaveMixer::Channel, Wave({1, 1, 2, 2, 3, 3}));
        mixer.Play(WaveMixer::Bell, Wave({10, 10, 20, 20}));
        Mixed(mixer, 1);          // both at their second frame
        mixer.Rewind(2 + 3 * 4);  // beyond several loops of both
        // Channel: frame 1 back by 14 of 3 is frame 2; bell: frame 1 back by 14 of 2 is 1.
        QCOMPARE(Mixed(mixer, 2), (Samples{23, 23, 11, 11}));
    }

    void mixAllocatesNothingAndFadesInOnlyMidWave() {
        const std::size_t fade = WaveMixer::FADE_FRAMES;
        WaveMixer mixer;
        mixer.Play(WaveMixer::Bell, Wave(Samples(2 * 3 * fade, 1000)));
        Samples out(2 * 4 * fade);
        mixer.FadeInMidWave();  // at the wave's start: as it is
        g_counting = true;
        mixer.Mix(out.data(), 1);
        g_counting = false;
        QCOMPARE(g_allocations, 0);
        QCOMPARE(out[0], std::int16_t{1000});
        mixer.FadeInMidWave();  // one frame in: rises from silence over FADE_FRAMES
        const Samples faded = Mixed(mixer, fade + 1);
        QCOMPARE(faded[0], std::int16_t{0});
        QCOMPARE(faded[fade], std::int16_t{500});
        QCOMPARE(faded[2 * fade], std::int16_t{1000});
        for (std::size_t i = 2; i < faded.size(); i += 2) QVERIFY(faded[i] >= faded[i - 2]);
    }
};

QTEST_APPLESS_MAIN(WaveMixerTest)
#include "wave_mixer_test.moc"
