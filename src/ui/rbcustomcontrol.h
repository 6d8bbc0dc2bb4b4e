#pragma once

#include "platform/syscolors.h"

#include <QMetaObject>
#include <QWidget>

#include <optional>

namespace quill {

class TRbStyleManager;
class TRbControlColors;

enum TFadeSpeed { fsSlow, fsMedium, fsFast, fsVeryFast };

// The fade timer's interval in milliseconds: 40, 20, 12 or 8. A full fade is ten ticks.
int FadeInterval(TFadeSpeed speed);

// The base of the styled controls: a widget that paints itself completely, turns Qt's
// events into a fixed set of overridable operations and runs the hover and press fade on
// a timer of its own. It gets no double clicks: the second click of one arrives as a press.
class TRbCustomControl : public QWidget {
    Q_OBJECT

public:
    explicit TRbCustomControl(QWidget* parent = nullptr);
    ~TRbCustomControl() override;

    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption);
    bool TextShadow() const { return textShadow_; }
    void SetTextShadow(bool value);
    bool ShowCaption() const { return showCaption_; }
    void SetShowCaption(bool value);

    // The colour the control fills itself with. Setting it ends ParentColor; with
    // ParentColor the control takes its parent's colour and follows it.
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    bool ParentColor() const { return parentColor_; }
    void SetParentColor(bool value);

    // The colour of the font. Until it is set, the styled parent's font colour, or the
    // window text colour on other parents.
    TColor FontColor() const;
    void SetFontColor(TColor color);

    bool TabStop() const { return focusPolicy() == Qt::StrongFocus; }
    void SetTabStop(bool value);

    TFadeSpeed FadeSpeed() const { return fadeSpeed_; }
    void SetFadeSpeed(TFadeSpeed speed) { fadeSpeed_ = speed; }

    TRbStyleManager* RbStyleManager() const { return styleManager_; }
    void SetRbStyleManager(TRbStyleManager* manager);

    QString About() const;
    void SetAbout(const QString&) {}

    // Fade state: HotLevel 0 to 100 in steps of 10, PressLevel 0 or 100.
    int HotLevel() const { return hotLevel_; }
    int PressLevel() const { return pressLevel_; }
    bool Hot() const { return hot_; }
    bool Pressed() const { return pressed_; }
    bool FadeTimerActive() const { return fadeTimerId_ != 0; }
    int FadeTimerId() const { return fadeTimerId_; }
    int FadeTimerInterval() const { return fadeTimerInterval_; }

    // Tells every styled control of the window that the focus moved, so that each repaints
    // its focus look.
    static void NotifyFocusChanged(QWidget* window);

Q_SIGNALS:
    void OnClick();
    void OnMouseEnter();
    void OnMouseLeave();
    void OnMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void OnMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void OnMouseMove(Qt::KeyboardModifiers shift, int x, int y);

protected:
    // The overridable operations, in the order the platform's events map to them.
    virtual void ColorsChanged() = 0;
    virtual void EnabledChanged();
    virtual void FocusChanged() {}
    virtual void LeftButtonDown();
    virtual void LeftButtonUp() {}
    virtual void MouseEntered();
    virtual void MouseLeft();
    virtual void MouseMoved() {}
    virtual void ParentColorChanged() {}
    virtual void Resized() {}
    virtual void TextChanged();
    virtual void FadeOutStep();
    virtual void FadeInStep();

    // A completed click (left button down and up on the control); emits OnClick.
    virtual void Click();
    // Colour changed through SetColor or ParentColor: repaints.
    virtual void ColorChanged();

    using FadeStepFunction = void (TRbCustomControl::*)();
    void SetFadeStep(FadeStepFunction step) { fadeStep_ = step; }
    void StartFadeTimer();
    void StopFadeTimer();
    // Installs the step and (re)starts the timer.
    void StartFade(FadeStepFunction step)
    {
        SetFadeStep(step);
        StartFadeTimer();
    }
    void SetHot(bool value) { hot_ = value; }
    void SetPressed(bool value) { pressed_ = value; }
    // The colour of the parent: a styled parent's Color, else its window colour.
    TColor ParentsColor() const;

    void changeEvent(QEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    friend class TRbControlColors;
    friend class TRbStyleManager;

    void ParentColorChangedEvent();
    void ApplyColor(TColor color);
    void FocusChangedEvent();

    QString caption_;
    bool textShadow_ = true;
    bool showCaption_ = true;
    TColor color_ = clBtnFace;
    bool parentColor_ = true;
    std::optional<TColor> fontColor_;
    TRbStyleManager* styleManager_ = nullptr;
    TFadeSpeed fadeSpeed_ = fsMedium;
    FadeStepFunction fadeStep_ = nullptr;
    int fadeTimerId_ = 0;
    int fadeTimerInterval_ = 0;
    int hotLevel_ = 0;
    int pressLevel_ = 0;
    bool hot_ = false;
    bool pressed_ = false;
    bool clicked_ = false;
    QMetaObject::Connection focusConnection_;
};

} // namespace quill
