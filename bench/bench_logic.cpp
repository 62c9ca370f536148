// SPDX-License-Identifier: GPL-3.0-or-later
#include "BenchSupport.h"

#include "telemetry/FrameAssembler.h"

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

void BM_FrameAssembly(benchmark::State& state)
{
    const QList<QByteArray> frames = makeFrames(1000);
    FrameAssembler rx;
    qint64 accepted = 0;
    for (auto _ : state) {
        for (const QByteArray& frame : frames) {
            QByteArrayView rest(frame);
            while (!rest.isEmpty()) {
                qsizetype consumed = 0;
                accepted += rx.receive(rest, consumed) == FrameAssembler::Outcome::Accepted;
                rest = rest.sliced(consumed);
            }
        }
        benchmark::DoNotOptimize(rx.rxFields);
    }
    if (accepted != static_cast<qint64>(state.iterations()) * frames.size())
        state.SkipWithError("a frame was not accepted");
    state.SetItemsProcessed(state.iterations() * frames.size());
}
BENCHMARK(BM_FrameAssembly)->MinTime(2.0);

class CaptureReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            const auto it = run.counters.find("items_per_second");
            if (it != run.counters.end())
                itemsPerSecond = it->second.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    double itemsPerSecond = 0;
};

} // namespace

// Frame assembly and splitting alone, in frames a second.
double measureLogic(char* program)
{
    int benchArgc = 1;
    char* benchArgv[] = {program, nullptr};
    benchmark::Initialize(&benchArgc, benchArgv);
    CaptureReporter reporter;
    std::fprintf(stderr, "Frame assembly and splitting, logic alone:\n");
    benchmark::RunSpecifiedBenchmarks(&reporter);
    return reporter.itemsPerSecond;
}
