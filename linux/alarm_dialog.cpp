#include "alarm_dialog.h"

#include <QAbstractButton>
#include <QAccessibleWidget>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QUrl>
#include <exception>

#include "about_dialog.h"
#include "alarm_ids.h"
#include "alarm_text.h"
#include "centring.h"
#include "dialog_layout.h"
#include "main_dialog.h"
#include "picture_table.h"
#include "qt_dialog_units.h"
#include "sound_thread.h"
#include "stderr_log.h"

namespace {

// The menu item that opens the folder for the user's own sounds.
constexpr const char* OWN_WAVES_ITEM = "自分の音のフォルダーを開く(&F)...";

// What the exception being handled says, for the one line on standard error.
QString FailureText() {
    try {
        throw;
    } catch (const std::exception& error) {
        return QString::fromUtf8(error.what());
    } catch (...) {
        return QStringLiteral("a handler failed");
    }
}

// No exception, of whatever type, may cross Qt's event loop: a failed handler leaves the
// program running, quiet and idle, as the Windows dialog procedure does.
template <class Handler>
void Quietly(ats::AlarmPanel& panel, Handler&& handler) {
    try {
        handler();
    } catch (...) {
        ComplainOnStderr(QStringLiteral("orvaneats: %1").arg(FailureText()));
        try {
            panel.Recover();
        } catch (...) {
            // Nothing more can be done; the window stays open and the next event may fare better.
        }
    }
}

// The window as a screen reader sees it: Qt's dialog, with an action that opens its menu, so
// that an assistive tool reaches the menu without keys, as it reaches a button's menu.
class AccessibleAlarmDialog : public QAccessibleWidget {
public:
    explicit AccessibleAlarmDialog(AlarmDialog* dialog)
        : QAccessibleWidget(dialog, QAccessible::Dialog), m_dialog(dialog) {}

    QStringList actionNames() const override {
        return QAccessibleWidget::actionNames() << showMenuAction();
    }
    void doAction(const QString& actionName) override {
        if (actionName != showMenuAction()) {
            QAccessibleWidget::doAction(actionName);
            return;
        }
        // Once the action has returned: the menu runs until it closes, and the caller waits.
        QMetaObject::invokeMethod(m_dialog, &AlarmDialog::ShowMenuAtFocus, Qt::QueuedConnection);
    }

private:
    AlarmDialog* m_dialog;
};

QAccessibleInterface* AccessibleFor(const QString& className, QObject* object) {
    if (className != QLatin1String("AlarmDialog")) return nullptr;
    return new AccessibleAlarmDialog(static_cast<AlarmDialog*>(object));
}

}  // namespace

AlarmDialog::AlarmDialog(SoundOutput* sounds, QString waveFolder)
    : m_window(std::make_unique<QtAlarmWindow>(
          CreateControls(), SoundsOrOwn(sounds, std::move(waveFolder)),
          [this](int timerId) { Quietly(m_panel, [&] { m_panel.OnTimer(timerId); }); })),
      m_panel(*m_window) {
    Quietly(m_panel, [&] {
        for (const ats::ShownPicture& first : ats::FIRST_PICTURES)
            m_window->ShowBitmap(first.controlId, first.bitmapId);
        m_panel.InitDialog();
    });
    m_controls.at(ats::CONTROL_EXIT)->setFocus();  // the first tab stop, as the dialog manager does

    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, &AlarmDialog::ShowAbout);
}

AlarmDialog::~AlarmDialog() = default;

QString AlarmDialog::DefaultWaveFolder() {
    return QDir::cleanPath(QCoreApplication::applicationDirPath() +
                           QStringLiteral("/../share/orvaneats"));
}

// As the XDG base directory rules say: XDG_DATA_HOME when it is an absolute path, else
// ~/.local/share.
QString AlarmDialog::OwnWaveFolder() {
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (!QDir::isAbsolutePath(data)) data = QDir::homePath() + QStringLiteral("/.local/share");
    return QDir::cleanPath(data + QStringLiteral("/orvaneats"));
}

SoundOutput& AlarmDialog::SoundsOrOwn(SoundOutput* sounds, QString waveFolder) {
    if (sounds != nullptr) return *sounds;
    m_ownSounds = std::make_unique<SoundThread>(
        WaveFolders{OwnWaveFolder(), std::move(waveFolder)},
        [this] { Quietly(m_panel, [&] { m_panel.OnTimer(ats::TIMER_BLINK); }); });
    return *m_ownSounds;
}

QtAlarmWindow::Controls AlarmDialog::CreateControls() {
    // Before anything makes the window's accessible interface; Qt keeps a factory only once.
    QAccessible::installFactory(AccessibleFor);
    setObjectName(QStringLiteral("main"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    setWindowTitle(QString::fromUtf8(TXT_MAIN_CAPTION));
    setWindowIcon(QIcon(QStringLiteral(":/res/orvaneats_sizes.ico")));
    setFont(DialogFont());
    const DialogUnits units(font());
    setFixedSize(units.ToPixels(MAIN_DIALOG_WIDTH, MAIN_DIALOG_HEIGHT));

    // In the Windows template's tab order, which Qt takes from the order of creation.
    for (const ats::ControlSpec& control : ats::MAIN_CONTROLS) {
        const QRect rect =
            units.ToPixels(control.rect.x, control.rect.y, control.rect.width, control.rect.height);
        switch (control.kind) {
            case ats::ControlKind::PushButton: AddButton(control.id, control.caption, rect); break;
            case ats::ControlKind::CheckBox: AddCheckBox(control.id, control.caption, rect); break;
            case ats::ControlKind::Picture: AddPicture(control.id, rect); break;
        }
    }
    const auto button = [this](int controlId) {
        return static_cast<QAbstractButton*>(m_controls.at(controlId));
    };
    QtAlarmWindow::Controls controls;
    controls.window = this;
    controls.panel = static_cast<QLabel*>(m_controls.at(IDC_PANEL));
    controls.signal = static_cast<QLabel*>(m_controls.at(IDC_SIGNAL));
    controls.start = button(IDC_START);
    controls.endless = button(IDC_ENDLESS);
    controls.fullAuto = button(IDC_FULLAUTO);
    controls.ignoreSignal = button(IDC_IGNORESIGNAL);
    controls.noOverlap = button(IDC_NOOVERLAP);
    return controls;
}

QAbstractButton* AlarmDialog::AddButton(int controlId, const char* caption, const QRect& rect) {
    auto* button = new QPushButton(QString::fromUtf8(caption), this);
    // Not the default when it takes the focus by a click or at the start, only by Tab.
    button->setAutoDefault(false);
    button->setGeometry(rect);
    button->setObjectName(QString::number(controlId));
    connect(button, &QPushButton::clicked, this, [this, controlId] { OnClicked(controlId); });
    m_controls[controlId] = button;
    return button;
}

QAbstractButton* AlarmDialog::AddCheckBox(int controlId, const char* caption, const QRect& rect) {
    auto* box = new QCheckBox(QString::fromUtf8(caption), this);
    // A Windows check box leaves a few pixels between box and caption; the narrow
    // "Orvaneモード" needs that to fit.
    box->setStyleSheet(QStringLiteral("QCheckBox { spacing: 3px; }"));
    box->setGeometry(rect);
    box->setObjectName(QString::number(controlId));
    // Every change of the box reaches the core, whatever made it: a click, the space bar, or a
    // screen reader's "Toggle" action, which calls toggle() and emits no clicked(). A click
    // emits toggled() once as well, so each change is routed once; the core only reads the
    // boxes, so routing a change cannot make another.
    connect(box, &QCheckBox::toggled, this, [this, controlId] { OnClicked(controlId); });
    m_controls[controlId] = box;
    return box;
}

QLabel* AlarmDialog::AddPicture(int controlId, const QRect& rect) {
    auto* picture = new QLabel(this);
    picture->move(rect.topLeft());  // the picture's own size follows once it shows one
    picture->setObjectName(QString::number(controlId));
    m_controls[controlId] = picture;
    return picture;
}

QWidget* AlarmDialog::Control(int controlId) const {
    const auto found = m_controls.find(controlId);
    return found == m_controls.end() ? nullptr : found->second;
}

void AlarmDialog::OnClicked(int controlId) {
    Quietly(m_panel, [&] { Route(controlId); });
}

void AlarmDialog::Route(int controlId) {
    if (controlId == ats::CONTROL_EXIT) {
        reject();
        return;
    }
    m_panel.OnControlClicked(controlId);
}

void AlarmDialog::reject() {
    // Should the clean-up fail, the window stays open, quiet and idle.
    Quietly(m_panel, [&] {
        m_panel.ExitCleanup();
        QDialog::reject();
    });
}

void AlarmDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Menu ||
        (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier)) {
        event->accept();
        ShowMenuAtFocus();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool AlarmDialog::focusNextPrevChild(bool next) {
    const bool moved = QDialog::focusNextPrevChild(next);
    if (moved) FollowTabFocus(focusWidget());
    return moved;
}

// As the Windows dialog manager does: Tab onto a push button makes it the default, Tab onto
// anything else leaves no default.
void AlarmDialog::FollowTabFocus(QObject* focused) {
    for (const auto& [id, control] : m_controls) {
        if (auto* button = qobject_cast<QPushButton*>(control))
            button->setDefault(button == focused);
    }
}

// The keys that open the menu are taken in keyPressEvent, on every platform alike; the event
// some platforms make of the menu key as well is passed over, so that the menu opens once.
void AlarmDialog::contextMenuEvent(QContextMenuEvent* event) {
    if (event->reason() != QContextMenuEvent::Keyboard) ShowMenu(event->globalPos());
}

// What the chosen item does is done once the menu has closed, however it was chosen: a screen
// reader's action on an item triggers it with the menu still open, and waits for it to return.
void AlarmDialog::ShowMenuAtFocus() {
    const QWidget* at = focusWidget() != nullptr ? focusWidget() : this;
    ShowMenu(at->mapToGlobal(at->rect().center()), true);
}

void AlarmDialog::ShowMenu(const QPoint& globalPos, bool selectFirst) {
    QMenu menu(this);
    QAction* deadline = menu.addAction(QString::fromUtf8(TXT_DEADLINE_ITEM));
    deadline->setCheckable(true);
    deadline->setChecked(m_panel.ConfirmDeadline());
    QAction* ownWaves = menu.addAction(QString::fromUtf8(OWN_WAVES_ITEM));
    menu.addSeparator();
    QAction* about = menu.addAction(QString::fromUtf8(TXT_ABOUT_ITEM));
    QAction* chosen = nullptr;
    connect(&menu, &QMenu::triggered, &menu, [&](QAction* action) {
        chosen = action;
        menu.close();
    });
    if (selectFirst) QTimer::singleShot(0, &menu, [&] { menu.setActiveAction(deadline); });
    menu.exec(globalPos);
    if (chosen == deadline) {
        Quietly(m_panel, [&] { m_panel.SetConfirmDeadline(deadline->isChecked()); });
    } else if (chosen == ownWaves) {
        OpenOwnWaveFolder();
    } else if (chosen == about) {
        ShowAbout();
    }
}

void AlarmDialog::OpenOwnWaveFolder() {
    const QString folder = OwnWaveFolder();
    if (!QDir().mkpath(folder) || !QDesktopServices::openUrl(QUrl::fromLocalFile(folder))) {
        ComplainOnStderr(QStringLiteral("orvaneats: cannot open the folder %1").arg(folder));
    }
}

void AlarmDialog::showEvent(QShowEvent* event) {
    if (!m_placed) CentreOver(*this, std::nullopt);
    m_placed = true;
    QDialog::showEvent(event);
    FollowScale();  // the pictures were first drawn before the window knew its screen
}

bool AlarmDialog::event(QEvent* event) {
    if (event->type() == QEvent::ScreenChangeInternal && m_window) FollowScale();
    return QDialog::event(event);
}

// As the Windows program does on WM_DPICHANGED: both pictures drawn again for the scale of the
// screen the window is on now, and again whenever that screen's scale changes.
void AlarmDialog::FollowScale() {
    QScreen* now = screen();
    if (now != m_watchedScreen) {
        if (m_watchedScreen != nullptr) disconnect(m_watchedScreen, nullptr, this, nullptr);
        m_watchedScreen = now;
        if (now != nullptr) {
            connect(now, &QScreen::logicalDotsPerInchChanged, this, &AlarmDialog::FollowScale);
            connect(now, &QScreen::physicalDotsPerInchChanged, this, &AlarmDialog::FollowScale);
        }
    }
    Quietly(m_panel, [&] { m_window->RedrawPictures(); });
}

void AlarmDialog::ShowAbout() {
    AboutDialog about(this);
    about.exec();
}
