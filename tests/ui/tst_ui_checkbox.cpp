#include "ui/rbcheckbox.h"
#include "uitesting.h"

#include <QtTest>

using namespace quill;
using namespace quill::testing;

namespace {

// The settings window's switch: 169 x 17 on a white panel.
std::unique_ptr<TRbCheckBox> SkipSwitch()
{
    auto box = std::make_unique<TRbCheckBox>();
    box->resize(169, 17);
    box->SetColor(clWhite);
    box->SetCaption(QStringLiteral("Skip empty entries"));
    return box;
}

} // namespace

class TestCheckBox : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void boxOfASeventeenPixelControl();
    void tickIsTintedAndItsBackgroundTransparent_data();
    void tickIsTintedAndItsBackgroundTransparent();
    void captionStartsAfterTheBox();
    void clickTogglesThenCallsOnClick();
    void doubleClickTogglesTwice();
    void draggingOutCancelsAndFadesBack();
    void pressingShowsTheClickedGradientInside();
    void keysDoNotToggle();
    void borderLinesRunTheFullWidth();
};

void TestCheckBox::boxOfASeventeenPixelControl()
{
    auto box = SkipSwitch();
    QCOMPARE(box->BoxRect(), QRect(2, 2, 13, 13));
    const QImage image = box->RenderImage();
    QCOMPARE(PixelAt(image, 1, 1), clWhite);
    QCOMPARE(PixelAt(image, 2, 2), clGray);
    QCOMPARE(PixelAt(image, 14, 14), clGray);
    QCOMPARE(PixelAt(image, 14, 2), clGray);
    QCOMPARE(PixelAt(image, 15, 15), clWhite);
    QCOMPARE(PixelAt(image, 8, 15), clWhite);
    // White to 0x00D1BEAF from the top-left corner, D = 18: pixel (1, 1) of the box is
    // sqrt(2) along.
    QCOMPARE(PixelAt(image, 3, 3), RGBColor(249, 250, 251));
}

void TestCheckBox::tickIsTintedAndItsBackgroundTransparent_data()
{
    QTest::addColumn<TColor>("checkColor");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<TColor>("tick");
    QTest::newRow("green") << clGreen << true << clGreen;
    QTest::newRow("white") << clWhite << true << clWhite;
    QTest::newRow("disabled") << clGreen << false << clGray;
}

void TestCheckBox::tickIsTintedAndItsBackgroundTransparent()
{
    QFETCH(TColor, checkColor);
    QFETCH(bool, enabled);
    QFETCH(TColor, tick);
    auto box = SkipSwitch();
    const QImage unchecked = box->RenderImage();
    box->SetCheckColor(checkColor);
    box->SetChecked(true);
    box->setEnabled(enabled);
    const QImage image = box->RenderImage();
    // The mark's top-left corner is the box's + (2, 2): (4, 4) on the control.
    QCOMPARE(PixelAt(image, 4 + 7, 4 + 1), tick);
    QCOMPARE(PixelAt(image, 4 + 3, 4 + 7), tick);
    QCOMPARE(PixelAt(image, 4 + 1, 4 + 4), tick);
    // Background pixels of the mark show the box.
    QCOMPARE(PixelAt(image, 4, 4), PixelAt(unchecked, 4, 4));
    QCOMPARE(PixelAt(image, 4 + 7, 4 + 7), PixelAt(unchecked, 4 + 7, 4 + 7));
    QCOMPARE(PixelAt(image, 4 + 3, 4 + 4), PixelAt(unchecked, 4 + 3, 4 + 4));
}

void TestCheckBox::captionStartsAfterTheBox()
{
    auto box = SkipSwitch();
    box->SetTextShadow(false);
    box->SetFontColor(clBlack);
    const QImage image = box->RenderImage();
    int leftmost = image.width();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 16; x < image.width(); ++x)
            if (PixelAt(image, x, y) != clWhite)
                leftmost = std::min(leftmost, x);
    QVERIFY2(leftmost >= 19 && leftmost <= 21, qPrintable(QString::number(leftmost)));
}

void TestCheckBox::clickTogglesThenCallsOnClick()
{
    auto box = SkipSwitch();
    QList<bool> seen;
    connect(box.get(), &TRbCheckBox::OnClick, [&] { seen << box->Checked(); });
    QTest::mouseClick(box.get(), Qt::LeftButton, {}, QPoint(8, 8));
    QTest::mouseClick(box.get(), Qt::LeftButton, {}, QPoint(60, 8));
    QCOMPARE(seen, (QList<bool>{true, false}));
}

void TestCheckBox::doubleClickTogglesTwice()
{
    auto box = SkipSwitch();
    int clicks = 0;
    connect(box.get(), &TRbCheckBox::OnClick, [&] { ++clicks; });
    QTest::mousePress(box.get(), Qt::LeftButton, {}, QPoint(8, 8));
    QTest::mouseRelease(box.get(), Qt::LeftButton, {}, QPoint(8, 8));
    QTest::mouseDClick(box.get(), Qt::LeftButton, {}, QPoint(8, 8));
    QTest::mouseRelease(box.get(), Qt::LeftButton, {}, QPoint(8, 8));
    QCOMPARE(clicks, 2);
    QVERIFY(!box->Checked());
}

void TestCheckBox::draggingOutCancelsAndFadesBack()
{
    auto box = SkipSwitch();
    const QImage rest = box->RenderImage();
    Enter(box.get());
    QTest::mousePress(box.get(), Qt::LeftButton, {}, QPoint(8, 8));
    Tick(box.get(), box->FadeTimerId());
    QVERIFY(box->Hot() && box->Pressed());
    Leave(box.get());
    QVERIFY(!box->Hot() && !box->Pressed());
    QTest::mouseRelease(box.get(), Qt::LeftButton, {}, QPoint(400, 8));
    QVERIFY(!box->Checked());
    while (box->FadeTimerActive())
        Tick(box.get(), box->FadeTimerId());
    QCOMPARE(box->HotLevel(), 0);
    QCOMPARE(box->PressLevel(), 0);
    QCOMPARE(box->RenderImage(), rest);
}

void TestCheckBox::pressingShowsTheClickedGradientInside()
{
    auto box = SkipSwitch();
    Enter(box.get());
    while (box->FadeTimerActive())
        Tick(box.get(), box->FadeTimerId());
    const QImage hovered = box->RenderImage();
    QTest::mousePress(box.get(), Qt::LeftButton, {}, QPoint(8, 8));
    Tick(box.get(), box->FadeTimerId());
    QCOMPARE(box->PressLevel(), 100);
    const QImage pressed = box->RenderImage();
    // Inset 2: the clicked picture's (0, 0) lands on box pixel (2, 2), control (4, 4).
    QCOMPARE(PixelAt(pressed, 4, 4), PixelAt(box->ClickedPicture(), 0, 0));
    QCOMPARE(PixelAt(pressed, 3, 3), PixelAt(hovered, 3, 3));
    QCOMPARE(PixelAt(pressed, 3, 3), PixelAt(box->OverPicture(), 1, 1));
}

void TestCheckBox::keysDoNotToggle()
{
    auto box = SkipSwitch();
    QTest::keyClick(box.get(), Qt::Key_Space);
    QTest::keyClick(box.get(), Qt::Key_Return);
    QVERIFY(!box->Checked());
}

void TestCheckBox::borderLinesRunTheFullWidth()
{
    auto box = SkipSwitch();
    box->SetShowCaption(false);
    box->SetBorderLines(blTop | blBottom);
    box->SetBorderLinesColor(clRed);
    const QImage image = box->RenderImage();
    for (int x = 0; x < 169; ++x) {
        QCOMPARE(PixelAt(image, x, 0), clRed);
        QCOMPARE(PixelAt(image, x, 16), clRed);
    }
    QCOMPARE(PixelAt(image, 0, 8), clWhite);
    QCOMPARE(PixelAt(image, 168, 8), clWhite);
}

QTEST_MAIN(TestCheckBox)
#include "tst_ui_checkbox.moc"
