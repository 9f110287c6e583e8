#pragma once
// Dropping files on the main window's list, as a file manager would (drag enter, then the
// drop, as real events); shared by the window tests and the screenshot tool.

#include "app/FrmMain.h"

#include <QMimeData>
#include <QPoint>

#include <string>
#include <vector>

class QWidget;

namespace testwindow {

struct DropResult {
    bool Entered = false;  // the target took the drag when it came in
    bool Accepted = false; // the target took the drop
    Qt::DropAction Action = Qt::IgnoreAction;
};

// A drag of mime coming in at `at` of target and dropped there (with `mods` held); the drop
// only when the target took the drag.
DropResult DropOn(QWidget* target, QPoint at, const QMimeData& mime, Qt::DropActions possible,
                  Qt::DropAction proposed, Qt::KeyboardModifiers mods = Qt::NoModifier);

// Local files as a file manager offers them.
void SetLocalFiles(QMimeData& mime, const std::vector<std::string>& paths);

// Drops local files (or folders) on the file list, in order, offered as copy or move with
// copy proposed, and Ctrl held so that a file named twice makes two rows.
DropResult DropFiles(app::FrmMain& window, const std::vector<std::string>& paths);

} // namespace testwindow
