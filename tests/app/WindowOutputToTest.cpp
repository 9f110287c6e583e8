// Output To in the real window: drops on it, the mark on a folder that is not there, the one
// question Start asks about it, and the box while OverWrite is on.

#include "WindowFixture.h"

#include "controls/UC_Bar.h"
#include "controls/UC_Check.h"
#include "controls/UC_ListView.h"
#include "controls/UC_PathText.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include <filesystem>

using namespace testwindow;
using testfiles::ToneWithSilence;
using testfiles::WriteBytes;
using testfiles::WriteWav16;
namespace fs = std::filesystem;
using Choice = app::FrmMain::MissingOutputChoice;

namespace {

void Activate(app::FrmMain& window) {
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
}

// Replaces what the box holds by typing, as the user does.
void TypeInto(QLineEdit* box, const std::string& text) {
    box->setFocus();
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClicks(box, QString::fromStdString(text));
}

class WindowOutputToTest : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        a = folderIn + "/a.wav";
        b = folderIn + "/b.wav";
        WriteWav16(a, ToneWithSilence(0, 100, 8000));
        WriteWav16(b, ToneWithSilence(0, 100, 8000));
    }
    // A window with a and b listed, Output To set to folder, and the question answered with
    // `answer` (counted in `asked`).
    std::unique_ptr<app::FrmMain> WindowAsking(const std::string& folder, Choice answer) {
        auto w = OpenWindow();
        w->SetMissingOutputQuestion([this, answer](const QString& shown) {
            ++asked;
            askedAbout = shown.toStdString();
            return answer;
        });
        w->Panel()->OutputTo()->SetText(QString::fromStdString(folder));
        DropFiles(*w, {a, b});
        return w;
    }
    std::string a, b;
    int asked = 0;
    std::string askedAbout;
};

} // namespace

TEST_F(WindowOutputToTest, AFolderDroppedOnTheBoxGivesItsPath) {
    auto w = OpenWindow();
    QLineEdit* box = w->Panel()->OutputTo()->TextBox();
    w->Panel()->OutputTo()->SetText("/before");
    QMimeData folder;
    SetLocalFiles(folder, {folderOut});
    const DropResult taken =
        DropOn(box, box->rect().center(), folder, Qt::CopyAction | Qt::MoveAction, Qt::MoveAction);
    EXPECT_TRUE(taken.Accepted);
    EXPECT_EQ(taken.Action, Qt::CopyAction);
    EXPECT_EQ(box->text().toStdString(), folderOut);
    EXPECT_FALSE(w->Panel()->OutputTo()->MarkedInvalid());

    // A file is no folder: refused, the text stays.
    QMimeData file;
    SetLocalFiles(file, {a});
    EXPECT_FALSE(DropOn(box, box->rect().center(), file, Qt::CopyAction, Qt::CopyAction).Accepted);
    EXPECT_EQ(box->text().toStdString(), folderOut);

    // OverWrite on: the box takes nothing.
    ClickCentre(w->Panel()->OverWriteBox());
    QMimeData other;
    SetLocalFiles(other, {folderIn});
    EXPECT_FALSE(DropOn(box, box->rect().center(), other, Qt::CopyAction, Qt::CopyAction).Accepted);
    EXPECT_EQ(box->text().toStdString(), folderOut);
    CloseWindow(w);
}

TEST_F(WindowOutputToTest, AFolderThatIsNotThereIsMarkedWhileTyped) {
    const fs::path userHome = home.Path() / "user";
    fs::create_directories(userHome / "relout");
    setenv("HOME", userHome.c_str(), 1);
    auto w = OpenWindow();
    Activate(*w);
    UC_PathText* path = w->Panel()->OutputTo();
    QLineEdit* box = path->TextBox();
    EXPECT_FALSE(path->MarkedInvalid()); // empty: beside the sources

    TypeInto(box, folderOut + "/nothere");
    EXPECT_TRUE(path->MarkedInvalid());
    EXPECT_NE(box->toolTip().toStdString().find(folderOut + "/nothere"), std::string::npos);
    QTest::keyClick(box, Qt::Key_Backspace); // ".../nother"
    EXPECT_TRUE(path->MarkedInvalid());

    TypeInto(box, folderOut);
    EXPECT_FALSE(path->MarkedInvalid());
    TypeInto(box, "relout"); // relative to the home folder
    EXPECT_FALSE(path->MarkedInvalid());
    TypeInto(box, folderIn + "/a.wav"); // a file is no folder
    EXPECT_TRUE(path->MarkedInvalid());

    // OverWrite does not use the box: no mark; off again, the mark is back.
    ClickCentre(w->Panel()->OverWriteBox());
    EXPECT_FALSE(path->MarkedInvalid());
    ClickCentre(w->Panel()->OverWriteBox());
    EXPECT_TRUE(path->MarkedInvalid());
    setenv("HOME", home.Path().c_str(), 1);
    CloseWindow(w);
}

TEST_F(WindowOutputToTest, StartAsksOnceAndCreateWritesEveryFileIntoTheNewFolder) {
    const std::string folder = folderOut + "/new/deeper";
    auto w = WindowAsking(folder, Choice::CreateFolder);
    EXPECT_TRUE(w->Panel()->OutputTo()->MarkedInvalid());
    StartAndWait(*w);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(askedAbout, folder);
    EXPECT_TRUE(fs::exists(folder + "/a.wav"));
    EXPECT_TRUE(fs::exists(folder + "/b.wav"));
    EXPECT_FALSE(w->Panel()->OutputTo()->MarkedInvalid());
    // The folder is there now: the next Start does not ask.
    StartAndWait(*w);
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(fs::exists(folder + "/a01.wav"));
    CloseWindow(w);
}

TEST_F(WindowOutputToTest, BesideTheSourcesWritesNumberedNamesAndMakesNoFolder) {
    const std::string folder = folderOut + "/typo";
    auto w = WindowAsking(folder, Choice::BesideSources);
    StartAndWait(*w);
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_TRUE(fs::exists(folderIn + "/a01.wav"));
    EXPECT_TRUE(fs::exists(folderIn + "/b01.wav"));
    EXPECT_EQ(w->RunState(), 0);
    CloseWindow(w);
}

TEST_F(WindowOutputToTest, CancelAndAFolderThatCannotBeMadeStartNothing) {
    const std::string folder = folderOut + "/typo";
    auto w = WindowAsking(folder, Choice::Cancel);
    w->ProgBar()->SetTextToDisp("old note");
    StartAndWait(*w);
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_EQ(std::distance(fs::directory_iterator(folderIn), fs::directory_iterator()), 2);
    EXPECT_EQ(w->ProgBar()->TextToDisp().toStdString(), "old note"); // nothing started
    CloseWindow(w);

    // Below a file no folder can be made: said in the bar, nothing written.
    const std::string blocked = folderIn + "/a.wav/out";
    auto w2 = WindowAsking(blocked, Choice::CreateFolder);
    StartAndWait(*w2);
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(w2->ProgBar()->TextToDisp().toStdString(), "Could not create " + blocked);
    EXPECT_EQ(std::distance(fs::directory_iterator(folderIn), fs::directory_iterator()), 2);
    EXPECT_EQ(w2->RunState(), 0);
    CloseWindow(w2);
}

TEST_F(WindowOutputToTest, WithOverWriteOnTheBoxIsGreyedAndTakesNoTyping) {
    auto w = OpenWindow();
    Activate(*w);
    UC_PathText* path = w->Panel()->OutputTo();
    QLineEdit* box = path->TextBox();
    int picked = 0;
    path->SetPickers(
        [&](const std::string&, const std::string&, QWidget*) {
            ++picked;
            return folderOut + "/";
        },
        nullptr);
    TypeInto(box, "/x");
    EXPECT_EQ(box->text().toStdString(), "/x");

    ClickCentre(w->Panel()->OverWriteBox());
    EXPECT_FALSE(box->isEnabled()); // drawn greyed
    for (Qt::Key key : {Qt::Key_A, Qt::Key_B})
        QTest::keyClick(w->windowHandle(), key);
    QTest::keyClicks(box, "abc");
    EXPECT_EQ(box->text().toStdString(), "/x");
    Click(path, path->ButtonArea().center());
    EXPECT_EQ(picked, 0);
    // With OverWrite on, Start never asks about the folder (the fixture fails if it does).
    DropFiles(*w, {a});
    StartAndWait(*w);
    EXPECT_EQ(w->RunState(), 0);

    ClickCentre(w->Panel()->OverWriteBox());
    EXPECT_TRUE(box->isEnabled());
    Click(path, path->ButtonArea().center());
    EXPECT_EQ(picked, 1);
    EXPECT_EQ(box->text().toStdString(), folderOut + "/");
    CloseWindow(w);
}
