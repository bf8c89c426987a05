#include "alarm_dialog.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDir>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <exception>

#include "about_dialog.h"
#include "alarm_ids.h"
#include "alarm_text.h"
#include "centring.h"
#include "picture_table.h"
#include "dialog_layout.h"
#include "dialog_units.h"
#include "sound_output.h"

namespace {

// No exception may cross Qt's event loop: a failed handler leaves the program running, quiet
// and idle.
template <class Handler>
void Quietly(ats::AlarmPanel& panel, Handler&& handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        ComplainOnStderr(QStringLiteral("orvaneats: %1").arg(QString::fromUtf8(error.what())));
        try {
            panel.Recover();
        } catch (const std::exception&) {
            // Nothing more can be done; the window stays open.
        }
    }
}

}  // namespace

AlarmDialog::AlarmDialog(SoundOutput* sounds, QString waveFolder)
    : m_window(std::make_unique<QtAlarmWindow>(
          CreateControls(), SoundsOrOwn(sounds), std::move(waveFolder),
          [this](int timerId) { Quietly(m_panel, [&] { m_panel.OnTimer(timerId); }); })),
      m_panel(*m_window) {
    for (const ats::ShownPicture& first : ats::FIRST_PICTURES)
        m_window->ShowBitmap(first.controlId, first.bitmapId);
    m_panel.InitDialog();
    m_controls.at(ats::CONTROL_EXIT)->setFocus();  // the first tab stop, as the dialog manager does

    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, &AlarmDialog::ShowAbout);
}

AlarmDialog::~AlarmDialog() = default;

QString AlarmDialog::DefaultWaveFolder() {
    return QDir::cleanPath(QCoreApplication::applicationDirPath() +
                           QStringLiteral("/../share/orvaneats"));
}

SoundOutput& AlarmDialog::SoundsOrOwn(SoundOutput* sounds) {
    if (sounds != nullptr) return *sounds;
    m_ownSounds = std::make_unique<SoundThread>(
        [this] { Quietly(m_panel, [&] { m_panel.OnTimer(ats::TIMER_BLINK); }); });
    return *m_ownSounds;
}

QtAlarmWindow::Controls AlarmDialog::CreateControls() {
    setObjectName(QStringLiteral("main"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    setWindowTitle(QString::fromUtf8(TXT_MAIN_CAPTION));
    setWindowIcon(QIcon(QStringLiteral(":/res/orvaneats_sizes.ico")));
    setFont(DialogFont());
    const DialogUnits units(font());
    setFixedSize(units.ToPixels(MAIN_DIALOG_WIDTH, MAIN_DIALOG_HEIGHT));

    // In the Windows template's tab order, which Qt takes from the order of creation.
    QtAlarmWindow::Controls controls;
    controls.window = this;
    AddButton(ats::CONTROL_EXIT, TXT_EXIT, units.ToPixels(RECT_EXIT));
    AddButton(IDC_CONFIRM, TXT_CONFIRM, units.ToPixels(RECT_CONFIRM));
    controls.panel = AddPicture(IDC_PANEL, units.ToPixels(RECT_PANEL));
    controls.signal = AddPicture(IDC_SIGNAL, units.ToPixels(RECT_SIGNAL));
    controls.start = AddButton(IDC_START, TXT_START, units.ToPixels(RECT_START));
    controls.endless = AddCheckBox(IDC_ENDLESS, TXT_ENDLESS, units.ToPixels(RECT_ENDLESS));
    AddButton(IDC_SUSTAIN, TXT_SUSTAIN, units.ToPixels(RECT_SUSTAIN));
    AddButton(IDC_BELL, TXT_BELL, units.ToPixels(RECT_BELL));
    AddButton(IDC_CHIME, TXT_CHIME, units.ToPixels(RECT_CHIME));
    controls.fullAuto = AddCheckBox(IDC_FULLAUTO, TXT_FULLAUTO, units.ToPixels(RECT_FULLAUTO));
    controls.ignoreSignal =
        AddCheckBox(IDC_IGNORESIGNAL, TXT_IGNORESIGNAL, units.ToPixels(RECT_IGNORESIGNAL));
    controls.noOverlap = AddCheckBox(IDC_NOOVERLAP, TXT_NOOVERLAP, units.ToPixels(RECT_NOOVERLAP));
    return controls;
}

QAbstractButton* AlarmDialog::AddButton(int controlId, const char* caption, const QRect& rect) {
    auto* button = new QPushButton(QString::fromUtf8(caption), this);
    // No default button: Enter clicks nothing.
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
    connect(box, &QCheckBox::clicked, this, [this, controlId] { OnClicked(controlId); });
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
    m_panel.ExitCleanup();
    QDialog::reject();
}

void AlarmDialog::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.addAction(QString::fromUtf8(TXT_ABOUT_ITEM), this, &AlarmDialog::ShowAbout);
    menu.exec(event->globalPos());
}

void AlarmDialog::showEvent(QShowEvent* event) {
    if (!m_placed && screen() != nullptr) CentreOver(*this, screen()->availableGeometry());
    m_placed = true;
    QDialog::showEvent(event);
}

void AlarmDialog::ShowAbout() {
    AboutDialog about(this);
    about.exec();
}
