#include "qt_alarm_window.h"

#include <QAbstractButton>
#include <QLabel>
#include <QTimer>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <thread>

#include "alarm_ids.h"
#include "alarm_text.h"
#include "pictures.h"
#include "sound_output.h"

namespace {

QString FromUtf8(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

}  // namespace

QtAlarmWindow::QtAlarmWindow(Controls controls, SoundOutput& sounds, TickHandler onTick)
    : m_controls(controls), m_sounds(sounds), m_onTick(std::move(onTick)) {}

QtAlarmWindow::~QtAlarmWindow() = default;

void QtAlarmWindow::SetTimer(int timerId, int milliseconds) {
    std::unique_ptr<QTimer>& timer = m_timers[timerId];
    if (!timer) {
        timer = std::make_unique<QTimer>();
        timer->setTimerType(Qt::PreciseTimer);
        QObject::connect(timer.get(), &QTimer::timeout, [this, timerId] { m_onTick(timerId); });
    }
    timer->start(milliseconds);  // restarts the period of an armed timer
}

void QtAlarmWindow::KillTimer(int timerId) {
    const auto found = m_timers.find(timerId);
    if (found != m_timers.end()) found->second->stop();
}

QLabel* QtAlarmWindow::Picture(int controlId) const {
    switch (controlId) {
        case IDC_SIGNAL: return m_controls.signal;
        case IDC_PANEL: return m_controls.panel;
        default: return nullptr;
    }
}

void QtAlarmWindow::ShowBitmap(int controlId, int bitmapId) {
    QLabel* picture = Picture(controlId);
    if (picture == nullptr) return;
    m_shownBitmaps[controlId] = bitmapId;
    Draw(*picture, bitmapId);
}

void QtAlarmWindow::RedrawPictures() {
    for (const auto& [controlId, bitmapId] : m_shownBitmaps) Draw(*Picture(controlId), bitmapId);
}

// Drawn afresh for every change and for the scale of the screen the window is on now; the
// control takes the picture's size, as a bitmap static does.
void QtAlarmWindow::Draw(QLabel& picture, int bitmapId) {
    const QPixmap pixmap = LoadPicture(bitmapId, picture.devicePixelRatioF());
    picture.setPixmap(pixmap);
    if (!pixmap.isNull()) picture.resize(pixmap.deviceIndependentSize().toSize());
    // Qt tells a screen reader of every name it is given, also of the same name again.
    const QString name = PictureDescription(bitmapId);
    if (picture.accessibleName() != name) picture.setAccessibleName(name);
}

// A screen reader hears the news as the window's accessible description changes: Qt's AT-SPI
// bridge passes that on (as a property change of the window), where it drops an alert.
void QtAlarmWindow::AlarmChanged(bool on) {
    Tell(QString::fromUtf8(on ? TXT_ALARM_ON : TXT_ALARM_OFF));
}

void QtAlarmWindow::AspectChanged(int aspect) {
    Tell(PictureDescription(IDB_SIGNAL_STOP + aspect));
}

void QtAlarmWindow::BrakeApplied() { Tell(QString::fromUtf8(TXT_EMERGENCY_BRAKE)); }

void QtAlarmWindow::Tell(const QString& news) {
    if (m_controls.window != nullptr) m_controls.window->setAccessibleDescription(news);
}

void QtAlarmWindow::SetStartCaption(std::string_view utf8Caption) {
    m_controls.start->setText(FromUtf8(utf8Caption));
}

ats::OptionStates QtAlarmWindow::ReadOptions() {
    return {m_controls.endless->isChecked(), m_controls.fullAuto->isChecked(),
            m_controls.ignoreSignal->isChecked(), m_controls.noOverlap->isChecked()};
}

void QtAlarmWindow::PlayWaveLoop(std::string_view fileName) {
    m_sounds.PlayWaveLoop(FromUtf8(fileName));
}

void QtAlarmWindow::StopWave() { m_sounds.StopWave(); }

// The bell player of this edition runs inside the program: the command line only says that
// a bell is wanted, and the bell wave is the one the Windows player loops.
void QtAlarmWindow::StartBellPlayer(std::string_view /*commandLine*/) {
    m_sounds.StartBellPlayer(QString::fromUtf8(TXT_BELL_WAVE));
}

void QtAlarmWindow::QuitBellPlayer() { m_sounds.QuitBellPlayer(); }

void QtAlarmWindow::PlayBrakeSound(std::string_view fileName) {
    m_sounds.PlayBrakeSound(FromUtf8(fileName));
}

void QtAlarmWindow::StopBrakeSound() { m_sounds.StopBrakeSound(); }

// Blocks the window's thread, as Sleep does: no click or tick is handled meanwhile. The sounds
// play on their own thread and go on.
void QtAlarmWindow::Wait(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

std::int32_t QtAlarmWindow::WindowHandle() {
    // X11 window ids fit in 32 bits.
    return static_cast<std::int32_t>(m_controls.window->winId());
}

void QtAlarmWindow::SeedRandom() { std::srand(static_cast<unsigned>(std::time(nullptr))); }

int QtAlarmWindow::Rand() { return std::rand(); }

int QtAlarmWindow::ShownBitmap(int controlId) const {
    const auto found = m_shownBitmaps.find(controlId);
    if (found == m_shownBitmaps.end() || Picture(controlId)->pixmap().isNull()) return 0;
    return found->second;
}

int QtAlarmWindow::TimerPeriod(int timerId) const {
    const auto found = m_timers.find(timerId);
    return found != m_timers.end() && found->second->isActive() ? found->second->interval() : 0;
}
