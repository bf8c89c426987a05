// The application object: runs the main dialog and ends when it closes.
#ifndef ORVANE_SHELL_ALARM_APP_H
#define ORVANE_SHELL_ALARM_APP_H

#include "dialog.h"

class CAlarmApp : public wnd::CWinApp {
public:
    BOOL InitInstance() override;
};

#endif
