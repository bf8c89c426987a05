// The alarm core's window, made of Qt widgets, timers and the sound thread.
#ifndef ORVANE_LINUX_QT_ALARM_WINDOW_H
#define ORVANE_LINUX_QT_ALARM_WINDOW_H

#include <QString>
#include <functional>
#include <map>
#include <memory>

#include "alarm_window.h"

class QAbstractButton;
class QLabel;
class QTimer;
class QWidget;
class SoundOutput;

class QtAlarmWindow : public ats::AlarmWindow {
public:
    // The controls the core reaches, by what they are.
    struct Controls {
        QWidget* window = nullptr;
        QLabel* signal = nullptr;
        QLabel* panel = nullptr;
        QAbstractButton* start = nullptr;
        QAbstractButton* endless = nullptr;
        QAbstractButton* fullAuto = nullptr;
        QAbstractButton* ignoreSignal = nullptr;
        QAbstractButton* noOverlap = nullptr;
    };
    using TickHandler = std::function<void(int timerId)>;

    QtAlarmWindow(Controls controls, SoundOutput& sounds, TickHandler onTick);
    ~QtAlarmWindow() override;
    QtAlarmWindow(const QtAlarmWindow&) = delete;
    QtAlarmWindow& operator=(const QtAlarmWindow&) = delete;

    void SetTimer(int timerId, int milliseconds) override;
    void KillTimer(int timerId) override;
    void ShowBitmap(int controlId, int bitmapId) override;
    void SetStartCaption(std::string_view utf8Caption) override;
    void AlarmChanged(bool on) override;
    void AspectChanged(int aspect) override;
    void BrakeApplied() override;
    ats::OptionStates ReadOptions() override;
    void PlayWaveLoop(std::string_view fileName) override;
    void StopWave() override;
    void StartBellPlayer(std::string_view commandLine) override;
    void QuitBellPlayer() override;
    void PlayBrakeSound(std::string_view fileName) override;
    void StopBrakeSound() override;
    void Wait(int milliseconds) override;
    std::int32_t WindowHandle() override;
    void SeedRandom() override;
    int Rand() override;

    // Draws both pictures again for the display scale they are on now.
    void RedrawPictures();

    // What the window shows and runs, for its tests: the bitmap id in a picture (0 for none)
    // and the period of an armed timer (0 when not armed).
    int ShownBitmap(int controlId) const;
    int TimerPeriod(int timerId) const;

private:
    QLabel* Picture(int controlId) const;
    static void Draw(QLabel& picture, int bitmapId);
    void Tell(const QString& news);

    Controls m_controls;
    SoundOutput& m_sounds;
    TickHandler m_onTick;
    std::map<int, std::unique_ptr<QTimer>> m_timers;
    std::map<int, int> m_shownBitmaps;  // by picture control, as the core asked
};

#endif
