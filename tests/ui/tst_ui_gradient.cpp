#include "ui/gradient.h"
#include "uitesting.h"

#include <QPainter>
#include <QtTest>

using namespace quill;
using namespace quill::testing;

class TestGradient : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void twoColoursGiveExactGreyLevels();
    void bandBoundaries_data();
    void bandBoundaries();
    void repeatedColourGivesFlatHalf();
    void systemColourIsResolved();
    void fewerThanTwoColoursFailsUntouched_data();
    void fewerThanTwoColoursFailsUntouched();
    void smallExtentsStayInside_data();
    void smallExtentsStayInside();
};

void TestGradient::twoColoursGiveExactGreyLevels()
{
    QImage image = Filled(3, 5, clRed);
    QPainter painter(&image);
    DrawGradient(painter, QRect(0, 0, 3, 5), {clWhite, clBlack}, false);
    painter.end();
    const int expected[] = {255, 191, 127, 63, 0};
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 3; ++x)
            QCOMPARE(PixelAt(image, x, y), RGBColor(expected[y], expected[y], expected[y]));
}

void TestGradient::bandBoundaries_data()
{
    QTest::addColumn<int>("extent");
    QTest::addColumn<bool>("horizontal");
    QTest::addColumn<int>("band");      // B
    QTest::addColumn<int>("lastLength"); // L of the last band

    QTest::newRow("search row, 25 high") << 25 << false << 12 << 12;
    QTest::newRow("menu column, 26 wide") << 26 << true << 13 << 12;
    QTest::newRow("extent 7") << 7 << false << 4 << 2;
}

// Three colours red, green and blue: band 0 runs from red at 0 to green at B; the last band
// from green at B to blue at the last line, with t = j / L along it.
void TestGradient::bandBoundaries()
{
    QFETCH(int, extent);
    QFETCH(bool, horizontal);
    QFETCH(int, band);
    QFETCH(int, lastLength);

    const TColor a = RGBColor(240, 0, 0), b = RGBColor(0, 240, 0), c = RGBColor(0, 0, 240);
    const int across = 2;
    QImage image = horizontal ? Filled(extent + 2, across, clWhite) : Filled(across, extent + 2, clWhite);
    QPainter painter(&image);
    DrawGradient(painter, horizontal ? QRect(0, 0, extent, across) : QRect(0, 0, across, extent), {a, b, c}, horizontal);
    painter.end();
    auto at = [&](int p) { return horizontal ? PixelAt(image, p, 1) : PixelAt(image, 1, p); };

    QCOMPARE(at(0), a);
    for (int j = 0; j <= band; ++j) {
        const int g = static_cast<int>(240.0 * j / band);
        QCOMPARE(at(j), RGBColor(static_cast<int>(240 + (0 - 240) * (static_cast<double>(j) / band)), g, 0));
    }
    QCOMPARE(at(band), b);
    for (int j = 0; j <= lastLength; ++j) {
        const double t = static_cast<double>(j) / lastLength;
        QCOMPARE(at(band + j), RGBColor(0, static_cast<int>(240 - 240 * t), static_cast<int>(240 * t)));
    }
    QCOMPARE(band + lastLength, extent - 1);
    QCOMPARE(at(extent - 1), c);
    // Nothing past the rectangle.
    QCOMPARE(at(extent), clWhite);
    QCOMPARE(at(extent + 1), clWhite);
}

void TestGradient::repeatedColourGivesFlatHalf()
{
    const TColor a = RGBColor(10, 20, 30), z = RGBColor(210, 220, 230);
    QImage image = Filled(1, 21, clBlack);
    QPainter painter(&image);
    DrawGradient(painter, QRect(0, 0, 1, 21), {a, a, z}, false);
    painter.end();
    for (int y = 0; y <= 10; ++y)
        QCOMPARE(PixelAt(image, 0, y), a);
    QCOMPARE(PixelAt(image, 0, 20), z);
    QVERIFY(PixelAt(image, 0, 15) != a && PixelAt(image, 0, 15) != z);
}

void TestGradient::systemColourIsResolved()
{
    QImage image = Filled(1, 4, clBlack);
    QPainter painter(&image);
    DrawGradient(painter, QRect(0, 0, 1, 4), {clBtnFace, clBtnFace}, false);
    painter.end();
    QCOMPARE(PixelAt(image, 0, 2), ColorToRGB(clBtnFace));
    QVERIFY(PixelAt(image, 0, 2) == FromQColor(QGuiApplication::palette().color(QPalette::Button)));
}

void TestGradient::fewerThanTwoColoursFailsUntouched_data()
{
    QTest::addColumn<std::vector<TColor>>("colors");
    QTest::newRow("none") << std::vector<TColor>{};
    QTest::newRow("one") << std::vector<TColor>{clBlue};
}

void TestGradient::fewerThanTwoColoursFailsUntouched()
{
    QFETCH(std::vector<TColor>, colors);
    QImage image = Filled(4, 4, clRed);
    QPainter painter(&image);
    const QPen pen(QColor(1, 2, 3), 7, Qt::DashLine);
    painter.setPen(pen);
    try {
        DrawGradient(painter, QRect(0, 0, 4, 4), colors, false);
        QFAIL("no failure");
    } catch (const ArithmeticError& error) {
        QCOMPARE(QString::fromUtf8(error.what()), QStringLiteral("Please specify at least two colors."));
    }
    QCOMPARE(painter.pen(), pen);
    painter.end();
    QCOMPARE(image, Filled(4, 4, clRed));
}

void TestGradient::smallExtentsStayInside_data()
{
    QTest::addColumn<int>("colours");
    QTest::addColumn<int>("extent");
    QTest::newRow("five colours over 6") << 5 << 6;
    QTest::newRow("five colours over 1") << 5 << 1;
    QTest::newRow("three colours over 2") << 3 << 2;
    QTest::newRow("two colours over 1") << 2 << 1;
    QTest::newRow("empty") << 3 << 0;
    QTest::newRow("inverted") << 3 << -4;
}

void TestGradient::smallExtentsStayInside()
{
    QFETCH(int, colours);
    QFETCH(int, extent);
    std::vector<TColor> list;
    for (int i = 0; i < colours; ++i)
        list.push_back(RGBColor(0, 40 * i, 0));
    QImage image = Filled(12, 3, clRed);
    QPainter painter(&image);
    const QPen pen(QColor(9, 9, 9));
    painter.setPen(pen);
    DrawGradient(painter, QRect(2, 1, extent, 1), list, true);
    QCOMPARE(painter.pen(), pen);
    painter.end();
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 12; ++x) {
            const bool inside = y == 1 && x >= 2 && x < 2 + extent;
            if (!inside)
                QCOMPARE(PixelAt(image, x, y), clRed);
            else
                QCOMPARE(RedOf(PixelAt(image, x, y)), 0);
        }
}

QTEST_MAIN(TestGradient)
#include "tst_ui_gradient.moc"
