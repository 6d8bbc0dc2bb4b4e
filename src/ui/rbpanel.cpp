#include "ui/rbpanel.h"

#include "platform/drawtext.h"
#include "ui/shapes.h"
#include "ui/styledtext.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

namespace quill {

TRbPanel::TRbPanel(QWidget* parent)
    : TRbCustomControl(parent)
{
    loading_ = true;
    SetColor(0x00E3DFDF);
    SetFontColor(0x00CE0000);
    resize(185, 105);
    UpdateChildArea();
    loading_ = false;
    RebuildPicture();
}

void TRbPanel::SetCaptionPosition(TRbCaptionPos position)
{
    if (position == captionPosition_)
        return;
    const bool groupBoxChange = position == cpGroupBox || captionPosition_ == cpGroupBox;
    captionPosition_ = position;
    UpdateChildArea();
    if (groupBoxChange)
        RebuildPicture();
    else
        update();
}

void TRbPanel::SetCornerWidth(int value)
{
    if (value < 0 || value == cornerWidth_)
        return;
    cornerWidth_ = value;
    RebuildPicture();
}

void TRbPanel::SetBorderWidth(int value)
{
    if (value <= 0 || value == borderWidth_)
        return;
    borderWidth_ = value;
    UpdateChildArea();
    RebuildPicture();
}

void TRbPanel::SetBorderColor(TColor color) { StoreAndRebuild(borderColor_, color); }
void TRbPanel::SetOuterColor(TColor color) { StoreAndRebuild(outerColor_, color); }
void TRbPanel::SetDefaultFrom(TColor color) { StoreAndRebuild(defaultFrom_, color); }
void TRbPanel::SetDefaultTo(TColor color) { StoreAndRebuild(defaultTo_, color); }

void TRbPanel::SetTextShadowColor(TColor color)
{
    if (color == textShadowColor_)
        return;
    textShadowColor_ = color;
    update();
}

void TRbPanel::SetAntialiased(bool value)
{
    if (value == antialiased_)
        return;
    antialiased_ = value;
    if (value)
        gradient_ = false;
    RebuildPicture();
}

void TRbPanel::SetGradient(bool value)
{
    if (value == gradient_)
        return;
    gradient_ = value && !antialiased_;
    RebuildPicture();
}

void TRbPanel::SetGradientType(TGradientType type)
{
    if (type == gradientType_)
        return;
    gradientType_ = type;
    RebuildPicture();
}

void TRbPanel::EndLoad()
{
    loading_ = false;
    UpdateChildArea();
    RebuildPicture();
}

void TRbPanel::StoreAndRebuild(TColor& field, TColor value)
{
    if (field == value)
        return;
    field = value;
    RebuildPicture();
}

int TRbPanel::CaptionTextHeight() const
{
    return QFontMetrics(font()).height();
}

void TRbPanel::RebuildPicture()
{
    if (loading_)
        return;
    if (picture_.size() != size())
        picture_ = NewBitmap(width(), height());

    // Antialiased frames are drawn at three times the size and averaged down along the edges.
    const int F = antialiased_ ? 3 : 1;
    QImage large;
    if (antialiased_)
        large = NewBitmap(width() * F, height() * F);
    QImage& B = antialiased_ ? large : picture_;
    FillBitmap(B, B.rect(), outerColor_);

    const int penWidth = F * borderWidth_ - 1;
    const int h = penWidth / 2;
    int y0 = h;
    if (captionPosition_ == cpGroupBox)
        y0 = h + (F * CaptionTextHeight()) / 2;
    const QRect box(QPoint(h, y0), QPoint(B.width() - h - 1, B.height() - h - 1));
    const int ellipse = F * cornerWidth_;
    if (gradient_) {
        const QRegion inside = RoundRectRegion(box, ellipse, ellipse);
        PaintGradient(B, B.rect(), defaultFrom_, &inside, gradientType_, defaultTo_);
    }
    DrawRoundRect(B, box, ellipse, penWidth, borderColor_,
                  gradient_ ? std::nullopt : std::optional<TColor>(Color()));
    if (antialiased_)
        DownsampleEdges(large, picture_, F, Color(), cornerWidth_ + 20);
    update();
}

QRect TRbPanel::CaptionRect() const
{
    const int CW = cornerWidth_;
    const int BW = borderWidth_;
    const int k = (CW + BW) / 2;
    int left = k;
    int top = BW;
    int right = width() - k;
    const int bottom = height() - BW;
    switch (captionPosition_) {
    case cpMiddleLeft: left -= (CW - BW) / 2; break;
    case cpMiddleRight: right += (CW - BW) / 2; break;
    case cpGroupBox:
        top = 0;
        if (CW + BW < 2)
            left += 5;
        break;
    default: break;
    }
    return QRect(left, top, right - left, bottom - top);
}

QRect TRbPanel::ChildArea() const
{
    return contentsRect();
}

void TRbPanel::UpdateChildArea()
{
    const int side = borderWidth_ + 1;
    if (captionPosition_ == cpGroupBox) {
        // Shrunk by half the caption height + 2 at top and bottom, then moved below the caption.
        const int half = CaptionTextHeight() / 2;
        setContentsMargins(side, half + 2 + (half - 1), side, half + 2 - (half - 1));
    } else {
        setContentsMargins(side, side, side, side);
    }
}

QImage TRbPanel::RenderImage()
{
    if (picture_.size() != size())
        RebuildPicture();
    QImage canvas = NewBitmap(width(), height());
    FillBitmap(canvas, canvas.rect(), outerColor_);
    {
        QPainter painter(&canvas);
        painter.drawImage(0, 0, picture_);
    }
    if (!ShowCaption())
        return canvas;

    unsigned flags = DT_SINGLELINE | DT_END_ELLIPSIS;
    switch (captionPosition_) {
    case cpTopCenter: flags |= DT_CENTER; break;
    case cpTopRight: flags |= DT_RIGHT; break;
    case cpMiddleLeft: flags |= DT_VCENTER; break;
    case cpMiddleCenter: flags |= DT_VCENTER | DT_CENTER; break;
    case cpMiddleRight: flags |= DT_VCENTER | DT_RIGHT; break;
    case cpBottomLeft: flags |= DT_BOTTOM; break;
    case cpBottomCenter: flags |= DT_BOTTOM | DT_CENTER; break;
    case cpBottomRight: flags |= DT_BOTTOM | DT_RIGHT; break;
    default: break;
    }
    const QRect T = CaptionRect();
    if (captionPosition_ == cpGroupBox) {
        // Clears the frame above the caption's middle and cuts the gap in the top border.
        const int half = CaptionTextHeight() / 2;
        const int captionWidth = MeasureText(font(), Caption(), DT_SINGLELINE, 0, &canvas).width();
        FillBitmap(canvas, QRect(0, 0, T.x() + T.width(), half), outerColor_);
        FillBitmap(canvas, QRect(T.x(), half, captionWidth, std::min(borderWidth_, half)), outerColor_);
    }
    QPainter painter(&canvas);
    DrawShadowedText(painter, Caption(), font(), FontColor(), isEnabled(), T, flags, TextShadow(), textShadowColor_);
    return canvas;
}

void TRbPanel::ColorsChanged()
{
    RebuildPicture();
}

void TRbPanel::ColorChanged()
{
    RebuildPicture();
}

void TRbPanel::ParentColorChanged()
{
    if (ParentColor())
        SetOuterColor(ParentsColor());
}

void TRbPanel::Resized()
{
    RebuildPicture();
}

void TRbPanel::changeEvent(QEvent* event)
{
    // The caption's height places the group box's top border and its children.
    if (event->type() == QEvent::FontChange && captionPosition_ == cpGroupBox) {
        UpdateChildArea();
        RebuildPicture();
    }
    TRbCustomControl::changeEvent(event);
}

void TRbPanel::mouseDoubleClickEvent(QMouseEvent*)
{
    Q_EMIT OnDblClick();
}

void TRbPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(0, 0, RenderImage());
}

} // namespace quill
