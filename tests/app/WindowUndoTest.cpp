// OverWrite through the real window keeps each original (the private Trash or a backup folder),
// writes the run's journal, and Ctrl+Z puts the originals back.

#include "WindowFixture.h"
#include "app/OriginalsButton.h"

#include "controls/UC_Bar.h"
#include "controls/UC_Check.h"
#include "controls/UC_ListView.h"
#include "platform/core/Trash.h"
#include "services/core/RunJournal.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QTest>

#include <filesystem>
#include <map>

using namespace testwindow;
using testfiles::ReadBytes;
using testfiles::ToneWithSilence;
using testfiles::WriteWav16;
namespace fs = std::filesystem;

namespace {

class WindowUndoTest : public WindowTest {
  protected:
    // Sources of 1.1 s each (0.5 s of tone) in the input folder, with their bytes.
    std::map<std::string, std::string> Sources(std::initializer_list<const char*> names) {
        std::map<std::string, std::string> bytes;
        for (const char* name : names) {
            const std::string path = folderIn + "/" + name;
            WriteWav16(path, ToneWithSilence(300, 500, 8000));
            bytes[path] = ReadBytes(path);
        }
        return bytes;
    }

    std::unique_ptr<app::FrmMain> OpenOverWriting(const std::map<std::string, std::string>& files) {
        auto w = OpenWindow();
        if (w->Panel()->OverWriteBox()->Value() == 0) ClickCentre(w->Panel()->OverWriteBox());
        std::vector<std::string> paths;
        for (const auto& [path, bytes] : files)
            paths.push_back(path);
        DropFiles(*w, paths);
        w->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(w.get()));
        return w;
    }

    // Ctrl+Z with the list focused, as the user presses it.
    static void PressUndo(app::FrmMain& w) {
        w.LV()->setFocus();
        QTest::keyClick(w.windowHandle(), Qt::Key_Z, Qt::ControlModifier);
    }

    // Opens the originals menu with Space and picks the item of mnemonic `key`.
    static void ChooseByKeys(app::FrmMain& w, Qt::Key key) {
        w.Originals()->setFocus(Qt::TabFocusReason);
        QTimer::singleShot(0, [key] {
            QWidget* popup = QApplication::activePopupWidget();
            if (!popup) return ADD_FAILURE() << "the originals menu did not open";
            QTest::keyClick(popup, key);
        });
        QTest::keyClick(w.windowHandle(), Qt::Key_Space);
    }

    static std::string Status(app::FrmMain& w) { return w.ProgBar()->TextToDisp().toStdString(); }
    static std::string Tip(app::FrmMain& w, int row) { return w.LV()->ItemTip(row).toStdString(); }

    std::vector<results::JournalEntry> LatestJournal() {
        std::string error;
        return results::ReadJournal(results::LatestJournal(home / "state/quillan/runs"), error);
    }

    std::string TrashedBytes(const std::string& source) {
        const std::string name = fs::path(source).filename().string();
        return ReadBytes(home / ("data/Trash/files/" + name));
    }
};

} // namespace

TEST_F(WindowUndoTest, OverWriteTrashesTheOriginalsAndCtrlZPutsBackThoseUnchangedSince) {
    const auto originals = Sources({"a.wav", "b.wav", "c.wav"});
    auto w = OpenOverWriting(originals);
    EXPECT_EQ(w->Originals()->text().toStdString(), "Originals: Trash");
    app::FrmMain* win = w.get();
    bool undoDuringRun = true;
    WhenReady during([win] { return win->RunState() == 1; },
                     [&] { undoDuringRun = win->UndoAction()->isEnabled(); });
    StartAndWait(*w);
    EXPECT_FALSE(undoDuringRun);
    EXPECT_TRUE(w->UndoAction()->isEnabled());

    // Each source is replaced, its original in the private Trash with its .trashinfo, and the
    // run's journal names them all.
    const std::vector<results::JournalEntry> journal = LatestJournal();
    ASSERT_EQ(journal.size(), 3u);
    int row = 0;
    for (const auto& [path, bytes] : originals) {
        EXPECT_NE(ReadBytes(path), bytes);
        EXPECT_EQ(TrashedBytes(path), bytes);
        const std::string name = fs::path(path).filename().string();
        EXPECT_NE(ReadBytes(home / ("data/Trash/info/" + name + ".trashinfo"))
                      .find("\nPath=" + platform::TrashPathText(path)),
                  std::string::npos);
        EXPECT_EQ(journal[size_t(row)].Source, path);
        EXPECT_EQ(Tip(*w, row++), "done: the source was replaced; its original is in the Trash");
    }
    EXPECT_EQ(Cell(*w, 0, app::FileColumn::Length), "000'00.500");

    // In a text field Ctrl+Z undoes the typing, not the run.
    QLineEdit* margin = w->Panel()->FieldOf(panel::TextField::StartMargin);
    margin->setFocus();
    QTest::keyClicks(margin, "5");
    QTest::keyClick(w->windowHandle(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(margin->text().toStdString(), "0");
    EXPECT_EQ(Status(*w), "3 done, 0 failed");
    EXPECT_NE(ReadBytes(folderIn + "/a.wav"), originals.at(folderIn + "/a.wav"));

    // c.wav is edited after the run: Ctrl+Z leaves it alone and says so.
    const std::string c = folderIn + "/c.wav";
    WriteWav16(c, ToneWithSilence(0, 200, 100));
    const std::string editedSince = ReadBytes(c);
    PressUndo(*w);
    EXPECT_EQ(Status(*w), "Restored 2 originals; 1 result changed since, left alone: c.wav");
    EXPECT_EQ(ReadBytes(folderIn + "/a.wav"), originals.at(folderIn + "/a.wav"));
    EXPECT_EQ(ReadBytes(folderIn + "/b.wav"), originals.at(folderIn + "/b.wav"));
    EXPECT_EQ(ReadBytes(c), editedSince);
    EXPECT_EQ(TrashedBytes(c), originals.at(c));                   // still in the Trash
    EXPECT_EQ(Cell(*w, 0, app::FileColumn::Length), "000'01.100"); // read again
    EXPECT_EQ(w->LV()->IconType(0), int32_t(LVIcon::Wave));

    // A second undo finds nothing to do and touches nothing.
    PressUndo(*w);
    EXPECT_EQ(Status(*w), "Nothing to undo: 2 originals are back already; 1 result changed "
                          "since, left alone: c.wav");
    EXPECT_EQ(ReadBytes(folderIn + "/a.wav"), originals.at(folderIn + "/a.wav"));
    EXPECT_EQ(ReadBytes(c), editedSince);
    CloseWindow(w);
}

TEST_F(WindowUndoTest, AnOriginalsChoiceDuringARunCountsFromTheNextFile) {
    const auto originals = Sources({"a.wav", "b.wav"});
    const std::string a = folderIn + "/a.wav", b = folderIn + "/b.wav";
    auto w = OpenOverWriting(originals);
    app::FrmMain* win = w.get();
    WhenReady choose(
        [win] { return win->LV()->SelectedItem() == 0 && win->ProgBar()->Value() > 0; },
        [win] { win->Originals()->Choose(results::KeepOriginal::None); });
    StartAndWait(*w);
    ASSERT_TRUE(choose.Done());
    EXPECT_EQ(TrashedBytes(a), originals.at(a));
    EXPECT_NE(ReadBytes(b), originals.at(b));
    EXPECT_FALSE(fs::exists(home / "data/Trash/files/b.wav"));
    CloseWindow(w);
}

TEST_F(WindowUndoTest, BackupCopiesIntoTheChosenFolderAndTheChoiceOutlivesTheWindow) {
    const auto originals = Sources({"take.wav"});
    const std::string take = originals.begin()->first;
    const std::string backup = home / "backup";
    fs::create_directory(backup);
    auto w = OpenOverWriting(originals);
    std::vector<std::string> asked;
    w->Originals()->SetFolderPicker([&](QWidget*, const std::string& start) {
        asked.push_back(start);
        return backup + "/";
    });
    ChooseByKeys(*w, Qt::Key_B);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0], QDir::homePath().toStdString());
    EXPECT_EQ(w->Originals()->text().toStdString(), "Originals: Backup");
    StartAndWait(*w);
    const std::string copy = backup + take; // the folder mirrors the absolute path
    EXPECT_EQ(ReadBytes(copy), originals.at(take));
    EXPECT_NE(ReadBytes(take), originals.at(take));
    EXPECT_EQ(Tip(*w, 0), "done: the source was replaced; its original is backed up as " + copy);
    EXPECT_FALSE(fs::exists(home / "data/Trash/files/take.wav"));
    CloseWindow(w);

    // The next window keeps the choice; Ctrl+Z copies the backup back.
    w = OpenOverWriting({});
    EXPECT_EQ(w->Originals()->text().toStdString(), "Originals: Backup");
    EXPECT_EQ(w->Originals()->Rule().BackupDir, backup);
    PressUndo(*w);
    EXPECT_EQ(Status(*w), "Restored 1 original");
    EXPECT_EQ(ReadBytes(take), originals.at(take));

    // A backup folder that cannot be made: the source stays, the row says why.
    fs::remove_all(backup);
    testfiles::WriteBytes(backup, "a file where the folder was");
    DropFiles(*w, {take});
    StartAndWait(*w);
    EXPECT_EQ(ReadBytes(take), originals.at(take));
    EXPECT_EQ(Tip(*w, 0).rfind("failed: the source was not replaced (the original "
                               "could not be backed up: cannot create the backup folder ",
                               0),
              0u)
        << Tip(*w, 0);

    // Escape leaves the menu without a change; the Trash is chosen back by its letter.
    ChooseByKeys(*w, Qt::Key_Escape);
    EXPECT_EQ(w->Originals()->text().toStdString(), "Originals: Backup");
    ChooseByKeys(*w, Qt::Key_T);
    CloseWindow(w);
    w = OpenWindow();
    EXPECT_EQ(w->Originals()->text().toStdString(), "Originals: Trash");
    CloseWindow(w);
}
