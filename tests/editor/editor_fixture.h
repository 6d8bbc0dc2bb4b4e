#pragma once

// A running program with a day's entry in the editor, and small helpers to put text in,
// select it and look at the characters' formats.

#include "app/app_fixture.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <map>
#include <string>

namespace quill::testing {

// A rich-text body with the editor's usual font table around `body`.
inline std::string Rtf(const std::string& body)
{
    return "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}\\f0\\fs22 " + body + "}";
}

inline RichEdit* Editor()
{
    return frmMain->Editor;
}

inline void Load(const std::string& rtf)
{
    Editor()->StreamIn(rtf, sfRichText);
}

inline void Select(int start, int length)
{
    Editor()->SetSelStart(start);
    Editor()->SetSelLength(length);
}

inline int PositionOf(const QString& text)
{
    return static_cast<int>(Editor()->Text().indexOf(text));
}

// The style flags of the character at `position`, read through a selection of it alone.
inline FontStyles StyleAt(int position)
{
    const int start = Editor()->SelStart();
    const int length = Editor()->SelLength();
    Select(position, 1);
    const FontStyles style = Editor()->SelAttributes().Style();
    Select(start, length);
    return style;
}

// A toolbar button by the name the window gives it.
inline QToolButton* ToolButton(const QString& name)
{
    TfrmMain* w = frmMain;
    const std::map<QString, QToolButton*> buttons{
        {"btnNoteBookOpen", w->btnNoteBookOpen}, {"btnNoteBookSaveAs", w->btnNoteBookSaveAs},
        {"ToolButton13", w->ToolButton13}, {"btnBold", w->btnBold}, {"btnItalic", w->btnItalic},
        {"btnUnderline", w->btnUnderline}, {"btnLeft", w->btnLeft}, {"btnCenter", w->btnCenter},
        {"btnRight", w->btnRight}, {"btnJustify", w->btnJustify}, {"btnCut", w->btnCut}, {"btnCopy", w->btnCopy},
        {"btnPaste", w->btnPaste}, {"btnFind", w->btnFind}, {"btnFont", w->btnFont}, {"btnBullet", w->btnBullet},
        {"btnUndo", w->btnUndo}, {"btnRedo", w->btnRedo}};
    return buttons.at(name);
}

inline void Click(QWidget* button)
{
    QTest::mouseClick(button, Qt::LeftButton);
}

inline void Key(const QKeySequence& keys)
{
    QTest::keySequence(Editor(), keys);
}

} // namespace quill::testing
