#pragma once

#include "ui/rbcolors.h"
#include "ui/rbcustomcontrol.h"

#include <QFlags>
#include <QImage>

namespace quill {

enum TBorderLine { blTop = 0x1, blBottom = 0x2, blLeft = 0x4, blRight = 0x8 };
Q_DECLARE_FLAGS(TBorderLines, TBorderLine)
Q_DECLARE_OPERATORS_FOR_FLAGS(TBorderLines)

// The tick drawn in a checked box: 8 x 8, black on magenta, the magenta transparent.
QImage CheckMarkBitmap();

// The styled check box: a 13 x 13 box with a diagonal gradient that brightens under the
// pointer, a tick in CheckColor, the caption beside it and optional lines along its edges.
// A mouse click toggles Checked and then emits OnClick; no key toggles it.
class TRbCheckBox : public TRbCustomControl {
    Q_OBJECT

public:
    explicit TRbCheckBox(QWidget* parent = nullptr);

    TBorderLines BorderLines() const { return borderLines_; }
    void SetBorderLines(TBorderLines lines);
    TColor BorderLinesColor() const { return borderLinesColor_; }
    void SetBorderLinesColor(TColor color);
    bool HotTrack() const { return hotTrack_; }
    void SetHotTrack(bool value);
    TRbControlColors& Colors() { return colors_; }
    const TRbControlColors& Colors() const { return colors_; }
    // Takes over every colour of colors and redraws the box pictures.
    void SetColors(const TRbControlColors& colors);
    int Spacing() const { return spacing_; }
    void SetSpacing(int value);
    bool Checked() const { return checked_; }
    void SetChecked(bool value);
    bool ShowFocusRect() const { return showFocusRect_; }
    void SetShowFocusRect(bool value);
    TColor CheckColor() const { return checkColor_; }
    void SetCheckColor(TColor color);
    bool GradientBorder() const { return gradientBorder_; }
    void SetGradientBorder(bool value) { gradientBorder_ = value; }

    // The box's square on the control.
    QRect BoxRect() const;

    const QImage& DefaultPicture() const { return defaultPicture_; }
    const QImage& OverPicture() const { return overPicture_; }
    const QImage& ClickedPicture() const { return clickedPicture_; }

    // The check box as it paints itself.
    QImage RenderImage();

protected:
    void Click() override;
    void ColorsChanged() override;
    void Resized() override;
    void FocusChanged() override;
    void MouseEntered() override;
    void MouseLeft() override;
    void LeftButtonDown() override;
    void LeftButtonUp() override;
    void paintEvent(QPaintEvent* event) override;

private:
    template <typename T>
    void StoreAndRepaint(T& field, T value)
    {
        if (field == value)
            return;
        field = value;
        update();
    }

    TBorderLines borderLines_;
    TColor borderLinesColor_ = clGray;
    bool hotTrack_ = false;
    TRbControlColors colors_;
    int spacing_ = 3;
    bool checked_ = false;
    bool showFocusRect_ = true;
    TColor checkColor_ = clGreen;
    bool gradientBorder_ = true;
    QImage defaultPicture_;
    QImage overPicture_;
    QImage clickedPicture_;
};

} // namespace quill
