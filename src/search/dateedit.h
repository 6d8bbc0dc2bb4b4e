#pragma once

#include <QDate>
#include <QDateEdit>

#include <optional>

namespace quill {

// A date field: a text box with a button that drops down a month calendar. It shows its
// date in the regional short date format and also reads a typed four-digit year where that
// format has two. Its text may hold anything while it is edited; a text that is no date
// reads as today and becomes today's date when the field is left.
class TDateEdit : public QDateEdit {
    Q_OBJECT

public:
    explicit TDateEdit(QWidget* parent = nullptr);

    // The date the text shows, or today.
    QDate Date() const;
    // Rewrites the text.
    void SetDate(const QDate& date);

    // The text as a person types it. Every change is told by OnChange: a step, a day picked
    // or a date set at once, and a text typed key by key when the typing ends (Enter, or
    // the field is left), so that a whole date can be typed.
    QString Text() const { return text(); }
    void SetText(const QString& text);

    // The date of a text in the field's format, or none.
    std::optional<QDate> Parse(const QString& text) const;

Q_SIGNALS:
    void OnChange();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    QValidator::State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;
    QDateTime dateTimeFromText(const QString& text) const override;

private:
    void NoteText();

    QString shownText_; // as last told
    bool typing_ = false; // keys are being typed into the text
};

} // namespace quill
