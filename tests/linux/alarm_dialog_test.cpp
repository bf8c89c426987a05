// The main window and the about box on the offscreen platform: layout, clicks through QTest,
// pictures, timers and the exit clean-up, with the sounds recorded instead of played.
#include "alarm_dialog.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QWindow>
#include <cmath>
#include <functional>

#include "alarm_ids.h"
#include "alarm_text.h"
#include "dialog_layout.h"
#include "picture_scale.h"
#include "pictures.h"
#include "qt_dialog_units.h"
#include "release_facts.h"
#include "sound_output.h"

namespace {

constexpr int IDCANCEL = 2;

class RecordedSounds : public SoundOutput {
public:
    void PlayWaveLoop(const QString& name) override { Record("wave " + name); }
    void StopWave() override { Record(QStringLiteral("stop-wave")); }
    void StartBellPlayer(const QString& name) override { Record("bell " + name); }
    void QuitBellPlayer() override { Record(QStringLiteral("quit-bell")); }
    void PlayBrakeSound(const QString& name) override { Record("brake " + name); }
    void StopBrakeSound() override { Record(QStringLiteral("stop-brake")); }
    QStringList calls;
    int failures = 0;  // so many next calls throw something that is no std::exception

private:
    void Record(const QString& call) {
        if (failures > 0) {
            --failures;
            throw 42;
        }
        calls << call;
    }
};

QString Text(const char* utf8) { return QString::fromUtf8(utf8); }

// Runs `use` on the popup menu once it shows; the menu runs its own event loop meanwhile.
void OnMenu(std::function<void(QMenu&)> use) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, use] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr || !menu->isVisible()) return;
        poll->stop();
        poll->deleteLater();
        use(*menu);
        menu->close();  // whatever `use` found
    });
    poll->start(10);
}

// What QDesktopServices is asked to open.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void Open(const QUrl& url) { urls << url; }
};

// Runs `check` on the modal window that opens next, then closes that window.
void OnNextModal(std::function<void(QWidget*)> check) {
    QTimer::singleShot(0, [check] {
        QTRY_VERIFY(QApplication::activeModalWidget() != nullptr);
        QWidget* modal = QApplication::activeModalWidget();
        check(modal);
        QTest::keyClick(modal, Qt::Key_Escape);
    });
}

}  // namespace

class AlarmDialogTest : public QObject {
    Q_OBJECT

private:
    RecordedSounds sounds;
    std::unique_ptr<AlarmDialog> dialog;

    QAbstractButton* Button(int id) { return qobject_cast<QAbstractButton*>(dialog->Control(id)); }
    QLabel* Picture(int id) { return qobject_cast<QLabel*>(dialog->Control(id)); }
    int Shown(int id) { return dialog->Window().ShownBitmap(id); }
    void Click(int id) { QTest::mouseClick(Button(id), Qt::LeftButton); }
    // By the right button (0), the menu key (1) or Shift+F10 (2); returns once it has closed.
    void OpenMenu(int how) {
        QContextMenuEvent click(QContextMenuEvent::Mouse, {5, 5},
                                dialog->mapToGlobal(QPoint(5, 5)));
        if (how == 0) QApplication::sendEvent(dialog.get(), &click);
        if (how > 0)
            QTest::keyClick(QApplication::focusWidget(), how == 1 ? Qt::Key_Menu : Qt::Key_F10,
                            how == 1 ? Qt::NoModifier : Qt::ShiftModifier);
    }

private slots:
    void init() {
        sounds.calls.clear();
        dialog = std::make_unique<AlarmDialog>(&sounds);
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    }
    void cleanup() { dialog.reset(); }

    void windowHasTheTemplatesSizeCaptionsAndRectangles() {
        const DialogUnits units(DialogFont());
        QCOMPARE(dialog->windowTitle(), Text(TXT_MAIN_CAPTION));
        QCOMPARE(dialog->size(), units.ToPixels(MAIN_DIALOG_WIDTH, MAIN_DIALOG_HEIGHT));
        QCOMPARE(dialog->minimumSize(), dialog->maximumSize());
        QVERIFY(!dialog->windowIcon().isNull());
        const struct {
            int id;
            const char* caption;
            QRect rect;
        } controls[] = {
            {IDCANCEL, TXT_EXIT, units.ToPixels(RECT_EXIT)},
            {IDC_CONFIRM, TXT_CONFIRM, units.ToPixels(RECT_CONFIRM)},
            {IDC_START, TXT_START, units.ToPixels(RECT_START)},
            {IDC_ENDLESS, TXT_ENDLESS, units.ToPixels(RECT_ENDLESS)},
            {IDC_SUSTAIN, TXT_SUSTAIN, units.ToPixels(RECT_SUSTAIN)},
            {IDC_BELL, TXT_BELL, units.ToPixels(RECT_BELL)},
            {IDC_CHIME, TXT_CHIME, units.ToPixels(RECT_CHIME)},
            {IDC_FULLAUTO, TXT_FULLAUTO, units.ToPixels(RECT_FULLAUTO)},
            {IDC_IGNORESIGNAL, TXT_IGNORESIGNAL, units.ToPixels(RECT_IGNORESIGNAL)},
            {IDC_NOOVERLAP, TXT_NOOVERLAP, units.ToPixels(RECT_NOOVERLAP)},
        };
        // Tab order as in the template: the pictures are skipped.
        QWidget* expected = Button(IDCANCEL);
        QCOMPARE(dialog->focusWidget(), expected);
        for (const auto& control : controls) {
            QAbstractButton* button = Button(control.id);
            QVERIFY2(button != nullptr, qPrintable(QString::number(control.id)));
            QCOMPARE(button->text(), Text(control.caption));
            QCOMPARE(button->geometry(), control.rect);
            QCOMPARE(button->isCheckable(),
                     control.id == IDC_ENDLESS || control.id == IDC_FULLAUTO ||
                         control.id == IDC_IGNORESIGNAL || control.id == IDC_NOOVERLAP);
            if (auto* push = qobject_cast<QPushButton*>(button)) {
                QVERIFY(!push->isDefault() && !push->autoDefault());
            }
            QCOMPARE(expected, button);
            do {
                expected = expected->nextInFocusChain();
            } while (!(expected->focusPolicy() & Qt::TabFocus));
        }
        // The pictures at their places, as big as their bitmaps.
        QCOMPARE(Picture(IDC_PANEL)->geometry(),
                 QRect(units.ToPixels(RECT_PANEL).topLeft(), QSize(150, 100)));
        QCOMPARE(Picture(IDC_SIGNAL)->geometry(),
                 QRect(units.ToPixels(RECT_SIGNAL).topLeft(), QSize(32, 64)));
    }

    void dialogUnitsFollowTheWindowsRule() {
        QCOMPARE(MulDiv(3, 5, 2), 8);  // 7.5 rounds away from zero
        QCOMPARE(MulDiv(-3, 5, 2), -8);
        QCOMPARE(MulDiv(162, 6, 4), 243);
        QCOMPARE(MulDiv(1, 1, 0), -1);
        const DialogUnits units(DialogFont());
        QVERIFY(units.BaseX() >= 5 && units.BaseX() <= 8);
        QVERIFY(units.BaseY() >= 12 && units.BaseY() <= 16);
        QCOMPARE(units.ToPixels(4, 8, 4, 8),
                 QRect(units.BaseX(), units.BaseY(), units.BaseX(), units.BaseY()));
    }

    void startsIdleWithTheTemplatesPicturesAndTheirNames() {
        QCOMPARE(Shown(IDC_PANEL), IDB_PANEL_NORMAL);
        QCOMPARE(Shown(IDC_SIGNAL), IDB_SIGNAL_STOP);
        QVERIFY(!Picture(IDC_PANEL)->pixmap().isNull());
        QCOMPARE(Picture(IDC_SIGNAL)->accessibleName(), QStringLiteral("信号: 停止"));
        QVERIFY(Picture(IDC_PANEL)->accessibleName().contains(QStringLiteral("警報表示灯: 消灯")));
        for (int id : {IDC_ENDLESS, IDC_FULLAUTO, IDC_IGNORESIGNAL, IDC_NOOVERLAP}) {
            QVERIFY(!Button(id)->isChecked());
        }
        QCOMPARE(dialog->Panel().State(), ats::STATE_IDLE);
        QVERIFY(sounds.calls.isEmpty());
    }

    void wholeCycleThroughClicks() {
        Click(IDC_IGNORESIGNAL);
        Click(IDC_START);
        QCOMPARE(Button(IDC_START)->text(), Text(TXT_STOP));
        QCOMPARE(Shown(IDC_PANEL), IDB_PANEL_ALARM);
        QVERIFY(Picture(IDC_PANEL)->accessibleName().contains(QStringLiteral("警報表示灯: 点灯")));
        // Any earlier bell is silenced first; the chime follows the bell.
        QCOMPARE(sounds.calls, QStringList({"quit-bell", "bell atsbell.wav", "wave atschime.wav"}));

        Click(IDC_CONFIRM);
        QCOMPARE(Shown(IDC_PANEL), IDB_PANEL_NORMAL);
        QCOMPARE(sounds.calls.last(), QStringLiteral("quit-bell"));

        Click(IDC_SUSTAIN);
        QCOMPARE(sounds.calls.last(), QStringLiteral("stop-wave"));
        QCOMPARE(Button(IDC_START)->text(), Text(TXT_START));
        QCOMPARE(dialog->Panel().State(), ats::STATE_IDLE);
    }

    // The news a screen reader hears is the window's accessible description, which Qt's AT-SPI
    // bridge sends on as it changes: the core's news changes it, a picture drawn does not.
    void newsIsTheWindowsAccessibleDescription() {
        QtAlarmWindow& window = dialog->Window();
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(dialog.get());
        const struct {
            std::function<void()> call;
            const char* told;
        } steps[] = {
            {[&] { window.AspectChanged(ats::ASPECT_PROCEED); }, "信号: 進行"},
            {[&] { window.AlarmChanged(true); }, "警報が鳴っています"},
            {[&] { window.ShowBitmap(IDC_PANEL, IDB_PANEL_DARK); }, "警報が鳴っています"},
            {[&] { window.BrakeApplied(); }, "非常ブレーキ"},
            {[&] { window.AlarmChanged(false); }, "警報が止まりました"},
            {[&] { window.AspectChanged(ats::ASPECT_STOP); }, "信号: 停止"},
        };
        for (const auto& step : steps) {
            step.call();
            QCOMPARE(accessible->text(QAccessible::Description), Text(step.told));
        }
    }

    // However a box is changed mid-cycle, the core sees it at once: 信号無視 unticked after
    // ATS確認 in endless mode gives the 3 s restart gap, not the 1 ms one.
    void anOptionChangedMidCycleIsSeenWhateverChangedIt_data() {
        QTest::addColumn<int>("how");
        QTest::newRow("mouse click") << 0;
        QTest::newRow("space bar") << 1;
        QTest::newRow("accessible Toggle action") << 2;
        QTest::newRow("toggle()") << 3;
    }
    void anOptionChangedMidCycleIsSeenWhateverChangedIt() {
        QFETCH(int, how);
        Click(IDC_ENDLESS);
        Click(IDC_IGNORESIGNAL);
        Click(IDC_START);
        Click(IDC_CONFIRM);
        QAbstractButton* box = Button(IDC_IGNORESIGNAL);
        switch (how) {
            case 0: Click(IDC_IGNORESIGNAL); break;
            case 1: QTest::keyClick(box, Qt::Key_Space); break;
            case 2: {
                QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(box);
                QVERIFY(accessible != nullptr && accessible->actionInterface() != nullptr);
                QCOMPARE(accessible->actionInterface()->actionNames().value(0),
                         QAccessibleActionInterface::toggleAction());
                accessible->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
                break;
            }
            default: box->toggle(); break;
        }
        QVERIFY(!box->isChecked());
        Click(IDC_SUSTAIN);
        QCOMPARE(dialog->Window().TimerPeriod(ats::TIMER_RESTART), ats::RESTART_GAP_MS);
    }

    void theWaitAfterTheBellBlocksTheWindowFor100Ms() {
        QElapsedTimer clock;
        clock.start();
        Click(IDC_BELL);
        QVERIFY(clock.elapsed() >= 100);
        QCOMPARE(sounds.calls, QStringList({"quit-bell", "bell atsbell.wav"}));
        Click(IDC_BELL);
        QCOMPARE(sounds.calls.last(), QStringLiteral("quit-bell"));
    }

    void timersTickTheSignalDownAndBlinkTheLamp() {
        Click(IDC_START);
        const int period = dialog->Window().TimerPeriod(ats::TIMER_SIGNAL);
        QVERIFY2(period >= 1000 && period <= 4999, qPrintable(QString::number(period)));
        const int first = Shown(IDC_SIGNAL);
        QVERIFY(first >= IDB_SIGNAL_RESTRICT && first <= IDB_SIGNAL_PROCEED);
        // The next tick shows the next more restrictive aspect.
        QTRY_VERIFY_WITH_TIMEOUT(Shown(IDC_SIGNAL) == first - 1, period + 1000);
        // Ticks of timer 2 step the lamp panel, as the bell player's ticks do.
        Click(IDC_START);  // Stop
        QCOMPARE(dialog->Window().TimerPeriod(ats::TIMER_SIGNAL), 0);
        Click(IDC_IGNORESIGNAL);
        Click(IDC_START);
        dialog->Panel().OnTimer(ats::TIMER_BLINK);
        QCOMPARE(Shown(IDC_PANEL), IDB_PANEL_DARK);
        QCOMPARE(Picture(IDC_PANEL)->accessibleName(),
                 QStringLiteral("表示灯: 消灯、警報表示灯: 消灯"));
        dialog->Window().SetTimer(ats::TIMER_BLINK, 50);
        QTRY_COMPARE(Shown(IDC_PANEL), IDB_PANEL_ALARM);
        Click(IDC_CONFIRM);  // cancels timer 2
        QCOMPARE(dialog->Window().TimerPeriod(ats::TIMER_BLINK), 0);
        QTest::qWait(150);
        QCOMPARE(Shown(IDC_PANEL), IDB_PANEL_NORMAL);
    }

    void exitPathsRunTheCleanUp_data() {
        QTest::addColumn<int>("how");
        QTest::newRow("終了") << 0;
        QTest::newRow("Escape") << 1;
        QTest::newRow("close button") << 2;
    }
    void exitPathsRunTheCleanUp() {
        QFETCH(int, how);
        Click(IDC_IGNORESIGNAL);
        Click(IDC_START);
        sounds.calls.clear();
        switch (how) {
            case 0: Click(IDCANCEL); break;
            case 1: QTest::keyClick(dialog.get(), Qt::Key_Escape); break;
            default: dialog->close(); break;
        }
        QVERIFY(!dialog->isVisible());
        QCOMPARE(dialog->result(), int(QDialog::Rejected));
        QCOMPARE(sounds.calls, QStringList({"quit-bell", "stop-wave"}));
    }

    void enterDoesNothing() {
        for (int id : {IDCANCEL, IDC_ENDLESS, IDC_START}) {
            Button(id)->setFocus();
            QTest::keyClick(Button(id), Qt::Key_Return);
            QTest::keyClick(Button(id), Qt::Key_Enter);
        }
        QVERIFY(dialog->isVisible());
        QVERIFY(sounds.calls.isEmpty());
        QCOMPARE(Button(IDC_START)->text(), Text(TXT_START));
        QVERIFY(!Button(IDC_ENDLESS)->isChecked());
    }

    void aFailureOfAnyKindLeavesTheWindowOpenQuietAndIdle_data() {
        QTest::addColumn<int>("how");
        QTest::newRow("終了") << 0;
        QTest::newRow("Escape") << 1;
        QTest::newRow("close button") << 2;
        QTest::newRow("bell button") << 3;
    }
    void aFailureOfAnyKindLeavesTheWindowOpenQuietAndIdle() {
        QFETCH(int, how);
        if (how != 3) {  // the bell button is only heard between runs
            Click(IDC_IGNORESIGNAL);
            Click(IDC_START);
            QCOMPARE(dialog->Panel().State(), ats::STATE_ALARM);
        }
        sounds.calls.clear();
        sounds.failures = 1;
        switch (how) {
            case 0: Click(ats::CONTROL_EXIT); break;
            case 1: QTest::keyClick(dialog.get(), Qt::Key_Escape); break;
            case 2: QVERIFY(!dialog->close()); break;
            default: Click(IDC_BELL); break;
        }
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->Panel().State(), ats::STATE_IDLE);
        QCOMPARE(sounds.calls.mid(0, 2), QStringList({"quit-bell", "stop-wave"}));
        for (int timer : {ats::TIMER_SIGNAL, ats::TIMER_BLINK, ats::TIMER_RESTART, ats::TIMER_AUTO})
            QCOMPARE(dialog->Window().TimerPeriod(timer), 0);
        QCOMPARE(Shown(IDC_PANEL), IDB_PANEL_NORMAL);
        QCOMPARE(Button(IDC_START)->text(), Text(TXT_START));
        // The program runs on: the next Escape ends it as usual.
        QTest::keyClick(dialog.get(), Qt::Key_Escape);
        QVERIFY(!dialog->isVisible());
    }

    // Tab onto a push button makes it the default and Enter clicks it; Enter anywhere else,
    // or on a button that took the focus otherwise, does nothing and never closes the window.
    void enterClicksOnlyAButtonTabbedOnto_data() {
        QTest::addColumn<int>("tabs");        // from 終了, which has the focus at the start
        QTest::addColumn<int>("clickFirst");  // a control clicked with the mouse first, or 0
        QTest::addColumn<int>("focused");
        QTest::addColumn<QStringList>("sounded");
        QTest::addColumn<QString>("startCaption");
        const QString start = Text(TXT_START), stop = Text(TXT_STOP);
        const QStringList bell{"quit-bell", "bell atsbell.wav"};
        QTest::newRow("終了 at the start")
            << 0 << 0 << int(ats::CONTROL_EXIT) << QStringList() << start;
        QTest::newRow("Tab to 開始") << 2 << 0 << int(IDC_START) << QStringList() << stop;
        QTest::newRow("Tab to a checkbox") << 3 << 0 << int(IDC_ENDLESS) << QStringList() << start;
        QTest::newRow("Tab to ATSベル") << 5 << 0 << int(IDC_BELL) << bell << start;
        QTest::newRow("Tab to 開始, click a checkbox")
            << 2 << int(IDC_FULLAUTO) << int(IDC_FULLAUTO) << QStringList() << start;
        QTest::newRow("ATSベル clicked")
            << 0 << int(IDC_BELL) << int(IDC_BELL) << QStringList() << start;
    }
    void enterClicksOnlyAButtonTabbedOnto() {
        QFETCH(int, tabs);
        QFETCH(int, clickFirst);
        QFETCH(int, focused);
        QFETCH(QStringList, sounded);
        QFETCH(QString, startCaption);
        QApplication::setActiveWindow(dialog.get());
        QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
        for (int i = 0; i < tabs; ++i) QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        if (clickFirst != 0) Click(clickFirst);
        QCOMPARE(QApplication::focusWidget(), dialog->Control(focused));
        sounds.calls.clear();
        const auto boxes = [this] {
            QList<bool> states;
            for (int id : {IDC_ENDLESS, IDC_FULLAUTO, IDC_IGNORESIGNAL, IDC_NOOVERLAP})
                states << Button(id)->isChecked();
            return states;
        };
        const QList<bool> before = boxes();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QVERIFY(dialog->isVisible());
        QCOMPARE(sounds.calls, sounded);
        QCOMPARE(Button(IDC_START)->text(), startCaption);
        QCOMPARE(boxes(), before);
    }

    void aboutBoxFromF1OverTheRunningCycle() {
        Click(IDC_START);
        const int first = Shown(IDC_SIGNAL);
        const int period = dialog->Window().TimerPeriod(ats::TIMER_SIGNAL);
        bool seen = false;
        OnNextModal([&](QWidget* about) {
            seen = true;
            QCOMPARE(about->windowTitle(), Text(TXT_ABOUT_CAPTION));
            const DialogUnits units(DialogFont());
            QCOMPARE(about->size(), units.ToPixels(ABOUT_DIALOG_WIDTH, ABOUT_DIALOG_HEIGHT));
            auto* version = about->findChild<QLabel*>(QString::number(IDC_VERSION));
            QVERIFY(version != nullptr);
            QCOMPARE(version->text(), QStringLiteral(ORVANE_VERSION_LINE));
            QVERIFY(about->findChild<QPushButton*>()->isDefault());
            QCOMPARE(about->geometry().center(), dialog->geometry().center());
            // The cycle runs on underneath.
            QTRY_VERIFY_WITH_TIMEOUT(Shown(IDC_SIGNAL) == first - 1, period + 1000);
        });
        QTest::keyClick(dialog.get(), Qt::Key_F1);
        QVERIFY(seen);
        QVERIFY(dialog->isVisible());
    }

    // The window's menu however it is opened: the deadline's check item shows the core's
    // deadline and sets it, the keyboard's ways select the first item, the about item is last.
    void theMenuSetsTheDeadlineAndEndsWithTheAboutItem_data() {
        QTest::addColumn<int>("how");
        QTest::newRow("right click") << 0;
        QTest::newRow("menu key") << 1;
        QTest::newRow("Shift+F10") << 2;
    }
    void theMenuSetsTheDeadlineAndEndsWithTheAboutItem() {
        QFETCH(int, how);
        for (const bool on : {true, false}) {
            QStringList seen;
            OnMenu([&](QMenu& menu) {
                QAction* first = menu.actions().first();
                for (QAction* item : menu.actions())
                    seen << (item->isSeparator() ? "-" : item->text());
                seen << QString::number(first->isCheckable() && first->isChecked())
                     << QString::number(menu.activeAction() == first);
                first->trigger();  // as a screen reader's Press does
            });
            OpenMenu(how);
            QCOMPARE(seen,
                     QStringList({Text(TXT_DEADLINE_ITEM), "自分の音のフォルダーを開く(&F)...", "-",
                                  Text(TXT_ABOUT_ITEM), QString::number(!on),
                                  QString::number(how != 0)}));
            QCOMPARE(dialog->Panel().ConfirmDeadline(), on);
        }
    }

    void aboutItemInTheContextMenu() {
        bool opened = false;
        OnMenu([&](QMenu& menu) {
            OnNextModal(
                [&](QWidget* about) { opened = about->windowTitle() == Text(TXT_ABOUT_CAPTION); });
            menu.actions().last()->trigger();
        });
        OpenMenu(0);
        QVERIFY(opened);
    }

    // The folder is made if need be and handed to the file manager, where the XDG rules put it.
    void theFolderItemMakesTheOwnWaveFolderAndOpensIt_data() {
        QTest::addColumn<QString>("dataHome");  // XDG_DATA_HOME
        QTest::addColumn<QString>("folder");    // under the temporary folder
        QTest::newRow("XDG_DATA_HOME") << "{tmp}/data"
                                       << "data/orvaneats";
        QTest::newRow("relative: not valid") << "data"
                                             << "home/.local/share/orvaneats";
    }
    void theFolderItemMakesTheOwnWaveFolderAndOpensIt() {
        QFETCH(QString, dataHome);
        QFETCH(QString, folder);
        QTemporaryDir tmp;
        const QByteArray home = qgetenv("HOME");
        qputenv("HOME", (tmp.path() + "/home").toLocal8Bit());
        qputenv("XDG_DATA_HOME", dataHome.replace("{tmp}", tmp.path()).toLocal8Bit());
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "Open");
        OnMenu([](QMenu& menu) { menu.actions().at(1)->trigger(); });
        OpenMenu(0);
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        qputenv("HOME", home);
        qunsetenv("XDG_DATA_HOME");
        QCOMPARE(catcher.urls, QList<QUrl>({QUrl::fromLocalFile(tmp.path() + "/" + folder)}));
        QVERIFY(QFileInfo(tmp.path() + "/" + folder).isDir());
    }

    // Drawn as the Windows program draws them at the same DPI, and drawn again when the window
    // moves to a screen of another scale.
    void picturesFollowTheScaleOfTheScreen_data() {
        QTest::addColumn<int>("via");  // the screen the window moves to first
        QTest::addColumn<int>("screen");
        QTest::addColumn<qreal>("scale");
        QTest::newRow("125 %") << 0 << 1 << 1.25;
        QTest::newRow("150 %") << 1 << 2 << 1.5;
        QTest::newRow("back at 100 %") << 2 << 0 << 1.0;
    }
    void picturesFollowTheScaleOfTheScreen() {
        QFETCH(int, via);
        QFETCH(int, screen);
        QFETCH(qreal, scale);
        const QList<QScreen*> screens = QGuiApplication::screens();
        QCOMPARE(screens.size(), 3);
        Click(IDC_IGNORESIGNAL);
        Click(IDC_START);  // the alarm: pictures the core changed, not only the first ones
        for (int to : {via, screen}) {
            dialog->windowHandle()->setScreen(screens[to]);
            QTRY_COMPARE(dialog->screen(), screens[to]);
        }
        QCOMPARE(dialog->devicePixelRatioF(), scale);
        const int dpi = static_cast<int>(std::lround(96 * scale));
        for (const int control : {IDC_PANEL, IDC_SIGNAL}) {
            const int bitmap = Shown(control);
            QVERIFY(bitmap != 0);
            const ats::PictureSize base = ats::BitmapSize(bitmap);
            QImage expected = StoredRendering(bitmap, 1);
            if (dpi != ats::BASE_DPI) {
                const ats::PictureSize size = ats::ScaleToDpi(base, dpi);
                expected = ToImage(
                    ats::Resample(ToPixels(StoredRendering(bitmap, ats::ChooseRenderingScale(dpi))),
                                  size.width, size.height));
            }
            expected = expected.convertToFormat(QImage::Format_RGB32);
            expected.setDevicePixelRatio(scale);
            const QPixmap shown = Picture(control)->pixmap();
            QCOMPARE(shown.toImage().convertToFormat(QImage::Format_RGB32), expected);
            // In the bitmap's place at 96 DPI.
            QCOMPARE(Picture(control)->size(), QSize(base.width, base.height));
        }
    }

    void picturesAreDrawnForTheDisplayScale() {
        const QPixmap single = LoadPicture(IDB_PANEL_ALARM, 1.0);
        QCOMPARE(single.size(), QSize(150, 100));
        const QPixmap doubled = LoadPicture(IDB_PANEL_ALARM, 2.0);
        QCOMPARE(doubled.size(), QSize(300, 200));
        QCOMPARE(doubled.deviceIndependentSize().toSize(), QSize(150, 100));
        // Drawn for the scale: the stored rendering, not the 1x picture blown up.
        QImage stored(QStringLiteral(":/res/panel_alarm_2x.png"));
        stored.setDevicePixelRatio(2.0);
        QVERIFY(!stored.isNull());
        QCOMPARE(doubled.toImage().convertToFormat(QImage::Format_RGB32),
                 stored.convertToFormat(QImage::Format_RGB32));
        const QPixmap oneAndHalf = LoadPicture(IDB_SIGNAL_STOP, 1.5);
        QCOMPARE(oneAndHalf.deviceIndependentSize().toSize(), QSize(32, 64));
        QVERIFY(LoadPicture(999, 1.0).isNull());
        QVERIFY(PictureDescription(999).isEmpty());
    }
};

QTEST_MAIN(AlarmDialogTest)
#include "alarm_dialog_test.moc"
