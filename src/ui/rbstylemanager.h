#pragma once

#include "ui/rbcolors.h"
#include "ui/rbcustomcontrol.h"

#include <QFont>
#include <QList>
#include <QObject>

namespace quill {

// A shared place for style settings to which styled controls can be linked. It only keeps
// the settings: it never passes them to the linked controls, which never read them.
class TRbStyleManager : public QObject {
    Q_OBJECT

public:
    explicit TRbStyleManager(QObject* parent = nullptr);
    ~TRbStyleManager() override;

    TRbControlColors& Colors() { return colors_; }
    const TRbControlColors& Colors() const { return colors_; }
    TRbSplitterColors& SplitterColors() { return splitterColors_; }
    const TRbSplitterColors& SplitterColors() const { return splitterColors_; }

    bool ShowFocusRect() const { return showFocusRect_; }
    void SetShowFocusRect(bool value) { showFocusRect_ = value; }
    bool HotTrack() const { return hotTrack_; }
    void SetHotTrack(bool value) { hotTrack_ = value; }
    bool GradientBorder() const { return gradientBorder_; }
    void SetGradientBorder(bool value) { gradientBorder_ = value; }
    bool TextShadow() const { return textShadow_; }
    void SetTextShadow(bool value) { textShadow_ = value; }
    TColor CheckColor() const { return checkColor_; }
    void SetCheckColor(TColor value) { checkColor_ = value; }
    TFadeSpeed FadeSpeed() const { return fadeSpeed_; }
    void SetFadeSpeed(TFadeSpeed value) { fadeSpeed_ = value; }
    TColor PanelColor() const { return panelColor_; }
    void SetPanelColor(TColor value) { panelColor_ = value; }
    TColor BorderColor() const { return borderColor_; }
    void SetBorderColor(TColor value) { borderColor_ = value; }
    QFont Font() const { return font_; }
    void SetFont(const QFont& font) { font_ = font; }

    const QList<TRbCustomControl*>& LinkedControls() const { return linkedControls_; }
    void LinkControl(TRbCustomControl* control);
    void UnlinkControl(TRbCustomControl* control);

    // Copies every setting of source (the colours without reporting them).
    void Assign(const TRbStyleManager& source);

private:
    TRbControlColors colors_;
    TRbSplitterColors splitterColors_;
    bool showFocusRect_ = true;
    bool hotTrack_ = false;
    bool gradientBorder_ = true;
    bool textShadow_ = true;
    TColor checkColor_ = clGreen;
    TFadeSpeed fadeSpeed_ = fsMedium;
    TColor panelColor_ = 0x00E3DFDF;
    TColor borderColor_ = clGray;
    QFont font_;
    QList<TRbCustomControl*> linkedControls_;
    bool destroying_ = false;
};

} // namespace quill
