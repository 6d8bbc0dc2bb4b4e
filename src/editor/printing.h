#pragma once

// Printing an entry: the margins in printer pixels, and the print of the selected part.

#include <QRect>
#include <QString>

class QPrinter;

namespace quill {

class RichEdit;

// The title a print job of the day shown in the header (as "dd mmmm yyyy") carries.
QString PrintJobTitle(const QString& day);

// The margin rectangle in the printer's device pixels: 190 from the left, 150 from the top,
// 180 from the right and 100 from the bottom of its printable area.
QRect PrintMarginRect(const QPrinter& printer);

// Prints the selected characters, from the selection's first to its last, inside the
// editor's page rectangle, as a job titled `title`. The job is always ended, also when a
// page fails; an empty selection gives a job with nothing of the entry on it. A page on
// which nothing fits ends the job rather than repeating.
void PrintSelection(RichEdit& editor, QPrinter& printer, const QString& title);

// Processes pending events while the printing system still reports the job as running.
void WaitForPrintJob(const QPrinter& printer);

} // namespace quill
