// orvaneats: the Linux edition of the ATS alarm simulation.
#include <QApplication>
#include <QIcon>

#include "alarm_dialog.h"
#include "release_facts.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // The application name is the class of the window's WM_CLASS on X11, which the desktop
    // entry names as its StartupWMClass; on Wayland the window's app id is the entry's name.
    // Either ties the window to its launcher and icon in docks and task bars.
    QApplication::setApplicationName(QStringLiteral("orvaneats"));
    QApplication::setDesktopFileName(QStringLiteral(ORVANE_APP_ID));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/res/orvaneats_sizes.ico")));
    AlarmDialog dialog;
    dialog.exec();  // the program ends when the window closes
    return 0;
}
