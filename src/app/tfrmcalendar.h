#pragma once

#include "ui/rbbutton.h"
#include "ui/rbpanel.h"

#include <QCalendarWidget>
#include <QDialog>

namespace quill {

// Picks a date from a month calendar. It has no cancel: however it closes, the main window
// goes to the date it shows.
class TfrmCalendar : public QDialog {
    Q_OBJECT

public:
    explicit TfrmCalendar(QWidget* parent = nullptr);
    ~TfrmCalendar() override;

    TRbPanel* RbPanel8;
    QCalendarWidget* MonthCalendar1;
    TRbButton* btnOK;

    void FormActivate();
    void MonthCalendar1Click();
    void btnOKClick();

    // Shows in bold the days of the month in view that have an entry in the journal.
    void MarkEntryDays();

protected:
    void showEvent(QShowEvent* event) override;
};

extern TfrmCalendar* frmCalendar;

} // namespace quill
