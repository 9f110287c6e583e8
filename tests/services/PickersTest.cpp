#include "services/ui/Pickers.h"
#include "services/ui/Fonts.h"

#include "ServicesTestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

using foundation_test::WriteBytes;
using testsupport::TempFolder;

TEST(PickerInputs, FolderStartAndTitle) {
    auto request = FolderPickRequest("/data/", "", "/cwd");
    EXPECT_EQ(request.StartFolder, "/data");
    EXPECT_EQ(FolderPickRequest("/", "t", "/cwd").StartFolder, "/");
    EXPECT_EQ(request.Title, "フォルダを選択してください");
    request = FolderPickRequest("/srv/audio/", "Output", "/cwd");
    EXPECT_EQ(request.StartFolder, "/srv/audio");
    EXPECT_EQ(request.Title, "Output");
    EXPECT_EQ(FolderPickRequest("   ", "t", "/cwd").StartFolder, "/cwd");
    EXPECT_EQ(FolderPickRequest("", "t", "/cwd").StartFolder, "/cwd");
}

TEST(PickerInputs, TheDefaultTitleIsEnglishOnASystemThatIsNotJapanese) {
    const int32_t saved = LangMode;
    LangMode = 1;
    EXPECT_EQ(FolderPickRequest("/data/", "", "/cwd").Title, "Choose a folder");
    EXPECT_EQ(FolderPickRequest("/data/", "Output", "/cwd").Title, "Output");
    LangMode = 0;
    EXPECT_EQ(FolderPickRequest("/data/", "", "/cwd").Title, "フォルダを選択してください");
    LangMode = saved;
}

TEST(PickerInputs, ChosenFolderEndsWithOneSeparator) {
    EXPECT_EQ(FolderPickResult(std::nullopt), "");
    EXPECT_EQ(FolderPickResult(std::string()), "");
    EXPECT_EQ(FolderPickResult(std::string("/srv/audio/out")), "/srv/audio/out/");
    EXPECT_EQ(FolderPickResult(std::string("/")), "/");
    EXPECT_EQ(FolderPickResult(std::string("/data/out/")), "/data/out/");
    // A backslash is part of a folder's name here, not a separator.
    EXPECT_EQ(FolderPickResult(std::string("/data/out\\")), "/data/out\\/");
}

TEST(PickerInputs, DefaultFlagsFollowOpenOrSave) {
    const auto save = FilePickRequest(1, "", "/in", "take.wav", -1);
    EXPECT_TRUE(save.Save);
    EXPECT_TRUE(save.ConfirmOverwrite);
    EXPECT_FALSE(save.MustExist);
    const auto open = FilePickRequest(0, "", "/in", "", -1);
    EXPECT_FALSE(open.Save);
    EXPECT_FALSE(open.ConfirmOverwrite);
    EXPECT_TRUE(open.MustExist);
    const auto plain = FilePickRequest(1, "", "", "", 0);
    EXPECT_FALSE(plain.ConfirmOverwrite);
    EXPECT_FALSE(plain.MustExist);
    const auto explicitBits = FilePickRequest(0, "", "", "", 0x1002);
    EXPECT_TRUE(explicitBits.ConfirmOverwrite);
    EXPECT_TRUE(explicitBits.MustExist);
}

TEST(PickerInputs, FilterPairsAndNames) {
    const auto request =
        FilePickRequest(0, "WAVファイル|*.wav|Sound|*.wav; *.mp3|dangling", "/in", "", -1);
    ASSERT_EQ(request.Filters.size(), 2u);
    EXPECT_EQ(platform::FileDialogFilterText(request.Filters[0]), "WAVファイル (*.wav)");
    EXPECT_EQ(platform::FileDialogFilterText(request.Filters[1]), "Sound (*.wav *.mp3)");
    EXPECT_TRUE(FilePickRequest(0, "", "", "", -1).Filters.empty());

    const std::string longName(300, 'n');
    EXPECT_EQ(FilePickRequest(1, "", "", longName, -1).FileName, longName);
    EXPECT_EQ(FilePickResult(std::nullopt), "");
    EXPECT_EQ(FilePickResult(std::string("/in/take.wav")), "/in/take.wav");
}

// The real dialogs, answered from a timer while they run modally.
namespace {

template <class T> T* ActiveModal() {
    return qobject_cast<T*>(QApplication::activeModalWidget());
}

// Polls until a modal T is up, then hands it to act. A dialog that never
// shows up within ten seconds has every open dialog rejected, so that a
// failing test ends instead of waiting forever.
template <class T> void WhenModal(std::function<void(T*)> pAct) {
    auto* timer = new QTimer(qApp);
    auto* waited = new int(0);
    QObject::connect(timer, &QTimer::timeout, [timer, waited, act = std::move(pAct)] {
        if (T* widget = ActiveModal<T>()) {
            timer->stop();
            timer->deleteLater();
            delete waited;
            act(widget);
        } else if (++*waited > 500) {
            timer->stop();
            timer->deleteLater();
            delete waited;
            ADD_FAILURE() << "no modal dialog appeared";
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* dialog = qobject_cast<QDialog*>(w)) dialog->reject();
        }
    });
    timer->start(20);
}

// The dialog leaves its name box alone while the box has the focus, and the
// focus arrives whenever the platform gets to it; take it away first so that
// the choice always lands.
void Choose(QFileDialog* pDialog, const std::string& pPath) {
    if (QWidget* focused = pDialog->focusWidget()) focused->clearFocus();
    pDialog->selectFile(QString::fromStdString(pPath));
}

class PickerDialogs : public ::testing::Test {
  protected:
    void SetUp() override { testsupport::TestApp(); }
    TempFolder m_Root;
};

} // namespace

TEST_F(PickerDialogs, FolderDialogOpensOnTheStartFolderAndAddsTheSeparator) {
    std::filesystem::create_directory(m_Root / "out");
    QString shownFolder;
    WhenModal<QFileDialog>([&](QFileDialog* pDialog) {
        shownFolder = pDialog->directory().absolutePath();
        Choose(pDialog, m_Root / "out");
        static_cast<QDialog*>(pDialog)->accept();
    });
    EXPECT_EQ(PickFolder(m_Root.path() + "/", "", nullptr), m_Root / "out/");
    EXPECT_EQ(shownFolder.toStdString(), m_Root.path());

    WhenModal<QFileDialog>([](QFileDialog* pDialog) { pDialog->reject(); });
    EXPECT_EQ(PickFolder(m_Root.path(), "", nullptr), "");
}

TEST_F(PickerDialogs, SaveDialogAsksBeforeOverwriting) {
    WriteBytes(m_Root / "take.wav", "x");
    bool asked = false;
    WhenModal<QFileDialog>([&](QFileDialog* pDialog) {
        Choose(pDialog, m_Root / "take.wav");
        WhenModal<QMessageBox>([&](QMessageBox* pBox) {
            asked = true;
            pBox->button(QMessageBox::Yes)->click();
        });
        static_cast<QDialog*>(pDialog)->accept();
    });
    EXPECT_EQ(PickFile(nullptr, 1, "WAV|*.wav", m_Root.path(), "", -1), m_Root / "take.wav");
    EXPECT_TRUE(asked);
}

TEST_F(PickerDialogs, OpenDialogWantsAnExistingFile) {
    WriteBytes(m_Root / "there.wav", "x");
    bool refused = false;
    WhenModal<QFileDialog>([&](QFileDialog* pDialog) {
        Choose(pDialog, m_Root / "missing.wav");
        WhenModal<QMessageBox>([&](QMessageBox* pBox) {
            refused = true;
            pBox->accept();
        });
        static_cast<QDialog*>(pDialog)->accept();
        EXPECT_TRUE(pDialog->isVisible());
        Choose(pDialog, m_Root / "there.wav");
        static_cast<QDialog*>(pDialog)->accept();
    });
    EXPECT_EQ(PickFile(nullptr, 0, "", m_Root.path(), "", -1), m_Root / "there.wav");
    EXPECT_TRUE(refused);
}
