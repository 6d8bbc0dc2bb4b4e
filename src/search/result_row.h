#pragma once

#include "ui/imagelist.h"

#include <QRect>
#include <QString>

class QPainter;

namespace quill {

// Colours of a result row, 0x00BBGGRR.
namespace resultcolors {
constexpr TColor kCream = 0x00DDF5FF;
constexpr TColor kAmber = 0x005ED2FF;
constexpr TColor kOutline = 0x00C5C5C5;
constexpr TColor kBackground = clWhite;
} // namespace resultcolors

// The image of the shared image list that marks every result row: an open yellow folder.
constexpr int kResultRowImage = 20;

// Draws the rows of the search results: a selected row is a rounded cream-to-amber
// gradient in a grey outline, every row shows the folder picture and its text.
class ResultRowPainter {
public:
    ResultRowPainter() = default;
    // Takes the folder from the shared list, rendered on white with white then transparent;
    // the shared list itself stays as it is.
    explicit ResultRowPainter(const TImageList& images);

    // R is the row's rectangle; the text is drawn in the painter's font, in black.
    void Draw(QPainter& canvas, const QRect& R, const QString& text, bool selected) const;

private:
    TImageList marker_;
};

} // namespace quill
