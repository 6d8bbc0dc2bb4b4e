#include "ui/rbbutton.h"
#include "ui/rbpanel.h"
#include "uitesting.h"

#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>
#include <QtTest>

using namespace quill;
using namespace quill::testing;

namespace {

// A 75 x 25 button with the search window's settings and no caption, so that every pixel
// inside the border is gradient.
std::unique_ptr<TRbButton> SearchWindowButton(bool gradientBorder)
{
    auto button = std::make_unique<TRbButton>();
    button->SetFadeSpeed(fsMedium);
    button->SetSpacing(10);
    button->SetTextShadow(false);
    button->SetShowFocusRect(false);
    button->SetGradientBorder(gradientBorder);
    return button;
}

void RunTicks(TRbCustomControl& control)
{
    for (int i = 0; i < 20 && control.FadeTimerActive(); ++i)
        Tick(&control, control.FadeTimerId());
}

} // namespace

class TestButton : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void restHoverAndPressedLooks();
    void pressedInsideARimOfTheHoverLook();
    void fadeRunsTenRepaintsAndReverses();
    void fastFadeTicksEvery12Ms();
    void pressedOnlyWhileHeld();
    void groupButtons();
    void allowAllUpLetsTheDownButtonRise();
    void spaceClicksOnEveryPressAndRepeat();
    void enterClicksTheDefaultButton();
    void escapeClicksTheCancelButtonWithoutModifiers();
    void modalResultEndsTheDialog();
    void clickHandlerCanKeepTheDialogOpen();
    void pictureWithoutCaptionIsCentred();
    void pictureWithAlphaIsBlended();
    void disabledPictureIsLiftedGrey();
    void gradientsAreBuiltOnlyOnColourSizeOrTypeChanges();
};

void TestButton::restHoverAndPressedLooks()
{
    auto button = SearchWindowButton(false);
    TRbButton& b = *button;
    // At rest: the default gradient (white to 0x00D1BEAF) moved one pixel right and down.
    QImage image = b.RenderImage();
    QCOMPARE(PixelAt(image, 5, 11), RGBColor(223, 229, 237));  // row 10 of the gradient
    QCOMPARE(PixelAt(image, 5, 6), RGBColor(239, 242, 246));   // row 5
    QCOMPARE(PixelAt(image, 10, 0), clGray);                    // border
    QCOMPARE(PixelAt(image, 0, 0), ColorToRGB(b.Color()));      // outside the rounded corner

    Enter(&b);
    RunTicks(b);
    QCOMPARE(b.HotLevel(), 100);
    image = b.RenderImage();
    QCOMPARE(PixelAt(image, 5, 10), RGBColor(200, 212, 229));   // white to 0x00BE9476, row 10

    QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(20, 10));
    RunTicks(b);
    QCOMPARE(b.PressLevel(), 100);
    image = b.RenderImage();
    QCOMPARE(PixelAt(image, 5, 10), RGBColor(227, 221, 213));   // 0x00C6CFD6 to 0x00EBF3F7, row 10
}

void TestButton::pressedInsideARimOfTheHoverLook()
{
    auto button = SearchWindowButton(true);
    Enter(button.get());
    RunTicks(*button);
    QTest::mousePress(button.get(), Qt::LeftButton, {}, QPoint(20, 10));
    RunTicks(*button);
    const QImage image = button->RenderImage();
    QCOMPARE(PixelAt(image, 1, 10), RGBColor(200, 212, 229));   // rim: hover gradient
    QCOMPARE(PixelAt(image, 2, 10), RGBColor(200, 212, 229));
    QCOMPARE(PixelAt(image, 5, 13), RGBColor(227, 221, 213));   // pressed gradient from (3, 3)
}

void TestButton::fadeRunsTenRepaintsAndReverses()
{
    auto button = SearchWindowButton(false);
    TRbButton& b = *button;
    const QImage rest = b.RenderImage();
    const QImage defaultBefore = b.DefaultPicture();
    Enter(&b);
    QCOMPARE(b.FadeTimerInterval(), 20);
    QList<int> levels;
    for (int i = 0; i < 4; ++i) {
        Tick(&b, b.FadeTimerId());
        levels << b.HotLevel();
    }
    const int halfway = RedOf(PixelAt(b.RenderImage(), 5, 11));
    QVERIFY(halfway < 223 && halfway > 200);
    Leave(&b);
    while (b.FadeTimerActive()) {
        Tick(&b, b.FadeTimerId());
        levels << b.HotLevel();
    }
    QCOMPARE(levels, (QList<int>{10, 20, 30, 40, 30, 20, 10, 0, 0}));
    QCOMPARE(b.RenderImage(), rest);
    // The fade mixes the cached gradients; it never redraws them.
    QCOMPARE(b.DefaultPicture().cacheKey(), defaultBefore.cacheKey());
}

void TestButton::fastFadeTicksEvery12Ms()
{
    TRbButton button;
    button.SetFadeSpeed(fsFast);
    Enter(&button);
    QCOMPARE(button.FadeTimerInterval(), 12);
    int ticks = 0;
    while (button.FadeTimerActive()) {
        Tick(&button, button.FadeTimerId());
        ++ticks;
    }
    QCOMPARE(ticks, 10);
}

void TestButton::pressedOnlyWhileHeld()
{
    TRbButton button;
    Enter(&button);
    RunTicks(button);
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(5, 5));
    Tick(&button, button.FadeTimerId());
    QCOMPARE(button.PressLevel(), 100);
    QCOMPARE(button.HotLevel(), 100);
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(5, 5));
    Tick(&button, button.FadeTimerId());
    QCOMPARE(button.PressLevel(), 0);
    QCOMPARE(button.HotLevel(), 100);
    QVERIFY(!button.FadeTimerActive());
}

void TestButton::groupButtons()
{
    TRbPanel panel;
    TRbButton first(&panel), second(&panel), other(&panel);
    first.SetGroupIndex(1);
    second.SetGroupIndex(1);
    other.SetGroupIndex(2);
    other.SetDown(true);
    QVERIFY(other.Down());

    int clicks = 0;
    connect(&first, &TRbButton::OnClick, [&] { ++clicks; });
    QTest::mouseClick(&first, Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(first.Down());
    QVERIFY(first.Hot() && first.Pressed());
    QCOMPARE(clicks, 1);
    QTest::mouseClick(&second, Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(second.Down());
    QVERIFY(!first.Down());
    QVERIFY(!first.Pressed());
    QVERIFY(other.Down());   // another group is left alone

    // Clicking the down button again changes nothing: one of the group stays down.
    QTest::mouseClick(&second, Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(second.Down());
    QVERIFY(!second.CanGoUp());
    // Down stays lit when the pointer leaves.
    Leave(&second);
    QVERIFY(second.Hot());

    // Down is refused without a group.
    TRbButton loose;
    loose.SetDown(true);
    QVERIFY(!loose.Down());
}

void TestButton::allowAllUpLetsTheDownButtonRise()
{
    TRbPanel panel;
    TRbButton button(&panel);
    button.SetGroupIndex(3);
    button.SetAllowAllUp(true);
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(button.Down());
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(!button.Down());
}

void TestButton::spaceClicksOnEveryPressAndRepeat()
{
    TRbButton button;
    int clicks = 0;
    connect(&button, &TRbButton::OnClick, [&] { ++clicks; });
    QTest::keyClick(&button, Qt::Key_Space);
    QTest::keyClick(&button, Qt::Key_Space);
    QCOMPARE(clicks, 2);
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), true);
    QCoreApplication::sendEvent(&button, &repeat);
    QCOMPARE(clicks, 3);
    QTest::keyClick(&button, Qt::Key_Space, Qt::ControlModifier);
    QCOMPARE(clicks, 3);
}

void TestButton::enterClicksTheDefaultButton()
{
    QDialog dialog;
    QLineEdit edit(&dialog);
    TRbButton ok(&dialog), other(&dialog);
    ok.SetDefault(true);
    int okClicks = 0, otherClicks = 0;
    connect(&ok, &TRbButton::OnClick, [&] { ++okClicks; });
    connect(&other, &TRbButton::OnClick, [&] { ++otherClicks; });
    dialog.show();
    QTest::keyClick(&edit, Qt::Key_Return);
    QCOMPARE(okClicks, 1);
    QCOMPARE(otherClicks, 0);
    // A disabled default button is not clicked, and the key goes on to the dialog.
    ok.setEnabled(false);
    QTest::keyClick(&edit, Qt::Key_Enter);
    QCOMPARE(okClicks, 1);
}

void TestButton::escapeClicksTheCancelButtonWithoutModifiers()
{
    QDialog dialog;
    QLineEdit edit(&dialog);
    TRbButton cancel(&dialog);
    cancel.SetCancel(true);
    cancel.SetModalResult(mrCancel);
    int clicks = 0;
    connect(&cancel, &TRbButton::OnClick, [&] { ++clicks; });
    dialog.show();
    QTest::keyClick(&edit, Qt::Key_Escape, Qt::ShiftModifier);
    QCOMPARE(clicks, 0);
    QVERIFY(dialog.isVisible());
    QTest::keyClick(&edit, Qt::Key_Escape);
    QCOMPARE(clicks, 1);
    QCOMPARE(dialog.result(), mrCancel);
    QVERIFY(!dialog.isVisible());
}

void TestButton::modalResultEndsTheDialog()
{
    QDialog dialog;
    TRbButton ok(&dialog);
    ok.SetModalResult(mrOk);
    QTimer::singleShot(0, &ok, [&] { QTest::mouseClick(&ok, Qt::LeftButton, {}, QPoint(5, 5)); });
    QCOMPARE(dialog.exec(), mrOk);

    // A button without a result leaves the dialog open.
    TRbButton none(&dialog);
    dialog.show();
    QTest::mouseClick(&none, Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.result(), mrNone);
}

void TestButton::clickHandlerCanKeepTheDialogOpen()
{
    QDialog dialog;
    TRbButton login(&dialog);
    login.SetModalResult(mrOk);
    connect(&login, &TRbButton::OnClick, [&] { dialog.setResult(mrNone); });
    dialog.show();
    QTest::mouseClick(&login, Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(dialog.isVisible());
}

void TestButton::pictureWithoutCaptionIsCentred()
{
    TRbButton button;
    QImage glyph = Filled(16, 16, clRed);
    glyph.setPixelColor(0, 15, QColor(255, 0, 255));
    button.SetGlyph(glyph);
    const QImage image = button.RenderImage();
    // T.left = 16 + 2; x = (18 + 75 - 2) / 2 - 16 = 29; y = (25 - 16) / 2 = 4.
    QCOMPARE(PixelAt(image, 29, 4), clRed);
    QCOMPARE(PixelAt(image, 44, 19), clRed);
    QVERIFY(PixelAt(image, 28, 4) != clRed);
    QVERIFY(PixelAt(image, 45, 4) != clRed);
    QVERIFY(PixelAt(image, 29, 3) != clRed);
    QVERIFY(PixelAt(image, 29, 19) != RGBColor(255, 0, 255));  // transparent corner
}

void TestButton::pictureWithAlphaIsBlended()
{
    TRbButton button;
    QImage glyph(16, 16, QImage::Format_ARGB32);
    glyph.fill(QColor(255, 0, 0, 255));
    glyph.setPixelColor(0, 0, QColor(0, 0, 0, 0));      // transparent
    glyph.setPixelColor(1, 0, QColor(0, 0, 255, 128));  // half over the button
    button.SetGlyph(glyph);
    const QImage bare = [] {
        TRbButton plain;
        return plain.RenderImage();
    }();
    const QImage image = button.RenderImage();
    QCOMPARE(PixelAt(image, 29, 4), PixelAt(bare, 29, 4));
    const TColor under = PixelAt(bare, 30, 4);
    QCOMPARE(PixelAt(image, 30, 4), RGBColor((RedOf(under) * 127 + 127) / 255, (GreenOf(under) * 127 + 127) / 255,
                                             (255 * 128 + BlueOf(under) * 127 + 127) / 255));
    QCOMPARE(PixelAt(image, 31, 4), clRed);
    // The bottom-left pixel of a picture with alpha is no transparent key.
    QCOMPARE(PixelAt(image, 29, 19), clRed);
}

void TestButton::disabledPictureIsLiftedGrey()
{
    TRbButton button;
    button.SetGlyph(Filled(16, 16, clRed).copy());
    QImage glyph = Filled(16, 16, clRed);
    glyph.setPixelColor(0, 15, QColor(0, 0, 255));
    button.SetGlyph(glyph);
    button.setEnabled(false);
    const QImage image = button.RenderImage();
    // Red has the grey level 85; lifted by 64: 149.
    QCOMPARE(PixelAt(image, 30, 5), RGBColor(149, 149, 149));
}

void TestButton::gradientsAreBuiltOnlyOnColourSizeOrTypeChanges()
{
    TRbButton button;
    auto key = [&] { return button.OverPicture().cacheKey(); };
    qint64 last = key();
    button.SetCaption(QStringLiteral("Search"));
    button.SetHotTrack(true);
    button.SetLayout(blGlyphTop);
    button.Colors().SetHotTrack(clRed);
    button.Colors().SetTextShadow(clRed);
    button.Colors().SetOverTo(0x00BE9476);
    QCOMPARE(key(), last);
    button.Colors().SetOverTo(clRed);
    QVERIFY(key() != last);
    last = key();
    button.SetGradientType(gtRadial);
    QVERIFY(key() != last);
    last = key();
    button.SetGradientType(gtRadial);
    QCOMPARE(key(), last);
    button.resize(81, 33);
    QCOMPARE(button.RenderImage().size(), QSize(81, 33));
    QCOMPARE(button.OverPicture().size(), QSize(81, 33));
}

QTEST_MAIN(TestButton)
#include "tst_ui_button.moc"
