#include "editor/printing.h"

#include "platform/richedit/richedit.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPrinter>

namespace quill {

QString PrintJobTitle(const QString& day)
{
    return QStringLiteral("My Journal Entry For ") + day;
}

QRect PrintMarginRect(const QPrinter& printer)
{
    const int left = 190;
    const int top = 150;
    const int right = printer.width() - 180;
    const int bottom = printer.height() - 100;
    return QRect(left, top, right - left, bottom - top);
}

void PrintSelection(RichEdit& editor, QPrinter& printer, const QString& title)
{
    QPainter painter;
    BeginPrintJob(painter, printer, title);
    // From here on the job is ended whatever happens.
    struct JobEnd {
        QPainter& painter;
        ~JobEnd()
        {
            QCoreApplication::processEvents();
            painter.end();
            QCoreApplication::processEvents();
        }
    } jobEnd{painter};

    const QRect area = PixelsToTwips(editor.PageRect(), printer.logicalDpiX(), printer.logicalDpiY());
    int from = editor.SelStart();
    const int to = from + editor.SelLength();
    QCoreApplication::processEvents();
    try {
        while (from < to) {
            const int next = editor.FormatRange(&painter, area, from, to);
            if (next < 0 || next >= to || next <= from)
                break;
            printer.newPage();
            from = next;
        }
    } catch (...) {
        editor.FormatRangeDone();
        throw;
    }
    editor.FormatRangeDone();
}

void WaitForPrintJob(const QPrinter& printer)
{
    while (printer.printerState() == QPrinter::Active)
        QCoreApplication::processEvents();
}

} // namespace quill
