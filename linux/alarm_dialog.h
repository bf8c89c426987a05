// The main window of the Linux edition: the twelve controls of the alarm panel, routed to the
// alarm core through the Qt adapter.
#ifndef ORVANE_LINUX_ALARM_DIALOG_H
#define ORVANE_LINUX_ALARM_DIALOG_H

#include <QDialog>
#include <QPointer>
#include <QScreen>
#include <QString>
#include <map>
#include <memory>

#include "alarm_panel.h"
#include "qt_alarm_window.h"

class QAbstractButton;
class QLabel;
class SoundOutput;

class AlarmDialog : public QDialog {
    Q_OBJECT
public:
    // With no sounds given the window makes its own sound thread, which plays the waves of
    // waveFolder unless the user has put waves of their own in OwnWaveFolder().
    explicit AlarmDialog(SoundOutput* sounds = nullptr, QString waveFolder = DefaultWaveFolder());
    ~AlarmDialog() override;

    // Where the installed program keeps its waves: ../share/orvaneats beside its bin folder.
    static QString DefaultWaveFolder();
    // Where a user's own waves go: $XDG_DATA_HOME/orvaneats, by default
    // ~/.local/share/orvaneats.
    static QString OwnWaveFolder();

    // A control by its id (1000-1011, or 2 for 終了), for the tests.
    QWidget* Control(int controlId) const;
    ats::AlarmPanel& Panel() { return m_panel; }
    QtAlarmWindow& Window() { return *m_window; }

public slots:
    // The about box, modal; the alarm cycle runs on underneath.
    void ShowAbout();
    // The window's menu: the confirm deadline, the folder for the user's own sounds, the about
    // box. The right button opens it where it was pressed; the menu key, Shift+F10 and the
    // window's accessible "showMenu" action at the focused control, with its first item
    // selected, as a screen reader expects of a menu opened without the mouse.
    void ShowMenu(const QPoint& globalPos, bool selectFirst = false);
    void ShowMenuAtFocus();
    // Makes the folder for the user's own sounds if need be and opens it in the file manager.
    void OpenOwnWaveFolder();

protected:
    // 終了, Escape and the close button: the exit clean-up, then the window closes.
    void reject() override;
    // Enter sends IDOK in the Windows dialog, which the window ignores: there is no OK.
    void accept() override {}
    // Enter clicks a push button that Tab made the default (the button does that itself);
    // anywhere else it does nothing, whichever button is the default. The menu key and
    // Shift+F10 open the window's menu.
    void keyPressEvent(QKeyEvent* event) override;
    // Tab and Shift+Tab, from any control.
    bool focusNextPrevChild(bool next) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    // Opens centred on the screen.
    void showEvent(QShowEvent* event) override;
    // A move to a screen of another scale redraws the pictures.
    bool event(QEvent* event) override;

private:
    QtAlarmWindow::Controls CreateControls();
    SoundOutput& SoundsOrOwn(SoundOutput* sounds, QString waveFolder);
    QAbstractButton* AddButton(int controlId, const char* caption, const QRect& rect);
    QAbstractButton* AddCheckBox(int controlId, const char* caption, const QRect& rect);
    QLabel* AddPicture(int controlId, const QRect& rect);
    void FollowTabFocus(QObject* focused);
    void FollowScale();
    void OnClicked(int controlId);
    void Route(int controlId);

    bool m_placed = false;
    QPointer<QScreen> m_watchedScreen;  // whose scale changes redraw the pictures
    std::unique_ptr<SoundOutput> m_ownSounds;
    std::map<int, QWidget*> m_controls;
    std::unique_ptr<QtAlarmWindow> m_window;
    ats::AlarmPanel m_panel;
};

#endif
