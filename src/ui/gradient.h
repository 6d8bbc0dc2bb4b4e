#pragma once

#include "platform/syscolors.h"

#include <QRect>
#include <stdexcept>
#include <vector>

class QPainter;

namespace quill {

// An arithmetic failure of the drawing routines; what() is the text shown.
class ArithmeticError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Fills rect (right and bottom exclusive) with a gradient through colors, first to last,
// in equal bands of one-pixel lines: vertical lines when Horizontal, else horizontal ones.
// Throws ArithmeticError("Please specify at least two colors.") before drawing anything
// when fewer than two colours are given. Leaves the painter's pen, brush, font and
// clipping as they were. Nothing is drawn outside rect, whatever its extent.
void DrawGradient(QPainter& canvas, const QRect& rect, const std::vector<TColor>& colors, bool Horizontal);

} // namespace quill
