#include "WindowFixture.h"

#include "controls/UC_Buttons.h"
#include "controls/UC_ListView.h"
#include "controls/UC_PathText.h"
#include "engine/C_EditWave.h"
#include "platform/gui/EventPump.h"

#include <QApplication>
#include <QEventLoop>
#include <QMouseEvent>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace testwindow {

void EnsureApplication() {
    static int argc = 1;
    static char name[] = "test_app";
    static char* argv[] = {name, nullptr};
    static QApplication* application = [] {
        auto* a = new QApplication(argc, argv);
        platform::InstallQtEventPump();
        return a;
    }();
    (void)application;
}

void Click(QWidget* widget, QPoint at) {
    QPointF local(at);
    QPointF global(widget->mapToGlobal(at));
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

void ClickCentre(QWidget* widget) {
    Click(widget, widget->rect().center());
}

void PressButton(app::FrmMain& window, int index) {
    UC_Buttons* strip = window.CtrButtons();
    int x = strip->ButtonLeft(index) + strip->ButtonWidth() / 2;
    int y = strip->ButtonHeight() / 2;
    Click(strip, QPoint(x, y));
}

void WaitForRunEnd(app::FrmMain& window) {
    if (window.RunState() == 0) return;
    QEventLoop loop;
    QObject::connect(&window, &app::FrmMain::RunFinished, &loop, &QEventLoop::quit);
    QTimer::singleShot(60000, &loop, [&loop] {
        ADD_FAILURE() << "the run did not end";
        loop.quit();
    });
    loop.exec();
}

void StartAndWait(app::FrmMain& window) {
    PressButton(window, 2);
    WaitForRunEnd(window);
}

std::string Cell(app::FrmMain& window, int row, app::FileColumn column) {
    return window.LV()->Value(row, app::ColumnIndex(column)).Text().toStdString();
}

WhenReady::WhenReady(std::function<bool()> ready, std::function<void()> action)
    : ready_(std::move(ready)), action_(std::move(action)) {
    timer_.setInterval(0);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
        if (done_ || !ready_()) return;
        done_ = true;
        timer_.stop();
        action_();
    });
    timer_.start();
}

namespace {
// Turns of the GUI thread's event loop, counted by a timer that fires on every turn.
std::atomic<int> g_loopTurns{0};

void CountLoopTurns() {
    static QTimer* counter = nullptr;
    if (counter) return;
    counter = new QTimer;
    counter->setInterval(0);
    QObject::connect(counter, &QTimer::timeout, [] { ++g_loopTurns; });
    counter->start();
}

// Waits until the window's loop has turned pTurns times (at most until pDeadline).
void WaitForLoopTurns(int pTurns, std::chrono::steady_clock::time_point pDeadline) {
    const int until = g_loopTurns + pTurns;
    while (g_loopTurns < until && std::chrono::steady_clock::now() < pDeadline)
        std::this_thread::sleep_for(std::chrono::microseconds(200));
}

// The engine, holding each file once at its first progress until the window has taken the
// outcomes of the files before (it takes them at most every 15 ms) and its events a few times
// after that: the worker may finish a short file between two turns of the loop, and a test
// acting "during a file" must see it in hand. Never holds longer than 10 s.
EditResult PacedEdit(const EditJob& job, const C_EditWave::Progress& progress) {
    bool held = false;
    return C_EditWave().Edit(job, [&](float rate) {
        const bool stop = progress(rate); // the window hears of it before the hold
        if (!held && rate > 0) {
            held = true;
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            WaitForLoopTurns(3, deadline);
        }
        return stop;
    });
}
} // namespace

void WindowTest::SetUp() {
    std::filesystem::create_directory(home.Path() / "config");
    std::filesystem::create_directory(home.Path() / "run");
    std::filesystem::permissions(home.Path() / "run", std::filesystem::perms::owner_all);
    setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (home / "run").c_str(), 1);
    // Replaced originals and run journals stay in the test's own folder.
    setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
    setenv("XDG_STATE_HOME", (home / "state").c_str(), 1);
    EnsureApplication();
    CountLoopTurns();
    folderIn = home / "in";
    folderOut = home / "out";
    std::filesystem::create_directory(folderIn);
    std::filesystem::create_directory(folderOut);
}

void WindowTest::TearDown() {
    QApplication::processEvents();
}

std::unique_ptr<app::FrmMain> WindowTest::OpenWindow() {
    auto window = std::make_unique<app::FrmMain>();
    // A test that opens a dialog without answering it would hang in its modal loop.
    window->SetFilesPicker([](QWidget*, const std::string&) {
        ADD_FAILURE() << "the file dialog opened";
        return std::vector<std::string>();
    });
    window->SetMissingOutputQuestion([](const QString& folder) {
        ADD_FAILURE() << "Start asked about " << folder.toStdString();
        return app::FrmMain::MissingOutputChoice::Cancel;
    });
    window->SetClearQuestion([](int32_t) { return true; }); // Clear's question answered yes
    window->SetStepEdit(&PacedEdit);

    EXPECT_TRUE(window->Form_Load());
    return window;
}

std::unique_ptr<app::FrmMain>
WindowTest::OpenWindowOutputting(const std::vector<std::string>& files) {
    auto window = OpenWindow();
    window->Panel()->OutputTo()->SetText(QString::fromStdString(folderOut));
    DropFiles(*window, files);
    return window;
}

void WindowTest::CloseWindow(std::unique_ptr<app::FrmMain>& window) {
    window->close();
    QApplication::processEvents();
    window.reset();
}

} // namespace testwindow
