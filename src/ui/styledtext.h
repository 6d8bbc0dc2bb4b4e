#pragma once

#include "platform/syscolors.h"

#include <QFont>
#include <QRect>
#include <QString>

class QPainter;

namespace quill {

enum class TextAlignment { Left, Right, Center };

// Text flags of the styled controls: vertically centred, no prefix processing, an ellipsis
// where the text does not fit, plus the alignment, and word break or a single line.
unsigned TextFormatFlags(TextAlignment alignment, bool wordWrap);

// Draws a caption as the styled controls do. Enabled: an optional 1-pixel shadow (right
// and down) in shadowColor under the text in fontColor. Disabled: engraved, the text in the
// button highlight colour 1 pixel right and down, then in the button shadow colour.
void DrawShadowedText(QPainter& canvas, const QString& text, const QFont& font, TColor fontColor, bool enabled,
                      const QRect& rect, unsigned flags, bool shadow, TColor shadowColor);

} // namespace quill
