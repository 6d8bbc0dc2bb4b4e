#include "editor/picker_commands.h"

#include "editor/clipboard_commands.h"
#include "editor/tdllform.h"
#include "editor/tfrmemoticons.h"
#include "platform/richedit/richedit.h"

#include <QTextCursor>

#include <algorithm>

namespace quill {

void InsertFromCharacterMap(TDLLForm& map, RichEdit& editor)
{
    TextAttributes& attributes = editor.SelAttributes();
    map.SetChosenFace(attributes.Name());
    if (map.exec() != mrOk)
        return;

    QFont font(map.GridFont().family()); // upright, normal weight
    font.setPointSize(std::max(attributes.Size(), 1));
    const TColor colour = attributes.Color();

    // The selection goes first and the format is set at the insertion point, so that the
    // pasted text carries it whichever way the selection was made; the steps are one undo
    // step, like a paste.
    QTextCursor step = editor.textCursor();
    step.beginEditBlock();
    editor.ClearSelection();
    attributes.Assign(font, colour, map.GridCharset());
    editor.setFocus();
    PasteFromClipboard(editor);
    step.endEditBlock();
}

void InsertFromEmoticonPicker(TfrmEmoticons& picker, RichEdit& editor)
{
    picker.exec();
    if (picker.EmoticonChosen)
        PasteFromClipboard(editor);
    picker.EmoticonChosen = false;
}

} // namespace quill
