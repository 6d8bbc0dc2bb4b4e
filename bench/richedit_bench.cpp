// The rich-text control: a typical day, a 1 MB text entry and a 10 MB entry with pictures
// loaded into the control and written back, and plain-text extraction over whole journals.
#include "journal_generator.h"

#include "platform/richedit/plain_text.h"
#include "platform/richedit/richedit.h"

#include "storage/fileio.h"
#include "storage/memtable.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

using namespace quill;

namespace {

const std::string& TypicalDay()
{
    static const std::string day = bench::GenerateBody(42, false, 0);
    return day;
}

const std::string& TextEntry()
{
    static const std::string entry = bench::GenerateEntry(1000000, 0);
    return entry;
}

const std::string& PictureEntry()
{
    static const std::string entry = bench::GenerateEntry(10000000, 1000000);
    return entry;
}

const std::string& EntryOf(int which)
{
    return which == 0 ? TypicalDay() : which == 1 ? TextEntry() : PictureEntry();
}

const char* LabelOf(int which)
{
    return which == 0 ? "typical day" : which == 1 ? "1 MB text" : "10 MB with pictures";
}

RichEdit& Editor()
{
    static RichEdit* edit = [] {
        auto* made = new RichEdit; // lives for the whole run, as the program's editor does
        made->resize(800, 600);
        made->show();
        QApplication::processEvents();
        return made;
    }();
    return *edit;
}

// Loading an entry: reading it into the control and laying it out for display.
void BM_LoadIntoControl(benchmark::State& state)
{
    const int which = static_cast<int>(state.range(0));
    const std::string& entry = EntryOf(which);
    RichEdit& edit = Editor();
    for (auto _ : state) {
        edit.StreamIn(entry, sfRichText);
        benchmark::DoNotOptimize(edit.document()->documentLayout()->documentSize());
    }
    state.SetLabel(LabelOf(which));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * entry.size()));
    state.counters["KB"] = static_cast<double>(entry.size()) / 1e3;
}
BENCHMARK(BM_LoadIntoControl)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// Reading alone: the document built, its layout left to the first paint.
void BM_ReadIntoControl(benchmark::State& state)
{
    const int which = static_cast<int>(state.range(0));
    const std::string& entry = EntryOf(which);
    RichEdit& edit = Editor();
    for (auto _ : state)
        edit.StreamIn(entry, sfRichText);
    state.SetLabel(LabelOf(which));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * entry.size()));
}
BENCHMARK(BM_ReadIntoControl)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_WriteBack(benchmark::State& state)
{
    const int which = static_cast<int>(state.range(0));
    RichEdit& edit = Editor();
    edit.StreamIn(EntryOf(which), sfRichText);
    std::size_t size = 0;
    for (auto _ : state) {
        const std::string written = edit.StreamOut(sfRichText);
        size = written.size();
        benchmark::DoNotOptimize(written.data());
    }
    state.SetLabel(LabelOf(which));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
    state.counters["KB"] = static_cast<double>(size) / 1e3;
}
BENCHMARK(BM_WriteBack)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// The bodies of the generator's journals, read through the table engine.
const std::vector<std::string>& Bodies(int which)
{
    static std::vector<std::string> bodies[2];
    if (bodies[which].empty()) {
        std::filesystem::create_directories(QUILLMERE_BENCH_DATA);
        bench::JournalShape shape;
        shape.days = which == 0 ? 3650 : 7300;
        shape.pictureEvery = which == 0 ? 0 : 10;
        const std::string path =
            std::string(QUILLMERE_BENCH_DATA) + (which == 0 ? "/journal-10y.cds" : "/journal-20y-pictures.cds");
        if (!FileExists(path))
            bench::GenerateJournal(path, shape);
        MemTable table("tblJournal");
        table.AddField("JournalDate", FieldType::DateTime);
        Field& entry = table.AddField("JournalEntry", FieldType::Blob);
        table.SetFileName(path);
        table.Open();
        for (table.First(); !table.Eof(); table.Next()) {
            MemoryStream body;
            entry.SaveToStream(body);
            bodies[which].push_back(body.takeBytes());
        }
    }
    return bodies[which];
}

void BM_PlainTextExtraction(benchmark::State& state)
{
    const int which = static_cast<int>(state.range(0));
    const std::vector<std::string>& bodies = Bodies(which);
    std::size_t bytes = 0;
    for (const std::string& body : bodies)
        bytes += body.size();
    for (auto _ : state)
        for (const std::string& body : bodies)
            benchmark::DoNotOptimize(BodyPlainText(body).size());
    state.SetLabel(which == 0 ? "10 years" : "20 years, pictures");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}
BENCHMARK(BM_PlainTextExtraction)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_SearchBodies(benchmark::State& state)
{
    const std::vector<std::string>& bodies = Bodies(1);
    const BodySearch search(QStringLiteral("Winter Garden"));
    std::size_t bytes = 0;
    for (const std::string& body : bodies)
        bytes += body.size();
    for (auto _ : state) {
        int found = 0;
        for (const std::string& body : bodies)
            found += search.Matches(body) ? 1 : 0;
        benchmark::DoNotOptimize(found);
    }
    state.SetLabel("20 years, pictures");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_SearchBodies)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
