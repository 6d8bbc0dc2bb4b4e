#pragma once

#include "ui/bitmaps.h"
#include "ui/rbcolors.h"
#include "ui/rbcustomcontrol.h"

#include <QImage>

class QKeyEvent;

namespace quill {

enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

// Modal results a button can give its dialog; QDialog::exec() returns them.
constexpr int mrNone = 0;
constexpr int mrOk = 1;
constexpr int mrCancel = 2;
constexpr int mrAbort = 3;
constexpr int mrRetry = 4;
constexpr int mrIgnore = 5;
constexpr int mrYes = 6;
constexpr int mrNo = 7;

// The styled push button: a gradient with a rounded border that fades into a brighter one
// under the pointer and switches to a third while pressed, with an optional picture beside
// the caption. It can be a dialog's default (Enter) or cancel (Escape) button, set the
// dialog's result, and stay down in a group of buttons with the same GroupIndex.
class TRbButton : public TRbCustomControl {
    Q_OBJECT

public:
    explicit TRbButton(QWidget* parent = nullptr);

    // Copied to the dialog's result on every click; a result other than mrNone closes the
    // dialog once the OnClick handlers have run (they may set the result back to 0).
    int ModalResult() const { return modalResult_; }
    void SetModalResult(int value) { modalResult_ = value; }

    // The picture beside the caption, blended by its alpha channel when it has one; in a
    // picture without, the colour of its bottom-left pixel is transparent.
    const QImage& Glyph() const { return glyph_; }
    void SetGlyph(const QImage& glyph);
    int Spacing() const { return spacing_; }
    void SetSpacing(int value) { spacing_ = value < 0 ? 0 : value; }
    TButtonLayout Layout() const { return layout_; }
    void SetLayout(TButtonLayout layout);

    TRbControlColors& Colors() { return colors_; }
    const TRbControlColors& Colors() const { return colors_; }
    // Takes over every colour of colors and redraws the gradients.
    void SetColors(const TRbControlColors& colors);

    bool ShowFocusRect() const { return showFocusRect_; }
    void SetShowFocusRect(bool value);
    bool HotTrack() const { return hotTrack_; }
    void SetHotTrack(bool value);
    bool Default() const { return default_; }
    void SetDefault(bool value);
    bool Cancel() const { return cancel_; }
    void SetCancel(bool value) { cancel_ = value; }
    bool GradientBorder() const { return gradientBorder_; }
    void SetGradientBorder(bool value) { gradientBorder_ = value; }
    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int value) { groupIndex_ = value; }
    bool AllowAllUp() const { return allowAllUp_; }
    void SetAllowAllUp(bool value) { allowAllUp_ = value; }
    bool Down() const { return down_; }
    void SetDown(bool value);
    TGradientType GradientType() const { return gradientType_; }
    void SetGradientType(TGradientType type);

    // Releases the other buttons of the group; whether this one may come up.
    void ReleaseGroup();
    bool CanGoUp() const;

    // Clicks the button as the mouse or a key does.
    void Click() override;

    // Enter, Return or Escape that no control of the window took: clicks this button if
    // it is the one meant. Returns whether it did.
    bool DialogKey(const QKeyEvent& event);

    const QImage& DefaultPicture() const { return defaultPicture_; }
    const QImage& OverPicture() const { return overPicture_; }
    const QImage& ClickedPicture() const { return clickedPicture_; }

    // The button as it paints itself.
    QImage RenderImage();

protected:
    void ColorsChanged() override;
    void Resized() override;
    void FocusChanged() override;
    void MouseEntered() override;
    void MouseLeft() override;
    void LeftButtonDown() override;
    void LeftButtonUp() override;

    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void BuildPictures();
    void WatchDialogKeys();
    QPoint GlyphPosition(const QRect& T, QSize glyph, QSize text, bool captionShown) const;

    int modalResult_ = mrNone;
    QImage glyph_;
    int spacing_ = 2;
    TButtonLayout layout_ = blGlyphLeft;
    TRbControlColors colors_;
    bool showFocusRect_ = true;
    bool hotTrack_ = false;
    bool default_ = false;
    bool cancel_ = false;
    bool gradientBorder_ = true;
    int groupIndex_ = 0;
    bool allowAllUp_ = false;
    bool down_ = false;
    TGradientType gradientType_ = gtVertical;
    QImage defaultPicture_;
    QImage overPicture_;
    QImage clickedPicture_;
};

} // namespace quill
