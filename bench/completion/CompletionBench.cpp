// Speed of one completion request on the 1,000-line program, as the popup makes it when it opens:
// the range request (scan, code context, every source gathered) and then the ranked list for a
// one-letter entry, at 500 caret positions spread over the program (each at the end of a word):
//   completion request median ms
//   completion request p95 ms
//   completion request max ms
#include "compiler/CodeTranspiler.h"
#include "completion/CodeCompletions.h"
#include "completion/CompletionsProvider.h"
#include "completion/CustomWordsCompletions.h"
#include "completion/ImportedLayers.h"
#include "completion/LanguageCompletions.h"
#include "completion/ModuleFilenameCompletions.h"
#include "completion/WordsInCodeCompletions.h"
#include "model/CodeLines.h"
#include "support/BenchSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

bool isWordCharacter(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'$';
}

// Offsets just after the last letter of a word that starts with a letter, spread evenly.
std::vector<qsizetype> caretPositions(const QString& text, int count)
{
    std::vector<qsizetype> all;
    for (qsizetype i = 1; i < text.size(); ++i)
        if (isWordCharacter(text[i - 1]) && !isWordCharacter(text[i])) {
            qsizetype start = i - 1;
            while (start > 0 && isWordCharacter(text[start - 1]))
                --start;
            if (text[start].isLetter() && text.lastIndexOf(u'#', i) < text.lastIndexOf(u'\n', i))
                all.push_back(i);
        }
    std::vector<qsizetype> chosen;
    for (int k = 0; k < count && !all.empty(); ++k)
        chosen.push_back(all[std::size_t(k) * all.size() / std::size_t(count)]);
    return chosen;
}

} // namespace

int main(int argc, char** argv)
{
    if (qgetenv("ZELVOR_RESOURCES").isEmpty())
        qputenv("ZELVOR_RESOURCES", ZELVOR_SOURCE_DIR "/resources");
    QCoreApplication app(argc, argv);
    QFile file(QStringLiteral(ZELVOR_SOURCE_DIR "/tests/fixtures/compiler/app1000.coffee"));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "the benchmark program is missing\n");
        return 1;
    }
    const QString program = QString::fromUtf8(file.readAll());

    CodeTranspiler transpiler;
    transpiler.transpileFromString(program);
    if (!benchsupport::spinUntil([&] { return transpiler.coffeeLines() && transpiler.isIdle(); }, 60000)) {
        std::fprintf(stderr, "the benchmark program did not compile\n");
        return 1;
    }
    QTemporaryDir project;
    const QString refresh = QStringLiteral("CompletionBenchRefresh");
    ImportedLayers layers(project.path(), refresh);
    CodeCompletions code(&transpiler);
    ModuleFilenameCompletions modules(project.path(), refresh);
    LanguageCompletions language;
    CustomWordsCompletions custom;
    WordsInCodeCompletions words(&transpiler);
    auto lines = std::make_shared<CodeLines>(program);
    CompletionsProvider provider(&transpiler, lines, &layers, {&code, &modules, &language, &custom, &words});

    const std::vector<qsizetype> positions = caretPositions(program, 500);
    // One round to warm the word lists and caches, then the measured one.
    std::vector<double> times;
    std::size_t offered = 0;
    for (int round = 0; round < 2; ++round) {
        times.clear();
        offered = 0;
        for (const qsizetype caret : positions) {
            QElapsedTimer timer;
            timer.start();
            const platform::TextRange range = provider.rangeForUserCompletionAt({caret, 0});
            if (!range.isNotFound())
                offered += provider.completionsForPartialWordRange({range.location, 1}).completions.size();
            times.push_back(timer.nsecsElapsed() / 1e6);
        }
    }
    std::sort(times.begin(), times.end());
    std::printf("completion request median ms: %.2f\n", times[times.size() / 2]);
    std::printf("completion request p95 ms: %.2f\n", times[times.size() * 95 / 100]);
    std::printf("completion request max ms: %.2f\n", times.back());
    std::fprintf(stderr, "%zu requests, %zu items offered\n", times.size(), offered);
    return 0;
}
