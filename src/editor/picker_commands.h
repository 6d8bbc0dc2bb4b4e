#pragma once

// The character map and the emoticon picker acting on the entry editor: each opens its
// window modally and pastes what the window put on the clipboard.

namespace quill {

class RichEdit;
class TDLLForm;
class TfrmEmoticons;

// Opens the map in the face of the editor's selection. When it closes with OK, its text
// goes in at the caret in place of the selection, in the map's face and character set,
// upright and of normal weight, in the selection's size and colour; the entry counts as
// modified. Closing otherwise leaves the editor as it was.
void InsertFromCharacterMap(TDLLForm& map, RichEdit& editor);

// Opens the picker; a chosen emoticon is pasted at the caret in place of the selection, at
// its own size in pixels, and the entry counts as modified. The choice is cleared after.
void InsertFromEmoticonPicker(TfrmEmoticons& picker, RichEdit& editor);

} // namespace quill
