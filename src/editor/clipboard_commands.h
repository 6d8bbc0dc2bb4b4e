#pragma once

// Clipboard, selection and deletion commands on the entry editor, with the modified-flag
// rules the save-before-move relies on.

namespace quill {

class RichEdit;

// Cuts the selection; the entry counts as modified afterwards, also when nothing was cut.
void CutToClipboard(RichEdit& editor);
// Copies the selection; the modified flag is left alone.
void CopyToClipboard(RichEdit& editor);
// Pastes at the caret, replacing the selection; the entry counts as modified afterwards.
void PasteFromClipboard(RichEdit& editor);
// Removes all text and pictures and clears the modified flag: an entry emptied this way and
// left alone keeps the text it has stored.
void ClearAll(RichEdit& editor);

} // namespace quill
