// orvaneats: the Linux edition of the ATS alarm simulation.
#include <QApplication>
#include <QIcon>

#include "alarm_dialog.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("orvaneats"));
    QApplication::setDesktopFileName(QStringLiteral("org.orvaneats.OrvaneATS"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/res/orvaneats_sizes.ico")));
    AlarmDialog dialog;
    dialog.exec();  // the program ends when the window closes
    return 0;
}
