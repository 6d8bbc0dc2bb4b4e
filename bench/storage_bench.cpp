// Opening, walking, looking up and closing large journals through the table engine.
#include "journal_generator.h"

#include "storage/fileio.h"
#include "storage/memtable.h"
#include "storage/recovery.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

using namespace quill;

namespace {

struct Journal {
    MemTable table{"tblJournal"};
    Field& date = table.AddField("JournalDate", FieldType::DateTime);
    Field& entry = table.AddField("JournalEntry", FieldType::Blob);

    explicit Journal(const std::string& path)
    {
        table.SetFileName(path);
        table.SetIndexFieldNames("JournalDate");
    }
    void open()
    {
        if (!FileExists(table.FileName()))
            table.CreateTable();
        table.Open();
        table.SetLogChanges(false);
    }
};

// The two journals of the benchmarks, generated once into the build folder.
const std::string& JournalFile(int which)
{
    static std::string paths[2];
    if (paths[which].empty()) {
        std::filesystem::create_directories(QUILLMERE_BENCH_DATA);
        bench::JournalShape shape;
        shape.days = which == 0 ? 3650 : 7300;
        shape.pictureEvery = which == 0 ? 0 : 10;
        paths[which] = std::string(QUILLMERE_BENCH_DATA) + (which == 0 ? "/journal-10y.cds" : "/journal-20y-pictures.cds");
        if (!FileExists(paths[which]))
            bench::GenerateJournal(paths[which], shape);
    }
    return paths[which];
}

void SetLabel(benchmark::State& state, int which)
{
    state.SetLabel(which == 0 ? "10 years" : "20 years, pictures");
    state.counters["MB"] = static_cast<double>(std::filesystem::file_size(JournalFile(which))) / 1e6;
}

void BM_Open(benchmark::State& state)
{
    const int which = static_cast<int>(state.range(0));
    const std::string& path = JournalFile(which);
    for (auto _ : state) {
        Journal j(path);
        j.open();
        benchmark::DoNotOptimize(j.table.RecordCount());
        j.table.Close();
    }
    SetLabel(state, which);
}

void BM_WalkReadingEveryBody(benchmark::State& state)
{
    const int which = static_cast<int>(state.range(0));
    Journal j(JournalFile(which));
    j.open();
    for (auto _ : state) {
        std::size_t bytes = 0;
        for (j.table.First(); !j.table.Eof(); j.table.Next()) {
            MemoryStream body;
            j.entry.SaveToStream(body);
            bytes += body.size();
        }
        benchmark::DoNotOptimize(bytes);
    }
    SetLabel(state, which);
}

void BM_FindKeyOfEveryDate(benchmark::State& state)
{
    const int which = static_cast<int>(state.range(0));
    Journal j(JournalFile(which));
    j.open();
    std::vector<double> dates;
    for (j.table.First(); !j.table.Eof(); j.table.Next())
        dates.push_back(j.date.AsDateTime());
    for (auto _ : state)
        for (double d : dates)
            benchmark::DoNotOptimize(j.table.FindKey(d));
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(dates.size()));
    SetLabel(state, which);
}

// Close after one changed entry: the whole file is written anew, flushed and renamed.
void BM_CloseAfterOneChange(benchmark::State& state)
{
    const int which = static_cast<int>(state.range(0));
    const std::string copy = JournalFile(which) + ".work";
    std::filesystem::copy_file(JournalFile(which), copy, std::filesystem::copy_options::overwrite_existing);
    const std::string body = bench::GenerateBody(42, false, 0);
    for (auto _ : state) {
        state.PauseTiming();
        auto j = std::make_unique<Journal>(copy);
        j->open();
        j->table.Last();
        j->table.Edit();
        j->entry.LoadFromStream(MemoryStream(body));
        j->table.Post();
        state.ResumeTiming();
        j->table.Close();
        state.PauseTiming();
        j.reset();
        state.ResumeTiming();
    }
    SetLabel(state, which);
}

// Lookups and inserts in tables of growing size, to show they grow as log n.
std::unique_ptr<Journal> TableOfSize(std::int64_t n)
{
    auto j = std::make_unique<Journal>(std::string());
    j->table.CreateTable();
    for (std::int64_t d = 0; d < n; ++d) {
        j->table.Insert();
        j->date.SetAsDateTime(static_cast<double>((d * 7919) % n));
        j->table.Post();
    }
    return j;
}

void BM_FindKeyScaling(benchmark::State& state)
{
    const auto j = TableOfSize(state.range(0));
    std::int64_t d = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(j->table.FindKey(static_cast<double>(d)));
        d = (d + 4099) % state.range(0);
    }
    state.SetComplexityN(state.range(0));
}

void BM_InsertScaling(benchmark::State& state)
{
    const auto j = TableOfSize(state.range(0));
    double d = 0.5;
    for (auto _ : state) {
        j->table.Insert();
        j->date.SetAsDateTime(d);
        j->table.Post();
        d += 1;
    }
    state.SetComplexityN(state.range(0));
}

} // namespace

// One stored day appended to the recovery log (range 1), or written without the sync
// (range 0), to show what the sync to disk costs.
void BM_RecoveryAppend(benchmark::State& state)
{
    const std::string body = bench::GenerateBody(11, false, 0);
    const std::string path = (std::filesystem::temp_directory_path() / "bench-journal.recovery").string();
    const RecoveryLog log(path);
    log.Remove();
    for (auto _ : state) {
        if (state.range(0) == 1) {
            log.Append(40000, body);
        } else {
            std::FILE* f = std::fopen(path.c_str(), "ab");
            const std::string record = RecoveryLog::EncodeRecord(40000, body);
            std::fwrite(record.data(), 1, record.size(), f);
            std::fclose(f);
        }
    }
    log.Remove();
    state.SetLabel(state.range(0) == 1 ? "synced" : "not synced");
}

BENCHMARK(BM_RecoveryAppend)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Open)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WalkReadingEveryBody)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindKeyOfEveryDate)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CloseAfterOneChange)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_FindKeyScaling)->RangeMultiplier(8)->Range(1 << 9, 1 << 18)->Complexity(benchmark::oLogN);
BENCHMARK(BM_InsertScaling)->RangeMultiplier(8)->Range(1 << 9, 1 << 18)->Complexity(benchmark::oLogN);

BENCHMARK_MAIN();
