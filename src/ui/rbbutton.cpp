#include "ui/rbbutton.h"

#include "ui/shapes.h"
#include "ui/styledtext.h"

#include <QDialog>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QPainter>
#include <QPointer>

namespace quill {

namespace {

// Offers the Enter, Return and Escape keys that no control of a window took to the
// window's styled buttons, the focused one first.
class DialogKeyDispatcher : public QObject {
public:
    explicit DialogKeyDispatcher(QWidget* window)
        : QObject(window), window_(window)
    {
        setObjectName(QStringLiteral("quill-dialog-keys"));
        window->installEventFilter(this);
    }

    static void Ensure(QWidget* window)
    {
        if (window && !window->findChild<DialogKeyDispatcher*>(QStringLiteral("quill-dialog-keys"), Qt::FindDirectChildrenOnly))
            new DialogKeyDispatcher(window);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != window_ || event->type() != QEvent::KeyPress)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter && key->key() != Qt::Key_Escape)
            return false;
        QList<TRbButton*> buttons = window_->findChildren<TRbButton*>();
        if (auto* focused = qobject_cast<TRbButton*>(window_->focusWidget()); focused && buttons.removeOne(focused))
            buttons.prepend(focused);
        for (TRbButton* button : buttons) {
            if (button->window() == window_ && button->DialogKey(*key)) {
                key->accept();
                return true;
            }
        }
        return false;
    }

private:
    QWidget* window_;
};

} // namespace

TRbButton::TRbButton(QWidget* parent)
    : TRbCustomControl(parent), colors_(this)
{
    resize(75, 25);
    BuildPictures();
    WatchDialogKeys();
}

void TRbButton::SetGlyph(const QImage& glyph)
{
    // A picture with an alpha channel keeps it; others use the bottom-left pixel's colour.
    if (glyph.isNull())
        glyph_ = QImage();
    else
        glyph_ = glyph.convertToFormat(glyph.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB888);
    update();
}

void TRbButton::SetLayout(TButtonLayout layout)
{
    if (layout == layout_)
        return;
    layout_ = layout;
    update();
}

void TRbButton::SetColors(const TRbControlColors& colors)
{
    colors_.Assign(colors);
    ColorsChanged();
}

void TRbButton::SetShowFocusRect(bool value)
{
    if (value == showFocusRect_)
        return;
    showFocusRect_ = value;
    update();
}

void TRbButton::SetHotTrack(bool value)
{
    if (value == hotTrack_)
        return;
    hotTrack_ = value;
    update();
}

void TRbButton::SetDefault(bool value)
{
    if (value == default_)
        return;
    default_ = value;
    if (parentWidget())
        NotifyFocusChanged(window());
}

void TRbButton::SetGradientType(TGradientType type)
{
    if (type == gradientType_)
        return;
    gradientType_ = type;
    ColorsChanged();
}

void TRbButton::SetDown(bool value)
{
    if (groupIndex_ <= 0)
        return;
    if (!value && !CanGoUp())
        return;
    down_ = value;
    if (value) {
        ReleaseGroup();
        SetHot(true);
        SetPressed(true);
        SetFadeStep(&TRbButton::FadeInStep);
    } else {
        SetPressed(false);
        SetFadeStep(&TRbButton::FadeOutStep);
    }
    StartFadeTimer();
}

void TRbButton::ReleaseGroup()
{
    QWidget* parent = parentWidget();
    if (!parent)
        return;
    for (QObject* child : parent->children()) {
        auto* button = qobject_cast<TRbButton*>(child);
        if (button && button != this && button->groupIndex_ == groupIndex_)
            button->SetDown(false);
    }
}

bool TRbButton::CanGoUp() const
{
    if (allowAllUp_)
        return true;
    QWidget* parent = parentWidget();
    if (groupIndex_ <= 0 || !parent)
        return false;
    for (QObject* child : parent->children()) {
        auto* button = qobject_cast<TRbButton*>(child);
        if (button && button != this && button->groupIndex_ == groupIndex_ && button->down_)
            return true;
    }
    return false;
}

void TRbButton::Click()
{
    QPointer<QDialog> dialog = parentWidget() ? qobject_cast<QDialog*>(window()) : nullptr;
    if (dialog)
        dialog->setResult(modalResult_);
    SetDown(groupIndex_ > 0 && !down_);
    Q_EMIT OnClick();
    // Like a modal result set by hand, a result other than 0 ends the dialog after the
    // click has been handled.
    if (dialog && dialog->isVisible() && dialog->result() != mrNone)
        dialog->done(dialog->result());
}

bool TRbButton::DialogKey(const QKeyEvent& event)
{
    if (!isVisible() || !isEnabled() || focusPolicy() == Qt::NoFocus)
        return false;
    const bool enter = event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter;
    const bool escape = event.key() == Qt::Key_Escape && event.modifiers() == Qt::NoModifier;
    if ((enter && (hasFocus() || default_)) || (escape && cancel_)) {
        Click();
        return true;
    }
    return false;
}

void TRbButton::BuildPictures()
{
    const QRect all(0, 0, width(), height());
    for (QImage* picture : {&defaultPicture_, &overPicture_, &clickedPicture_})
        if (picture->size() != size())
            *picture = NewBitmap(width(), height());
    PaintGradient(defaultPicture_, all, colors_.DefaultFrom(), nullptr, gradientType_, colors_.DefaultTo());
    PaintGradient(overPicture_, all, colors_.OverFrom(), nullptr, gradientType_, colors_.OverTo());
    PaintGradient(clickedPicture_, all, colors_.ClickedFrom(), nullptr, gradientType_, colors_.ClickedTo());
}

void TRbButton::ColorsChanged()
{
    BuildPictures();
    update();
}

void TRbButton::Resized()
{
    ColorsChanged();
}

void TRbButton::FocusChanged()
{
    update();
}

void TRbButton::MouseEntered()
{
    TRbCustomControl::MouseEntered();
    SetHot(true);
    StartFade(&TRbButton::FadeInStep);
}

void TRbButton::MouseLeft()
{
    TRbCustomControl::MouseLeft();
    if (down_)
        return;
    SetHot(false);
    StartFade(&TRbButton::FadeOutStep);
}

void TRbButton::LeftButtonDown()
{
    TRbCustomControl::LeftButtonDown();
    SetHot(true);
    SetPressed(true);
    StartFade(&TRbButton::FadeInStep);
}

void TRbButton::LeftButtonUp()
{
    if (Pressed() && !down_)
        SetPressed(false);
    if (Hot())
        SetFadeStep(&TRbButton::FadeInStep);
    StartFadeTimer();
}

void TRbButton::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier)
        Click();
    TRbCustomControl::keyPressEvent(event);
}

QPoint TRbButton::GlyphPosition(const QRect& T, QSize glyph, QSize text, bool c) const
{
    const int left = T.x();
    const int right = T.x() + T.width();
    const int top = T.y();
    const int bottom = T.y() + T.height();
    const int gw = glyph.width();
    const int gh = glyph.height();
    const int tw = text.width();
    const int th = text.height();
    switch (layout_) {
    case blGlyphLeft:
        return {c ? (left + right - tw) / 2 - spacing_ - gw : (left + right - spacing_) / 2 - gw, (height() - gh) / 2};
    case blGlyphRight:
        return {c ? (left + right + tw) / 2 + spacing_ : (left + right) / 2 + spacing_, (height() - gh) / 2};
    case blGlyphTop:
        return {(width() - gw) / 2, c ? (top + bottom - th) / 2 - spacing_ - gh : (top + bottom) / 2 - spacing_ - gh};
    case blGlyphBottom:
        return {(width() - gw) / 2, c ? (top + bottom + th) / 2 + spacing_ : (top + bottom) / 2 + spacing_};
    }
    return {};
}

QImage TRbButton::RenderImage()
{
    if (defaultPicture_.size() != size())
        BuildPictures();
    QImage working = NewBitmap(width(), height());
    FillBitmap(working, working.rect(), Color());
    QRect R = working.rect();

    // The resting gradient one pixel right and down, mixed with the hover one by HotLevel.
    CopyWithOverlay(working, defaultPicture_, overPicture_, 1, R, HotLevel());
    if (PressLevel() > 0) {
        const QRect inner = gradientBorder_ ? R.adjusted(3, 3, -3, -3) : R;
        CopyWithOverlay(working, working, clickedPicture_, 1, inner, PressLevel());
    }
    DrawRoundRect(working, R, 0, 1, Color(), std::nullopt);
    DrawRoundRect(working, working.rect(), 5, 1, colors_.BorderColor(), std::nullopt);

    QRect T = R;
    if (!glyph_.isNull()) {
        switch (layout_) {
        case blGlyphLeft: T.setLeft(T.left() + glyph_.width() + spacing_); break;
        case blGlyphRight: T.setLeft(T.left() - glyph_.width() - spacing_); break;
        case blGlyphTop: T.setTop(T.top() + glyph_.height() + spacing_); break;
        case blGlyphBottom: T.setTop(T.top() - glyph_.height() - spacing_); break;
        }
    }
    const unsigned flags = TextFormatFlags(TextAlignment::Center, false);
    const TColor fontColor = hotTrack_ && Hot() ? colors_.HotTrack() : FontColor();
    {
        QPainter painter(&working);
        if (ShowCaption())
            DrawShadowedText(painter, Caption(), font(), fontColor, isEnabled(), T, flags, TextShadow(),
                             colors_.TextShadow());
    }
    if (!glyph_.isNull()) {
        TransparentBitmap G(glyph_);
        if (!isEnabled())
            G.Tint(0x00404040);
        const bool captionShown = !Caption().isEmpty() && ShowCaption();
        const QFontMetrics metrics(font(), &working);
        const QSize text(metrics.horizontalAdvance(Caption()), metrics.height());
        const QPoint at = GlyphPosition(T, QSize(G.Width(), G.Height()), text, captionShown);
        G.Draw(working, at.x(), at.y());
    }
    if (hasFocus() && showFocusRect_)
        DrawFocusRect(working, R.adjusted(2, 2, -2, -2));
    return working;
}

void TRbButton::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ParentChange)
        WatchDialogKeys();
    TRbCustomControl::changeEvent(event);
}

void TRbButton::showEvent(QShowEvent* event)
{
    WatchDialogKeys();
    TRbCustomControl::showEvent(event);
}

void TRbButton::WatchDialogKeys()
{
    DialogKeyDispatcher::Ensure(window());
}

void TRbButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(0, 0, RenderImage());
}

} // namespace quill
