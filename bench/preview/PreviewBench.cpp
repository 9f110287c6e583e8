// Times the preview strip through the real window, offscreen:
//   select:  a click on the row of a 10-minute file until its picture, marks and gain show
//            (the file is touched before each repeat, so each one reads it)
//   step:    a slider step (Start threshold) until the marks and text are drawn again
//   range:   a new start margin in RMS(Average) until the gain of the new range shows
//   hour:    a one-hour file until its first envelope shows, and until it is complete
//   check:   the baseline, the engine's level check of the 10-minute file (its first pass)
// Prints medians in milliseconds.
//   bench_preview [repeats]

#include "WavGen.h"
#include "app/FrmMain.h"
#include "controls/UC_Check.h"
#include "controls/UC_ListView.h"
#include "controls/UC_Slider.h"
#include "controls/UC_WaveStrip.h"
#include "engine/C_EditWave.h"
#include "platform/gui/EventPump.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double MsSince(Clock::time_point pStart) {
    return std::chrono::duration<double, std::milli>(Clock::now() - pStart).count();
}

double Median(std::vector<double> pV) {
    std::sort(pV.begin(), pV.end());
    return pV[pV.size() / 2];
}

void WaitFor(const std::function<bool()>& pDone) {
    while (!pDone())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
}

void Click(QWidget* pW, QPoint pAt) {
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent e(type, QPointF(pAt), QPointF(pW->mapToGlobal(pAt)), Qt::LeftButton,
                      type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                      Qt::NoModifier);
        QApplication::sendEvent(pW, &e);
    }
}

void Key(QWidget* pW, Qt::Key pKey) {
    QKeyEvent press(QEvent::KeyPress, pKey, Qt::NoModifier);
    QApplication::sendEvent(pW, &press);
}

QPoint RowPoint(app::FrmMain& pW, int pRow) {
    const int one = pW.LV()->OneHeight();
    return QPoint(40, (pRow * one + one / 2) / Px());
}

std::string Make(const fs::path& pFolder, const char* pName, double pSeconds) {
    WavGenOptions o;
    o.Seconds = pSeconds;
    o.LeadSilence = 2.0;
    o.TailSilence = 3.0;
    const std::string path = (pFolder / pName).string();
    if (!GenerateWav(path, o)) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(1);
    }
    return path;
}

} // namespace

int main(int argc, char** argv) {
    const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    const fs::path home =
        fs::temp_directory_path() / ("quillan-bench-preview-" + std::to_string(::getpid()));
    fs::create_directories(home / "config");
    fs::create_directories(home / "run");
    fs::permissions(home / "run", fs::perms::owner_all);
    setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (home / "run").c_str(), 1);
    const std::string tenMinutes = Make(home, "ten-minutes.wav", 595.0);
    const std::string hour = Make(home, "hour.wav", 3595.0);
    const std::string other = Make(home, "short.wav", 1.0);

    QApplication application(argc, argv);
    platform::InstallQtEventPump();
    {
        app::FrmMain w;
        if (!w.Form_Load()) return 1;
        w.AddFiles({tenMinutes, other, hour}, -1);
        QWidget* rows = w.LV()->PictureList();

        std::vector<double> select;
        for (int i = 0; i < repeats; ++i) {
            Click(rows, RowPoint(w, 1));
            WaitFor([&] { return w.Pane()->Gain().has_value(); });
            // A new stamp: the next selection reads the file again.
            fs::last_write_time(tenMinutes, fs::file_time_type::clock::now());
            const auto start = Clock::now();
            Click(rows, RowPoint(w, 0));
            WaitFor([&] { return w.Pane()->Path() == tenMinutes && w.Pane()->Gain().has_value(); });
            select.push_back(MsSince(start));
        }

        std::vector<double> step;
        UC_Slider* threshold = w.Panel()->SliderOf(panel::Slider::TrimIn);
        for (int i = 0; i < repeats * 4; ++i) {
            const int64_t draws = w.Pane()->Strip()->DrawCount();
            const auto start = Clock::now();
            Key(threshold, i % 2 == 0 ? Qt::Key_PageUp : Qt::Key_PageDown);
            WaitFor([&] { return w.Pane()->Strip()->DrawCount() > draws && w.Pane()->Gain(); });
            step.push_back(MsSince(start));
        }

        Click(w.Panel()->ModeBoxOf(NormMode::RmsAverage), QPoint(10, 8)); // RMS(Average)
        WaitFor([&] { return w.Pane()->Gain().has_value(); });
        std::vector<double> range;
        for (int i = 0; i < repeats; ++i) {
            const auto start = Clock::now();
            // Every new margin moves the range: a new range pass.
            w.Panel()
                ->FieldOf(panel::TextField::StartMargin)
                ->setText(QString::number(10 * (i + 1)));
            WaitFor([&] { return w.Pane()->Gain().has_value(); });
            range.push_back(MsSince(start));
        }

        std::vector<double> firstPart, whole;
        for (int i = 0; i < std::max(1, repeats / 3); ++i) {
            Click(rows, RowPoint(w, 1));
            WaitFor([&] { return w.Pane()->Gain().has_value(); });
            fs::last_write_time(hour, fs::file_time_type::clock::now());
            const auto start = Clock::now();
            Click(rows, RowPoint(w, 2));
            WaitFor([&] { return w.Pane()->Strip()->Envelope().BucketsDone > 0; });
            firstPart.push_back(MsSince(start));
            WaitFor([&] { return w.Pane()->Gain().has_value(); });
            whole.push_back(MsSince(start));
        }
        // The baseline: the engine's level check of the same file (its first pass alone).
        std::vector<double> check;
        for (int i = 0; i < repeats; ++i) {
            EditJob job;
            job.SourcePath = tenMinutes;
            job.Check = LevelCheck::MeasureOnly;
            C_EditWave edit;
            const auto start = Clock::now();
            edit.Edit(job);
            check.push_back(MsSince(start));
        }
        std::printf("engine level check of the 10-minute file (baseline):  %8.1f ms\n",
                    Median(check));
        std::printf("select 10-minute file -> picture with marks and gain: %8.1f ms (%.2f x)\n",
                    Median(select), Median(select) / Median(check));
        std::printf("slider step -> marks and text redrawn:                %8.2f ms\n",
                    Median(step));
        std::printf("new margin in RMS(Average) -> new gain (range pass):   %8.1f ms\n",
                    Median(range));
        std::printf("select 1-hour file -> first envelope:                  %8.1f ms\n",
                    Median(firstPart));
        std::printf("select 1-hour file -> whole picture with gain:         %8.1f ms\n",
                    Median(whole));
        w.close();
    }
    fs::remove_all(home);
    return 0;
}
