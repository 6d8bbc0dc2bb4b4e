#pragma once

// Formatting commands on the entry editor, and the formatting state the toolbar shows.

#include "platform/dialogs.h"
#include "platform/richedit/richedit.h"

namespace quill {

// What the formatting toolbar shows for the editor's selection: the pressed buttons and the
// enabled ones. Computed from the document alone, so the buttons hold no state of their own.
struct FormattingState {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool bullet = false;
    TextAlignment alignment = TextAlignment::Left;
    bool hasSelection = false; // Cut and Copy
    bool canUndo = false;
    bool canRedo = false;
};

FormattingState ReadFormattingState(RichEdit& editor);

// Toggles one style flag over the selection and returns whether it is now set. The write
// carries all four flags as read, so the other three become uniform over the selection.
bool ToggleStyle(RichEdit& editor, FontStyle flag);

// Aligns the paragraphs the selection touches; justified text needs advanced typography,
// which is switched on first.
void ApplyAlignment(RichEdit& editor, TextAlignment alignment);

// Turns bullets off (hanging offset 0) or on (the offset raised to at least 10 points) for
// the paragraphs the selection touches; returns whether they are now bullets.
bool ToggleBullets(RichEdit& editor);

// The selection's font as the font dialog edits it, and the dialog's font written back.
FontChoice SelectionFont(RichEdit& editor);
void ApplyFont(RichEdit& editor, const FontChoice& choice);

// The two colours a colour dialog edits: the text colour and the highlight.
enum class ColourAttribute { Text, Highlight };

// The selection's colour as a plain value: automatic shows as the window-text colour (text)
// or the window colour (highlight).
quint32 SelectionColour(RichEdit& editor, ColourAttribute attribute);
// Writes a chosen colour: always an explicit colour, never automatic.
void ApplyColour(RichEdit& editor, ColourAttribute attribute, quint32 colour);

} // namespace quill
