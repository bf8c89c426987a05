// The sound thread: blink ticks while the bell rings, and quiet failure on a missing wave.
#include "sound_output.h"

#include <QSignalSpy>
#include <QStringList>
#include <QTest>
#include <atomic>
#include <mutex>

class SoundOutputTest : public QObject {
    Q_OBJECT

private slots:
    void bellDeliversBlinkTicksUntilQuit() {
        int ticks = 0;
        SoundThread sounds([&ticks] { ++ticks; }, [](const QString&) {});
        sounds.StartBellPlayer(QStringLiteral(ORVANE_WAVE_DIR "/atsbell.wav"));
        QTRY_VERIFY_WITH_TIMEOUT(ticks >= 2, 3000);
        // A second start replaces the first bell: still one tick every 500 ms.
        sounds.StartBellPlayer(QStringLiteral(ORVANE_WAVE_DIR "/atsbell.wav"));
        const int before = ticks;
        QTest::qWait(1300);
        QVERIFY2(ticks - before >= 2 && ticks - before <= 3, qPrintable(QString::number(ticks)));
        sounds.QuitBellPlayer();
        QTest::qWait(100);  // a tick already on its way may still arrive
        const int afterQuit = ticks;
        QTest::qWait(1200);
        QCOMPARE(ticks, afterQuit);
    }

    void missingWaveIsOneLineAndNoCrash() {
        std::mutex lock;
        QStringList lines;
        int ticks = 0;
        {
            SoundThread sounds([&ticks] { ++ticks; },
                               [&](const QString& line) {
                                   std::lock_guard<std::mutex> guard(lock);
                                   lines << line;
                               });
            const QString missing = QStringLiteral("/nonexistent/atschime.wav");
            sounds.PlayWaveLoop(missing);
            sounds.PlayWaveLoop(missing);
            sounds.StartBellPlayer(QStringLiteral("/nonexistent/atsbell.wav"));
            // The missing bell still blinks the lamp, as a player without its wave would.
            QTRY_VERIFY_WITH_TIMEOUT(ticks >= 1, 3000);
            sounds.StopWave();
            sounds.QuitBellPlayer();
        }  // the thread ends cleanly
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines[0].contains(QStringLiteral("/nonexistent/atschime.wav")));
        QVERIFY(lines[1].contains(QStringLiteral("/nonexistent/atsbell.wav")));
        for (const QString& line : lines) QVERIFY(!line.contains(QLatin1Char('\n')));
    }
};

QTEST_GUILESS_MAIN(SoundOutputTest)
#include "sound_output_test.moc"
