// Multi-file runs through the real window: what the user may change while a run is going,
// and where results go for relative output folders and unusual file names.

#include "WindowFixture.h"

#include "controls/UC_Bar.h"
#include "controls/UC_Check.h"
#include "controls/UC_ListView.h"
#include "controls/UC_PathText.h"
#include "controls/UC_Slider.h"

#include <QLineEdit>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <optional>

using namespace testwindow;
using testfiles::Pcm16;
using testfiles::PeakOf;
using testfiles::ReadWav16;
using testfiles::ToneWithSilence;
using testfiles::WriteWav16;
namespace fs = std::filesystem;

namespace {

// Sets an environment variable for the scope and puts the old value back.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }

  private:
    const char* name_;
    std::optional<std::string> old_;
};

// Runs the scope in another current folder.
class ScopedCwd {
  public:
    explicit ScopedCwd(const fs::path& to) : old_(fs::current_path()) { fs::current_path(to); }
    ~ScopedCwd() { fs::current_path(old_); }

  private:
    fs::path old_;
};

// Peak of a full-scale-relative level in dB, as a 16-bit sample value.
double PeakAt(double db) {
    return 32767.0 * std::pow(10.0, db / 20.0);
}

std::vector<std::string> Titles(app::FrmMain& w) {
    std::vector<std::string> titles;
    for (int i = 0; i < w.LV()->ItemCount(); ++i)
        titles.push_back(Cell(w, i, app::FileColumn::Title));
    return titles;
}

void ClickTitleHeader(app::FrmMain& w) {
    QWidget* header = w.LV()->PictureTab();
    Click(header, QPoint(header->width() / 8, header->height() / 2));
}

bool InFirstFile(app::FrmMain* w) {
    return w->LV()->SelectedItem() == 0 && w->ProgBar()->Value() > 0;
}

} // namespace

TEST_F(WindowTest, HeaderClickDuringARunLeavesTheRowOrderAndEveryFileRunsOnce) {
    // Dropped out of title order, so a sort would move the row in hand.
    const std::vector<std::string> names = {"c", "a", "b", "e", "d"};
    std::vector<std::string> files;
    for (const std::string& n : names) {
        files.push_back(folderIn + "/" + n + ".wav");
        WriteWav16(files.back(), ToneWithSilence(200, 3000, 8000));
    }
    auto w = OpenWindowOutputting(files);
    app::FrmMain* win = w.get();
    int clicks = 0;
    std::vector<std::string> orderSeen;
    WhenReady sortNow([win] { return InFirstFile(win); },
                      [win, &clicks, &orderSeen] {
                          ClickTitleHeader(*win);
                          win->LV()->PictureTab_MouseUp(1, 0, 300, 100); // and once more
                          clicks += 2;
                          orderSeen = Titles(*win);
                      });
    StartAndWait(*w);
    ASSERT_TRUE(sortNow.Done());
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(orderSeen, names);
    EXPECT_EQ(Titles(*w), names);
    for (const std::string& n : names) {
        EXPECT_TRUE(fs::exists(folderOut + "/" + n + ".wav")) << n;
        EXPECT_FALSE(fs::exists(folderOut + "/" + n + "01.wav")) << n << " ran twice";
    }

    // Idle again: the header sorts.
    ClickTitleHeader(*w);
    EXPECT_EQ(Titles(*w), (std::vector<std::string>{"a", "b", "c", "d", "e"}));
    CloseWindow(w);
}

TEST_F(WindowTest, PanelChangesDuringARunCountFromTheNextFileExceptTheStartValues) {
    // Silence, a quiet lead-in (about -41 dB), a tone at about -12 dB, silence.
    Pcm16 pcm = ToneWithSilence(500, 0, 0);
    const Pcm16 quiet = ToneWithSilence(0, 500, 300);
    const Pcm16 loud = ToneWithSilence(0, 2000, 8000);
    pcm.samples.insert(pcm.samples.end(), quiet.samples.begin(), quiet.samples.end());
    pcm.samples.insert(pcm.samples.end(), loud.samples.begin(), loud.samples.end());
    pcm.samples.insert(pcm.samples.end(), size_t(22050 * 2), 0);
    const std::string a = folderIn + "/a.wav";
    const std::string b = folderIn + "/b.wav";
    WriteWav16(a, pcm);
    WriteWav16(b, pcm);
    const std::string folderOut2 = home / "out2";
    fs::create_directory(folderOut2);

    auto w = OpenWindowOutputting({a, b});
    w->Panel()->SliderOf(panel::Slider::NormLevel)->SetValue(-6); // normalize to a -6 dB peak
    app::FrmMain* win = w.get();
    WhenReady change([win] { return InFirstFile(win); },
                     [win, folderOut2] {
                         // Read once at Start: these must not reach b.
                         win->Panel()->FieldOf(panel::TextField::StartMargin)->setText("250");
                         win->Panel()->SliderOf(panel::Slider::NormLevel)->SetValue(-12);
                         ClickCentre(win->Panel()->ModeBoxOf(NormMode::RmsMax)); // RMS(Max)
                         // Read per file: these must reach b.
                         win->Panel()->SliderOf(panel::Slider::TrimIn)->SetValue(-30);
                         win->Panel()->SliderOf(panel::Slider::Adjust)->SetValue(-6);
                         win->Panel()->OutputTo()->SetText(QString::fromStdString(folderOut2));
                     });
    StartAndWait(*w);
    ASSERT_TRUE(change.Done());
    ASSERT_EQ(w->Panel()->ModeBoxOf(NormMode::RmsMax)->Value(), 1);

    // a: the quiet lead-in and the tone, peak at -6 dB.
    const Pcm16 outA = ReadWav16(folderOut + "/a.wav");
    ASSERT_FALSE(outA.samples.empty());
    EXPECT_NEAR(double(outA.Frames()), 22050.0 + 88200.0, 10.0);
    EXPECT_NEAR(double(PeakOf(outA)), PeakAt(-6), 20.0);

    // b: into the new folder; the -30 dB start threshold drops the lead-in, and no start
    // margin comes back; peak -6 dB by the peak mode, then -6 dB Level Adjust.
    EXPECT_FALSE(fs::exists(folderOut + "/b.wav"));
    const Pcm16 outB = ReadWav16(folderOut2 + "/b.wav");
    ASSERT_FALSE(outB.samples.empty());
    EXPECT_NEAR(double(outB.Frames()), 88200.0, 10.0);
    EXPECT_NEAR(double(PeakOf(outB)), PeakAt(-12), 20.0);
    CloseWindow(w);
}

TEST_F(WindowTest, RelativeOutputToIsAFolderOfTheHomeFolder) {
    const fs::path userHome = home.Path() / "user";
    const fs::path elsewhere = home.Path() / "cwd";
    fs::create_directories(userHome / "relout");
    fs::create_directories(elsewhere / "relout");
    ScopedEnv homeVar("HOME", userHome.string());
    ScopedCwd cwd(elsewhere);

    const std::string take = folderIn + "/take.wav";
    WriteWav16(take, ToneWithSilence(100, 500, 8000));
    auto w = OpenWindow();
    w->Panel()->OutputTo()->SetText("relout");
    DropFiles(*w, {take});
    StartAndWait(*w);
    EXPECT_NEAR(double(ReadWav16((userHome / "relout" / "take.wav").string()).Frames()), 22050.0,
                5.0);
    EXPECT_TRUE(fs::is_empty(elsewhere / "relout"));
    EXPECT_FALSE(fs::exists(elsewhere / "relout\\take.wav"));
    EXPECT_FALSE(fs::exists(userHome / "relout\\take.wav"));

    // "~/relout" names the same folder; the next result is numbered there.
    w->Panel()->OutputTo()->SetText("~/relout");
    StartAndWait(*w);
    EXPECT_TRUE(fs::exists(userHome / "relout" / "take01.wav"));
    EXPECT_FALSE(fs::exists(folderIn + "/take01.wav"));
    CloseWindow(w);
}

TEST_F(WindowTest, ABackslashIsPartOfTheFileName) {
    const std::string odd = folderIn + "/x\\y.wav";
    WriteWav16(odd, ToneWithSilence(100, 500, 8000));
    auto w = OpenWindowOutputting({odd});
    ASSERT_EQ(w->LV()->ItemCount(), 1);
    EXPECT_EQ(Cell(*w, 0, app::FileColumn::Title), "x\\y");
    StartAndWait(*w);
    EXPECT_NEAR(double(ReadWav16(folderOut + "/x\\y.wav").Frames()), 22050.0, 5.0);
    EXPECT_FALSE(fs::exists(folderOut + "/y.wav"));

    // Beside the source: the numbered name keeps the backslash too.
    w->Panel()->OutputTo()->SetText("");
    StartAndWait(*w);
    EXPECT_NEAR(double(ReadWav16(folderIn + "/x\\y01.wav").Frames()), 22050.0, 5.0);
    EXPECT_FALSE(fs::exists(folderIn + "/y01.wav"));
    CloseWindow(w);
}
