// Filling the list from folders, the file dialog and the list's context menu, in the real
// window.

#include "WindowFixture.h"

#include "controls/UC_Bar.h"
#include "controls/UC_ListView.h"
#include "controls/UC_PathText.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QTest>

#include <filesystem>

using namespace testwindow;
using testfiles::ToneWithSilence;
using testfiles::WriteBytes;
using testfiles::WriteWav16;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> Titles(app::FrmMain& window) {
    std::vector<std::string> titles;
    for (int32_t i = 0; i < window.LV()->ItemCount(); ++i)
        titles.push_back(Cell(window, i, app::FileColumn::Title));
    return titles;
}

std::string Status(app::FrmMain& window) {
    return window.ProgBar()->TextToDisp().toStdString();
}

void Activate(app::FrmMain& window) {
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
}

class WindowAddFilesTest : public WindowTest {
  protected:
    std::string Wav(const std::string& relative) {
        const fs::path path = fs::path(folderIn) / relative;
        fs::create_directories(path.parent_path());
        WriteWav16(path.string(), ToneWithSilence(0, 50, 8000));
        return path.string();
    }
};

} // namespace

TEST_F(WindowAddFilesTest, ADroppedFolderAddsItsWavFilesInNameOrderAsACopy) {
    Wav("take10.wav");
    Wav("take2.wav");
    Wav("sub/take1.wav");
    Wav("LOUD.WAV");
    WriteBytes(folderIn + "/notes.txt", "x");
    auto w = OpenWindow();
    // Offered as copy or move with move proposed (a shift-drag): the list copies.
    QMimeData mime;
    SetLocalFiles(mime, {folderIn});
    const DropResult result = DropOn(w->LV()->PictureList(), QPoint(7, 7), mime,
                                     Qt::CopyAction | Qt::MoveAction, Qt::MoveAction);
    EXPECT_TRUE(result.Accepted);
    EXPECT_EQ(result.Action, Qt::CopyAction);
    EXPECT_EQ(Titles(*w), (std::vector<std::string>{"take1", "take2", "take10"}));
    EXPECT_EQ(w->LV()->AuxID(0, app::kPathAux).Text().toStdString(), folderIn + "/sub/take1.wav");
    EXPECT_TRUE(fs::exists(folderIn + "/take2.wav")); // the source keeps its files
    CloseWindow(w);
}

TEST_F(WindowAddFilesTest, AMoveOnlyDragIsRefusedAndAnEmptyDropIsNotReportedAsTaken) {
    const std::string a = Wav("a.wav");
    WriteBytes(folderIn + "/b.mp3", "x");
    WriteBytes(folderIn + "/c.WAV", "x");
    fs::create_directory(folderIn + "/empty");
    auto w = OpenWindow();

    QMimeData moveOnly;
    SetLocalFiles(moveOnly, {a});
    const DropResult moved =
        DropOn(w->LV()->PictureList(), QPoint(7, 7), moveOnly, Qt::MoveAction, Qt::MoveAction);
    EXPECT_FALSE(moved.Entered);
    EXPECT_FALSE(moved.Accepted);

    QMimeData text;
    text.setText("a.wav");
    EXPECT_FALSE(
        DropOn(w->LV()->PictureList(), QPoint(7, 7), text, Qt::CopyAction, Qt::CopyAction).Entered);
    EXPECT_EQ(w->LV()->ItemCount(), 0);

    // Files, but nothing the list takes: refused, and the bar says why.
    for (const auto& paths : std::vector<std::vector<std::string>>{
             {folderIn + "/b.mp3", folderIn + "/c.WAV"}, {folderIn + "/empty"}}) {
        const DropResult none = DropFiles(*w, paths);
        EXPECT_TRUE(none.Entered);
        EXPECT_FALSE(none.Accepted);
        EXPECT_EQ(Status(*w), "Nothing added: no .wav files");
    }
    EXPECT_EQ(w->LV()->ItemCount(), 0);

    // The next drop that adds something is taken and clears the note.
    const DropResult taken = DropFiles(*w, {folderIn + "/b.mp3", a});
    EXPECT_TRUE(taken.Accepted);
    EXPECT_EQ(taken.Action, Qt::CopyAction);
    EXPECT_EQ(w->LV()->ItemCount(), 1);
    EXPECT_EQ(Status(*w), "");
    CloseWindow(w);
}

TEST_F(WindowAddFilesTest, CtrlOOpensTheDialogAnywhereInTheWindowAndAddsWhatIsChosen) {
    const std::string a = Wav("a.wav");
    const std::string b = Wav("deeper/b.wav");
    auto w = OpenWindow();
    std::vector<std::string> startFolders;
    std::vector<std::string> answer = {b, a, folderIn + "/none.txt"};
    w->SetFilesPicker([&](QWidget* owner, const std::string& start) {
        EXPECT_EQ(owner, w.get());
        startFolders.push_back(start);
        return answer;
    });
    Activate(*w);

    w->LV()->setFocus();
    QTest::keyClick(w->windowHandle(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(Titles(*w), (std::vector<std::string>{"b", "a"}));

    // From the Output To box as well; a cancelled dialog adds nothing and says nothing.
    answer.clear();
    w->Panel()->OutputTo()->TextBox()->setFocus();
    QTest::keyClick(w->windowHandle(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(w->LV()->ItemCount(), 2);
    EXPECT_EQ(Status(*w), "");
    ASSERT_EQ(startFolders.size(), 2u);
    EXPECT_EQ(startFolders[0], QDir::homePath().toStdString()); // nothing listed yet
    EXPECT_EQ(startFolders[1], folderIn);                       // where the last row's file is
    CloseWindow(w);
}

TEST_F(WindowAddFilesTest, TheListsContextMenuAddsFilesAndRemovesTheSelection) {
    const std::string a = Wav("a.wav");
    auto w = OpenWindow();
    int asked = 0;
    w->SetFilesPicker([&](QWidget*, const std::string&) {
        ++asked;
        return std::vector<std::string>{a, a};
    });
    Activate(*w);
    QWidget* rows = w->LV()->PictureList();
    auto openMenu = [&] {
        QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, QPoint(20, 10),
                                    rows->mapToGlobal(QPoint(20, 10)));
        QApplication::sendEvent(rows, &menuEvent);
        QMenu* menu = w->ListMenu();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(menu));
        return menu;
    };

    QMenu* menu = openMenu();
    ASSERT_TRUE(menu->isVisible());
    EXPECT_FALSE(menu->actions().at(1)->isEnabled()); // no selection to remove
    QTest::keyClick(menu, Qt::Key_Down);
    ASSERT_EQ(menu->activeAction(), w->AddFilesAction());
    QTest::keyClick(menu, Qt::Key_Return);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(w->LV()->ItemCount(), 2);
    EXPECT_FALSE(menu->isVisible());

    w->LV()->SetIsSelected(0, 1);
    menu = openMenu();
    ASSERT_TRUE(menu->actions().at(1)->isEnabled());
    QTest::keyClick(menu, Qt::Key_Down);
    QTest::keyClick(menu, Qt::Key_Down);
    QTest::keyClick(menu, Qt::Key_Return);
    EXPECT_EQ(w->LV()->ItemCount(), 1);
    EXPECT_EQ(asked, 1);
    CloseWindow(w);
}
