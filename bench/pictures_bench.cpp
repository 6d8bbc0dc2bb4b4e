// Pictures: drawing a day whose entry holds a 1 MB metafile, as the editor's window shows
// it: the first time, when the metafile is converted and drawn, and afterwards, when the
// drawing kept for it is used. The metafile is an enhanced metafile of some ten thousand
// filled polygons and a few hundred lines of text, or a Windows metafile holding a photo,
// as the earlier program stored every picture inserted into an entry.
#include "platform/pictures/metafile_fixtures.h"

#include "platform/pictures/metafile_renderer.h"
#include "platform/pictures/metafile_svg.h"
#include "platform/richedit/document_builder.h"

#include <QAbstractTextDocumentLayout>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTextDocument>

#include <benchmark/benchmark.h>

#include <string>

namespace {

constexpr qint64 kMetafileBytes = 1000 * 1000;
constexpr QSize kWindow(745, 600);

using fixtures::Fields;

// Polygons of eight points in changing colours, with a line of text now and then, on a
// 1000 x 750 pixel picture.
QByteArray MakeLargeEmf()
{
    fixtures::Emf emf;
    Fields font; // EMR_EXTCREATEFONTINDIRECTW: Arial of 14 pixels
    font.U32(2).I32(-14).I32(0).I32(0).I32(0).I32(400).U32(0).U32(0);
    QByteArray face(64, '\0');
    for (int i = 0; i < 5; ++i)
        face[2 * i] = "Arial"[i];
    emf.Record(82, font.Bytes(face)).Select(2);
    qint64 bytes = 0;
    for (int i = 0; bytes < kMetafileBytes; ++i) {
        const int x = (i * 37) % 950;
        const int y = (i * 53) % 700;
        emf.SolidBrush(1, static_cast<std::uint32_t>((i * 2654435761u) & 0xFFFFFF)).Select(1);
        Fields polygon;
        polygon.Bytes(fixtures::Emf::Box(QRect(x, y, 50, 50)).Data()).U32(8);
        for (int p = 0; p < 8; ++p)
            polygon.I16(static_cast<std::int16_t>(x + (p * 7 + i) % 50)).I16(static_cast<std::int16_t>(y + (p * 13 + i) % 50));
        emf.Record(86, polygon); // EMR_POLYGON16
        emf.Record(40, Fields().U32(1));
        bytes += 24 + 12 + 8 + polygon.Data().size() + 12;
        if (i % 40 == 0) {
            const QString text = QStringLiteral("Line %1 of the drawing's notes").arg(i / 40);
            Fields record;
            record.Bytes(fixtures::Emf::Box(QRect(x, y, 200, 16)).Data()).U32(1).U32(0).U32(0); // mode, scales
            record.I32(x).I32(y).U32(static_cast<std::uint32_t>(text.size())).U32(76).U32(0);
            record.Bytes(fixtures::Emf::Box(QRect(0, 0, 0, 0)).Data()).U32(0);
            QByteArray utf16(reinterpret_cast<const char*>(text.utf16()), 2 * text.size());
            utf16.append(utf16.size() % 4 ? 2 : 0, '\0');
            record.Bytes(utf16);
            emf.Record(84, record); // EMR_EXTTEXTOUTW
            bytes += 8 + record.Data().size();
        }
    }
    return emf.Finish(QRect(0, 0, 1000, 750), QRect(0, 0, fixtures::Himetric(1000), fixtures::Himetric(750)));
}

const QByteArray& LargeEmf()
{
    static const QByteArray emf = MakeLargeEmf();
    return emf;
}

// A photo of 600 x 550 pixels at 24 bits (990 KB), stretched over its picture's window.
QByteArray MakePhotoWmf()
{
    constexpr int kWidth = 600;
    constexpr int kHeight = 550;
    Fields dib;
    dib.U32(40).I32(kWidth).I32(kHeight).U16(1).U16(24).U32(0).U32(0).I32(0).I32(0).U32(0).U32(0);
    QByteArray bits(kWidth * 3 * kHeight, '\0');
    for (qsizetype i = 0; i < bits.size(); ++i)
        bits[i] = static_cast<char>((i * 7 + i / 1800 * 3) & 0xFF);
    Fields stretch; // META_STRETCHDIB: raster operation, colour use, source, destination (y before x)
    stretch.U32(0x00CC0020).U16(0).I16(kHeight).I16(kWidth).I16(0).I16(0).I16(kHeight).I16(kWidth).I16(0).I16(0);
    stretch.Bytes(dib.Bytes(bits).Data());
    return fixtures::Wmf().Window(QRect(0, 0, kWidth, kHeight)).Record(0x0F43, stretch).Finish();
}

const QByteArray& PhotoWmf()
{
    static const QByteArray wmf = MakePhotoWmf();
    return wmf;
}

// A day: a paragraph of text, the picture shown at 600 x 450 pixels, another paragraph.
const std::string& Entry(bool photo)
{
    auto make = [](const char* kind, const QByteArray& picture) {
        std::string rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0\\fswiss Arial;}}\\f0\\fs24 The plan of the garden, as drawn today:\\par ";
        rtf += std::string("{\\pict\\") + kind + "\\picwgoal9000\\pichgoal6750 " + picture.toHex().toStdString() + "}\\par ";
        rtf += "Next week the beds along the fence.\\par}";
        return rtf;
    };
    static const std::string drawing = make("emfblip", LargeEmf());
    static const std::string withPhoto = make("wmetafile8", PhotoWmf());
    return photo ? withPhoto : drawing;
}

const char* LabelOf(bool photo)
{
    return photo ? "WMF photo" : "EMF drawing";
}

void Draw(QTextDocument& document, QImage& window)
{
    window.fill(Qt::white);
    QPainter painter(&window);
    document.documentLayout()->draw(&painter, {});
}

// Whether the picture was drawn, not its placeholder: the middle of the picture is neither
// white nor the placeholder's grey.
bool PictureDrawn(const QImage& window)
{
    const QRgb middle = window.pixel(300, 250) & 0xFFFFFF;
    return middle != 0xFFFFFF && middle != 0xF0F0F0;
}

// Each time a freshly loaded entry, whose picture is not converted yet (loading not counted).
void BM_DrawDayWithMetafileFirstTime(benchmark::State& state)
{
    const bool photo = state.range(0) != 0;
    QImage window(kWindow, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        state.PauseTiming();
        QTextDocument document;
        quill::richtext::LoadRtf(document, Entry(photo), {});
        document.setTextWidth(kWindow.width());
        document.documentLayout()->documentSize();
        state.ResumeTiming();
        Draw(document, window);
    }
    if (!PictureDrawn(window))
        state.SkipWithError("the metafile was not drawn");
    state.SetLabel(LabelOf(photo));
    state.counters["metafile KB"] = static_cast<double>((photo ? PhotoWmf() : LargeEmf()).size()) / 1e3;
}
BENCHMARK(BM_DrawDayWithMetafileFirstTime)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The same day drawn again, as every repaint of the window does.
void BM_DrawDayWithMetafileCached(benchmark::State& state)
{
    const bool photo = state.range(0) != 0;
    QImage window(kWindow, QImage::Format_ARGB32_Premultiplied);
    QTextDocument document;
    quill::richtext::LoadRtf(document, Entry(photo), {});
    document.setTextWidth(kWindow.width());
    Draw(document, window);
    if (!PictureDrawn(window))
        state.SkipWithError("the metafile was not drawn");
    for (auto _ : state)
        Draw(document, window);
    state.SetLabel(LabelOf(photo));
}
BENCHMARK(BM_DrawDayWithMetafileCached)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The parts of the first time: libemf2svg's conversion alone, then with Qt Svg reading the
// result, then drawn once into the bitmap kept for the window.
void BM_ConvertMetafile(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(quill::EnhancedMetafileToSvg(LargeEmf()));
    state.SetLabel("EMF to SVG");
}
BENCHMARK(BM_ConvertMetafile)->Unit(benchmark::kMillisecond);

void BM_ConvertAndReadMetafile(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(quill::MetafileDrawing::Make(quill::PictureFormat::Emf, LargeEmf(), 8));
    state.SetLabel("EMF to SVG, read by Qt Svg");
}
BENCHMARK(BM_ConvertAndReadMetafile)->Unit(benchmark::kMillisecond);

void BM_RasterizeMetafile(benchmark::State& state)
{
    const auto drawing = quill::MetafileDrawing::Make(quill::PictureFormat::Emf, LargeEmf(), 8);
    for (auto _ : state)
        benchmark::DoNotOptimize(drawing->Rasterize(QSize(600, 450)));
    state.SetLabel("600 x 450 pixels");
}
BENCHMARK(BM_RasterizeMetafile)->Unit(benchmark::kMillisecond);

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
