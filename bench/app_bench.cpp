// The program with a 20-year journal: start-up until today's entry is shown (also after a
// run that did not close, with its recovery log to take back), a move to the next day that
// stores a modified entry, and the close that writes, checks and backs up the journal.
#include "journal_generator.h"

#include "app/application.h"
#include "app/program.h"
#include "app/tfrmlogin.h"
#include "app/tfrmmain.h"
#include "platform/datadir.h"
#include "platform/richedit/find_dialog.h"
#include "storage/fileio.h"
#include "storage/recovery.h"
#include "support/scripted_dialogs.h"

#include <QDate>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <filesystem>

using namespace quill;

namespace {

const std::string& TodaysJournal()
{
    static const std::string path = bench::TwentyYearJournalUntilToday(QUILLMERE_BENCH_DATA);
    return path;
}

// A data folder holding a copy of the journal.
struct DataFolder {
    QTemporaryDir dir;
    DataFolder()
    {
        std::filesystem::copy_file(TodaysJournal(), dir.filePath("Journal.cds").toStdString());
        testing::SetDataDirectory(dir.path());
    }
    ~DataFolder() { testing::SetDataDirectory({}); }
};

void LoginWhenAsked()
{
    QTimer::singleShot(0, [] {
        if (auto* login = qobject_cast<TfrmLogin*>(QApplication::activeModalWidget()))
            login->btnLoginClick();
    });
}

// The seven windows made, the password passed and today's entry shown.
std::unique_ptr<Program> Start()
{
    auto program = std::make_unique<Program>();
    LoginWhenAsked();
    frmMain->show();
    return program;
}

void BM_StartUpUntilTodaysEntryIsShown(benchmark::State& state)
{
    testing::ScopedDialogs dialogs;
    DataFolder data;
    for (auto _ : state) {
        auto program = Start();
        state.PauseTiming();
        if (frmMain->Editor->TextLength() == 0)
            state.SkipWithError("today's entry is not shown");
        frmMain->close();
        QApplication::processEvents();
        program.reset();
        state.ResumeTiming();
    }
}

// Start-up after a run that stored state.range(0) entries and did not close: the log holds
// them, the last hundred days' entries each written anew.
void BM_StartUpTakingBackARecoveryLog(benchmark::State& state)
{
    testing::ScopedDialogs dialogs;
    const auto records = static_cast<int>(state.range(0));
    std::vector<std::string> bodies;
    for (int i = 0; i < records; ++i)
        bodies.push_back(bench::GenerateBody(1000 + static_cast<std::uint64_t>(i), false, 0));
    const double today = EncodeEntryDate({QDate::currentDate().year(), QDate::currentDate().month(),
                                          QDate::currentDate().day()});
    for (auto _ : state) {
        state.PauseTiming();
        auto data = std::make_unique<DataFolder>();
        const RecoveryLog log(data->dir.filePath("Journal.cds.recovery").toStdString());
        for (int i = 0; i < records; ++i)
            log.Append(today - 1 - i, bodies[static_cast<std::size_t>(i)]);
        state.ResumeTiming();
        auto program = Start();
        state.PauseTiming();
        if (frmMain->RecoveredEntries() != records)
            state.SkipWithError("the log was not taken back");
        frmMain->close();
        QApplication::processEvents();
        program.reset();
        data.reset();
        state.ResumeTiming();
    }
}

void BM_NextDayStoringAModifiedEntry(benchmark::State& state)
{
    testing::ScopedDialogs dialogs;
    DataFolder data;
    auto program = Start();
    frmMain->ShowDate(frmMain->CurrentDate() - 3000);
    for (auto _ : state) {
        state.PauseTiming();
        QTest::keyClicks(frmMain->Editor, "x");
        state.ResumeTiming();
        frmMain->btnNextClick();
    }
    frmMain->close();
    QApplication::processEvents();
    program->DestroyWindows();
}

void BM_CloseWithOneChangedEntry(benchmark::State& state)
{
    testing::ScopedDialogs dialogs;
    for (auto _ : state) {
        state.PauseTiming();
        DataFolder data;
        auto program = Start();
        QTest::keyClicks(frmMain->Editor, "one more line");
        state.ResumeTiming();
        frmMain->close();
        QApplication::processEvents();
        program->DestroyWindows();
        state.PauseTiming();
        program.reset();
        state.ResumeTiming();
    }
}

} // namespace

BENCHMARK(BM_StartUpUntilTodaysEntryIsShown)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_StartUpTakingBackARecoveryLog)->Arg(0)->Arg(100)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_NextDayStoringAModifiedEntry)->Unit(benchmark::kMillisecond)->Iterations(200);
BENCHMARK(BM_CloseWithOneChangedEntry)->Unit(benchmark::kMillisecond)->Iterations(5);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QuillmereApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
