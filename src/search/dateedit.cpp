#include "search/dateedit.h"

#include "platform/regional.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>

namespace quill {

namespace {

// Two-digit years fall in the hundred years around this one: fifty back, forty-nine ahead.
int FromTwoDigitYear(int twoDigits)
{
    const int base = QDate::currentDate().year() - 50;
    int year = base / 100 * 100 + twoDigits;
    if (year < base)
        year += 100;
    return year;
}

} // namespace

TDateEdit::TDateEdit(QWidget* parent) : QDateEdit(parent)
{
    setCalendarPopup(true);
    setDisplayFormat(ShortDateFormat());
    // A text left that is no date becomes today's (see fixup), not the previous date.
    setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    setDate(QDate::currentDate());
    shownText_ = text();
    // The field rewrites its text with the line edit's signals blocked (a step, a day picked,
    // a date set, the date written out as the field is left), so those are watched besides
    // typing.
    connect(lineEdit(), &QLineEdit::textChanged, this, &TDateEdit::NoteText);
    connect(this, &QDateEdit::dateChanged, this, &TDateEdit::NoteText);
    connect(this, &QDateEdit::editingFinished, this, [this] {
        typing_ = false;
        NoteText();
    });
}

void TDateEdit::keyPressEvent(QKeyEvent* event)
{
    // Characters and deletions are typing; arrows, page keys and Enter are not.
    const bool typed = !event->text().isEmpty() && event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter &&
                       event->key() != Qt::Key_Escape && !(event->modifiers() & Qt::ControlModifier);
    if (typed)
        typing_ = true;
    QDateEdit::keyPressEvent(event);
    if (!typed && (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down || event->key() == Qt::Key_PageUp ||
                   event->key() == Qt::Key_PageDown)) {
        typing_ = false;
        NoteText();
    }
}

void TDateEdit::mousePressEvent(QMouseEvent* event)
{
    // A click (on the calendar button, say) ends the typing.
    typing_ = false;
    QDateEdit::mousePressEvent(event);
}

void TDateEdit::NoteText()
{
    if (typing_ || text() == shownText_)
        return;
    shownText_ = text();
    Q_EMIT OnChange();
}

std::optional<QDate> TDateEdit::Parse(const QString& text) const
{
    const QString format = displayFormat();
    const QString trimmed = text.trimmed();
    const QLocale locale;
    const bool twoDigitYears = format.contains(QLatin1String("yy")) && !format.contains(QLatin1String("yyyy"));
    QDate date = locale.toDate(trimmed, format);
    if (date.isValid() && twoDigitYears)
        date = QDate(FromTwoDigitYear(date.year() % 100), date.month(), date.day());
    if (!date.isValid() && twoDigitYears) {
        QString fourDigits = format;
        fourDigits.replace(QLatin1String("yy"), QLatin1String("yyyy"));
        date = locale.toDate(trimmed, fourDigits);
    }
    if (!date.isValid())
        return std::nullopt;
    return date;
}

QDate TDateEdit::Date() const
{
    return Parse(text()).value_or(QDate::currentDate());
}

void TDateEdit::SetDate(const QDate& value)
{
    typing_ = false;
    setDate(value);
    // The value may be unchanged while the text is not its own.
    const QString shown = QLocale().toString(value, displayFormat());
    if (text() != shown)
        lineEdit()->setText(shown);
}

void TDateEdit::SetText(const QString& value)
{
    typing_ = false;
    lineEdit()->setText(value);
}

QValidator::State TDateEdit::validate(QString& input, int&) const
{
    // Anything may be typed on the way to a date.
    return Parse(input) ? QValidator::Acceptable : QValidator::Intermediate;
}

void TDateEdit::fixup(QString& input) const
{
    if (!Parse(input))
        input = QLocale().toString(QDate::currentDate(), displayFormat());
}

QDateTime TDateEdit::dateTimeFromText(const QString& value) const
{
    return QDateTime(Parse(value).value_or(QDate::currentDate()), QTime(0, 0));
}

} // namespace quill
