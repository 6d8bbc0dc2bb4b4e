// The program with a 20-year journal: start-up until today's entry is shown, a move to the
// next day that stores a modified entry, and the close that writes the journal.
#include "journal_generator.h"

#include "app/application.h"
#include "app/program.h"
#include "app/tfrmlogin.h"
#include "app/tfrmmain.h"
#include "platform/datadir.h"
#include "platform/richedit/find_dialog.h"
#include "storage/fileio.h"
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
