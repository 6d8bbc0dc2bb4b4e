#include "find_dialog.h"

#include "richedit.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

namespace quill {

FindDialog::FindDialog(RichEdit& editor) : QDialog(&editor, Qt::Dialog), editor_(editor)
{
    setWindowTitle(tr("Find"));
    setModal(false);

    text_ = new QLineEdit(this);
    text_->setMaxLength(kMaxTextLength);
    auto* label = new QLabel(tr("Fi&nd what:"), this);
    label->setBuddy(text_);

    matchCase_ = new QCheckBox(tr("Match &case"), this);
    wholeWord_ = new QCheckBox(tr("Match &whole word only"), this);

    auto* direction = new QGroupBox(tr("Direction"), this);
    up_ = new QRadioButton(tr("&Up"), direction);
    down_ = new QRadioButton(tr("&Down"), direction);
    down_->setChecked(true);
    auto* directionLayout = new QHBoxLayout(direction);
    directionLayout->addWidget(up_);
    directionLayout->addWidget(down_);

    findNext_ = new QPushButton(tr("&Find Next"), this);
    findNext_->setDefault(true);
    findNext_->setEnabled(false);
    auto* cancel = new QPushButton(tr("Cancel"), this);

    auto* layout = new QGridLayout(this);
    layout->addWidget(label, 0, 0);
    layout->addWidget(text_, 0, 1, 1, 2);
    layout->addWidget(findNext_, 0, 3);
    layout->addWidget(matchCase_, 1, 0, 1, 2);
    layout->addWidget(direction, 1, 2, 2, 1);
    layout->addWidget(cancel, 1, 3);
    layout->addWidget(wholeWord_, 2, 0, 1, 2);

    connect(text_, &QLineEdit::textChanged, this, [this](const QString& text) { findNext_->setEnabled(!text.isEmpty()); });
    connect(findNext_, &QPushButton::clicked, this, [this] { FindNext(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::hide);
}

QString FindDialog::FindWhat() const
{
    return text_->text();
}

void FindDialog::SetFindWhat(const QString& text)
{
    text_->setText(text.left(kMaxTextLength));
}

bool FindDialog::Down() const
{
    return down_->isChecked();
}

void FindDialog::SetDown(bool down)
{
    (down ? down_ : up_)->setChecked(true);
}

bool FindDialog::MatchCase() const
{
    return matchCase_->isChecked();
}

void FindDialog::SetMatchCase(bool on)
{
    matchCase_->setChecked(on);
}

bool FindDialog::WholeWord() const
{
    return wholeWord_->isChecked();
}

void FindDialog::SetWholeWord(bool on)
{
    wholeWord_->setChecked(on);
}

bool FindDialog::FindNext()
{
    const QString what = FindWhat();
    if (what.isEmpty())
        return false;
    const FindOptions options = (MatchCase() ? foMatchCase : 0u) | (WholeWord() ? foWholeWord : 0u);
    const int start = editor_.SelStart();
    const int found = Down() ? editor_.FindText(what, start + editor_.SelLength(), -1, options)
                             : editor_.FindText(what, start, 0, options);
    if (found < 0)
        return false;
    editor_.SetSelStart(found);
    editor_.SetSelLength(static_cast<int>(what.size()));
    MoveOffMatch(found, found + static_cast<int>(what.size()));
    return true;
}

// Moves the dialog vertically when it covers the start of the match or the point 20 pixels
// below its end: above the match when there is room, else below it, else it stays.
void FindDialog::MoveOffMatch(int start, int end)
{
    QTextCursor cursor = editor_.textCursor();
    cursor.setPosition(start);
    const QPoint matchTopLeft = editor_.viewport()->mapToGlobal(editor_.cursorRect(cursor).topLeft());
    cursor.setPosition(end);
    const QPoint belowEnd = editor_.viewport()->mapToGlobal(editor_.cursorRect(cursor).topLeft()) + QPoint(0, 20);
    const QRect frame = frameGeometry();
    if (!frame.contains(matchTopLeft) && !frame.contains(belowEnd))
        return;
    const int top = matchTopLeft.y();
    const int screenHeight = screen() ? screen()->geometry().height() : 0;
    if (frame.height() + 20 < top)
        move(frame.x(), top - frame.height() - 20);
    else if (frame.height() + top < screenHeight)
        move(frame.x(), top + 40);
}

} // namespace quill
