// The progress bar under a 100,000-row pass: our throttled bar beside a plain QProgressBar, both
// shown, with nothing else on the thread. Run with QT_QPA_PLATFORM=offscreen or on a display.
#include "widgets/progress_bar.h"

#include <QApplication>
#include <QProgressBar>
#include <benchmark/benchmark.h>

namespace {

constexpr int kRows = 100000;

void plainQProgressBar(benchmark::State& state) {
    QProgressBar bar;
    bar.resize(169, 25);
    bar.show();
    for (auto _ : state) {
        bar.setRange(0, kRows);
        for (int value = 1; value <= kRows; ++value)
            bar.setValue(value);
        bar.setValue(0);
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

void throttledProgressBar(benchmark::State& state) {
    widgets::ProgressBar bar;
    bar.resize(169, 25);
    bar.show();
    for (auto _ : state) {
        bar.setMaximum(kRows);
        for (int value = 1; value <= kRows; ++value)
            bar.setValue(value);
        bar.setValue(0);
        QCoreApplication::processEvents();
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

BENCHMARK(plainQProgressBar)->Unit(benchmark::kMillisecond);
BENCHMARK(throttledProgressBar)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
