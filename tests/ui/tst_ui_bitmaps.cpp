#include "platform/drawtext.h"
#include "ui/bitmaps.h"
#include "ui/shapes.h"
#include "ui/styledtext.h"
#include "uitesting.h"

#include <QPainter>
#include <QtTest>

using namespace quill;
using namespace quill::testing;

Q_DECLARE_METATYPE(quill::TGradientType)

class TestBitmaps : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void verticalColumnNeverReachesTo();
    void gradientEnds_data();
    void gradientEnds();
    void equalColoursFillFlat();
    void regionLimitsTheGradient();
    void zeroLengthGivesFrom_data();
    void zeroLengthGivesFrom();
    void emptyBitmapIsLeftAlone();
    void tintWithWhiteAndBlack();
    void blendRoundsHalfToEven();
    void blendStaysInsideBothBitmaps();
    void copyWithOverlayShiftsAndMixes();
    void copyWithOverlayOntoItself();
    void downsampleAveragesTheBandAndFillsInside();
    void downsampleOfTooSmallSourceStillFills();
    void textFormatFlags_data();
    void textFormatFlags();
    void measuringEmptyTextGivesOneLine();
    void prefixesAreProcessed();
    void textPlacement_data();
    void textPlacement();
    void longTextEndsInEllipsisInsideItsRectangle();
    void roundedBoxCorners();
    void frameSpreadsAcrossTheEdge();
    void transparentPixelsFollowTheOriginalPicture();
};

void TestBitmaps::verticalColumnNeverReachesTo()
{
    QImage image = NewBitmap(1, 3);
    PaintGradient(image, image.rect(), clBlack, nullptr, gtVertical, clWhite);
    QCOMPARE(PixelAt(image, 0, 0), RGBColor(0, 0, 0));
    QCOMPARE(PixelAt(image, 0, 1), RGBColor(85, 85, 85));
    QCOMPARE(PixelAt(image, 0, 2), RGBColor(170, 170, 170));
}

void TestBitmaps::gradientEnds_data()
{
    QTest::addColumn<TGradientType>("type");
    QTest::addColumn<QPoint>("fromPixel");
    QTest::addColumn<QPoint>("farPixel");
    // 11 x 7 from black to a grey of 200: the pixel at distance 0 and one far away.
    QTest::newRow("horizontal") << gtHorizontal << QPoint(0, 3) << QPoint(10, 3);
    QTest::newRow("vertical") << gtVertical << QPoint(5, 0) << QPoint(5, 6);
    QTest::newRow("from top left") << gtFromTopLeft << QPoint(0, 0) << QPoint(10, 6);
    QTest::newRow("from top right") << gtFromTopRight << QPoint(10, 0) << QPoint(0, 6);
    QTest::newRow("radial") << gtRadial << QPoint(5, 3) << QPoint(0, 0);
    QTest::newRow("double horizontal") << gtDoubleHorz << QPoint(5, 3) << QPoint(0, 3);
    QTest::newRow("double vertical") << gtDoubleVert << QPoint(5, 3) << QPoint(5, 6);
}

void TestBitmaps::gradientEnds()
{
    QFETCH(TGradientType, type);
    QFETCH(QPoint, fromPixel);
    QFETCH(QPoint, farPixel);
    QImage image = NewBitmap(11, 7);
    PaintGradient(image, image.rect(), clBlack, nullptr, type, RGBColor(200, 200, 200));
    // From the top right the distance runs from the right edge, so the last column is 1 away.
    const TColor first = type == gtFromTopRight ? RGBColor(15, 15, 15) : clBlack;
    QCOMPARE(PixelAt(image, fromPixel.x(), fromPixel.y()), first);
    QVERIFY(RedOf(PixelAt(image, farPixel.x(), farPixel.y())) > 150);
}

void TestBitmaps::equalColoursFillFlat()
{
    QImage image = NewBitmap(9, 9);
    const QRegion region(QRect(2, 2, 3, 3));
    PaintGradient(image, image.rect(), clBlue, &region, gtRadial, clBlue);
    QCOMPARE(PixelAt(image, 3, 3), clBlue);
    QCOMPARE(PixelAt(image, 0, 0), clBlack);
    PaintGradient(image, image.rect(), clBlue, nullptr, gtRadial, clBlue);
    QCOMPARE(image, Filled(9, 9, clBlue).convertToFormat(image.format()));
}

void TestBitmaps::regionLimitsTheGradient()
{
    QImage image = NewBitmap(10, 10);
    FillBitmap(image, image.rect(), clRed);
    const QRegion region(QRect(0, 5, 10, 5));
    PaintGradient(image, image.rect(), clBlack, &region, gtVertical, RGBColor(100, 100, 100));
    QCOMPARE(PixelAt(image, 4, 4), clRed);
    // Distances count from the rectangle's top, not from the region's.
    QCOMPARE(PixelAt(image, 4, 5), RGBColor(50, 50, 50));
}

void TestBitmaps::zeroLengthGivesFrom_data()
{
    QTest::addColumn<TGradientType>("type");
    QTest::addColumn<QSize>("size");
    QTest::newRow("double horizontal, 1 wide") << gtDoubleHorz << QSize(1, 4);
    QTest::newRow("double vertical, 1 high") << gtDoubleVert << QSize(4, 1);
    QTest::newRow("radial, 1 x 1") << gtRadial << QSize(1, 1);
}

void TestBitmaps::zeroLengthGivesFrom()
{
    QFETCH(TGradientType, type);
    QFETCH(QSize, size);
    QImage image = NewBitmap(size.width(), size.height());
    PaintGradient(image, image.rect(), RGBColor(10, 20, 30), nullptr, type, clWhite);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            QCOMPARE(PixelAt(image, x, y), RGBColor(10, 20, 30));
}

void TestBitmaps::emptyBitmapIsLeftAlone()
{
    QImage image;
    PaintGradient(image, QRect(0, 0, 5, 5), clBlack, nullptr, gtVertical, clWhite);
    QVERIFY(image.isNull());
}

void TestBitmaps::tintWithWhiteAndBlack()
{
    QImage picture = NewBitmap(2, 1);
    FillBitmap(picture, QRect(0, 0, 1, 1), RGBColor(30, 60, 91));
    FillBitmap(picture, QRect(1, 0, 1, 1), RGBColor(255, 0, 255));
    QImage white = picture;
    TintBitmap(white, clWhite);
    QCOMPARE(PixelAt(white, 0, 0), clWhite);
    QCOMPARE(PixelAt(white, 1, 0), clWhite);
    TintBitmap(picture, clBlack);
    QCOMPARE(PixelAt(picture, 0, 0), RGBColor(60, 60, 60));
    QCOMPARE(PixelAt(picture, 1, 0), RGBColor(170, 170, 170));
    QImage lifted = NewBitmap(1, 1);
    FillBitmap(lifted, lifted.rect(), RGBColor(200, 250, 220));
    TintBitmap(lifted, 0x00404040);
    QCOMPARE(PixelAt(lifted, 0, 0), RGBColor(255, 255, 255));
}

void TestBitmaps::blendRoundsHalfToEven()
{
    QImage target = NewBitmap(2, 1);
    FillBitmap(target, QRect(0, 0, 1, 1), RGBColor(0, 1, 3));
    FillBitmap(target, QRect(1, 0, 1, 1), RGBColor(200, 200, 200));
    QImage overlay = NewBitmap(2, 1);
    FillBitmap(overlay, overlay.rect(), RGBColor(255, 0, 0));
    BlendBitmaps(target, overlay, QRect(0, 0, 1, 1), 50);
    // 127.5 goes to 128, 0.5 to 0, 1.5 to 2.
    QCOMPARE(PixelAt(target, 0, 0), RGBColor(128, 0, 2));
    QCOMPARE(PixelAt(target, 1, 0), RGBColor(200, 200, 200));
}

void TestBitmaps::blendStaysInsideBothBitmaps()
{
    QImage target = Filled(4, 4, clBlack);
    const QImage overlay = Filled(2, 2, clWhite);
    BlendBitmaps(target, overlay, QRect(3, 3, 10, 10), 100);
    QCOMPARE(PixelAt(target, 3, 3), clWhite);
    QCOMPARE(PixelAt(target, 2, 3), clBlack);
    BlendBitmaps(target, overlay, QRect(-5, -5, 4, 4), 100);
    QCOMPARE(PixelAt(target, 0, 0), clBlack);
}

void TestBitmaps::copyWithOverlayShiftsAndMixes()
{
    QImage source = NewBitmap(3, 3);
    FillBitmap(source, source.rect(), RGBColor(100, 100, 100));
    FillBitmap(source, QRect(0, 0, 1, 1), RGBColor(10, 10, 10));
    const QImage overlay = Filled(3, 3, RGBColor(200, 200, 200));
    QImage target = Filled(3, 3, clRed);
    CopyWithOverlay(target, source, overlay, 1, target.rect(), 0);
    QCOMPARE(PixelAt(target, 0, 0), clRed);
    QCOMPARE(PixelAt(target, 1, 1), RGBColor(10, 10, 10));
    QCOMPARE(PixelAt(target, 2, 2), RGBColor(100, 100, 100));
    CopyWithOverlay(target, source, overlay, 1, target.rect(), 250);
    QCOMPARE(PixelAt(target, 1, 1), RGBColor(200, 200, 200));
}

void TestBitmaps::copyWithOverlayOntoItself()
{
    QImage image = NewBitmap(3, 1);
    FillBitmap(image, QRect(0, 0, 1, 1), RGBColor(1, 1, 1));
    FillBitmap(image, QRect(1, 0, 1, 1), RGBColor(2, 2, 2));
    FillBitmap(image, QRect(2, 0, 1, 1), RGBColor(3, 3, 3));
    CopyWithOverlay(image, image, image, 1, QRect(0, -1, 3, 2), 0);
    QCOMPARE(PixelAt(image, 0, 0), RGBColor(1, 1, 1));
    QCOMPARE(PixelAt(image, 1, 0), RGBColor(1, 1, 1));
    QCOMPARE(PixelAt(image, 2, 0), RGBColor(2, 2, 2));
}

void TestBitmaps::downsampleAveragesTheBandAndFillsInside()
{
    // A 3x source with a distinct 3 x 3 block for every target pixel.
    const int F = 3;
    QImage source = NewBitmap(10 * F, 8 * F);
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x)
            FillBitmap(source, QRect(x, y, 1, 1), RGBColor((x % 3) * 10 + (x / 3), y % 3, 200));
    QImage target = Filled(10, 8, clRed);
    DownsampleEdges(source, target, F, clWhite, 4);  // M = 2
    // Band pixels: channel sums divided by 9, rounding down.
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 10; ++x) {
            const bool band = x < 2 || y < 2 || x >= 8 || y >= 6;  // the fill covers x, y = M
            const TColor pixel = PixelAt(target, x, y);
            if (!band) {
                QCOMPARE(pixel, clWhite);
                continue;
            }
            const int red = (3 * (0 + 10 + 20) + 9 * x) / 9;  // (x*3+i)/3 = x for i < 3
            QCOMPARE(pixel, RGBColor(red, (3 * (0 + 1 + 2)) / 9, 200));
        }
}

void TestBitmaps::downsampleOfTooSmallSourceStillFills()
{
    const QImage source = Filled(7, 7, RGBColor(90, 90, 90));
    QImage target = Filled(6, 6, clRed);
    DownsampleEdges(source, target, 3, clBlue, 0);  // margin F: M = 1
    QCOMPARE(PixelAt(target, 0, 0), RGBColor(90, 90, 90));
    QCOMPARE(PixelAt(target, 1, 0), RGBColor(90, 90, 90));
    QCOMPARE(PixelAt(target, 2, 0), clRed);  // its block runs past the source: sampling ended
    QCOMPARE(PixelAt(target, 0, 5), clRed);
    QCOMPARE(PixelAt(target, 1, 1), clBlue);
    QCOMPARE(PixelAt(target, 4, 4), clBlue);
}

void TestBitmaps::textFormatFlags_data()
{
    QTest::addColumn<int>("alignment");
    QTest::addColumn<bool>("wrap");
    QTest::addColumn<unsigned>("flags");
    const unsigned always = DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;
    QTest::newRow("left") << int(TextAlignment::Left) << false << (always | DT_SINGLELINE);
    QTest::newRow("right, wrapped") << int(TextAlignment::Right) << true << (always | DT_RIGHT | DT_WORDBREAK);
    QTest::newRow("centre") << int(TextAlignment::Center) << false << (always | DT_CENTER | DT_SINGLELINE);
}

void TestBitmaps::textFormatFlags()
{
    QFETCH(int, alignment);
    QFETCH(bool, wrap);
    QFETCH(unsigned, flags);
    QCOMPARE(TextFormatFlags(static_cast<TextAlignment>(alignment), wrap), flags);
}

void TestBitmaps::measuringEmptyTextGivesOneLine()
{
    QFont font;
    font.setPixelSize(13);
    const QFontMetrics metrics(font);
    const QSize empty = MeasureText(font, QString(), DT_EXTERNALLEADING);
    QCOMPARE(empty.width(), 0);
    QCOMPARE(empty.height(), metrics.height() + std::max(0, metrics.leading()));
    QCOMPARE(MeasureText(font, QStringLiteral("a\nb"), 0).height(), 2 * metrics.height());
    QCOMPARE(MeasureText(font, QStringLiteral("a\nb"), DT_SINGLELINE).height(), metrics.height());
}

void TestBitmaps::prefixesAreProcessed()
{
    QCOMPARE(DisplayedText(QStringLiteral("&Save && &Close&"), 0), QStringLiteral("Save & Close"));
    QCOMPARE(DisplayedText(QStringLiteral("&Save"), DT_NOPREFIX), QStringLiteral("&Save"));
    QFont font;
    font.setPixelSize(13);
    QCOMPARE(MeasureText(font, QStringLiteral("&Save"), DT_SINGLELINE).width(),
             MeasureText(font, QStringLiteral("Save"), DT_SINGLELINE).width());
}

namespace {

// The bounding box of the pixels that are not white.
QRect InkBounds(const QImage& image)
{
    QRect bounds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (PixelAt(image, x, y) != clWhite)
                bounds = bounds.united(QRect(x, y, 1, 1));
    return bounds;
}

QImage TextImage(const QString& text, const QRect& rect, unsigned flags)
{
    QImage image = Filled(200, 60, clWhite);
    QPainter painter(&image);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(14);
    painter.setFont(font);
    painter.setPen(Qt::black);
    QRect r = rect;
    DrawText(painter, text, r, flags);
    return image;
}

} // namespace

void TestBitmaps::textPlacement_data()
{
    QTest::addColumn<unsigned>("flags");
    QTest::addColumn<int>("horizontal");  // -1 left, 0 centred, 1 right
    QTest::addColumn<int>("vertical");    // -1 top, 0 centred, 1 bottom
    QTest::newRow("top left") << (DT_SINGLELINE) << -1 << -1;
    QTest::newRow("centred") << (DT_SINGLELINE | DT_CENTER | DT_VCENTER) << 0 << 0;
    QTest::newRow("bottom right") << (DT_SINGLELINE | DT_RIGHT | DT_BOTTOM) << 1 << 1;
    QTest::newRow("vertical centring needs a single line") << unsigned(DT_VCENTER) << -1 << -1;
}

void TestBitmaps::textPlacement()
{
    QFETCH(unsigned, flags);
    QFETCH(int, horizontal);
    QFETCH(int, vertical);
    const QRect rect(20, 5, 160, 50);
    const QRect ink = InkBounds(TextImage(QStringLiteral("Mm"), rect, flags));
    QVERIFY(rect.contains(ink));
    const int left = ink.left() - rect.left();
    const int right = rect.right() - ink.right();
    const int top = ink.top() - rect.top();
    const int bottom = rect.bottom() - ink.bottom();
    if (horizontal < 0)
        QVERIFY(left <= 3);
    else if (horizontal > 0)
        QVERIFY(right <= 3);
    else
        QVERIFY(std::abs(left - right) <= 3);
    if (vertical < 0)
        QVERIFY(top <= 6);
    else if (vertical > 0)
        QVERIFY(bottom <= 6);
    else
        QVERIFY(std::abs(top - bottom) <= 4);
}

void TestBitmaps::longTextEndsInEllipsisInsideItsRectangle()
{
    const QString text = QStringLiteral("A caption far too long for its rectangle");
    const QRect rect(10, 10, 80, 20);
    const QImage clipped = TextImage(text, rect, DT_SINGLELINE);
    QVERIFY(rect.contains(InkBounds(clipped)));
    const QImage ellipsis = TextImage(text, rect, DT_SINGLELINE | DT_END_ELLIPSIS);
    QVERIFY(rect.contains(InkBounds(ellipsis)));
    QVERIFY(ellipsis != clipped);
    // Nothing is drawn at all when only measuring.
    QCOMPARE(InkBounds(TextImage(text, rect, DT_SINGLELINE | DT_CALCRECT)), QRect());
}

void TestBitmaps::roundedBoxCorners()
{
    // A 10 x 10 box with a 10 x 10 ellipse is a disc: corners out, edge middles in.
    const QRegion disc = RoundRectRegion(QRect(0, 0, 10, 10), 10, 10);
    QVERIFY(!disc.contains(QPoint(0, 0)));
    QVERIFY(!disc.contains(QPoint(9, 9)));
    QVERIFY(disc.contains(QPoint(0, 5)));
    QVERIFY(disc.contains(QPoint(5, 0)));
    QVERIFY(disc.contains(QPoint(9, 4)));
    // No ellipse: the whole box.
    QCOMPARE(RoundRectRegion(QRect(2, 3, 4, 5), 0, 0), QRegion(QRect(2, 3, 4, 5)));
}

void TestBitmaps::frameSpreadsAcrossTheEdge()
{
    // A 5-pixel pen on a box inset by 2 ends exactly at the bitmap's edges.
    QImage image = Filled(20, 12, clWhite);
    DrawRoundRect(image, QRect(2, 2, 16, 8), 0, 5, clBlack, RGBColor(1, 2, 3));
    for (int x = 0; x < 20; ++x) {
        QCOMPARE(PixelAt(image, x, 0), clBlack);
        QCOMPARE(PixelAt(image, x, 4), clBlack);
    }
    QCOMPARE(PixelAt(image, 4, 6), clBlack);
    QCOMPARE(PixelAt(image, 5, 5), RGBColor(1, 2, 3));
    QCOMPARE(PixelAt(image, 14, 6), RGBColor(1, 2, 3));
    QCOMPARE(PixelAt(image, 15, 6), clBlack);
    QCOMPARE(PixelAt(image, 19, 11), clBlack);
    // Without a brush the inside is left alone.
    QImage outline = Filled(6, 6, clWhite);
    DrawRoundRect(outline, QRect(0, 0, 6, 6), 0, 1, clBlack, std::nullopt);
    QCOMPARE(PixelAt(outline, 0, 0), clBlack);
    QCOMPARE(PixelAt(outline, 5, 5), clBlack);
    QCOMPARE(PixelAt(outline, 1, 1), clWhite);
}

void TestBitmaps::transparentPixelsFollowTheOriginalPicture()
{
    // Magenta background, one black and one grey pixel: tinting with white makes all three
    // white, but only the background stays transparent.
    QImage picture = NewBitmap(3, 1);
    FillBitmap(picture, QRect(0, 0, 1, 1), RGBColor(255, 0, 255));
    FillBitmap(picture, QRect(1, 0, 1, 1), clBlack);
    FillBitmap(picture, QRect(2, 0, 1, 1), RGBColor(170, 170, 170));
    TransparentBitmap mark(picture);
    mark.Tint(clWhite);
    QImage target = Filled(3, 1, clRed);
    mark.Draw(target, 0, 0);
    QCOMPARE(PixelAt(target, 0, 0), clRed);
    QCOMPARE(PixelAt(target, 1, 0), clWhite);
    QCOMPARE(PixelAt(target, 2, 0), clWhite);
    // Drawing past the edges is clipped.
    mark.Draw(target, -2, 0);
    mark.Draw(target, 2, 0);
    QCOMPARE(PixelAt(target, 0, 0), clWhite);
}

QTEST_MAIN(TestBitmaps)
#include "tst_ui_bitmaps.moc"
