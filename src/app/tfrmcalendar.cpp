#include "app/tfrmcalendar.h"

#include "app/appstyle.h"
#include "app/tfrmmain.h"
#include "platform/regional.h"

#include <QLabel>
#include <QLocale>
#include <QTextCharFormat>

namespace quill {

TfrmCalendar* frmCalendar = nullptr;

TfrmCalendar::TfrmCalendar(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setWindowTitle(QStringLiteral("Calendar"));
    setFixedSize(280, 274);

    RbPanel8 = new TRbPanel(this);
    RbPanel8->setGeometry(0, 0, 280, 274);
    ApplyDialogPanelLook(*RbPanel8, QStringLiteral("Calendar"));

    MonthCalendar1 = new QCalendarWidget(RbPanel8);
    MonthCalendar1->setGeometry(24, 40, 233, 163);
    MonthCalendar1->setVerticalHeaderFormat(QCalendarWidget::ISOWeekNumbers);
    MonthCalendar1->setFirstDayOfWeek(QLocale().firstDayOfWeek());
    MonthCalendar1->setFont(PixelFont(QStringLiteral("Arial"), 11));
    MonthCalendar1->setGridVisible(false);
    connect(MonthCalendar1, &QCalendarWidget::clicked, this, &TfrmCalendar::MonthCalendar1Click);
    connect(MonthCalendar1, &QCalendarWidget::activated, this, &TfrmCalendar::btnOKClick);
    connect(MonthCalendar1, &QCalendarWidget::currentPageChanged, this, &TfrmCalendar::MarkEntryDays);

    btnOK = MakeButton(RbPanel8, QRect(104, 218, 75, 25), QStringLiteral("OK"), QStringLiteral(":/buttons/ok"));
    connect(btnOK, &TRbButton::OnClick, this, &TfrmCalendar::btnOKClick);

    auto* hint = new QLabel(QStringLiteral("Select a date to enable OK button"), RbPanel8);
    hint->setGeometry(64, 248, 161, 14);
    hint->setFont(PixelFont(QStringLiteral("Arial"), 11));
    hint->setStyleSheet(QStringLiteral("color: black; background: transparent;"));
}

TfrmCalendar::~TfrmCalendar()
{
    if (frmCalendar == this)
        frmCalendar = nullptr;
}

void TfrmCalendar::showEvent(QShowEvent* event)
{
    if (QWidget* main = parentWidget() ? parentWidget()->window() : nullptr)
        move(main->geometry().center() - rect().center());
    QDialog::showEvent(event);
    FormActivate();
    MarkEntryDays(); // entries may have been stored since the month was last shown
}

void TfrmCalendar::FormActivate()
{
    btnOK->setEnabled(false);
    if (frmMain)
        MonthCalendar1->setSelectedDate(ToQDate(frmMain->CurrentDate()));
}

void TfrmCalendar::MarkEntryDays()
{
    MonthCalendar1->setDateTextFormat(QDate(), QTextCharFormat()); // clears every day
    if (!frmMain || !frmMain->tblJournal.Active() || frmMain->tblJournal.IsEmpty())
        return;
    MemTable& journal = frmMain->tblJournal;
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    // The page shows six weeks around the month; a lookup for each day that can be seen.
    const QDate first(MonthCalendar1->yearShown(), MonthCalendar1->monthShown(), 1);
    for (QDate day = first.addDays(-14); day <= first.addMonths(1).addDays(13); day = day.addDays(1))
        if (journal.FindKey(FromQDate(day)))
            MonthCalendar1->setDateTextFormat(day, bold);
}

void TfrmCalendar::MonthCalendar1Click()
{
    btnOK->setEnabled(true);
}

void TfrmCalendar::btnOKClick()
{
    accept();
}

} // namespace quill
