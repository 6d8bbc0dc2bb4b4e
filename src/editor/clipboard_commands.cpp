#include "editor/clipboard_commands.h"

#include "platform/richedit/richedit.h"

namespace quill {

void CutToClipboard(RichEdit& editor)
{
    editor.cut();
    editor.SetModified(true);
}

void CopyToClipboard(RichEdit& editor)
{
    editor.copy();
}

void PasteFromClipboard(RichEdit& editor)
{
    editor.paste();
    editor.SetModified(true);
}

void ClearAll(RichEdit& editor)
{
    editor.Clear();
    editor.SetModified(false);
}

} // namespace quill
