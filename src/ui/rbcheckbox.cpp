#include "ui/rbcheckbox.h"

#include "ui/bitmaps.h"
#include "ui/shapes.h"
#include "ui/styledtext.h"

#include <QPainter>

namespace quill {

namespace {

constexpr int kBoxSize = 13;

// The tick, row by row: X black, o the transparent background.
constexpr const char* kCheckRows[8] = {
    "oooooooo",
    "oooooooX",
    "ooooooXX",
    "oXoooXXX",
    "oXXoXXXo",
    "oXXXXXoo",
    "ooXXXooo",
    "oooXoooo",
};

} // namespace

QImage CheckMarkBitmap()
{
    QImage mark = NewBitmap(8, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            FillBitmap(mark, QRect(x, y, 1, 1), kCheckRows[y][x] == 'X' ? clBlack : RGBColor(255, 0, 255));
    return mark;
}

TRbCheckBox::TRbCheckBox(QWidget* parent)
    : TRbCustomControl(parent), colors_(this)
{
    resize(130, 17);
    ColorsChanged();
}

void TRbCheckBox::SetBorderLines(TBorderLines lines) { StoreAndRepaint(borderLines_, lines); }
void TRbCheckBox::SetBorderLinesColor(TColor color) { StoreAndRepaint(borderLinesColor_, color); }
void TRbCheckBox::SetHotTrack(bool value) { StoreAndRepaint(hotTrack_, value); }
void TRbCheckBox::SetSpacing(int value) { StoreAndRepaint(spacing_, value); }
void TRbCheckBox::SetChecked(bool value) { StoreAndRepaint(checked_, value); }
void TRbCheckBox::SetShowFocusRect(bool value) { StoreAndRepaint(showFocusRect_, value); }
void TRbCheckBox::SetCheckColor(TColor color) { StoreAndRepaint(checkColor_, color); }

void TRbCheckBox::SetColors(const TRbControlColors& colors)
{
    colors_.Assign(colors);
    ColorsChanged();
}

QRect TRbCheckBox::BoxRect() const
{
    // The box sits at (1, (H - 13) / 4) of a bitmap that is itself copied there.
    const int top = (height() - kBoxSize) / 4;
    return QRect(2, 2 * top, kBoxSize, kBoxSize);
}

void TRbCheckBox::Click()
{
    SetChecked(!checked_);
    Q_EMIT OnClick();
}

void TRbCheckBox::ColorsChanged()
{
    const QRect box(0, 0, kBoxSize, kBoxSize);
    defaultPicture_ = NewBitmap(kBoxSize, kBoxSize);
    overPicture_ = NewBitmap(kBoxSize, kBoxSize);
    clickedPicture_ = NewBitmap(kBoxSize, kBoxSize);
    PaintGradient(defaultPicture_, box, colors_.DefaultFrom(), nullptr, gtFromTopLeft, colors_.DefaultTo());
    DrawRoundRect(defaultPicture_, box, 0, 1, colors_.BorderColor(), std::nullopt);
    PaintGradient(overPicture_, box, colors_.OverFrom(), nullptr, gtFromTopLeft, colors_.OverTo());
    DrawRoundRect(overPicture_, box, 0, 1, colors_.BorderColor(), std::nullopt);
    PaintGradient(clickedPicture_, box, colors_.ClickedFrom(), nullptr, gtFromTopLeft, colors_.ClickedTo());
    update();
}

void TRbCheckBox::Resized()
{
    update();
}

void TRbCheckBox::FocusChanged()
{
    update();
}

void TRbCheckBox::MouseEntered()
{
    TRbCustomControl::MouseEntered();
    SetHot(true);
    StartFade(&TRbCheckBox::FadeInStep);
}

void TRbCheckBox::MouseLeft()
{
    TRbCustomControl::MouseLeft();
    SetHot(false);
    SetPressed(false);
    StartFade(&TRbCheckBox::FadeOutStep);
}

void TRbCheckBox::LeftButtonDown()
{
    TRbCustomControl::LeftButtonDown();
    SetPressed(true);
    StartFade(&TRbCheckBox::FadeInStep);
}

void TRbCheckBox::LeftButtonUp()
{
    if (!Pressed())
        return;
    SetPressed(false);
    StartFade(&TRbCheckBox::FadeInStep);
}

QImage TRbCheckBox::RenderImage()
{
    const int W = width();
    const int H = height();
    QImage working = NewBitmap(W, H);
    FillBitmap(working, working.rect(), Color());
    QRect S(1, (H - kBoxSize) / 4, kBoxSize, kBoxSize);

    CopyWithOverlay(working, defaultPicture_, overPicture_, 0, S, HotLevel());
    if (PressLevel() > 0) {
        const int d = gradientBorder_ ? 2 : 1;
        BlendBitmaps(working, clickedPicture_, S.adjusted(d, d, -d, -d), PressLevel());
    }
    if (checked_) {
        TransparentBitmap mark(CheckMarkBitmap());
        mark.Tint(isEnabled() ? checkColor_ : 0x00808080);
        mark.Draw(working, S.x() + 2, S.y() + 2);
    }

    QImage canvas = NewBitmap(W, H);
    FillBitmap(canvas, canvas.rect(), Color());
    {
        QPainter painter(&canvas);
        painter.drawImage(S.topLeft(), working);
        const QRect textRect = canvas.rect().adjusted(kBoxSize + spacing_ + 3, 0, 0, 0);
        const TColor fontColor = hotTrack_ && Hot() ? colors_.HotTrack() : FontColor();
        if (ShowCaption())
            DrawShadowedText(painter, Caption(), font(), fontColor, isEnabled(), textRect,
                             TextFormatFlags(TextAlignment::Left, false), TextShadow(), colors_.TextShadow());
    }
    if (borderLines_ & blTop)
        FillBitmap(canvas, QRect(0, 0, W, 1), borderLinesColor_);
    if (borderLines_ & blBottom)
        FillBitmap(canvas, QRect(0, H - 1, W, 1), borderLinesColor_);
    if (borderLines_ & blLeft)
        FillBitmap(canvas, QRect(0, 0, 1, H), borderLinesColor_);
    if (borderLines_ & blRight)
        FillBitmap(canvas, QRect(W - 1, 0, 1, H), borderLinesColor_);
    if (hasFocus() && showFocusRect_)
        DrawFocusRect(canvas, canvas.rect());
    return canvas;
}

void TRbCheckBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(0, 0, RenderImage());
}

} // namespace quill
