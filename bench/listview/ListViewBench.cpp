// Speed of the list control with long lists: filling, sorting by a text column
// and drawing, each beside a plain baseline measured in the same run.
//   QT_QPA_PLATFORM=offscreen build/bench/listview/bench_listview
#include "controls/UC_ListView.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

namespace {

QApplication& App() {
    static int argc = 1;
    static char name[] = "bench_listview";
    static char* argv[] = {name, nullptr};
    static auto* app = new QApplication(argc, argv);
    return *app;
}

// Row texts like those of the file list: a title, a length and a format.
std::array<QString, 3> RowTexts(int i) {
    const int key = int((uint32_t(i) * 2654435761u) % 1000003u);
    return {QString("Take %1 final").arg(key),
            QString("%1'%2.500").arg(i % 999, 3, 10, QChar('0')).arg(i % 60, 2, 10, QChar('0')),
            QString("wav(44100Hz/16bit/Stereo)")};
}

std::unique_ptr<UC_ListView> NewList() {
    App();
    auto lv = std::make_unique<UC_ListView>();
    lv->SetNumData(3);
    lv->SetNumAux(1);
    lv->SetUseUCBar(true);
    lv->SetOneHeight();
    lv->Init();
    for (int c = 0; c < 3; ++c)
        lv->SetTabWidth(c, 2400);
    lv->resize(600, 400);
    lv->UserControl_Resize();
    return lv;
}

void Fill(UC_ListView& lv, int n) {
    for (int i = 0; i < n; ++i) {
        const auto texts = RowTexts(i);
        lv.AddItem(1);
        lv.SetIconType(-2, 1);
        lv.SetAuxID(-2, 0, QString("/music/%1.wav").arg(i));
        for (int c = 0; c < 3; ++c)
            lv.SetValue(-2, c, texts[size_t(c)]);
    }
}

void BM_Baseline_FillVector(benchmark::State& state) {
    const int n = int(state.range(0));
    for (auto _ : state) {
        std::vector<std::array<QString, 4>> rows;
        for (int i = 0; i < n; ++i) {
            const auto texts = RowTexts(i);
            rows.push_back({texts[0], texts[1], texts[2], QString("/music/%1.wav").arg(i)});
        }
        benchmark::DoNotOptimize(rows.data());
    }
    state.counters["rows"] = n;
}

void BM_AddItem(benchmark::State& state) {
    const int n = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto lv = NewList();
        state.ResumeTiming();
        Fill(*lv, n);
        lv->SetVbarParm();
        benchmark::DoNotOptimize(lv->ItemCount());
        state.PauseTiming();
        lv.reset();
        state.ResumeTiming();
    }
    state.counters["rows"] = n;
}

void BM_Baseline_StdSortLowered(benchmark::State& state) {
    const int n = int(state.range(0));
    std::vector<QString> texts;
    for (int i = 0; i < n; ++i)
        texts.push_back(RowTexts(i)[0]);
    for (auto _ : state) {
        std::vector<QString> keys;
        keys.reserve(texts.size());
        for (const QString& t : texts)
            keys.push_back(t.toLower());
        std::sort(keys.begin(), keys.end());
        benchmark::DoNotOptimize(keys.data());
    }
    state.counters["rows"] = n;
}

void BM_ReOrderTextColumn(benchmark::State& state) {
    const int n = int(state.range(0));
    auto lv = NewList();
    Fill(*lv, n);
    int col = 0;
    for (auto _ : state) {
        // Columns 0 and 1 are ordered independently, so each sort starts unsorted.
        lv->ReOrder(col, 1);
        col = 1 - col;
    }
    state.counters["rows"] = n;
}

void BM_ReDraw(benchmark::State& state) {
    const int n = int(state.range(0));
    auto lv = NewList();
    Fill(*lv, n);
    lv->SetVbarParm();
    lv->ShowItem(n / 2, 0);
    lv->SetSelectedItem(n / 2 + 1);
    for (auto _ : state)
        lv->ReDraw();
    state.counters["rows"] = n;
}

} // namespace

BENCHMARK(BM_Baseline_FillVector)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AddItem)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Baseline_StdSortLowered)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReOrderTextColumn)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReDraw)->Arg(100)->Arg(100000)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
