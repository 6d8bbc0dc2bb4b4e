// The parts of the search window: the list of dates found, the date field, the tooltip's
// text around a match, and the drawing of a result row, pixel by pixel.
#include "app/app_fixture.h"
#include "app/appstyle.h"
#include "search/dateedit.h"
#include "search/match_snippet.h"
#include "search/result_row.h"
#include "search/ttypelist.h"
#include "platform/drawtext.h"
#include "ui/shapes.h"
#include "ui/windowlook.h"

#include <QPainter>
#include <QtTest>

using namespace quill;
using namespace quill::testing;

namespace {

QImage WhiteImage(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

// The shared image list as the main window fills it.
TImageList ProgramImages()
{
    TImageList images;
    for (int i = 0; i < 32; ++i)
        images.Add(ProgramPicture(QStringLiteral(":/icons/imagelist/%1").arg(i, 2, 10, QLatin1Char('0'))));
    return images;
}

// Image 20 rendered on white, as the rows show it.
QImage FolderOnWhite()
{
    QImage folder = WhiteImage(16, 16);
    QPainter p(&folder);
    p.drawImage(0, 0, ProgramImages().Image(kResultRowImage));
    return folder;
}

// The selected row's ground: flat cream down to line 12, then toward amber, the channels
// cut to whole numbers, amber on the last line.
QRgb GradientLine(int y)
{
    const QColor cream(255, 245, 221);
    const QColor amber(255, 210, 94);
    if (y <= 12)
        return cream.rgb();
    const double t = (y - 12) / 12.0;
    auto channel = [t](int a, int b) { return static_cast<int>(a + (b - a) * t); };
    return qRgb(channel(cream.red(), amber.red()), channel(cream.green(), amber.green()),
                channel(cream.blue(), amber.blue()));
}

QImage DrawRow(const QString& text, bool selected)
{
    const ResultRowPainter painter(ProgramImages());
    QImage image = WhiteImage(225, 25);
    QPainter p(&image);
    p.setFont(PixelFont(QStringLiteral("Arial"), 13));
    painter.Draw(p, QRect(0, 0, 225, 25), text, selected);
    return image;
}

// The row without text as the drawing rules give it.
QImage ExpectedRow(bool selected)
{
    QImage expected = WhiteImage(225, 25);
    const QRect R(0, 0, 225, 25);
    const QRegion clip = RoundRectRegion(R, 5, 5);
    const QRegion outline = RoundFrameRegion(QRect(0, 0, 224, 24), 5, 1);
    for (int y = 0; y < 25 && selected; ++y)
        for (int x = 0; x < 225; ++x)
            if (clip.contains(QPoint(x, y)))
                expected.setPixel(x, y, outline.contains(QPoint(x, y)) ? qRgb(197, 197, 197) : GradientLine(y));
    const QImage folder = FolderOnWhite();
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            if (folder.pixel(x, y) != qRgb(255, 255, 255))
                expected.setPixel(4 + x, 4 + y, folder.pixel(x, y));
    return expected;
}

QString Describe(const QImage& actual, const QImage& expected)
{
    for (int y = 0; y < actual.height(); ++y)
        for (int x = 0; x < actual.width(); ++x)
            if (actual.pixel(x, y) != expected.pixel(x, y))
                return QStringLiteral("first difference at %1,%2: %3, expected %4")
                    .arg(x).arg(y).arg(actual.pixel(x, y) & 0xFFFFFF, 6, 16).arg(expected.pixel(x, y) & 0xFFFFFF, 6, 16);
    return {};
}

} // namespace

class TestSearchParts : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { InitProgramResources(); }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void typeListKeepsTheOrderOfAdding()
    {
        TTypeList list;
        QVERIFY(list.IsEmpty());
        QCOMPARE(list.Count(), 0);
        for (const double date : {45003.0, 45001.0, 45002.0, 45001.0})
            list.Add(date);
        QVERIFY(!list.IsEmpty());
        QCOMPARE(list.Count(), 4);
        QCOMPARE(list.GetItem(0), 45003.0);
        QCOMPARE(list.GetItem(1), 45001.0);
        QCOMPARE(list.GetItem(3), 45001.0);
        std::vector<double> visited;
        list.ForEach([&visited](double date) { visited.push_back(date); });
        QCOMPARE(visited, (std::vector<double>{45003.0, 45001.0, 45002.0, 45001.0}));
    }

    void aLongListGoesQuietly()
    {
        auto list = std::make_unique<TTypeList>();
        for (int i = 0; i < 1'000'000; ++i)
            list->Add(i);
        QCOMPARE(list->Count(), 1'000'000);
        list.reset(); // no recursion a node deep
    }

    void snippetAroundTheFirstMatch_data()
    {
        QTest::addColumn<QString>("plain");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("snippet");
        const QString ellipsis(QChar(0x2026));
        QTest::newRow("short text, whole") << "A walk in the park." << "WALK" << "A <b>walk</b> in the park.";
        QTest::newRow("the first of two") << "walk, then walk" << "walk" << "<b>walk</b>, then walk";
        QTest::newRow("inside a longer word") << "we walked home" << "walk" << "we <b>walk</b>ed home";
        QTest::newRow("line ends become spaces") << "rain\nwalk\tlate" << "walk" << "rain <b>walk</b> late";
        QTest::newRow("markup is shown as text") << "a <b> & walk" << "walk" << "a &lt;b&gt; &amp; <b>walk</b>";
        QTest::newRow("no match") << "rain all day" << "walk" << "";
        const QString before = QString(60, u'a');
        const QString after = QString(60, u'z');
        QTest::newRow("cut on both sides")
            << before + "walk" + after << "walk"
            << ellipsis + QString(38, u'a') + "<b>walk</b>" + QString(38, u'z') + ellipsis;
        QTest::newRow("near the start: the rest goes after")
            << "ab walk " + QString(100, u'z') << "walk" << "ab <b>walk</b> " + QString(72, u'z') + ellipsis;
        QTest::newRow("near the end: the rest goes before")
            << QString(100, u'a') + "walk" << "walk" << ellipsis + QString(76, u'a') + "<b>walk</b>";
    }
    void snippetAroundTheFirstMatch()
    {
        QFETCH(QString, plain);
        QFETCH(QString, text);
        QFETCH(QString, snippet);
        QCOMPARE(MatchSnippet(plain, text), snippet);
    }

    void dateFieldReadsAndShowsTheRegionalFormat_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QString>("shown");
        const QLocale us(QLocale::English, QLocale::UnitedStates);
        const QLocale de(QLocale::German, QLocale::Germany);
        const QLocale gb(QLocale::English, QLocale::UnitedKingdom);
        const QDate today = QDate::currentDate();
        QTest::newRow("two-digit format, four-digit year") << us << "3/5/2024" << QDate(2024, 3, 5) << "3/5/24";
        QTest::newRow("two-digit format, two-digit year") << us << "3/5/24" << QDate(2024, 3, 5) << "3/5/24";
        QTest::newRow("two digits of the last century") << us << "12/31/99" << QDate(1999, 12, 31) << "12/31/99";
        QTest::newRow("German, four-digit year") << de << "05.03.2024" << QDate(2024, 3, 5) << "05.03.24";
        QTest::newRow("four-digit format") << gb << "05/03/2024" << QDate(2024, 3, 5) << "05/03/2024";
        QTest::newRow("not a date") << us << "soon" << today << us.toString(today, us.dateFormat(QLocale::ShortFormat));
        QTest::newRow("empty") << gb << "" << today << gb.toString(today, gb.dateFormat(QLocale::ShortFormat));
        QTest::newRow("no such day") << gb << "31/02/2024" << today << gb.toString(today, gb.dateFormat(QLocale::ShortFormat));
    }
    void dateFieldReadsAndShowsTheRegionalFormat()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, typed);
        QFETCH(QDate, date);
        QFETCH(QString, shown);
        QLocale::setDefault(locale);
        QWidget window;
        auto* field = new TDateEdit(&window); // owned by the window
        auto* next = new QLineEdit(&window);  // where the focus goes
        next->move(0, 40);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        field->setFocus();
        const QString before = field->Text();
        QSignalSpy changes(field, &TDateEdit::OnChange);
        field->SetText(typed);
        QCOMPARE(changes.count() > 0, typed != before); // each change of the text is told
        QCOMPARE(field->Date(), date);
        next->setFocus(); // leaving the field writes its date in the regional format
        QTRY_COMPARE(field->Text(), shown);
        QCOMPARE(field->Date(), date);
    }

    void selectedRowPixels()
    {
        const QImage row = DrawRow(QString(), true);
        QCOMPARE(row.pixel(100, 0), qRgb(197, 197, 197));     // the outline's top
        QCOMPARE(row.pixel(100, 23), qRgb(197, 197, 197));    // and its bottom, one pixel inside
        QCOMPARE(row.pixel(223, 12), qRgb(197, 197, 197));
        QCOMPARE(row.pixel(224, 12), qRgb(255, 245, 221));    // right of the outline: the ground
        QCOMPARE(row.pixel(100, 5), qRgb(255, 245, 221));     // flat cream
        QCOMPARE(row.pixel(100, 18), qRgb(255, 227, 157));    // half way to amber
        QCOMPARE(row.pixel(100, 24), qRgb(255, 210, 94));     // amber, below the outline
        QCOMPARE(row.pixel(0, 0), qRgb(255, 255, 255));       // the rounded corners are not painted
        QCOMPARE(row.pixel(224, 24), qRgb(255, 255, 255));
        const QImage expected = ExpectedRow(true);
        QVERIFY2(row == expected, qPrintable(Describe(row, expected)));
    }

    void unselectedRowPixels()
    {
        const QImage row = DrawRow(QString(), false);
        const QImage expected = ExpectedRow(false);
        QVERIFY2(row == expected, qPrintable(Describe(row, expected)));
    }

    void rowTextStartsBesideThePicture_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("selected");
        QTest::newRow("a date") << "08 September 2010" << false;
        QTest::newRow("a date, selected") << "08 September 2010" << true;
        QTest::newRow("too long: cut with an ellipsis") << QString("30 September 2010 ").repeated(3) << false;
    }
    void rowTextStartsBesideThePicture()
    {
        QFETCH(QString, text);
        QFETCH(bool, selected);
        const QImage row = DrawRow(text, selected);
        QImage expected = ExpectedRow(selected);
        {
            QPainter p(&expected);
            p.setFont(PixelFont(QStringLiteral("Arial"), 13));
            p.setPen(Qt::black);
            QRect T(25, 4, 200, 21);
            DrawText(p, text, T, DT_SINGLELINE | DT_LEFT | DT_NOPREFIX | DT_END_ELLIPSIS);
        }
        QVERIFY2(row == expected, qPrintable(Describe(row, expected)));
        // Black text begins right of the picture's column and below the row's top.
        int left = row.width();
        int top = row.height();
        for (int y = 0; y < row.height(); ++y)
            for (int x = 20; x < row.width(); ++x)
                if (qGray(row.pixel(x, y)) < 100) {
                    left = std::min(left, x);
                    top = std::min(top, y);
                }
        QVERIFY2(left >= 25 && left <= 27, qPrintable(QString::number(left)));
        QVERIFY2(top >= 4, qPrintable(QString::number(top)));
        if (text.size() > 40)
            QVERIFY(MeasureText(PixelFont(QStringLiteral("Arial"), 13), text, DT_SINGLELINE).width() > 200);
    }
};

QUILLMERE_APP_TEST_MAIN(TestSearchParts)
#include "tst_searchparts.moc"
