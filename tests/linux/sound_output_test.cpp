// The sound thread: blink ticks while the bell rings, quiet failure on a missing wave, and
// when it connects to a lost sound server again.
#include <QSignalSpy>
#include <QStringList>
#include <QTest>
#include <atomic>
#include <mutex>

#include "alarm_ids.h"
#include "reconnection.h"
#include "sound_thread.h"

class SoundOutputTest : public QObject {
    Q_OBJECT

private slots:
    void bellDeliversBlinkTicksUntilQuit() {
        int ticks = 0;
        SoundThread sounds(
            {QString(), QStringLiteral(ORVANE_WAVE_DIR)}, [&ticks] { ++ticks; },
            [](const QString&) {});
        sounds.StartBellPlayer(QStringLiteral("atsbell.wav"));
        QTRY_VERIFY_WITH_TIMEOUT(ticks >= 2, 3000);
        // A second start replaces the first bell: still one tick every interval.
        const int interval = ats::BELL_BLINK_INTERVAL_MS;
        sounds.StartBellPlayer(QStringLiteral("atsbell.wav"));
        const int before = ticks;
        QTest::qWait(interval * 13 / 5);
        QVERIFY2(ticks - before >= 2 && ticks - before <= 3, qPrintable(QString::number(ticks)));
        sounds.QuitBellPlayer();
        QTest::qWait(100);  // a tick already on its way may still arrive
        const int afterQuit = ticks;
        QTest::qWait(interval * 12 / 5);
        QCOMPARE(ticks, afterQuit);
    }

    void missingWaveIsOneLineAndNoCrash() {
        std::mutex lock;
        QStringList lines;
        int ticks = 0;
        {
            SoundThread sounds(
                {QString(), QStringLiteral("/nonexistent")}, [&ticks] { ++ticks; },
                [&](const QString& line) {
                    std::lock_guard<std::mutex> guard(lock);
                    lines << line;
                });
            const QString missing = QStringLiteral("atschime.wav");
            sounds.PlayWaveLoop(missing);
            sounds.PlayWaveLoop(missing);
            sounds.StartBellPlayer(QStringLiteral("atsbell.wav"));
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

    void reconnectsWhileWantedAndSaysSoOncePerLoss() {
        using Act = Reconnection::Act;
        using Say = Reconnection::Say;
        using L = PulseLink;
        const std::int64_t retry = Reconnection::RETRY_MS, deadline = Reconnection::DEADLINE_MS;
        struct Case {
            L link;
            bool wanted;
            std::int64_t at;
            Reconnection::Step step;
        };
        const Case cases[] = {
            {L::Closed, false, 0, {Act::Keep, Say::Nothing}},      // nothing to hear yet
            {L::Closed, true, 0, {Act::Reconnect, Say::Nothing}},  // the first sound
            {L::Connecting, true, deadline - 1, {Act::Keep, Say::Nothing}},
            {L::Ready, true, deadline, {Act::Keep, Say::Nothing}},
            {L::Failed, true, 10000, {Act::Reconnect, Say::Lost}},  // the server went
            {L::Failed, true, 10000 + retry - 1, {Act::Keep, Say::Nothing}},
            {L::Failed, true, 10000 + retry, {Act::Reconnect, Say::Nothing}},
            {L::Connecting, true, 10000 + retry + deadline, {Act::Reconnect, Say::Nothing}},
            {L::Ready, true, 20000, {Act::Keep, Say::Back}},
            {L::Ready, true, 20001, {Act::Keep, Say::Nothing}},
            {L::Failed, false, 30000, {Act::Drop, Say::Nothing}},  // gone while silent
            {L::Closed, true, 30001, {Act::Reconnect, Say::Nothing}},
            {L::Connecting, false, 30001 + deadline, {Act::Drop, Say::Nothing}},  // frozen
        };
        Reconnection reconnection;
        for (const Case& c : cases) {
            const auto got = reconnection.Next(c.link, c.wanted, c.at);
            QVERIFY2(got == c.step, qPrintable(QStringLiteral("at %1 ms: act %2, say %3")
                                                   .arg(c.at)
                                                   .arg(static_cast<int>(got.act))
                                                   .arg(static_cast<int>(got.say))));
        }
    }
};

QTEST_GUILESS_MAIN(SoundOutputTest)
#include "sound_output_test.moc"
