#include "app/AddedFiles.h"
#include "app/FrmMain.h"
#include "app/InstanceLink.h"
#include "platform/gui/EventPump.h"
#include "services/core/WindowUsage.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#ifndef QUILLAN_VERSION
#define QUILLAN_VERSION "unknown"
#endif

int main(int argc, char** argv) {
    // Answered before the toolkit starts: these need no display.
    switch (WindowStartOf(std::vector<std::string>(argv + std::min(argc, 1), argv + argc))) {
    case WindowStart::Help:
        std::fputs(WindowUsageText().c_str(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    case WindowStart::Version:
        std::printf("quillan %s\n", QUILLAN_VERSION);
        return std::fflush(stdout) == 0 ? 0 : 1;
    case WindowStart::Open:
        break;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quillan"));
    QApplication::setDesktopFileName(QStringLiteral("quillan"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/quillan.png")));
    platform::InstallQtEventPump();

    // Made absolute before loading changes the current folder.
    const std::vector<std::string> files =
        app::PathsFromArguments(QApplication::arguments().mid(1), QDir::currentPath());

    app::FrmMain window;
    if (!window.Form_Load()) {
        // Another instance runs: it takes the files and comes to the front.
        if (app::InstanceLink::SendToRunning(files)) return 0;
        std::fputs("quillan: another instance is running but does not answer\n", stderr);
        return 1;
    }
    if (!files.empty())
        QTimer::singleShot(0, &window, [&window, files] { window.AddPaths(files); });
    return application.exec();
}
