// Times the window's own code paths against the layers underneath:
//   drop:  FrmMain::AddFiles of 1000 WAV files   vs GetAudioInfo of the same files
//   run:   Start over 200 short files           vs EditWave on the same files
//   step:  the same run                         vs the file step (EditWave, result placed)
// Runs offscreen (no screen needed). Prints medians and ratios.
//   bench_app [repeats]

#include "WavGen.h"
#include "app/FrmMain.h"
#include "app/PanelValues.h"
#include "controls/UC_ListView.h"
#include "controls/UC_PathText.h"
#include "engine/C_EditWave.h"
#include "media/FCT_AudioInf.h"
#include "platform/gui/EventPump.h"
#include "services/job/FileStep.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Wall time and the process's CPU time of one piece of work. On a busy
// machine the CPU time is the steadier figure.
struct Timing {
    double Wall = 0;
    double Cpu = 0;
};

double CpuNow() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

Timing Seconds(const std::function<void()>& work) {
    auto start = std::chrono::steady_clock::now();
    double cpuStart = CpuNow();
    work();
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
            CpuNow() - cpuStart};
}

double Median(const std::vector<Timing>& timings, double Timing::*field) {
    std::vector<double> v;
    for (const Timing& t : timings)
        v.push_back(t.*field);
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

std::vector<std::string> MakeFiles(const fs::path& folder, int count, double seconds) {
    fs::create_directories(folder);
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i) {
        WavGenOptions o;
        o.Seconds = seconds;
        o.LeadSilence = 0.2;
        o.TailSilence = 0.2;
        o.Seed = uint32_t(i + 1);
        std::string path = (folder / ("take" + std::to_string(i) + ".wav")).string();
        if (!GenerateWav(path, o)) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            std::exit(1);
        }
        paths.push_back(path);
    }
    return paths;
}

void EmptyFolder(const fs::path& folder) {
    fs::remove_all(folder);
    fs::create_directories(folder);
}

void Report(const char* name, const std::vector<Timing>& window,
            const std::vector<Timing>& baseline) {
    for (auto [label, field] : {std::pair{"wall", &Timing::Wall}, std::pair{"cpu", &Timing::Cpu}}) {
        double w = Median(window, field);
        double b = Median(baseline, field);
        std::printf("%-5s %-4s  window %9.2f ms   baseline %9.2f ms   ratio %.2f\n", name, label,
                    w * 1e3, b * 1e3, w / b);
    }
}

// Runs the event loop until the window's run ends (RunFinished); exits when it does not.
void WaitForRunEnd(app::FrmMain& pWindow) {
    if (pWindow.RunState() == 0) return;
    QEventLoop loop;
    QObject::connect(&pWindow, &app::FrmMain::RunFinished, &loop, &QEventLoop::quit);
    QTimer::singleShot(std::chrono::minutes(5), &loop, [] {
        std::fprintf(stderr, "bench_app: the window's run did not end in 5 minutes\n");
        std::exit(1);
    });
    loop.exec();
}

} // namespace

int main(int argc, char** argv) {
    int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    fs::path root = fs::temp_directory_path() / ("quillan-bench-app-" + std::to_string(getpid()));
    fs::create_directories(root);
    // Keep the user's settings and lock out of the way.
    setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
    fs::create_directories(root / "run");
    fs::permissions(root / "run", fs::perms::owner_all);
    setenv("XDG_RUNTIME_DIR", (root / "run").c_str(), 1);

    QApplication application(argc, argv);
    platform::InstallQtEventPump();
    app::FrmMain window;
    if (!window.Form_Load()) return 1;
    // The window's questions answered as a user would: a message box offscreen waits forever.
    window.SetClearQuestion([](int32_t) { return true; });
    window.SetMissingOutputQuestion(
        [](const QString&) { return app::FrmMain::MissingOutputChoice::CreateFolder; });
    QTimer modalWatch;
    QObject::connect(&modalWatch, &QTimer::timeout, [] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            std::fprintf(stderr, "bench_app: a dialog waits for an answer: %s\n",
                         box->windowTitle().toLocal8Bit().constData());
            std::exit(1);
        }
    });
    modalWatch.start(1000);

    std::vector<std::string> dropFiles = MakeFiles(root / "drop", 1000, 0.5);
    std::vector<std::string> runFiles = MakeFiles(root / "runin", 200, 1.0);
    fs::path out = root / "out";
    window.Panel()->OutputTo()->SetText(QString::fromStdString(out.string()));

    std::vector<Timing> dropWindow, dropBase, runWindow, runBase, runStep;
    for (int r = 0; r < repeats; ++r) {
        window.CtrButtons_ButtonClicked(0);
        dropWindow.push_back(Seconds([&] { window.AddFiles(dropFiles, -1); }));
        dropBase.push_back(Seconds([&] {
            for (const auto& f : dropFiles)
                (void)GetAudioInfo(f);
        }));

        window.CtrButtons_ButtonClicked(0);
        window.AddFiles(runFiles, -1);
        const panel::PanelSettings settings = window.ReadPanel();
        const std::string folder = window.OutputFolderOf(settings);
        auto windowRun = [&] {
            EmptyFolder(out);
            runWindow.push_back(Seconds([&] {
                window.CtrButtons_ButtonClicked(2); // returns at once: the run is on a worker
                WaitForRunEnd(window);
            }));
        };
        auto engineRun = [&] {
            EmptyFolder(out);
            runBase.push_back(Seconds([&] {
                for (const auto& f : runFiles) {
                    EditJob edit = panel::PanelJob(settings, settings);
                    edit.SourcePath = f;
                    edit.TargetPath = job::NameInFolder(folder, f);
                    C_EditWave().Edit(edit);
                }
            }));
        };
        // The step the window's run gives each file (as quillan-batch does): the engine into a
        // work file, the result checked, flushed and placed under its name, the folder flushed.
        auto stepRun = [&] {
            EmptyFolder(out);
            runStep.push_back(Seconds([&] {
                for (const auto& f : runFiles) {
                    job::StepRequest q;
                    q.Job = panel::PanelJob(settings, settings);
                    q.Job.SourcePath = f;
                    q.Target.Where = job::Placement::OutputFolder;
                    q.Target.Wanted = job::NameInFolder(folder, f);
                    (void)job::RunFileStep(q);
                }
            }));
        };
        // Rotate the order so that no side always meets a warm or cold cache.
        const std::function<void()> order[] = {windowRun, engineRun, stepRun};
        for (int i = 0; i < 3; ++i)
            order[(r + i) % 3]();
    }
    std::printf("quillan window bench, %d repeats (medians)\n", repeats);
    std::printf("run: baseline EditWave alone; step: baseline the file step (EditWave, result "
                "flushed and placed)\n");
    Report("drop", dropWindow, dropBase);
    Report("run", runWindow, runBase);
    Report("step", runWindow, runStep);

    window.CtrButtons_ButtonClicked(0);
    window.close();
    fs::remove_all(root);
    return 0;
}
