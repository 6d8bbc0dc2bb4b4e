// The calendar window shows in bold the days that have an entry, for the month in view.
#include "app_fixture.h"

#include <QToolButton>
#include <QtTest>

using namespace quill;
using namespace quill::testing;

namespace {

void WriteJournal(const QString& path, const QList<QDate>& days)
{
    MemTable table("tblJournal");
    const JournalFields f = DeclareJournalFields(table);
    table.SetFileName(path.toStdString());
    table.CreateTable();
    for (const QDate& day : days) {
        table.Insert();
        f.JournalDate.SetAsDateTime(FromQDate(day));
        f.JournalEntry.LoadFromStream(MemoryStream(std::string("{\\rtf1\\ansi an entry\\par}")));
        table.Post();
    }
    table.Close();
}

QList<QDate> BoldDays(const QCalendarWidget& calendar, const QDate& first, const QDate& last)
{
    QList<QDate> bold;
    for (QDate day = first; day <= last; day = day.addDays(1))
        if (calendar.dateTextFormat(day).fontWeight() == QFont::Bold)
            bold << day;
    return bold;
}

} // namespace

class TestCalendar : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void entryDaysAreBoldForTheMonthInView()
    {
        ProgramRun run;
        WriteJournal(run.path("Journal.cds"),
                     {QDate(2024, 3, 24), QDate(2024, 3, 3), QDate(2024, 3, 10), QDate(2024, 5, 20)});
        run.start();
        frmMain->ShowDate(FromQDate(QDate(2024, 3, 15)));
        QList<QDate> march;
        QList<QDate> may;
        WhenModal<TfrmCalendar>([&](TfrmCalendar* calendar) {
            QCalendarWidget& month = *calendar->MonthCalendar1;
            march = BoldDays(month, QDate(2024, 3, 1), QDate(2024, 3, 31));
            auto* next = month.findChild<QToolButton*>(QStringLiteral("qt_calendar_nextmonth"));
            QVERIFY(next);
            QTest::mouseClick(next, Qt::LeftButton);
            QTest::mouseClick(next, Qt::LeftButton);
            QCOMPARE(month.monthShown(), 5);
            may = BoldDays(month, QDate(2024, 3, 1), QDate(2024, 6, 30));
            calendar->btnOKClick();
        });
        QTest::mouseClick(frmMain->btnCalendar, Qt::LeftButton);
        QCOMPARE(march, (QList<QDate>{QDate(2024, 3, 3), QDate(2024, 3, 10), QDate(2024, 3, 24)}));
        QCOMPARE(may, QList<QDate>{QDate(2024, 5, 20)});
        run.finish();
    }

    // A day stored since the calendar was last open shows in bold the next time.
    void aNewEntryShowsNextTime()
    {
        ProgramRun run;
        WriteJournal(run.path("Journal.cds"), {QDate(2024, 3, 3)});
        run.start();
        frmMain->ShowDate(FromQDate(QDate(2024, 3, 14)));
        run.type("a new day");
        QTest::mouseClick(frmMain->btnNext, Qt::LeftButton); // stores the fourteenth
        QList<QDate> bold;
        WhenModal<TfrmCalendar>([&](TfrmCalendar* calendar) {
            bold = BoldDays(*calendar->MonthCalendar1, QDate(2024, 3, 1), QDate(2024, 3, 31));
            calendar->btnOKClick();
        });
        QTest::mouseClick(frmMain->btnCalendar, Qt::LeftButton);
        QCOMPARE(bold, (QList<QDate>{QDate(2024, 3, 3), QDate(2024, 3, 14)}));
        run.finish();
    }
};

QUILLMERE_APP_TEST_MAIN(TestCalendar)
#include "tst_calendar.moc"
