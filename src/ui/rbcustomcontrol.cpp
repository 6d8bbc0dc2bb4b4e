#include "ui/rbcustomcontrol.h"

#include "ui/rbstylemanager.h"

#include <QApplication>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QTimerEvent>

namespace quill {

int FadeInterval(TFadeSpeed speed)
{
    switch (speed) {
    case fsSlow: return 40;
    case fsMedium: return 20;
    case fsFast: return 12;
    case fsVeryFast: return 8;
    }
    return 20;
}

TRbCustomControl::TRbCustomControl(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    if (parent)
        color_ = ParentsColor();
    focusConnection_ = connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
        QWidget* own = window();
        if ((old && old->window() == own) || (now && now->window() == own))
            FocusChangedEvent();
    });
}

TRbCustomControl::~TRbCustomControl()
{
    // The focus leaves while QWidget tears down; this part of the control is gone by then.
    disconnect(focusConnection_);
    StopFadeTimer();
    if (styleManager_)
        styleManager_->UnlinkControl(this);
}

void TRbCustomControl::SetCaption(const QString& caption)
{
    if (caption == caption_)
        return;
    caption_ = caption;
    TextChanged();
}

void TRbCustomControl::SetTextShadow(bool value)
{
    if (value == textShadow_)
        return;
    textShadow_ = value;
    update();
}

void TRbCustomControl::SetShowCaption(bool value)
{
    if (value == showCaption_)
        return;
    showCaption_ = value;
    update();
}

void TRbCustomControl::SetColor(TColor color)
{
    parentColor_ = false;
    ApplyColor(color);
}

void TRbCustomControl::SetParentColor(bool value)
{
    parentColor_ = value;
    if (value)
        ApplyColor(ParentsColor());
}

TColor TRbCustomControl::FontColor() const
{
    if (fontColor_)
        return *fontColor_;
    if (const auto* styledParent = qobject_cast<const TRbCustomControl*>(parentWidget()))
        return styledParent->FontColor();
    return clWindowText;
}

void TRbCustomControl::SetFontColor(TColor color)
{
    if (fontColor_ == color)
        return;
    fontColor_ = color;
    update();
}

void TRbCustomControl::SetTabStop(bool value)
{
    setFocusPolicy(value ? Qt::StrongFocus : Qt::ClickFocus);
}

void TRbCustomControl::SetRbStyleManager(TRbStyleManager* manager)
{
    if (manager == styleManager_)
        return;
    if (styleManager_)
        styleManager_->UnlinkControl(this);
    if (manager)
        manager->LinkControl(this);
    styleManager_ = manager;
}

QString TRbCustomControl::About() const
{
    return QStringLiteral("Quillmere styled controls");
}

void TRbCustomControl::NotifyFocusChanged(QWidget* window)
{
    if (!window)
        return;
    for (TRbCustomControl* control : window->findChildren<TRbCustomControl*>())
        if (control->window() == window)
            control->FocusChanged();
}

void TRbCustomControl::EnabledChanged()
{
    update();
}

void TRbCustomControl::LeftButtonDown()
{
    if (!hasFocus() && focusPolicy() != Qt::NoFocus && isEnabled() && isVisible())
        setFocus(Qt::MouseFocusReason);
}

void TRbCustomControl::MouseEntered()
{
    Q_EMIT OnMouseEnter();
}

void TRbCustomControl::MouseLeft()
{
    Q_EMIT OnMouseLeave();
}

void TRbCustomControl::TextChanged()
{
    update();
}

void TRbCustomControl::FadeInStep()
{
    if (hot_ && pressed_) {
        if (pressLevel_ >= 100) {
            pressLevel_ = 100;
            update();
            StopFadeTimer();
            return;
        }
        pressLevel_ += 100;
    } else {
        if (pressLevel_ > 0)
            pressLevel_ -= 100;
        if (hotLevel_ >= 100)
            hotLevel_ = 100;
        else
            hotLevel_ += 10;
        if (pressLevel_ <= 0 && hotLevel_ >= 100) {
            update();
            StopFadeTimer();
            return;
        }
    }
    update();
}

void TRbCustomControl::FadeOutStep()
{
    if (pressLevel_ > 0)
        pressLevel_ -= 100;
    if (hotLevel_ > 0 || pressLevel_ > 0) {
        hotLevel_ -= 10;
    } else {
        hotLevel_ = 0;
        pressLevel_ = 0;
        StopFadeTimer();
    }
    update();
}

void TRbCustomControl::Click()
{
    Q_EMIT OnClick();
}

void TRbCustomControl::ColorChanged()
{
    update();
}

void TRbCustomControl::StartFadeTimer()
{
    StopFadeTimer();
    fadeTimerInterval_ = FadeInterval(fadeSpeed_);
    fadeTimerId_ = startTimer(fadeTimerInterval_, Qt::PreciseTimer);
}

void TRbCustomControl::StopFadeTimer()
{
    if (fadeTimerId_ != 0)
        killTimer(fadeTimerId_);
    fadeTimerId_ = 0;
}

void TRbCustomControl::changeEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::EnabledChange:
        EnabledChanged();
        break;
    case QEvent::ParentChange:
        ParentColorChangedEvent();
        break;
    case QEvent::PaletteChange:
        // A styled parent reports its colour itself; other parents through their palette.
        if (!qobject_cast<TRbCustomControl*>(parentWidget()))
            ParentColorChangedEvent();
        break;
    default:
        break;
    }
    QWidget::changeEvent(event);
}

void TRbCustomControl::enterEvent(QEnterEvent* event)
{
    MouseEntered();
    QWidget::enterEvent(event);
}

void TRbCustomControl::leaveEvent(QEvent* event)
{
    MouseLeft();
    QWidget::leaveEvent(event);
}

void TRbCustomControl::mouseMoveEvent(QMouseEvent* event)
{
    MouseMoved();
    const QPoint pos = event->position().toPoint();
    Q_EMIT OnMouseMove(event->modifiers(), pos.x(), pos.y());
}

void TRbCustomControl::mousePressEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::LeftButton)
        clicked_ = true;
    Q_EMIT OnMouseDown(event->button(), event->modifiers(), pos.x(), pos.y());
    if (event->button() == Qt::LeftButton)
        LeftButtonDown();
}

void TRbCustomControl::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::LeftButton && clicked_) {
        clicked_ = false;
        if (rect().contains(pos))
            Click();
    }
    Q_EMIT OnMouseUp(event->button(), event->modifiers(), pos.x(), pos.y());
    if (event->button() == Qt::LeftButton)
        LeftButtonUp();
}

void TRbCustomControl::mouseDoubleClickEvent(QMouseEvent* event)
{
    mousePressEvent(event);
}

void TRbCustomControl::resizeEvent(QResizeEvent* event)
{
    Resized();
    QWidget::resizeEvent(event);
}

void TRbCustomControl::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == fadeTimerId_ && fadeStep_) {
        // A failed step only costs one frame of the animation.
        try {
            (this->*fadeStep_)();
        } catch (...) {
        }
    }
    QWidget::timerEvent(event);
}

void TRbCustomControl::ParentColorChangedEvent()
{
    ParentColorChanged();
    if (parentColor_)
        ApplyColor(ParentsColor());
}

TColor TRbCustomControl::ParentsColor() const
{
    const QWidget* parent = parentWidget();
    if (const auto* styledParent = qobject_cast<const TRbCustomControl*>(parent))
        return styledParent->Color();
    if (parent && parent->testAttribute(Qt::WA_SetPalette))
        return FromQColor(parent->palette().color(QPalette::Window));
    return clBtnFace;
}

void TRbCustomControl::ApplyColor(TColor color)
{
    if (color == color_)
        return;
    color_ = color;
    ColorChanged();
    for (QObject* child : children())
        if (auto* control = qobject_cast<TRbCustomControl*>(child))
            control->ParentColorChangedEvent();
}

void TRbCustomControl::FocusChangedEvent()
{
    FocusChanged();
}

} // namespace quill
