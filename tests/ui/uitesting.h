#pragma once

#include "platform/syscolors.h"

#include <QCoreApplication>
#include <QEnterEvent>
#include <QImage>
#include <QTimerEvent>
#include <QWidget>

namespace quill::testing {

// The colour of one pixel as 0x00BBGGRR.
inline TColor PixelAt(const QImage& image, int x, int y)
{
    const QRgb rgb = image.pixel(x, y);
    return RGBColor(qRed(rgb), qGreen(rgb), qBlue(rgb));
}

// A fresh 24-bit image filled with one colour.
inline QImage Filled(int width, int height, TColor color)
{
    QImage image(width, height, QImage::Format_RGB888);
    image.fill(ToQColor(color));
    return image;
}

// The pointer arriving at and leaving a widget, as Qt reports it.
inline void Enter(QWidget* widget)
{
    QEnterEvent event(QPointF(1, 1), QPointF(1, 1), widget->mapToGlobal(QPointF(1, 1)));
    QCoreApplication::sendEvent(widget, &event);
}

inline void Leave(QWidget* widget)
{
    QEvent event(QEvent::Leave);
    QCoreApplication::sendEvent(widget, &event);
}

// One tick of a timer, delivered as the event loop would deliver it.
inline void Tick(QObject* object, int timerId)
{
    QTimerEvent event(timerId);
    QCoreApplication::sendEvent(object, &event);
}

} // namespace quill::testing
