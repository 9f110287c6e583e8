#pragma once
// Dropping files on the main window's list, as a file manager would; shared by the window
// tests and the screenshot tool.

#include "app/FrmMain.h"

#include <string>
#include <vector>

namespace testwindow {

// Drops local files on the file list, in order.
void DropFiles(app::FrmMain& window, const std::vector<std::string>& paths);

} // namespace testwindow
