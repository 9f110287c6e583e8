// A second start hands its files to the running window: in process through a second lock
// and link, and as a second run of the program itself.

#include "WindowFixture.h"

#include "app/InstanceLink.h"
#include "app/InstanceLock.h"
#include "controls/UC_ListView.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QLocalSocket>
#include <QProcess>

#include <filesystem>

using namespace testwindow;
using testfiles::ToneWithSilence;
using testfiles::WriteBytes;
using testfiles::WriteWav16;
namespace fs = std::filesystem;

namespace {

// Lets the event loop run until `done` holds; false when it did not within a minute (a
// failure bound, not a pace the test relies on).
bool RunUntil(const std::function<bool()>& done) {
    const QDeadlineTimer deadline(60000);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    }
    return true;
}

class SecondStartTest : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        a = folderIn + "/a.wav";
        b = folderIn + "/sub/b.wav";
        fs::create_directories(folderIn + "/sub");
        WriteWav16(a, ToneWithSilence(0, 50, 8000));
        WriteWav16(b, ToneWithSilence(0, 50, 8000));
    }
    std::string a, b;
};

} // namespace

TEST_F(SecondStartTest, ASecondLockAndLinkInProcessHandTheirFilesOver) {
    auto w = OpenWindow();
    ASSERT_TRUE(w->Link().IsListening());
    constexpr int kRepeats = 300;
    for (int i = 0; i < kRepeats; ++i) {
        app::InstanceLock second;
        ASSERT_FALSE(second.Acquire());
        // A start without files only raises the window; the one after it brings two.
        if (i % 3 == 0) {
            ASSERT_TRUE(app::InstanceLink::SendToRunning({}));
        }
        ASSERT_TRUE(app::InstanceLink::SendToRunning({b, a}));
        ASSERT_TRUE(RunUntil([&] { return w->LV()->ItemCount() >= 2; }));
        QApplication::processEvents();
        ASSERT_EQ(w->LV()->ItemCount(), 2);
        EXPECT_EQ(Cell(*w, 0, app::FileColumn::Title), "b");
        EXPECT_EQ(Cell(*w, 1, app::FileColumn::Title), "a");
        w->LV()->DeleteAll(); // a file already listed would not be added again
    }
    CloseWindow(w);
}

TEST_F(SecondStartTest, AMinimisedWindowComesBackAndStrangeMessagesAreDropped) {
    auto w = OpenWindow();
    w->showMinimized();
    ASSERT_TRUE(w->isMinimized());
    // Bytes that are no message of ours, and a message cut short, change nothing.
    for (const QByteArray& bytes :
         {QByteArray("hello\0/x.wav\0\0", 14), app::InstanceLink::Encode({a}).chopped(1)}) {
        QLocalSocket socket;
        socket.connectToServer(app::InstanceLink::SocketPath());
        ASSERT_TRUE(socket.waitForConnected(10000));
        socket.write(bytes);
        ASSERT_TRUE(socket.waitForBytesWritten(10000));
        socket.disconnectFromServer();
    }
    // Relative paths are no file of another start.
    ASSERT_TRUE(app::InstanceLink::SendToRunning({"a.wav", b}));
    ASSERT_TRUE(RunUntil([&] { return w->LV()->ItemCount() > 0; }));
    QApplication::processEvents();
    EXPECT_EQ(w->LV()->ItemCount(), 1);
    EXPECT_EQ(Cell(*w, 0, app::FileColumn::Title), "b");
    EXPECT_FALSE(w->isMinimized());
    CloseWindow(w);
}

TEST_F(SecondStartTest, ASocketLeftByADeadInstanceIsReplacedAndTheNextWindowListens) {
    WriteBytes(app::InstanceLink::SocketPath().toStdString(), "left behind");
    auto w = OpenWindow();
    EXPECT_TRUE(w->Link().IsListening());
    CloseWindow(w);
    EXPECT_FALSE(fs::exists(app::InstanceLink::SocketPath().toStdString()));
    // Nobody listens now: a later start gives up instead of waiting for ever.
    EXPECT_FALSE(app::InstanceLink::SendToRunning({a}, 200));
    auto next = OpenWindow();
    EXPECT_TRUE(next->Link().IsListening());
    CloseWindow(next);
}

TEST_F(SecondStartTest, TheProgramStartedAgainHandsItsArgumentsToTheRunningWindow) {
    auto w = OpenWindow();
    constexpr int kRepeats = 12;
    for (int i = 0; i < kRepeats; ++i) {
        QProcess second;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        second.setProcessEnvironment(env);
        // Relative to where it was started: the program changes its folder while loading.
        second.setWorkingDirectory(QString::fromStdString(folderIn));
        second.start(QUILLAN_PROGRAM, {"a.wav", "sub", "missing.wav"});
        ASSERT_TRUE(second.waitForStarted(60000));
        ASSERT_TRUE(RunUntil([&] { return second.state() == QProcess::NotRunning; }));
        EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().toStdString();
        ASSERT_TRUE(RunUntil([&] { return w->LV()->ItemCount() >= 2; }));
        QApplication::processEvents();
        ASSERT_EQ(w->LV()->ItemCount(), 2);
        EXPECT_EQ(w->LV()->AuxID(0, app::kPathAux).Text().toStdString(), a);
        EXPECT_EQ(w->LV()->AuxID(1, app::kPathAux).Text().toStdString(), b);
        w->LV()->DeleteAll(); // a file already listed would not be added again
    }
    CloseWindow(w);
}
