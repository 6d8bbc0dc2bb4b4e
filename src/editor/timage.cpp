#include "editor/timage.h"

#include <QMouseEvent>
#include <QPainter>

namespace quill {

TImage::TImage(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true); // moves are reported without a button held
}

void TImage::SetPicture(const QImage& picture)
{
    picture_ = picture;
    if (autoSize_)
        resize(picture_.size());
    update();
}

void TImage::SetAutoSize(bool value)
{
    autoSize_ = value;
    if (autoSize_ && !picture_.isNull())
        resize(picture_.size());
}

void TImage::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(0, 0, picture_);
}

void TImage::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    Q_EMIT OnMouseMove(event->modifiers(), pos.x(), pos.y());
}

void TImage::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        pressed_ = true;
}

void TImage::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !pressed_)
        return;
    pressed_ = false;
    if (rect().contains(event->position().toPoint()))
        Q_EMIT OnClick();
}

} // namespace quill
