// Typing one character into a 10,000-line text against indexing the whole text again.
// The last line printed is "line index incremental speedup: N", N the ratio of the two
// median times measured in this run.

#include "model/CodeLines.h"

#include <benchmark/benchmark.h>

#include <QString>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

QString program(int lines)
{
    QString text;
    for (int i = 0; i < lines; ++i) {
        switch (i % 5) {
        case 0: text += QStringLiteral("layer%1 = new Layer\n").arg(i); break;
        case 1: text += QStringLiteral("\twidth: %1, height: 200\n").arg(i); break;
        case 2: text += QStringLiteral("\tbackgroundColor: \"#28affa\"\n"); break;
        case 3: text += QStringLiteral("# layer %1 follows\n").arg(i); break;
        default: text += QStringLiteral("layer%1.onClick -> print \"tapped %1\"\n").arg(i); break;
        }
    }
    return text;
}

const QString& text()
{
    static const QString t = program(10000);
    return t;
}

void FullIndex(benchmark::State& state)
{
    for (auto _ : state) {
        CodeLines lines(text());
        benchmark::DoNotOptimize(lines.lineCount());
    }
}

// Types one character in the middle of the text and takes it out again: two edits per round,
// so the time is halved to give one edit.
void IncrementalEdit(benchmark::State& state)
{
    CodeLines lines(text());
    const qsizetype at = lines.locationForLine(5001) + 3;
    QString typed = text();
    typed.insert(at, QLatin1Char('x'));
    for (auto _ : state) {
        lines.updateFrom(typed, platform::TextRange{at, 1}, 1);
        lines.updateFrom(text(), platform::TextRange{at, 0}, -1);
        benchmark::DoNotOptimize(lines.lineCount());
    }
    state.counters["edits"] = benchmark::Counter(2 * double(state.iterations()), benchmark::Counter::kIsRate);
}

BENCHMARK(FullIndex)->Repetitions(5)->ReportAggregatesOnly(false);
BENCHMARK(IncrementalEdit)->Repetitions(5)->ReportAggregatesOnly(false);

// Keeps the per-iteration times of the repetitions to compare their medians at the end.
class Reporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, std::vector<double>> times;

    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration)
                times[run.run_name.function_name].push_back(run.GetAdjustedRealTime());
        }
        ConsoleReporter::ReportRuns(runs);
    }

    double median(const std::string& name)
    {
        std::vector<double> v = times[name];
        if (v.empty())
            return 0;
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    }
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    Reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double full = reporter.median("FullIndex");
    const double edit = reporter.median("IncrementalEdit") / 2;
    if (full > 0 && edit > 0) {
        std::printf("full index of 10000 lines us: %.1f\n", full / 1000);
        std::printf("one-character edit us: %.2f\n", edit / 1000);
        std::printf("line index incremental speedup: %.0f\n", full / edit);
    }
    return 0;
}
