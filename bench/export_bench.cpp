// quillmere-tool export, one entry at a time: a typical day (about 5 kB of formatted RTF)
// loaded into a document, written as HTML and as Markdown, and the whole conversion the
// export runs for each day.
#include "entry_document.h"
#include "journal_generator.h"

#include "platform/richedit/document_builder.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

using namespace quill;

namespace {

const std::string& TypicalDay()
{
    static const std::string day = bench::GenerateBody(42, false, 0);
    return day;
}

void BM_ExportLoad(benchmark::State& state)
{
    for (auto _ : state) {
        tool::EntryDocument document(TypicalDay());
        benchmark::DoNotOptimize(&document);
    }
}
BENCHMARK(BM_ExportLoad)->Unit(benchmark::kMicrosecond);

void BM_ExportBodyHtml(benchmark::State& state)
{
    tool::EntryDocument document(TypicalDay());
    for (auto _ : state)
        benchmark::DoNotOptimize(document.BodyHtml());
}
BENCHMARK(BM_ExportBodyHtml)->Unit(benchmark::kMicrosecond);

void BM_ExportDayAsHtml(benchmark::State& state)
{
    for (auto _ : state) {
        tool::EntryDocument document(TypicalDay());
        benchmark::DoNotOptimize(document.ReferToPictureFiles(QStringLiteral("../pictures/"), "2024-03-05"));
        document.LinkDetectedAddresses();
        benchmark::DoNotOptimize(document.BodyHtml().toStdString());
    }
}
BENCHMARK(BM_ExportDayAsHtml)->Unit(benchmark::kMicrosecond);

void BM_ExportDayAsMarkdown(benchmark::State& state)
{
    for (auto _ : state) {
        tool::EntryDocument document(TypicalDay());
        benchmark::DoNotOptimize(document.ReferToPictureFiles(QStringLiteral("../pictures/"), "2024-03-05"));
        benchmark::DoNotOptimize(document.Markdown().toStdString());
    }
}
BENCHMARK(BM_ExportDayAsMarkdown)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
