#pragma once

// Find in the entry: the modeless find dialog, seeded from the selection, and Find Next
// with the dialog's text and options.

namespace quill {

class RichEdit;

// Opens the find dialog, seeded with the selected text (its first 255 characters) or, when
// nothing is selected, with the text of the previous search.
void OpenFind(RichEdit& editor);
// Finds the next match of the dialog's text with its options; opens the dialog when there
// is nothing to look for yet.
void FindAgain(RichEdit& editor);

} // namespace quill
