#include "platform/drawtext.h"
#include "ui/rbpanel.h"
#include "uitesting.h"

#include <QFontMetrics>
#include <QtTest>
#include <functional>

using namespace quill;
using namespace quill::testing;

Q_DECLARE_METATYPE(quill::TRbCaptionPos)
using PanelChange = std::function<void(TRbPanel&)>;
Q_DECLARE_METATYPE(PanelChange)

namespace {

// The search window's panel, with a grey border so that frame and outside differ.
std::unique_ptr<TRbPanel> SearchPanel()
{
    auto panel = std::make_unique<TRbPanel>();
    panel->BeginLoad();
    panel->resize(307, 445);
    panel->SetCaption(QStringLiteral("Database Text Search"));
    panel->SetCaptionPosition(cpTopCenter);
    panel->SetCornerWidth(25);
    panel->SetBorderWidth(7);
    panel->SetBorderColor(clGray);
    panel->SetOuterColor(clSilver);
    panel->SetAntialiased(true);
    panel->SetColor(clWhite);
    panel->EndLoad();
    return panel;
}

// The main window's header: not antialiased, a double vertical gradient.
std::unique_ptr<TRbPanel> HeaderPanel()
{
    auto panel = std::make_unique<TRbPanel>();
    panel->resize(770, 45);
    panel->SetAntialiased(false);
    panel->SetGradient(true);
    panel->SetGradientType(gtDoubleVert);
    panel->SetDefaultFrom(RGBColor(16, 132, 208));
    panel->SetDefaultTo(RGBColor(113, 184, 255));
    panel->SetColor(RGBColor(223, 223, 227));
    panel->SetBorderWidth(1);
    panel->SetBorderColor(clGray);
    panel->SetCornerWidth(0);
    panel->SetCaptionPosition(cpMiddleCenter);
    return panel;
}

} // namespace

class TestPanel : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void defaults();
    void antialiasedFrameIsAveragedAlongTheEdges();
    void gradientHeader();
    void rebuildsOnlyOnTheListedChanges_data();
    void rebuildsOnlyOnTheListedChanges();
    void antialiasedAndGradientExcludeEachOther();
    void ignoredWidths();
    void captionRectangles_data();
    void captionRectangles();
    void groupBoxGapAndChildren();
    void hiddenCaptionShowsTheFrameOnly();
    void outerColourFollowsTheParent();
};

void TestPanel::defaults()
{
    TRbPanel panel;
    QCOMPARE(panel.size(), QSize(185, 105));
    QCOMPARE(panel.Color(), TColor(14933983));
    QCOMPARE(panel.FontColor(), TColor(0x00CE0000));
    QCOMPARE(panel.OuterColor(), clBtnFace);
    QVERIFY(panel.Antialiased() && !panel.Gradient());
    QCOMPARE(panel.CornerWidth(), 10);
    QCOMPARE(panel.BorderWidth(), 2);
    QCOMPARE(panel.Picture().size(), QSize(185, 105));
    QCOMPARE(panel.ChildArea(), QRect(3, 3, 179, 99));
}

void TestPanel::antialiasedFrameIsAveragedAlongTheEdges()
{
    auto panel = SearchPanel();
    const QImage& picture = panel->Picture();
    QCOMPARE(PixelAt(picture, 0, 0), clSilver);       // outside the rounded corner
    QCOMPARE(PixelAt(picture, 1, 200), clGray);       // the 20-pixel pen covers 0..19 at triple size
    QCOMPARE(PixelAt(picture, 6, 200), RGBColor(170, 170, 170));  // (2 x 128 + 255) / 3
    QCOMPARE(PixelAt(picture, 7, 200), clWhite);
    QCOMPARE(PixelAt(picture, 153, 1), clGray);
    QCOMPARE(PixelAt(picture, 305, 443), PixelAt(picture, 1, 1));  // symmetric corners
    QCOMPARE(PixelAt(picture, 150, 220), clWhite);    // the inside is flat
    QCOMPARE(panel->CaptionRect(), QRect(16, 7, 307 - 32, 445 - 14));
}

void TestPanel::gradientHeader()
{
    auto panel = HeaderPanel();
    const QImage image = panel->RenderImage();
    QCOMPARE(PixelAt(image, 0, 0), clGray);
    QCOMPARE(PixelAt(image, 769, 44), clGray);
    QCOMPARE(PixelAt(image, 300, 44), clGray);
    // From along the middle row (D = 22), To at the edges.
    QCOMPARE(PixelAt(image, 5, 22), RGBColor(16, 132, 208));
    QCOMPARE(PixelAt(image, 5, 1), RGBColor(109, 182, 253));   // distance 21 of 22
    panel->SetDefaultFrom(clBlack);
    QCOMPARE(PixelAt(panel->RenderImage(), 5, 22), clBlack);
}

void TestPanel::rebuildsOnlyOnTheListedChanges_data()
{
    QTest::addColumn<PanelChange>("change");
    QTest::addColumn<bool>("rebuilds");
    auto row = [](const char* name, PanelChange change, bool rebuilds) { QTest::newRow(name) << change << rebuilds; };
    row("caption", [](TRbPanel& p) { p.SetCaption(QStringLiteral("x")); }, false);
    row("text shadow colour", [](TRbPanel& p) { p.SetTextShadowColor(clRed); }, false);
    row("text shadow", [](TRbPanel& p) { p.SetTextShadow(false); }, false);
    row("between plain positions", [](TRbPanel& p) { p.SetCaptionPosition(cpBottomRight); }, false);
    row("to the group box", [](TRbPanel& p) { p.SetCaptionPosition(cpGroupBox); }, true);
    row("same corner width", [](TRbPanel& p) { p.SetCornerWidth(10); }, false);
    row("corner width -1", [](TRbPanel& p) { p.SetCornerWidth(-1); }, false);
    row("corner width 0", [](TRbPanel& p) { p.SetCornerWidth(0); }, true);
    row("border width 0", [](TRbPanel& p) { p.SetBorderWidth(0); }, false);
    row("border width 4", [](TRbPanel& p) { p.SetBorderWidth(4); }, true);
    row("border colour", [](TRbPanel& p) { p.SetBorderColor(clRed); }, true);
    row("outer colour", [](TRbPanel& p) { p.SetOuterColor(clRed); }, true);
    row("colour", [](TRbPanel& p) { p.SetColor(clRed); }, true);
    row("gradient type", [](TRbPanel& p) { p.SetGradientType(gtRadial); }, true);
    row("default from", [](TRbPanel& p) { p.SetDefaultFrom(clRed); }, true);
    row("gradient on an antialiased panel", [](TRbPanel& p) { p.SetGradient(true); }, true);
    row("resize", [](TRbPanel& p) { p.resize(190, 105); p.RenderImage(); }, true);
}

void TestPanel::rebuildsOnlyOnTheListedChanges()
{
    QFETCH(PanelChange, change);
    QFETCH(bool, rebuilds);
    TRbPanel panel;
    panel.RenderImage();
    const qint64 before = panel.Picture().cacheKey();
    change(panel);
    panel.RenderImage();
    QCOMPARE(panel.Picture().cacheKey() != before, rebuilds);
}

void TestPanel::antialiasedAndGradientExcludeEachOther()
{
    TRbPanel panel;
    panel.SetGradient(true);
    QVERIFY(!panel.Gradient());
    panel.SetAntialiased(false);
    panel.SetGradient(true);
    QVERIFY(panel.Gradient());
    panel.SetAntialiased(true);
    QVERIFY(!panel.Gradient());
}

void TestPanel::ignoredWidths()
{
    TRbPanel panel;
    panel.SetCornerWidth(-1);
    QCOMPARE(panel.CornerWidth(), 10);
    panel.SetBorderWidth(0);
    panel.SetBorderWidth(-3);
    QCOMPARE(panel.BorderWidth(), 2);
    // Square corners: the corner pixel is frame, not outside.
    panel.SetAntialiased(false);
    panel.SetCornerWidth(0);
    panel.SetBorderColor(clRed);
    QCOMPARE(PixelAt(panel.Picture(), 0, 0), clRed);
}

void TestPanel::captionRectangles_data()
{
    QTest::addColumn<TRbCaptionPos>("position");
    QTest::addColumn<int>("cornerWidth");
    QTest::addColumn<int>("borderWidth");
    QTest::addColumn<QRect>("rect");
    // 200 x 100: k = (CW + BW) / 2, T from (k, BW) to (200 - k, 100 - BW).
    QTest::newRow("top left") << cpTopLeft << 10 << 2 << QRect(6, 2, 188, 96);
    QTest::newRow("middle left") << cpMiddleLeft << 10 << 2 << QRect(2, 2, 192, 96);
    QTest::newRow("middle right") << cpMiddleRight << 10 << 2 << QRect(6, 2, 192, 96);
    QTest::newRow("group box") << cpGroupBox << 10 << 2 << QRect(6, 0, 188, 98);
    QTest::newRow("group box, square") << cpGroupBox << 0 << 1 << QRect(5, 0, 195, 99);
    QTest::newRow("bottom right") << cpBottomRight << 25 << 7 << QRect(16, 7, 168, 86);
}

void TestPanel::captionRectangles()
{
    QFETCH(TRbCaptionPos, position);
    QFETCH(int, cornerWidth);
    QFETCH(int, borderWidth);
    QFETCH(QRect, rect);
    TRbPanel panel;
    panel.resize(200, 100);
    panel.SetCaptionPosition(position);
    panel.SetCornerWidth(cornerWidth);
    panel.SetBorderWidth(borderWidth);
    QCOMPARE(panel.CaptionRect(), rect);
}

void TestPanel::groupBoxGapAndChildren()
{
    TRbPanel panel;
    panel.resize(200, 100);
    QFont font;
    font.setPixelSize(20);
    panel.setFont(font);
    panel.SetAntialiased(false);
    panel.SetBorderColor(clRed);
    panel.SetOuterColor(clBlue);
    panel.SetCaption(QStringLiteral("Results"));
    panel.SetCaptionPosition(cpGroupBox);
    const int th = QFontMetrics(font).height();
    const int line = th / 2;  // the 1-pixel border at y0 = h + th / 2 with h = 0
    const QImage image = panel.RenderImage();
    const QRect T = panel.CaptionRect();
    const int captionWidth = MeasureText(font, panel.Caption(), DT_SINGLELINE).width();
    QCOMPARE(PixelAt(image, T.x() + captionWidth + 10, line), clRed);
    QVERIFY(PixelAt(image, T.x() + 1, line) != clRed);
    QVERIFY(PixelAt(image, T.x() + captionWidth - 2, line) != clRed);
    QCOMPARE(PixelAt(image, T.x() + captionWidth + 10, line - 1), clBlue);
    QCOMPARE(PixelAt(image, 100, 99), clRed);
    // Children stay below the caption.
    QCOMPARE(panel.ChildArea(), QRect(3, 2 * (th / 2) + 1, 194, 100 - 2 * (th / 2) - 1 - 3));
    // Back to a plain position: the line moves to the top again.
    panel.SetCaptionPosition(cpTopLeft);
    QCOMPARE(PixelAt(panel.RenderImage(), 100, 0), clRed);
    QCOMPARE(panel.ChildArea(), QRect(3, 3, 194, 94));
}

void TestPanel::hiddenCaptionShowsTheFrameOnly()
{
    for (TRbCaptionPos position : {cpGroupBox, cpTopLeft, cpMiddleCenter, cpBottomRight}) {
        TRbPanel panel;
        panel.SetCaptionPosition(position);
        panel.SetCaption(QStringLiteral("Hidden"));
        panel.SetShowCaption(false);
        const QImage hidden = panel.RenderImage();
        panel.SetCaption(QString());
        panel.SetShowCaption(true);
        if (position != cpGroupBox)
            QCOMPARE(hidden, panel.RenderImage());
        QCOMPARE(hidden, panel.Picture());
    }
}

void TestPanel::outerColourFollowsTheParent()
{
    TRbPanel parent;
    parent.SetColor(clWhite);
    TRbPanel child(&parent);
    child.SetParentColor(true);
    parent.SetColor(clRed);
    QCOMPARE(child.Color(), clRed);
    QCOMPARE(child.OuterColor(), clRed);
    QCOMPARE(PixelAt(child.Picture(), 0, 0), clRed);
}

QTEST_MAIN(TestPanel)
#include "tst_ui_panel.moc"
