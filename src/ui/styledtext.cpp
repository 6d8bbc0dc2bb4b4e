#include "ui/styledtext.h"

#include "platform/drawtext.h"

#include <QPainter>

namespace quill {

unsigned TextFormatFlags(TextAlignment alignment, bool wordWrap)
{
    unsigned flags = DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;
    if (alignment == TextAlignment::Right)
        flags |= DT_RIGHT;
    else if (alignment == TextAlignment::Center)
        flags |= DT_CENTER;
    flags |= wordWrap ? DT_WORDBREAK : DT_SINGLELINE;
    return flags;
}

void DrawShadowedText(QPainter& canvas, const QString& text, const QFont& font, TColor fontColor, bool enabled,
                      const QRect& rect, unsigned flags, bool shadow, TColor shadowColor)
{
    canvas.setFont(font);
    auto draw = [&](const QRect& where, TColor color) {
        QRect r = where;
        canvas.setPen(ToQColor(color));
        DrawText(canvas, text, r, flags);
    };
    if (enabled) {
        if (shadow)
            draw(rect.translated(1, 1), shadowColor);
        draw(rect, fontColor);
    } else {
        draw(rect.translated(1, 1), clBtnHighlight);
        draw(rect, clBtnShadow);
    }
}

} // namespace quill
