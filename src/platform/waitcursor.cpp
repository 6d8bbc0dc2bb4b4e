#include "platform/waitcursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace quill {

WaitCursor::WaitCursor()
{
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

WaitCursor::~WaitCursor()
{
    QGuiApplication::restoreOverrideCursor();
}

} // namespace quill
