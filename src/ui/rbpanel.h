#pragma once

#include "ui/bitmaps.h"
#include "ui/rbcustomcontrol.h"

#include <QImage>

namespace quill {

enum TRbCaptionPos {
    cpGroupBox,
    cpTopLeft,
    cpTopCenter,
    cpTopRight,
    cpMiddleLeft,
    cpMiddleCenter,
    cpMiddleRight,
    cpBottomLeft,
    cpBottomCenter,
    cpBottomRight
};

// A container with a rounded frame, a flat or gradient fill, smooth edges if wanted, and a
// caption at one of nine places or in a gap of the top border like a group box. The frame
// and fill are kept in Picture, which is redrawn only when a property that shapes it
// changes or the panel is resized; a repaint copies it and draws the caption. Children
// laid out by a layout on the panel stay inside ChildArea.
class TRbPanel : public TRbCustomControl {
    Q_OBJECT

public:
    explicit TRbPanel(QWidget* parent = nullptr);

    TRbCaptionPos CaptionPosition() const { return captionPosition_; }
    void SetCaptionPosition(TRbCaptionPos position);
    int CornerWidth() const { return cornerWidth_; }
    void SetCornerWidth(int value);   // below 0: ignored
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int value);   // 0 or below: ignored
    TColor BorderColor() const { return borderColor_; }
    void SetBorderColor(TColor color);
    TColor OuterColor() const { return outerColor_; }
    void SetOuterColor(TColor color);
    TColor TextShadowColor() const { return textShadowColor_; }
    void SetTextShadowColor(TColor color);
    bool Antialiased() const { return antialiased_; }
    void SetAntialiased(bool value);  // true also turns Gradient off
    bool Gradient() const { return gradient_; }
    void SetGradient(bool value);     // stays false while Antialiased
    TColor DefaultFrom() const { return defaultFrom_; }
    void SetDefaultFrom(TColor color);
    TColor DefaultTo() const { return defaultTo_; }
    void SetDefaultTo(TColor color);
    TGradientType GradientType() const { return gradientType_; }
    void SetGradientType(TGradientType type);

    // While a window sets up the panel, property changes do not redraw Picture; EndLoad
    // redraws it once.
    void BeginLoad() { loading_ = true; }
    void EndLoad();

    const QImage& Picture() const { return picture_; }
    void RebuildPicture();

    // Where the caption is drawn, and the area left for child controls.
    QRect CaptionRect() const;
    QRect ChildArea() const;

    // The panel as it paints itself.
    QImage RenderImage();

Q_SIGNALS:
    void OnDblClick();

protected:
    void ColorsChanged() override;
    void ColorChanged() override;
    void ParentColorChanged() override;
    void Resized() override;

    void changeEvent(QEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    int CaptionTextHeight() const;
    void UpdateChildArea();
    void StoreAndRebuild(TColor& field, TColor value);

    TRbCaptionPos captionPosition_ = cpTopLeft;
    int cornerWidth_ = 10;
    int borderWidth_ = 2;
    TColor borderColor_ = clGray;
    TColor outerColor_ = clBtnFace;
    TColor textShadowColor_ = clWhite;
    bool antialiased_ = true;
    bool gradient_ = false;
    TColor defaultFrom_ = clWhite;
    TColor defaultTo_ = 0x00E3DFDF;
    TGradientType gradientType_ = gtVertical;
    bool loading_ = false;
    QImage picture_;
};

} // namespace quill
