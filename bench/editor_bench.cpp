// The editor's commands on an entry of 1 MB of text: a style toggle on the whole text and on
// a word, the formatting state read after a caret move (it runs on every key), typing one
// character at the end up to the repaint, and export and import of the entry. Each Qt
// baseline beside them shows how much of the time is the text layout's own.
#include "journal_generator.h"

#include "editor/formatting.h"
#include "editor/import_export.h"
#include "editor/picture_commands.h"

#include "platform/richedit/richedit.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QImage>
#include <QRandomGenerator>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>

#include <benchmark/benchmark.h>

#include <memory>

using namespace quill;

namespace {

const std::string& LongEntry()
{
    static const std::string entry = bench::GenerateEntry(1000000, 0);
    return entry;
}

// A shown editor holding the long entry, as the main window's editor would.
RichEdit& Editor()
{
    static std::unique_ptr<RichEdit> edit = [] {
        auto made = std::make_unique<RichEdit>();
        made->resize(745, 430);
        made->SetAdvancedTypography(true);
        made->show();
        made->StreamIn(LongEntry(), sfRichText);
        made->document()->documentLayout()->documentSize();
        QApplication::processEvents();
        return made;
    }();
    return *edit;
}

void SelectRange(RichEdit& edit, int start, int length)
{
    edit.SetSelStart(start);
    edit.SetSelLength(length);
}

void Settle(RichEdit& edit)
{
    edit.document()->clearUndoRedoStacks();
    edit.document()->documentLayout()->documentSize();
}

// Bold on and off over the whole text (range 0) or over one word in the middle (range 1).
void BM_StyleToggle(benchmark::State& state)
{
    RichEdit& edit = Editor();
    const bool whole = state.range(0) == 0;
    const int middle = edit.TextLength() / 2;
    for (auto _ : state) {
        if (whole)
            edit.SelectAll();
        else
            SelectRange(edit, middle, 6);
        ToggleStyle(edit, fsBold);
        benchmark::DoNotOptimize(edit.document()->documentLayout()->documentSize());
        state.PauseTiming();
        Settle(edit);
        state.ResumeTiming();
    }
    state.SetLabel(whole ? "whole 1 MB text" : "one word");
}
BENCHMARK(BM_StyleToggle)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The same change of weight written by Qt's own cursor, without our format handling.
void BM_QtWeightChange(benchmark::State& state)
{
    RichEdit& edit = Editor();
    const bool whole = state.range(0) == 0;
    const int middle = edit.TextLength() / 2;
    bool bold = false;
    for (auto _ : state) {
        QTextCursor cursor(edit.document());
        cursor.setPosition(whole ? 0 : middle);
        cursor.setPosition(whole ? edit.TextLength() : middle + 6, QTextCursor::KeepAnchor);
        QTextCharFormat format;
        format.setFontWeight((bold = !bold) ? QFont::Bold : QFont::Normal);
        cursor.mergeCharFormat(format);
        benchmark::DoNotOptimize(edit.document()->documentLayout()->documentSize());
        state.PauseTiming();
        Settle(edit);
        state.ResumeTiming();
    }
    state.SetLabel(whole ? "whole 1 MB text" : "one word");
}
BENCHMARK(BM_QtWeightChange)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// A caret move and the formatting state the toolbar shows for it.
void BM_SelectionChange(benchmark::State& state)
{
    RichEdit& edit = Editor();
    const int length = edit.TextLength();
    int position = 0;
    for (auto _ : state) {
        position = (position + 7919) % length;
        edit.SetSelStart(position);
        benchmark::DoNotOptimize(ReadFormattingState(edit));
    }
}
BENCHMARK(BM_SelectionChange)->Unit(benchmark::kMicrosecond);

// One key typed at the end of the text, up to the editor's repaint.
void BM_TypeAtTheEnd(benchmark::State& state)
{
    RichEdit& edit = Editor();
    edit.setFocus();
    edit.moveCursor(QTextCursor::End);
    edit.ensureCursorVisible();
    QApplication::processEvents();
    for (auto _ : state) {
        QTest::keyClick(&edit, Qt::Key_A);
        edit.viewport()->repaint();
    }
    Settle(edit);
}
BENCHMARK(BM_TypeAtTheEnd)->Unit(benchmark::kMillisecond);

QString TempFile(const char* name)
{
    static QTemporaryDir dir;
    return dir.filePath(QString::fromLatin1(name));
}

void BM_Export(benchmark::State& state)
{
    RichEdit& edit = Editor();
    const QString path = TempFile(state.range(0) == 0 ? "entry.rtf" : "entry.txt");
    for (auto _ : state)
        ExportDocument(edit, path);
    state.SetLabel(state.range(0) == 0 ? "rich text" : "plain text");
}
BENCHMARK(BM_Export)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Import of the exported entry, laid out for display as a shown editor does.
void BM_Import(benchmark::State& state)
{
    RichEdit& edit = Editor();
    const QString path = TempFile("import.rtf");
    ExportDocument(edit, path);
    for (auto _ : state) {
        ImportDocument(edit, path);
        benchmark::DoNotOptimize(edit.document()->documentLayout()->documentSize());
    }
}
BENCHMARK(BM_Import)->Unit(benchmark::kMillisecond);

// Photo-like JPEGs (noise over gradients, so that they compress as photos do): 4000 x 3000,
// and a large one of about 20 MB.
QString MakePhoto(const char* name, int width, int height, int noiseLevels)
{
    QImage photo(width, height, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < photo.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(photo.scanLine(y));
        for (int x = 0; x < photo.width(); ++x) {
            const int noise = static_cast<int>(random.bounded(noiseLevels));
            line[x] = qRgb((x / 16 + noise) & 0xFF, (y / 12 + noise) & 0xFF, ((x + y) / 28 + noise / 2) & 0xFF);
        }
    }
    const QString file = TempFile(name);
    photo.save(file, "JPEG", 92);
    return file;
}

QString PhotoFile(int which)
{
    if (which == 0) {
        static const QString photo = MakePhoto("photo.jpg", 4000, 3000, 40);
        return photo;
    }
    static const QString large = MakePhoto("large.jpg", 6000, 4500, 256);
    return large;
}

// Insert Picture of the photo into an empty day, shown as the editor shows it.
void BM_InsertPhoto(benchmark::State& state)
{
    RichEdit& edit = Editor();
    const QString photo = PhotoFile(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        edit.Clear();
        state.ResumeTiming();
        InsertPictureFile(edit, photo);
        edit.viewport()->repaint();
    }
    state.SetLabel(QString("%1 MB JPEG").arg(QFileInfo(photo).size() / 1e6, 0, 'f', 1).toStdString());
}
BENCHMARK(BM_InsertPhoto)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The move to the next day after the photo went in: the day is written out as the journal
// stores it, and the next day's entry read in and shown.
void BM_NextDayAfterPhoto(benchmark::State& state)
{
    RichEdit& edit = Editor();
    edit.Clear();
    InsertPictureFile(edit, PhotoFile(static_cast<int>(state.range(0))));
    const std::string day = bench::GenerateBody(3, false, 0);
    const std::string withPhoto = edit.StreamOut(sfRichText);
    for (auto _ : state) {
        benchmark::DoNotOptimize(edit.StreamOut(sfRichText));
        edit.StreamIn(day, sfRichText);
        edit.viewport()->repaint();
        state.PauseTiming();
        edit.StreamIn(withPhoto, sfRichText);
        state.ResumeTiming();
    }
    state.SetLabel(QString("body %1 MB").arg(withPhoto.size() / 1e6, 0, 'f', 1).toStdString());
}
BENCHMARK(BM_NextDayAfterPhoto)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
