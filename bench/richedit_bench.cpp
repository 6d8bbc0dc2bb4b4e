// The rich-text control: a typical day, a 1 MB text entry and a 10 MB entry with pictures
// loaded into the control and written back; huge entries (1, 10 and 50 MB) shown, laid out,
// written back and searched; and plain-text extraction over whole journals.
#include "journal_generator.h"

#include "platform/richedit/plain_text.h"
#include "platform/richedit/richedit.h"

#include "storage/fileio.h"
#include "storage/memtable.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QElapsedTimer>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <random>
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

// ---- huge entries ----------------------------------------------------------------------

// What a huge entry is made of: days of formatted RTF from the generator; a text file as
// `quillmere-tool put` stores it (its bytes as they are, lines of about 120 characters ending
// in LF, an address now and then), which the control reads as windows-1252 text; and the same
// text as the program stores it back at its next store, RTF with one plain paragraph a line
// (a few bytes more a line).
enum HugeKind { kFormattedRtf, kTextFile, kTextFileAsStored };

const char* HugeKindName(int kind)
{
    return kind == kFormattedRtf ? "formatted RTF" : kind == kTextFile ? "text file" : "text file as stored";
}

std::string TextFileBody(std::size_t bytes)
{
    static const char* const words[] = {"the", "morning", "walked", "garden", "coffee", "letter", "friend",
                                        "rain", "river", "quiet", "thought", "about", "evening", "market",
                                        "caf\xe9", "na\xefve", "stra\xdf" "e", "\x93quoted\x94", "and", "with"};
    std::mt19937_64 rng(7);
    std::uniform_int_distribution<std::size_t> word(0, std::size(words) - 1);
    std::string text;
    text.reserve(bytes + 256);
    for (int line = 0; text.size() < bytes; ++line) {
        const std::size_t end = text.size() + 100 + rng() % 40;
        if (line % 50 == 7)
            text += "see www.example.org/page" + std::to_string(line) + " ";
        while (text.size() < end) {
            text += words[word(rng)];
            text += ' ';
        }
        text.back() = '\n';
    }
    return text;
}

// The text file's body as WriteRtf writes a document of plain paragraphs.
std::string StoredTextFileBody(const std::string& text)
{
    std::string rtf = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}}\r\n"
                      "\\viewkind4\\uc1\\pard\\f0\\fs22 ";
    static const char hex[] = "0123456789abcdef";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\n') {
            rtf += "\\par\r\n";
        } else if (byte >= 0x80) {
            rtf += "\\'";
            rtf += hex[byte >> 4];
            rtf += hex[byte & 15];
        } else {
            rtf += c;
        }
    }
    return rtf + "}\r\n";
}

const std::string& HugeEntry(int kind, int megabytes)
{
    static std::map<std::pair<int, int>, std::string> entries;
    std::string& entry = entries[{kind, megabytes}];
    if (entry.empty()) {
        const auto bytes = static_cast<std::size_t>(megabytes) * 1000000;
        entry = kind == kFormattedRtf ? bench::GenerateEntry(bytes, 0)
                : kind == kTextFile   ? TextFileBody(bytes)
                                      : StoredTextFileBody(HugeEntry(kTextFile, megabytes));
    }
    return entry;
}

// Every block has been laid out: the layout goes through the document in order, so the last
// block is the last to get its lines.
bool LaidOut(const RichEdit& edit)
{
    const QTextLayout* layout = edit.document()->lastBlock().layout();
    return layout && layout->lineCount() > 0;
}

// Starts from an empty control, as a move from an empty day does.
void StartEmpty(RichEdit& edit)
{
    edit.Clear();
    QApplication::processEvents();
}

void SetHugeLabel(benchmark::State& state, int kind, const std::string& entry)
{
    state.SetLabel(std::string(HugeKindName(kind)) + ", " + std::to_string(entry.size() / 1000000) + " MB");
}

// Showing a huge entry: from the start of the load until the control has painted its first
// screen (the events the load left are handled, then the viewport is drawn once). The bars,
// Release build on this machine: 1 MB within 100 ms, 10 MB within 1 s, 50 MB within 5 s.
void BM_ShowHugeEntry(benchmark::State& state)
{
    const int kind = static_cast<int>(state.range(0));
    const std::string& entry = HugeEntry(kind, static_cast<int>(state.range(1)));
    RichEdit& edit = Editor();
    for (auto _ : state) {
        state.PauseTiming();
        StartEmpty(edit);
        state.ResumeTiming();
        edit.StreamIn(entry, sfRichText);
        QApplication::processEvents();
        const QPixmap screen = edit.viewport()->grab();
        benchmark::DoNotOptimize(screen.cacheKey());
    }
    SetHugeLabel(state, kind, entry);
}
BENCHMARK(BM_ShowHugeEntry)
    ->ArgsProduct({{kFormattedRtf, kTextFile, kTextFileAsStored}, {1, 10, 50}})
    ->Unit(benchmark::kMillisecond);

// The whole layout of a huge entry, from the start of the load until the last block is laid
// out, with the event loop running as in the program. load_ms is the load itself (StreamIn);
// step_ms the longest time between two turns of the event loop after it, which is how long
// the window waits at most while the layout goes on (a timer of 0 ms marks each turn).
void BM_LayOutHugeEntry(benchmark::State& state)
{
    const int kind = static_cast<int>(state.range(0));
    const std::string& entry = HugeEntry(kind, static_cast<int>(state.range(1)));
    RichEdit& edit = Editor();
    qint64 load = 0;
    qint64 longestStep = 0;
    for (auto _ : state) {
        state.PauseTiming();
        StartEmpty(edit);
        state.ResumeTiming();
        QElapsedTimer sinceTurn;
        sinceTurn.start();
        edit.StreamIn(entry, sfRichText);
        load = std::max(load, sinceTurn.restart());
        QTimer turns;
        QObject::connect(&turns, &QTimer::timeout, [&] { longestStep = std::max(longestStep, sinceTurn.restart()); });
        turns.start(0);
        while (!LaidOut(edit))
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        longestStep = std::max(longestStep, sinceTurn.elapsed());
    }
    SetHugeLabel(state, kind, entry);
    state.counters["load_ms"] = static_cast<double>(load);
    state.counters["step_ms"] = static_cast<double>(longestStep);
}
BENCHMARK(BM_LayOutHugeEntry)
    ->ArgsProduct({{kFormattedRtf, kTextFile, kTextFileAsStored}, {1, 10, 50}})
    ->Unit(benchmark::kMillisecond);

// A loaded 50 MB entry, laid out: what runs on it at each store and typing pause (StreamOut),
// at a search in it, and for its text.
RichEdit& LoadedHugeEntry(int kind)
{
    RichEdit& edit = Editor();
    static int loaded = -1;
    static int revision = -1; // of the document as it was loaded, which any other load changes
    if (loaded != kind || revision != edit.document()->revision()) {
        edit.StreamIn(HugeEntry(kind, 50), sfRichText);
        while (!LaidOut(edit))
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        loaded = kind;
        revision = edit.document()->revision();
    }
    return edit;
}

// Moving from a laid-out 50 MB entry to a typical day: the huge document goes, the day comes.
void BM_LeaveHugeEntry(benchmark::State& state)
{
    const int kind = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        RichEdit& edit = LoadedHugeEntry(kind);
        state.ResumeTiming();
        edit.StreamIn(TypicalDay(), sfRichText);
        QApplication::processEvents();
        const QPixmap screen = edit.viewport()->grab();
        benchmark::DoNotOptimize(screen.cacheKey());
    }
    state.SetLabel(std::string(HugeKindName(kind)) + ", 50 MB, then a typical day");
}
BENCHMARK(BM_LeaveHugeEntry)->Arg(kFormattedRtf)->Arg(kTextFile)->Iterations(2)->Unit(benchmark::kMillisecond);

void BM_HugeStreamOut(benchmark::State& state)
{
    const int kind = static_cast<int>(state.range(0));
    const auto format = static_cast<TStreamFormat>(state.range(1));
    RichEdit& edit = LoadedHugeEntry(kind);
    std::size_t size = 0;
    for (auto _ : state) {
        const std::string written = edit.StreamOut(format);
        size = written.size();
        benchmark::DoNotOptimize(written.data());
    }
    state.SetLabel(std::string(HugeKindName(kind)) + ", 50 MB, as " + (format == sfRichText ? "RTF" : "plain text"));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}
BENCHMARK(BM_HugeStreamOut)
    ->ArgsProduct({{kFormattedRtf, kTextFile}, {sfRichText, sfPlainText}})
    ->Unit(benchmark::kMillisecond);

// A search that finds nothing reads the whole text, forwards from the start and backwards
// from the end; a whole-word search looks at every match of a common word.
void BM_HugeFindText(benchmark::State& state)
{
    const int kind = static_cast<int>(state.range(0));
    const int which = static_cast<int>(state.range(1));
    RichEdit& edit = LoadedHugeEntry(kind);
    const int length = edit.TextLength();
    for (auto _ : state) {
        const int found = which == 0   ? edit.FindText(QStringLiteral("zebra"), 0, -1, 0)
                          : which == 1 ? edit.FindText(QStringLiteral("zebra"), length, 0, foMatchCase)
                                       : edit.FindText(QStringLiteral("gard"), 0, -1, foWholeWord);
        benchmark::DoNotOptimize(found);
    }
    state.SetLabel(std::string(HugeKindName(kind)) + ", 50 MB, " +
                   (which == 0 ? "forwards" : which == 1 ? "backwards" : "whole words"));
}
BENCHMARK(BM_HugeFindText)->ArgsProduct({{kFormattedRtf, kTextFile}, {0, 1, 2}})->Unit(benchmark::kMillisecond);

// The plain text of a huge entry: the control's Text() and the extraction from the body.
void BM_HugePlainText(benchmark::State& state)
{
    const int kind = static_cast<int>(state.range(0));
    const bool control = state.range(1) == 0;
    RichEdit* edit = control ? &LoadedHugeEntry(kind) : nullptr;
    const std::string& body = HugeEntry(kind, 50);
    for (auto _ : state)
        benchmark::DoNotOptimize(control ? edit->Text().size() : BodyPlainText(body).size());
    state.SetLabel(std::string(HugeKindName(kind)) + ", 50 MB, " + (control ? "Text()" : "BodyPlainText"));
}
BENCHMARK(BM_HugePlainText)->ArgsProduct({{kFormattedRtf, kTextFile}, {0, 1}})->Unit(benchmark::kMillisecond);

// A long list in one entry: paragraphs with the same numbering next to each other, as RTF
// bullets or numbers. Qt marks every item of a list changed when one joins it.
void BM_LoadLongList(benchmark::State& state)
{
    const bool numbered = state.range(0) != 0;
    const int items = static_cast<int>(state.range(1));
    std::string rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0\\fswiss Arial;}{\\f2\\fnil\\fcharset2 Symbol;}}\\f0\\fs22 ";
    for (int k = 0; k < items; ++k) {
        rtf += numbered ? "\\pard{\\pntext 1.\\tab}{\\*\\pn\\pnlvlbody\\pnf0\\pnindent0\\pnstart1\\pndec{\\pntxta.}}"
                        : "\\pard{\\pntext\\f2\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf2\\pnindent0{\\pntxtb\\'B7}}";
        rtf += "\\fi-200\\li200 item ";
        rtf += std::to_string(k);
        rtf += "\\par\r\n";
    }
    rtf += "}";
    RichEdit& edit = Editor();
    for (auto _ : state) {
        state.PauseTiming();
        StartEmpty(edit);
        state.ResumeTiming();
        edit.StreamIn(rtf, sfRichText);
    }
    state.SetLabel(std::to_string(items) + (numbered ? " numbered items" : " bullets"));
}
BENCHMARK(BM_LoadLongList)
    ->Args({0, 20000})
    ->Args({0, 400000})
    ->Args({1, 5000})
    ->Args({1, 20000})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

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
