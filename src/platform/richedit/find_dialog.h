#pragma once

// The modeless find dialog bound to a RichEdit: a text of at most 255 characters, the
// direction, match case and whole word, and a find-next button.

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace quill {

class RichEdit;

class FindDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int kMaxTextLength = 255;

    explicit FindDialog(RichEdit& editor);

    QString FindWhat() const;
    void SetFindWhat(const QString& text);
    bool Down() const;
    void SetDown(bool down);
    bool MatchCase() const;
    void SetMatchCase(bool on);
    bool WholeWord() const;
    void SetWholeWord(bool on);

    // The find-next button: searches from the end of the editor's selection towards the end
    // (down) or from its start towards the start (up); a match becomes the selection, is
    // scrolled into view, and the dialog moves off it. Returns false, changing nothing,
    // when there is no further match.
    bool FindNext();

private:
    void MoveOffMatch(int start, int end);

    RichEdit& editor_;
    QLineEdit* text_;
    QRadioButton* up_;
    QRadioButton* down_;
    QCheckBox* matchCase_;
    QCheckBox* wholeWord_;
    QPushButton* findNext_;
};

} // namespace quill
