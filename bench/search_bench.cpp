// The search window over a 20-year journal (a picture every tenth day), driven offscreen as a
// person drives it, against `quillmere-tool search` for the same word in the same run: a word
// found on every day and a word found nowhere. While the window searches, a 2 ms timer
// records the longest time between two of its ticks: how long events waited at most.
#include "journal_generator.h"

#include "app/application.h"
#include "app/program.h"
#include "app/tfrmlogin.h"
#include "app/tfrmmain.h"
#include "platform/datadir.h"
#include "search/tfrmdbsearch.h"
#include "storage/fileio.h"
#include "support/scripted_dialogs.h"

#include <QDate>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>

using namespace quill;

namespace {

const char* const kEveryDay = "the";
const char* const kNowhere = "zebra";

const std::string& TodaysJournal()
{
    static const std::string path = bench::TwentyYearJournalUntilToday(QUILLMERE_BENCH_DATA);
    return path;
}

struct Figures {
    double toolMs = 0;
    double windowMs = 0;
    double longestGapMs = 0;
    int found = -1;
};
std::map<std::string, Figures> g_figures;

// Runs the tool once per iteration, timing the whole process as a shell does.
void BM_Tool(benchmark::State& state, const char* word)
{
    QTemporaryDir dir;
    QElapsedTimer clock;
    double total = 0;
    for (auto _ : state) {
        QProcess tool;
        tool.setStandardOutputFile(dir.filePath("out.txt"));
        clock.start();
        tool.start(QStringLiteral(QUILLMERE_TOOL),
                   {QStringLiteral("search"), QString::fromStdString(TodaysJournal()), QString::fromLatin1(word)});
        const bool ok = tool.waitForFinished(-1) && tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
        const double seconds = clock.nsecsElapsed() / 1e9;
        if (!ok) {
            state.SkipWithError("quillmere-tool search failed");
            break;
        }
        state.SetIterationTime(seconds);
        total += seconds;
    }
    g_figures[word].toolMs = 1000 * total / std::max<benchmark::IterationCount>(1, state.iterations());
}

// The program, started once with a copy of the journal, the search window open.
class RunningProgram {
public:
    RunningProgram()
    {
        std::filesystem::copy_file(TodaysJournal(), dir_.filePath("Journal.cds").toStdString());
        testing::SetDataDirectory(dir_.path());
        program_ = std::make_unique<Program>();
        QTimer::singleShot(0, [] {
            if (auto* login = qobject_cast<TfrmLogin*>(QApplication::activeModalWidget()))
                login->btnLoginClick();
        });
        frmMain->show();
        QTest::mouseClick(frmMain->btnDBSearch, Qt::LeftButton);
        frmDBSearch->DateEdit1->SetDate(QDate(1900, 1, 1));
        frmDBSearch->DateEdit2->SetDate(QDate(2100, 12, 31));
    }
    ~RunningProgram()
    {
        frmMain->close();
        QApplication::processEvents();
        program_->DestroyWindows();
        testing::SetDataDirectory({});
    }

private:
    testing::ScopedDialogs dialogs_;
    QTemporaryDir dir_;
    std::unique_ptr<Program> program_;
};

// The longest time between two ticks of a short timer while it runs.
class GapWatch {
public:
    GapWatch()
    {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(2);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            longestMs_ = std::max(longestMs_, clock_.nsecsElapsed() / 1e6);
            clock_.restart();
        });
    }
    void Start()
    {
        clock_.start();
        timer_.start();
    }
    void Stop()
    {
        longestMs_ = std::max(longestMs_, clock_.nsecsElapsed() / 1e6);
        timer_.stop();
    }
    double LongestMs() const { return longestMs_; }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    double longestMs_ = 0;
};

void BM_Window(benchmark::State& state, const char* word)
{
    RunningProgram program;
    frmDBSearch->edtText->clear();
    QTest::keyClicks(frmDBSearch->edtText, QString::fromLatin1(word));
    GapWatch gaps;
    QElapsedTimer clock;
    double total = 0;
    for (auto _ : state) {
        QEventLoop loop;
        QObject::connect(frmDBSearch, &TfrmDBSearch::RunEnded, &loop, &QEventLoop::quit);
        gaps.Start();
        clock.start();
        QTest::mouseClick(frmDBSearch->btnSearch, Qt::LeftButton);
        if (frmDBSearch->Running())
            loop.exec();
        const double seconds = clock.nsecsElapsed() / 1e9;
        gaps.Stop();
        state.SetIterationTime(seconds);
        total += seconds;
    }
    Figures& figures = g_figures[word];
    figures.windowMs = 1000 * total / std::max<benchmark::IterationCount>(1, state.iterations());
    figures.longestGapMs = gaps.LongestMs();
    figures.found = frmDBSearch->Results ? frmDBSearch->Results->Count() : 0;
    state.counters["found"] = figures.found;
    state.counters["longest_gap_ms"] = figures.longestGapMs;
}

} // namespace

BENCHMARK_CAPTURE(BM_Tool, every_day, kEveryDay)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_CAPTURE(BM_Window, every_day, kEveryDay)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_CAPTURE(BM_Tool, nowhere, kNowhere)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_CAPTURE(BM_Window, nowhere, kNowhere)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QuillmereApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    TodaysJournal(); // made before anything is timed
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (const auto& [word, f] : g_figures) {
        if (f.toolMs <= 0 || f.windowMs <= 0)
            continue;
        std::printf("search \"%s\": window %.1f ms, quillmere-tool %.1f ms (%.2fx; bar 1.5x), longest gap %.1f ms "
                    "(bar 50 ms), %d days found\n",
                    word.c_str(), f.windowMs, f.toolMs, f.windowMs / f.toolMs, f.longestGapMs, f.found);
    }
    return 0;
}
