// Starts the real window on the current display, drops a few files on its
// list through the list's drop path and saves pictures of the screen: the
// panel at its defaults, a run with the progress bar part-way, the rows'
// status after a run with one failed file, the window resized, the preview
// strip of a selected file, the strip and its play buttons while the result plays (into a
// timed fakesink, no sound card needed), and the panel with each extra normalisation mode
// chosen.
//   quillan_screenshot <output folder>
// Run it on a throw-away X server (scripts/screenshot uses Xvfb).

#include "TestFiles.h"
#include "WindowDrop.h"
#include "app/FrmMain.h"
#include "app/PlayButtons.h"
#include "controls/UC_Bar.h"
#include "controls/UC_Check.h"
#include "controls/UC_ListView.h"
#include "controls/UC_PathText.h"
#include "controls/UC_WaveStrip.h"
#include "engine/NormModes.h"
#include "platform/gui/EventPump.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHelpEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

// The run goes on a worker: the loop turns until it ends.
void WaitForRun(const app::FrmMain& window) {
    while (window.RunState() == 1)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void Settle(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

bool SaveScreen(const QWidget& window, const std::string& path) {
    QScreen* screen = window.screen();
    if (!screen) return false;
    QRect frame = window.frameGeometry();
    QPixmap shot = screen->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    bool ok = !shot.isNull() && shot.save(QString::fromStdString(path), "PNG");
    std::printf("%s %s\n", ok ? "wrote" : "could not write", path.c_str());
    return ok;
}

// A part of the window, pArea in its client coordinates.
bool SavePart(const QWidget& window, const QRect& pArea, const std::string& path) {
    QScreen* screen = window.screen();
    if (!screen) return false;
    const QPoint at = window.mapToGlobal(pArea.topLeft());
    QPixmap shot = screen->grabWindow(0, at.x(), at.y(), pArea.width(), pArea.height());
    bool ok = !shot.isNull() && shot.save(QString::fromStdString(path), "PNG");
    std::printf("%s %s\n", ok ? "wrote" : "could not write", path.c_str());
    return ok;
}

void ClickAt(QWidget* pWidget, QPoint pAt) {
    const QPointF at(pAt);
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, at, pWidget->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                          Qt::NoModifier);
        QApplication::sendEvent(pWidget, &event);
    }
}

void ClickCentre(QWidget* pWidget) {
    ClickAt(pWidget, QRectF(pWidget->rect()).center().toPoint());
}

// The tooltip of a row, as when the pointer rests on it.
void ShowRowTip(app::FrmMain& pWindow, int pRow) {
    QWidget* pane = pWindow.LV()->PictureList();
    const int rowPx = pWindow.LV()->OneHeight() / Px();
    const QPoint at(60, (pRow - pWindow.LV()->TopItem()) * rowPx + rowPx / 2);
    QHelpEvent help(QEvent::ToolTip, at, pane->mapToGlobal(at));
    QApplication::sendEvent(pane, &help);
}

// 0.8 s of quiet, 4 s of "syllables" (a 180 Hz tone with overtones under level bumps), 1 s of
// quiet: a take whose envelope shows its shape.
testfiles::Pcm16 SpokenLike() {
    testfiles::Pcm16 pcm;
    const int rate = pcm.sampleRate;
    const int lead = rate * 8 / 10, body = rate * 4, tail = rate;
    pcm.samples.assign(size_t(lead) * 2, 0);
    for (int i = 0; i < body; ++i) {
        const double t = double(i) / rate;
        const double syllable = std::pow(std::sin(3.1 * 3.14159265 * t), 2.0);
        const double phrase = 0.35 + 0.65 * std::sin(3.14159265 * t / 4.0);
        const double wave =
            std::sin(2 * 3.14159265 * 180 * t) + 0.4 * std::sin(2 * 3.14159265 * 540 * t + 0.5);
        const double v = 18000.0 * syllable * phrase * wave;
        pcm.samples.push_back(int16_t(std::lround(v)));
        pcm.samples.push_back(int16_t(std::lround(v * 0.8)));
    }
    pcm.samples.insert(pcm.samples.end(), size_t(tail) * 2, 0);
    return pcm;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: quillan_screenshot <output folder>\n");
        return 2;
    }
    fs::path outFolder = fs::absolute(argv[1]);
    fs::create_directories(outFolder);

    // A private settings store (the panel shows its defaults) and lock folder.
    testfiles::TempDir home;
    fs::create_directory(home.Path() / "config");
    fs::create_directory(home.Path() / "run");
    fs::permissions(home.Path() / "run", fs::perms::owner_all);
    setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (home / "run").c_str(), 1);
    fs::create_directory(home.Path() / "takes");
    fs::create_directory(home.Path() / "edited");

    const char* names[] = {"interview-part1", "interview-part2", "room-tone", "voice-over",
                           "outro"};
    const int tonesMs[] = {62000, 48500, 9000, 21250, 4800};
    std::vector<std::string> files;
    for (int i = 0; i < 5; ++i) {
        std::string path = home / ("takes/" + std::string(names[i]) + ".wav");
        testfiles::WriteWav16(
            path, testfiles::ToneWithSilence(700, tonesMs[i], int16_t(6000 + 2000 * i),
                                             i == 2 ? 48000 : 44100, int16_t(i == 3 ? 1 : 2)));
        files.push_back(path);
    }

    QApplication application(argc, argv);
    platform::InstallQtEventPump();
    app::FrmMain window;
    if (!window.Form_Load()) return 1;
    window.move(40, 40);
    Settle(500); // shown and exposed before the drop, as for a user
    testwindow::DropFiles(window, files);
    Settle(500);
    bool ok = SaveScreen(window, (outFolder / "quillan-window.png").string());

    window.Panel()->OutputTo()->SetText(QString::fromStdString(home / "edited"));
    bool shotTaken = false;
    QTimer watch;
    watch.setInterval(0);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (shotTaken || window.ProgBar()->Value() < 400) return;
        shotTaken = true;
        Settle(150);
        ok = SaveScreen(window, (outFolder / "quillan-run.png").string()) && ok;
        window.CtrButtons_ButtonClicked(1); // Abort: the picture is all we need
    });
    watch.start();
    window.CtrButtons_ButtonClicked(2);
    WaitForRun(window);
    watch.stop();

    // A whole run over the list with one file that is no audio at all.
    const std::string broken = home / "takes/notes.wav";
    std::ofstream(broken) << "take list: 1 interview, 2 room tone\n";
    testwindow::DropFiles(window, {broken});
    Settle(300);
    window.CtrButtons_ButtonClicked(2);
    WaitForRun(window);
    Settle(300);
    ShowRowTip(window, window.LV()->ItemCount() - 1);
    Settle(400);
    ok = SaveScreen(window, (outFolder / "quillan-status.png").string()) && ok;
    QToolTip::hideText();

    window.resize(760, 520);
    Settle(500);
    ok = SaveScreen(window, (outFolder / "quillan-resized.png").string()) && ok;
    window.resize(window.minimumSize());
    Settle(300);

    // The preview strip of a spoken-like take (syllables of a rising and falling level),
    // selected with margins, pointed at.
    const std::string spoken = home / "takes/announcement.wav";
    testfiles::WriteWav16(spoken, SpokenLike());
    testwindow::DropFiles(window, {spoken});
    window.Panel()->FieldOf(panel::TextField::StartMargin)->setText(QStringLiteral("250"));
    window.Panel()->FieldOf(panel::TextField::EndMargin)->setText(QStringLiteral("400"));
    const int rowPx = window.LV()->OneHeight() / Px();
    const int last = window.LV()->ItemCount() - 1;
    ClickAt(window.LV()->PictureList(), QPoint(60, last * rowPx + rowPx / 2));
    QElapsedTimer waited;
    waited.start();
    while (!window.Pane()->Gain() && waited.elapsed() < 20000)
        Settle(50);
    UC_WaveStrip* strip = window.Pane()->Strip();
    const QPoint pointed(strip->ColumnOf(44100 * 27 / 10), strip->height() / 2);
    QMouseEvent move(QEvent::MouseMove, QPointF(pointed), QPointF(strip->mapToGlobal(pointed)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(strip, &move);
    Settle(400);
    ok = SaveScreen(window, (outFolder / "quillan-preview.png").string()) && ok;
    QToolTip::hideText();

    // The same strip while its result plays, Play Result pressed while it has the keys: the
    // cursor 1.5 s into the kept range, Stop available.
    setenv("QUILLAN_AUDIO_SINK", "fakesink sync=true", 1);
    QToolButton* play = window.Pane()->Buttons()->ButtonOf(app::PreviewPlayer::What::Result);
    play->setFocus(Qt::TabFocusReason);
    play->click();
    waited.restart();
    while (strip->PlayCursor() < strip->Marks().Start + 44100 * 3 / 2 && waited.elapsed() < 5000)
        Settle(10);
    const QRect playing = strip->geometry().united(window.Pane()->Buttons()->geometry());
    ok = SavePart(window, playing.adjusted(-4, -4, 4, 4),
                  (outFolder / "quillan-playing.png").string()) &&
         ok;
    window.Pane()->Player()->Stop();

    for (size_t i = 4; i < kNormModeCount; ++i) {
        ClickCentre(window.Panel()->ModeBoxOf(NormMode(int(i))));
        Settle(300);
        std::string name(kNormModes[i].CliName);
        ok = SaveScreen(window, (outFolder / ("quillan-" + name + ".png")).string()) && ok;
    }
    window.close();
    return ok && shotTaken ? 0 : 1;
}
