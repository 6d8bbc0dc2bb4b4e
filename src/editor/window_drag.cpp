#include "editor/window_drag.h"

#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace quill {

WindowDrag::WindowDrag(QWidget* handle) : QObject(handle), handle_(handle)
{
    handle_->installEventFilter(this);
}

void WindowDrag::Begin(const QPoint& pressed)
{
    QWidget* window = handle_->window();
    QWindow* native = window->windowHandle();
    if (native && native->startSystemMove()) {
        grab_.reset();
        return;
    }
    grab_ = handle_->mapTo(window, pressed);
}

bool WindowDrag::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != handle_ || !grab_)
        return false;
    if (event->type() == QEvent::MouseMove) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->buttons() == Qt::NoButton) {
            grab_.reset();
            return false;
        }
        handle_->window()->move(mouse->globalPosition().toPoint() - *grab_);
        return true;
    }
    if (event->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(event)->buttons() == Qt::NoButton)
        grab_.reset();
    return false;
}

} // namespace quill
