#include "editor/formatting.h"

namespace quill {

FormattingState ReadFormattingState(RichEdit& editor)
{
    FormattingState state;
    const FontStyles style = editor.SelAttributes().Style();
    state.bold = style & fsBold;
    state.italic = style & fsItalic;
    state.underline = style & fsUnderline;
    state.bullet = editor.Paragraph().Numbering() == NumberingStyle::Bullet;
    state.alignment = editor.Paragraph().Alignment();
    state.hasSelection = editor.SelLength() > 0;
    state.canUndo = editor.CanUndo();
    state.canRedo = editor.CanRedo();
    return state;
}

bool ToggleStyle(RichEdit& editor, FontStyle flag)
{
    const FontStyles style = editor.SelAttributes().Style();
    const bool on = !(style & flag);
    editor.SelAttributes().SetStyle(on ? (style | flag) : (style & ~FontStyles(flag)));
    return on;
}

void ApplyAlignment(RichEdit& editor, TextAlignment alignment)
{
    if (alignment == TextAlignment::Justify)
        editor.SetAdvancedTypography(true);
    editor.Paragraph().SetAlignment(alignment);
}

bool ToggleBullets(RichEdit& editor)
{
    ParaAttributes& paragraph = editor.Paragraph();
    if (paragraph.Numbering() == NumberingStyle::Bullet) {
        paragraph.SetHangingOffset(0);
        paragraph.SetNumbering(NumberingStyle::None);
        return false;
    }
    constexpr int kBulletOffset = 10; // points
    if (paragraph.HangingOffset() < kBulletOffset)
        paragraph.SetHangingOffset(kBulletOffset);
    paragraph.SetNumbering(NumberingStyle::Bullet);
    return true;
}

FontChoice SelectionFont(RichEdit& editor)
{
    const TextAttributes& attributes = editor.SelAttributes();
    QFont font(attributes.Name());
    font.setPointSize(std::max(1, attributes.Size()));
    const FontStyles style = attributes.Style();
    font.setBold(style & fsBold);
    font.setItalic(style & fsItalic);
    font.setUnderline(style & fsUnderline);
    font.setStrikeOut(style & fsStrikeOut);
    font.setFixedPitch(attributes.Pitch() == FontPitch::Fixed);
    return {font, ColorToRGB(attributes.Color()), attributes.Charset()};
}

void ApplyFont(RichEdit& editor, const FontChoice& choice)
{
    editor.SelAttributes().Assign(choice.font, choice.color, choice.charset);
}

quint32 SelectionColour(RichEdit& editor, ColourAttribute attribute)
{
    const TextAttributes& attributes = editor.SelAttributes();
    return ColorToRGB(attribute == ColourAttribute::Text ? attributes.Color() : attributes.BackColor());
}

void ApplyColour(RichEdit& editor, ColourAttribute attribute, quint32 colour)
{
    // A plain value never equals the system colour constants that mean automatic.
    const TColor plain = colour & 0x00FFFFFFu;
    if (attribute == ColourAttribute::Text)
        editor.SelAttributes().SetColor(plain);
    else
        editor.SelAttributes().SetBackColor(plain);
}

} // namespace quill
