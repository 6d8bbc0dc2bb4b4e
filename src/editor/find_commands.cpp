#include "editor/find_commands.h"

#include "platform/richedit/find_dialog.h"
#include "platform/richedit/richedit.h"

namespace quill {

void OpenFind(RichEdit& editor)
{
    editor.ShowFindDialog(editor.SelText().left(FindDialog::kMaxTextLength));
}

void FindAgain(RichEdit& editor)
{
    FindDialog* dialog = editor.ExistingFindDialog();
    if (!dialog || dialog->FindWhat().isEmpty()) {
        OpenFind(editor);
        return;
    }
    dialog->FindNext();
}

} // namespace quill
