#include "search/result_row.h"

#include "platform/drawtext.h"
#include "ui/gradient.h"
#include "ui/shapes.h"

#include <QPainter>

namespace quill {

using namespace resultcolors;

namespace {

void FillRegion(QPainter& canvas, const QRegion& region, TColor color)
{
    for (const QRect& rect : region)
        canvas.fillRect(rect, ToQColor(color));
}

} // namespace

ResultRowPainter::ResultRowPainter(const TImageList& images)
{
    const QImage folder = images.Image(kResultRowImage);
    if (folder.isNull())
        return;
    QImage onWhite(folder.size(), QImage::Format_RGB32);
    onWhite.fill(Qt::white);
    QPainter painter(&onWhite);
    painter.drawImage(0, 0, folder);
    painter.end();
    marker_.AddMasked(onWhite, clWhite);
}

void ResultRowPainter::Draw(QPainter& canvas, const QRect& R, const QString& text, bool selected) const
{
    canvas.save();
    if (selected) {
        canvas.save();
        canvas.setClipRegion(RoundRectRegion(R, 5, 5), canvas.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
        DrawGradient(canvas, R, {kCream, kCream, kAmber}, false);
        // The outline ends one pixel inside the row's bottom-right corner.
        FillRegion(canvas, RoundFrameRegion(QRect(R.x(), R.y(), R.width() - 1, R.height() - 1), 5, 1), kOutline);
        canvas.restore();
    } else {
        canvas.fillRect(R, ToQColor(kBackground));
    }
    marker_.Draw(canvas, R.x() + 4, R.y() + 4, 0);
    canvas.setPen(ToQColor(clBlack));
    QRect T(QPoint(R.x() + 25, R.y() + 4), QPoint(R.right(), R.bottom()));
    DrawText(canvas, text, T, DT_SINGLELINE | DT_LEFT | DT_NOPREFIX | DT_END_ELLIPSIS);
    canvas.restore();
}

} // namespace quill
