#pragma once
// A real main window under the offscreen platform, with its own settings
// store and runtime folder, and helpers that click its controls.

#include "TestFiles.h"
#include "WindowDrop.h"
#include "app/FileColumns.h"
#include "app/FrmMain.h"

#include <gtest/gtest.h>

#include <QPoint>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QWidget;

namespace testwindow {

// The one application object of the test process.
void EnsureApplication();

// Left press and release at a point of a widget (pixels).
void Click(QWidget* widget, QPoint at);
void ClickCentre(QWidget* widget);
// Presses one button of the window's button strip: 0 Clear, 1 Abort, 2 Start.
void PressButton(app::FrmMain& window, int index);
// Returns once no run is going, the event loop turning meanwhile (a run that outlasts a
// minute fails the test).
void WaitForRunEnd(app::FrmMain& window);
// Presses Start and waits for the run it began, if any.
void StartAndWait(app::FrmMain& window);
// The list's cell text.
std::string Cell(app::FrmMain& window, int row, app::FileColumn column);

// Calls `action` once from the event loop as soon as `ready` holds, while a
// run (or anything else that yields) is going on.
class WhenReady {
  public:
    WhenReady(std::function<bool()> ready, std::function<void()> action);
    bool Done() const { return done_; }

  private:
    std::function<bool()> ready_;
    std::function<void()> action_;
    QTimer timer_;
    bool done_ = false;
};

class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Creates and loads a window on the fixture's settings store.
    std::unique_ptr<app::FrmMain> OpenWindow();
    // The same with folderOut as the output folder and the files dropped on the list.
    std::unique_ptr<app::FrmMain> OpenWindowOutputting(const std::vector<std::string>& files);
    // Closes the window the way the user does.
    void CloseWindow(std::unique_ptr<app::FrmMain>& window);

    testfiles::TempDir home;
    std::string folderIn;
    std::string folderOut;
};

} // namespace testwindow
