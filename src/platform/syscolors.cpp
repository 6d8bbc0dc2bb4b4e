#include "platform/syscolors.h"

#include <QGuiApplication>
#include <QPalette>

namespace quill {

namespace {

// The palette role that stands for each system colour index we use.
bool RoleForIndex(unsigned index, QPalette::ColorGroup& group, QPalette::ColorRole& role)
{
    group = QPalette::Active;
    switch (index) {
    case 0: role = QPalette::Button; return true;           // scroll bar
    case 4: role = QPalette::Window; return true;           // menu
    case 5: role = QPalette::Base; return true;             // window (edit background)
    case 7: role = QPalette::WindowText; return true;       // menu text
    case 8: role = QPalette::Text; return true;             // window text
    case 13: role = QPalette::Highlight; return true;
    case 14: role = QPalette::HighlightedText; return true;
    case 15: role = QPalette::Button; return true;          // button face
    case 16: role = QPalette::Dark; return true;            // button shadow
    case 17: group = QPalette::Disabled; role = QPalette::Text; return true;
    case 18: role = QPalette::ButtonText; return true;
    case 20: role = QPalette::Light; return true;           // button highlight
    default: return false;
    }
}

} // namespace

TColor ColorToRGB(TColor color)
{
    if (!IsSystemColor(color))
        return color & 0x00FFFFFFu;
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
    if (!RoleForIndex(color & 0xFFu, group, role))
        return clBlack;
    const QPalette palette = QGuiApplication::instance() ? QGuiApplication::palette() : QPalette();
    return FromQColor(palette.color(group, role));
}

QColor ToQColor(TColor color)
{
    const TColor rgb = ColorToRGB(color);
    return QColor(RedOf(rgb), GreenOf(rgb), BlueOf(rgb));
}

TColor FromQColor(const QColor& color)
{
    const QColor rgb = color.toRgb();
    return RGBColor(rgb.red(), rgb.green(), rgb.blue());
}

} // namespace quill
