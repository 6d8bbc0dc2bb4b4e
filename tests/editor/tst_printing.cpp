// Print through the toolbar, into PDF files read back with poppler's tools: pages, margins,
// the selected range, the job's title, the print dialog's choices and the failures.
#include "editor_fixture.h"

#include "editor/printing.h"

#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

using namespace quill;
using namespace quill::testing;

namespace {

QString Run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return QStringLiteral("<%1 failed: %2>").arg(program, QString::fromLocal8Bit(process.readAllStandardError()));
    return QString::fromUtf8(process.readAllStandardOutput());
}

int PageCount(const QString& pdf)
{
    const QRegularExpressionMatch m = QRegularExpression("Pages:\\s+(\\d+)").match(Run("pdfinfo", {pdf}));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

QString Title(const QString& pdf)
{
    const QRegularExpressionMatch m = QRegularExpression("Title:\\s+([^\\n]*)").match(Run("pdfinfo", {pdf}));
    return m.hasMatch() ? m.captured(1).trimmed() : QString();
}

// The text of one page (or all), its lines trimmed, empty lines left out.
QStringList PageLines(const QString& pdf, int page = 0)
{
    QStringList arguments;
    if (page > 0)
        arguments << "-f" << QString::number(page) << "-l" << QString::number(page);
    QStringList lines;
    for (const QString& line : Run("pdftotext", arguments << pdf << "-").split('\n'))
        if (!line.trimmed().isEmpty() && line.trimmed() != "\f")
            lines << line.trimmed().remove('\f');
    return lines;
}

struct Word {
    QRectF box; // points
    QString text;
};

QList<Word> Words(const QString& pdf)
{
    QList<Word> words;
    static const QRegularExpression word(
        "<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)</word>");
    auto it = word.globalMatch(Run("pdftotext", {"-bbox", pdf, "-"}));
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        words.append({QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                             QPointF(m.captured(3).toDouble(), m.captured(4).toDouble())),
                      m.captured(5)});
    }
    return words;
}

std::string Lines(int count)
{
    std::string body;
    for (int i = 1; i <= count; ++i)
        body += "Line " + std::to_string(i) + "\\par ";
    return Rtf(body);
}

} // namespace

class TestPrinting : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        run_ = std::make_unique<ProgramRun>();
        run_->start();
    }
    void cleanup()
    {
        run_->finish();
        run_.reset();
    }

    void marginsAreInPrinterPixels()
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        const QRect margins = PrintMarginRect(printer);
        QCOMPARE(margins.left(), 190);
        QCOMPARE(margins.top(), 150);
        QCOMPARE(margins.left() + margins.width(), printer.width() - 180);
        QCOMPARE(margins.top() + margins.height(), printer.height() - 100);
        // At 600 pixels per inch the left margin is 456 twips; the conversion truncates.
        QCOMPARE(PixelsToTwips(QRect(190, 150, 1000, 1001), 600, 300), QRect(456, 720, 2400, 4804));
    }

    void wholeEntryOfTwoAndAHalfPages()
    {
        // How many lines a page holds, from a first print of a long text.
        Load(Lines(400));
        const QString first = print(QPrinter::AllPages);
        const int perPage = int(PageLines(first, 1).size());
        QVERIFY2(perPage > 20, qPrintable(QString::number(perPage)));

        const int count = perPage * 5 / 2;
        Load(Lines(count));
        const QString pdf = print(QPrinter::AllPages);
        QCOMPARE(PageCount(pdf), 3);
        QStringList expected;
        for (int i = 1; i <= count; ++i)
            expected << QString("Line %1").arg(i);
        QCOMPARE(PageLines(pdf), expected); // every line once, in order, across the page breaks
        QCOMPARE(PageLines(pdf, 1).first(), QString("Line 1"));

        // Every word lies inside the margins.
        const QList<Word> words = Words(pdf);
        QCOMPARE(words.size(), 2 * count);
        for (const Word& w : words)
            QVERIFY2(marginsInPoints_.adjusted(-0.5, -0.5, 0.5, 0.5).contains(w.box), qPrintable(w.text));
        QCOMPARE(Title(pdf), "My Journal Entry For " + frmMain->RbPanel1->Caption());
        QCOMPARE(QApplication::focusWidget(), Editor());
        QVERIFY(!Editor()->Modified());
    }

    void aParagraphAcrossThePageBreakIsPrintedOnce()
    {
        QStringList words;
        for (int i = 1; i <= 2500; ++i)
            words << QString("w%1").arg(i);
        Load(Rtf(words.join(' ').toStdString()));
        const QString pdf = print(QPrinter::AllPages);
        QVERIFY(PageCount(pdf) >= 2);
        QStringList printed;
        for (const Word& w : Words(pdf))
            printed << w.text;
        QCOMPARE(printed, words);
        for (const Word& w : Words(pdf))
            QVERIFY2(marginsInPoints_.adjusted(-0.5, -0.5, 0.5, 0.5).contains(w.box), qPrintable(w.text));
    }

    void selection_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to"); // the last selected characters
        QTest::addColumn<QStringList>("printed");
        QTest::newRow("from the middle of a paragraph") << "avo" << "Del"
                                                        << QStringList{"avo Charlie", "Del"};
        QTest::newRow("one word") << "Charlie" << "Charlie" << QStringList{"Charlie"};
        QTest::newRow("nothing selected") << "Echo" << "" << QStringList{};
    }
    void selection()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        Load(Rtf("Alpha Bravo Charlie\\par Delta Echo"));
        const int start = PositionOf(from);
        const int end = to.isEmpty() ? start : PositionOf(to) + int(to.size());
        Select(start, end - start);
        const QString pdf = print(QPrinter::Selection);
        QCOMPARE(PageCount(pdf), 1);
        QTEST(PageLines(pdf), "printed");
        QCOMPARE(Title(pdf), "My Journal Entry For " + frmMain->RbPanel1->Caption());
        QCOMPARE(Editor()->SelStart(), start);
        QCOMPARE(Editor()->SelLength(), end - start);
    }

    void theDialogOffersTheSelectionAndKeepsTheLastRange()
    {
        Load(Rtf("text"));
        print(QPrinter::Selection);
        const PrintChoice& offered = run_->dialogs().printRequests.at(0);
        QVERIFY(offered.selectionAvailable);
        QVERIFY(offered.printToFileAvailable);
        QPrinter::PrintRange shown = QPrinter::AllPages;
        run_->dialogs().printAnswers.push_back([&shown](QPrinter& p) {
            shown = p.printRange();
            return false;
        });
        Click(ToolButton("ToolButton13"));
        QCOMPARE(shown, QPrinter::Selection);
    }

    void cancelledPrintChangesNothing()
    {
        Load(Rtf("text"));
        Editor()->SetPageRect(QRect(1, 2, 3, 4));
        run_->dialogs().printAnswers.push_back([](QPrinter&) { return false; });
        Click(ToolButton("ToolButton13"));
        QCOMPARE(Editor()->PageRect(), QRect(1, 2, 3, 4));
        QCOMPARE(QApplication::focusWidget(), Editor());
        QVERIFY(run_->dialogs().boxes.empty());
    }

    void aPictureTallerThanThePageEndsTheJob()
    {
        QImage tall(40, 20000, QImage::Format_RGB32);
        tall.fill(Qt::black);
        Load(Rtf("before\\par\\par after"));
        Editor()->SetSelStart(7);
        Editor()->InsertImage(tall);
        const QString pdf = print(QPrinter::AllPages);
        QCOMPARE(PageCount(pdf), 3);
        QCOMPARE(PageLines(pdf), (QStringList{"before", "after"}));
    }

    void aJobThatCannotStartIsReported()
    {
        Load(Rtf("text"));
        const QString nowhere = run_->path("no/such/folder/out.pdf");
        run_->dialogs().printAnswers.push_back([nowhere](QPrinter& p) {
            p.setOutputFormat(QPrinter::PdfFormat);
            p.setOutputFileName(nowhere);
            p.setPrintRange(QPrinter::Selection);
            return true;
        });
        Click(ToolButton("ToolButton13"));
        QCOMPARE(run_->dialogs().texts(), QStringList{"Printing failed: the printer cannot start the job"});
        QCOMPARE(run_->dialogs().boxes[0].title, QString("Quillmere"));
        QVERIFY(!QFile::exists(nowhere));
    }

private:
    // Prints the entry through the toolbar into a new PDF file and returns its path.
    QString print(QPrinter::PrintRange range)
    {
        const QString pdf = run_->path(QString("print-%1.pdf").arg(++prints_));
        run_->dialogs().printAnswers.push_back([this, pdf, range](QPrinter& p) {
            p.setOutputFormat(QPrinter::PdfFormat);
            p.setOutputFileName(pdf);
            p.setPrintRange(range);
            // The margins of the page in points, for the checks.
            const QRectF paint = p.pageLayout().paintRectPoints();
            const double scale = 72.0 / p.resolution();
            marginsInPoints_ = QRectF(paint.left() + 190 * scale, paint.top() + 150 * scale,
                                      (p.width() - 370) * scale, (p.height() - 250) * scale);
            return true;
        });
        frmMain->btnBold->setFocus();
        Click(ToolButton("ToolButton13"));
        return pdf;
    }

    std::unique_ptr<ProgramRun> run_;
    int prints_ = 0;
    QRectF marginsInPoints_;
};

QUILLMERE_APP_TEST_MAIN(TestPrinting)
#include "tst_printing.moc"
