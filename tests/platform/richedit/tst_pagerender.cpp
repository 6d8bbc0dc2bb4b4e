// Page rendering: ranges laid out into rectangles given in twips, printing to PDF.
#include "support.h"

#include "platform/pictures/picture.h"
#include "platform/richedit/richedit.h"

#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QTextBlock>
#include <QTemporaryDir>
#include <QtTest>

using namespace quill;

namespace {

constexpr int kDpi = 96;

QImage Page(int width = 600, int height = 800)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.setDotsPerMeterX(static_cast<int>(kDpi / 0.0254 + 0.5));
    image.setDotsPerMeterY(static_cast<int>(kDpi / 0.0254 + 0.5));
    image.fill(Qt::white);
    return image;
}

// The smallest rectangle holding every pixel that passes `test`; empty when none does.
template <typename Test>
QRect PixelsWhere(const QImage& image, Test test)
{
    QRect found;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (test(image.pixel(x, y)))
                found |= QRect(x, y, 1, 1);
    return found;
}

// Where the dark pixels are.
QRect Ink(const QImage& image)
{
    return PixelsWhere(image, [](QRgb pixel) { return qGray(pixel) < 128; });
}

QString Paragraphs(int count)
{
    QString rtf = QStringLiteral("{\\rtf1{\\fonttbl{\\f0 Arial;}}\\f0\\fs24 ");
    for (int i = 1; i <= count; ++i)
        rtf += QStringLiteral("Line %1\\par ").arg(i);
    return rtf + u'}';
}

int PdfPages(const QString& path, QString* title = nullptr)
{
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {path});
    if (!info.waitForFinished(30000))
        return -1;
    int pages = -1;
    for (const QString& line : QString::fromUtf8(info.readAllStandardOutput()).split(u'\n')) {
        if (line.startsWith(QStringLiteral("Pages:")))
            pages = line.mid(6).trimmed().toInt();
        if (title && line.startsWith(QStringLiteral("Title:")))
            *title = line.mid(6).trimmed();
    }
    return pages;
}

// A printer that writes a PDF file.
void PrintToPdf(QPrinter& printer, const QString& path)
{
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setPageSize(QPageSize(QPageSize::A4));
}

// The margin rectangle the print command stores, in printer pixels.
QRect Margins(const QPrinter& printer)
{
    return QRect(QPoint(190, 150), QPoint(printer.width() - 180 - 1, printer.height() - 100 - 1));
}

QRect Twips(const QRect& pixels, int dpiX, int dpiY)
{
    const int left = pixels.left() * 1440 / dpiX;
    const int top = pixels.top() * 1440 / dpiY;
    return QRect(left, top, (pixels.left() + pixels.width()) * 1440 / dpiX - left,
                 (pixels.top() + pixels.height()) * 1440 / dpiY - top);
}

} // namespace

class PageRenderTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void textOfTwoAndAHalfPagesPrintsOnThree();
    void pagesFollowEachOtherWithoutGapsOrRepeats();
    void renderingStaysInsideTheArea();
    void rangeStartsWhereItSays();
    void measuringDrawsNothing();
    void emptyAndInvalidRanges();
    void pageWithNothingThatFitsStillMovesOn();
    void emptyDocumentPrintsOnePage();
    void picturesAreDrawnAtTheirSize();
};

void PageRenderTest::textOfTwoAndAHalfPagesPrintsOnThree()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("entry.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    PrintToPdf(printer, path);
    const QRect area = Twips(Margins(printer), printer.logicalDpiX(), printer.logicalDpiY());

    // How many one-line paragraphs fill a page, measured on another device: the layout is
    // the same on every device.
    RichEdit edit;
    edit.StreamIn(Paragraphs(400).toStdString(), sfRichText);
    QImage scratch = Page();
    QPainter measure(&scratch);
    const int firstOfPageTwo = edit.FormatRange(&measure, area, 0, -1, false);
    measure.end();
    edit.FormatRangeDone();
    const int perPage = static_cast<int>(edit.document()->findBlock(firstOfPageTwo).blockNumber());
    QVERIFY(perPage > 10);

    edit.StreamIn(Paragraphs(perPage * 5 / 2).toStdString(), sfRichText);
    edit.SetPageRect(Margins(printer));
    edit.Print(printer, QStringLiteral("My Journal Entry For 08 September 2010"));
    QString title;
    QCOMPARE(PdfPages(path, &title), 3);
    QCOMPARE(title, QStringLiteral("My Journal Entry For 08 September 2010"));
    QVERIFY(!edit.Modified());
}

void PageRenderTest::pagesFollowEachOtherWithoutGapsOrRepeats()
{
    RichEdit edit;
    edit.StreamIn(testsupport::ReadFile(testsupport::SampleRtfDir() + QStringLiteral("/paragraphs.rtf")), sfRichText);
    QImage page = Page();
    QPainter painter(&page);
    const QRect area(720, 720, 2880, 1200); // two inches wide, five lines or so high
    std::vector<int> starts{0};
    for (int guard = 0; guard < 100; ++guard) {
        const int next = edit.FormatRange(&painter, area, starts.back(), -1, false);
        QVERIFY(next > starts.back());
        if (next >= edit.TextLength())
            break;
        starts.push_back(next);
    }
    QVERIFY(starts.size() >= 3);
    // Every page starts a line: rendering it again from there gives the same end.
    for (std::size_t i = 1; i < starts.size(); ++i) {
        edit.FormatRangeDone();
        QCOMPARE(edit.FormatRange(&painter, area, starts[i - 1], -1, false), starts[i]);
    }
}

void PageRenderTest::renderingStaysInsideTheArea()
{
    RichEdit edit;
    edit.StreamIn(Paragraphs(100).toStdString(), sfRichText);
    QImage page = Page();
    QPainter painter(&page);
    const QRect area(1440, 1440, 4320, 4320); // from one inch to four inches
    const int next = edit.FormatRange(&painter, area, 0, -1, true);
    painter.end();
    QVERIFY(next > 0 && next < edit.TextLength());
    const QRect ink = Ink(page);
    QVERIFY(!ink.isEmpty());
    QVERIFY2(QRect(96, 96, 288, 288).contains(ink), qPrintable(QStringLiteral("ink at %1,%2 %3x%4")
                                                                     .arg(ink.x()).arg(ink.y()).arg(ink.width()).arg(ink.height())));
    QVERIFY(ink.top() < 96 + 20); // the first line is at the top
    QVERIFY(ink.bottom() > 96 + 250);
}

void PageRenderTest::rangeStartsWhereItSays()
{
    RichEdit whole;
    whole.StreamIn("{\\rtf1{\\fonttbl{\\f0 Arial;}}\\f0 Hello world\\par more\\par}", sfRichText);
    RichEdit part;
    part.StreamIn("{\\rtf1{\\fonttbl{\\f0 Arial;}}\\f0 world\\par}", sfRichText);
    const QRect area(0, 0, 4320, 1440);
    QImage fromWhole = Page(400, 200);
    QImage fromPart = Page(400, 200);
    QPainter a(&fromWhole);
    QPainter b(&fromPart);
    QCOMPARE(whole.FormatRange(&a, area, 6, 11, true), 11);
    QCOMPARE(part.FormatRange(&b, area, 0, 5, true), 5);
    a.end();
    b.end();
    QVERIFY(!Ink(fromPart).isEmpty());
    QCOMPARE(fromWhole, fromPart);
}

void PageRenderTest::measuringDrawsNothing()
{
    RichEdit edit;
    edit.StreamIn(Paragraphs(10).toStdString(), sfRichText);
    QImage page = Page();
    QPainter painter(&page);
    QCOMPARE(edit.FormatRange(&painter, QRect(0, 0, 5000, 20000), 0, -1, false), edit.TextLength());
    painter.end();
    QVERIFY(Ink(page).isEmpty());
}

void PageRenderTest::emptyAndInvalidRanges()
{
    RichEdit edit;
    edit.StreamIn(Paragraphs(3).toStdString(), sfRichText);
    QImage page = Page();
    QPainter painter(&page);
    const QRect area(0, 0, 5000, 5000);
    QCOMPARE(edit.FormatRange(&painter, area, 4, 4, true), 4);
    QCOMPARE(edit.FormatRange(nullptr, area, 0, -1, true), -1);
    QCOMPARE(edit.FormatRange(&painter, QRect(0, 0, 0, 100), 0, -1, true), -1);
    QCOMPARE(edit.FormatRange(&painter, area, 5, 2, true), -1);
    QCOMPARE(edit.FormatRange(&painter, area, -1, 2, true), -1);
    QCOMPARE(edit.FormatRange(&painter, area, 0, 100000, false), edit.TextLength());
    painter.end();
    QVERIFY(Ink(page).isEmpty());
}

void PageRenderTest::pageWithNothingThatFitsStillMovesOn()
{
    RichEdit edit;
    // A picture seven inches tall between two lines, on pages one inch tall.
    edit.StreamIn("{\\rtf1 a\\par{\\pict\\pngblip\\picw1\\pich1\\picwgoal1440\\pichgoal10080 00}\\par b\\par}", sfRichText);
    QImage page = Page();
    QPainter painter(&page);
    const QRect area(0, 0, 2880, 1440);
    QCOMPARE(edit.FormatRange(&painter, area, 0, -1, true), 2);
    QCOMPARE(edit.FormatRange(&painter, area, 2, -1, true), 4);
    QCOMPARE(edit.FormatRange(&painter, area, 4, -1, true), 5);
}

void PageRenderTest::emptyDocumentPrintsOnePage()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("empty.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    PrintToPdf(printer, path);
    RichEdit edit;
    edit.Print(printer, QStringLiteral("My Journal Entry For 01 January 2020"));
    QCOMPARE(PdfPages(path), 1);
}

void PageRenderTest::picturesAreDrawnAtTheirSize()
{
    QImage red(4, 3, QImage::Format_RGB32);
    red.fill(Qt::red);
    QByteArray emf(88, '\0');
    emf[0] = 1;
    emf.replace(40, 4, " EMF");
    const std::string rtf = "{\\rtf1{\\pict\\pngblip\\picw4\\pich3\\picwgoal720\\pichgoal360 " +
                            EncodePng(red).toHex().toStdString() + "}{\\pict\\emfblip\\picwgoal1440\\pichgoal720 " +
                            emf.toHex().toStdString() + "}}";
    RichEdit edit;
    edit.StreamIn(rtf, sfRichText);
    QImage page = Page(300, 200);
    QPainter painter(&page);
    QCOMPARE(edit.FormatRange(&painter, QRect(0, 0, 4000, 2000), 0, -1, true), 2);
    painter.end();
    const QRect bitmap = PixelsWhere(page, [](QRgb pixel) { return pixel == qRgb(255, 0, 0); });
    const QRect frame = PixelsWhere(page, [](QRgb pixel) { return pixel == qRgb(0x80, 0x80, 0x80); });
    QCOMPARE(bitmap.size(), QSize(48, 24));      // half an inch by a quarter
    QCOMPARE(frame.size(), QSize(96, 48));       // one inch by half an inch
    QCOMPARE(frame.left(), bitmap.right() + 1);  // side by side on one line
    QCOMPARE(frame.bottom(), bitmap.bottom());   // on the same base line
    QCOMPARE(page.pixel(frame.center()), qRgb(0xF0, 0xF0, 0xF0));
}

QTEST_MAIN(PageRenderTest)
#include "tst_pagerender.moc"
