#include "app/FrmMain.h"
#include "platform/gui/EventPump.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quillan"));
    QApplication::setDesktopFileName(QStringLiteral("quillan"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/quillan.png")));
    platform::InstallQtEventPump();

    app::FrmMain window;
    // A second instance ends quietly.
    if (!window.Form_Load()) return 0;
    return application.exec();
}
