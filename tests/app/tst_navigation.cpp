// Moving between days: the four buttons, skipping empty days, and the search window's way in.
#include "app_fixture.h"

#include <QtTest>

using namespace quill;
using namespace quill::testing;

namespace {

QDate Day(int d)
{
    return QDate(2024, 3, d);
}

// A journal with one entry for each given day, whose text names the day; an empty text
// stores an empty document.
void WriteJournal(const QString& path, const QMap<QDate, QString>& days)
{
    MemTable table("tblJournal");
    const JournalFields f = DeclareJournalFields(table);
    table.SetFileName(path.toStdString());
    table.CreateTable();
    for (auto it = days.begin(); it != days.end(); ++it) {
        table.Insert();
        f.JournalDate.SetAsDateTime(FromQDate(it.key()));
        f.JournalEntry.LoadFromStream(MemoryStream("{\\rtf1\\ansi " + it.value().toStdString() + "\\par}"));
        table.Post();
    }
    table.Close();
}

QDate Shown()
{
    return ToQDate(frmMain->CurrentDate());
}

void Press(TRbButton* button)
{
    QTest::mouseClick(button, Qt::LeftButton);
}

} // namespace

class TestNavigation : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        run_ = std::make_unique<ProgramRun>();
        WriteJournal(run_->path("Journal.cds"), {{Day(3), "the third"}, {Day(10), "the tenth"}});
    }
    void cleanup()
    {
        run_->finish();
        run_.reset();
    }

    void withoutSkippingEveryDayIsVisited()
    {
        run_->start();
        frmMain->ShowDate(FromQDate(Day(10)));
        QCOMPARE(frmMain->Editor->Text(), QString("the tenth"));
        Press(frmMain->btnPrevious);
        QCOMPARE(Shown(), Day(9));
        QCOMPARE(frmMain->Editor->TextLength(), 0);
        QCOMPARE(frmMain->RbPanel1->Caption(), FormatLongDay(FromQDate(Day(9))));
        Press(frmMain->btnNext);
        Press(frmMain->btnNext);
        QCOMPARE(Shown(), Day(11));
    }

    void skippingJumpsOverEmptyDays_data()
    {
        QTest::addColumn<QDate>("from");
        QTest::addColumn<bool>("previous");
        QTest::addColumn<QDate>("to");
        QTest::newRow("back from the tenth to the third") << Day(10) << true << Day(3);
        QTest::newRow("back from the third: no entry before") << Day(3) << true << Day(2);
        QTest::newRow("back from the second") << Day(2) << true << Day(1);
        QTest::newRow("back from after the last entry") << Day(25) << true << Day(10);
        QTest::newRow("forward from before the first entry") << QDate(2024, 2, 1) << false << Day(3);
        QTest::newRow("forward from the third to the tenth") << Day(3) << false << Day(10);
        QTest::newRow("forward from the last entry") << Day(10) << false << Day(11);
    }
    void skippingJumpsOverEmptyDays()
    {
        QFETCH(QDate, from);
        QFETCH(bool, previous);
        QFETCH(QDate, to);
        run_->start();
        frmSettings->chkSkip->SetChecked(true);
        frmMain->ShowDate(FromQDate(from));
        Press(previous ? frmMain->btnPrevious : frmMain->btnNext);
        QCOMPARE(Shown(), to);
        QCOMPARE(frmMain->RbPanel1->Caption(), FormatLongDay(FromQDate(to)));
    }

    void skippingOnAnEmptyJournalMovesOneDay()
    {
        QFile::remove(run_->path("Journal.cds"));
        run_->start();
        frmSettings->chkSkip->SetChecked(true);
        frmMain->ShowDate(FromQDate(Day(10)));
        Press(frmMain->btnPrevious);
        QCOMPARE(Shown(), Day(9));
        Press(frmMain->btnNext);
        Press(frmMain->btnNext);
        QCOMPARE(Shown(), Day(11));
    }

    // A day saved empty still counts as an entry; an untouched empty day creates no row.
    void savedEmptyDayStopsTheSkip()
    {
        run_->start();
        frmMain->ShowDate(FromQDate(Day(6)));
        Press(frmMain->btnNext); // leaves the 6th untouched
        run_->type("x");
        QTest::keyClick(frmMain->Editor, Qt::Key_Backspace);
        QVERIFY(frmMain->Editor->Modified());
        Press(frmMain->btnNext); // stores the empty 7th
        frmSettings->chkSkip->SetChecked(true);
        frmMain->ShowDate(FromQDate(Day(10)));
        Press(frmMain->btnPrevious);
        QCOMPARE(Shown(), Day(7));
        run_->finish();
        const auto texts = JournalTexts(run_->path("Journal.cds"));
        QCOMPARE(texts.keys(), (QList<QDate>{Day(3), Day(7), Day(10)}));
        QCOMPARE(texts.value(Day(7)), QString());
    }

    void modifiedDayIsStoredBeforeEveryMove()
    {
        run_->start();
        frmMain->ShowDate(FromQDate(Day(10)));
        QTest::keyClick(frmMain->Editor, Qt::Key_End);
        run_->type(" and more");
        Press(frmMain->btnNext);
        QVERIFY(!frmMain->Editor->Modified());
        Press(frmMain->btnPrevious);
        QCOMPARE(frmMain->Editor->Text(), QString("the tenth and more"));
    }

    void todayAndCalendarIgnoreTheSkip()
    {
        run_->start();
        frmSettings->chkSkip->SetChecked(true);
        frmMain->ShowDate(FromQDate(Day(10)));
        Press(frmMain->btnToday);
        QCOMPARE(Shown(), QDate::currentDate());

        // The calendar opens on the day shown with OK disabled; picking a day moves there.
        frmMain->ShowDate(FromQDate(Day(10)));
        WhenModal<TfrmCalendar>([](TfrmCalendar* calendar) {
            QCOMPARE(calendar->MonthCalendar1->selectedDate(), Day(10));
            QVERIFY(!calendar->btnOK->isEnabled());
            calendar->MonthCalendar1->setSelectedDate(Day(5));
            calendar->MonthCalendar1Click();
            QVERIFY(calendar->btnOK->isEnabled());
            QTest::mouseClick(calendar->btnOK, Qt::LeftButton);
        });
        Press(frmMain->btnCalendar);
        QCOMPARE(Shown(), Day(5));

        // Closed any other way, the calendar still takes the main window to its date.
        WhenModal<TfrmCalendar>([](TfrmCalendar* calendar) { calendar->reject(); });
        Press(frmMain->btnCalendar);
        QCOMPARE(Shown(), Day(5));
    }

    void doubleClickInTheCalendarCloses()
    {
        run_->start();
        WhenModal<TfrmCalendar>([](TfrmCalendar* calendar) {
            calendar->MonthCalendar1->setSelectedDate(Day(3));
            Q_EMIT calendar->MonthCalendar1->activated(Day(3));
        });
        Press(frmMain->btnCalendar);
        QCOMPARE(Shown(), Day(3));
        QCOMPARE(frmMain->Editor->Text(), QString("the third"));
    }

    // A body that is not RTF is shown as 8-bit text, although the editor streams plain text
    // as UTF-16 elsewhere.
    void plainTextBodyIsShownAsText()
    {
        QFile plain(QUILLMERE_SAMPLES_DIR "/rtf/plain-body.dat");
        QVERIFY(plain.open(QIODevice::ReadOnly));
        {
            MemTable table("tblJournal");
            const JournalFields f = DeclareJournalFields(table);
            table.SetFileName(run_->path("Journal.cds").toStdString());
            table.Open();
            table.Insert();
            f.JournalDate.SetAsDateTime(FromQDate(Day(20)));
            f.JournalEntry.LoadFromStream(MemoryStream(plain.readAll().toStdString()));
            table.Post();
            table.Close();
        }
        run_->start();
        frmMain->ShowDate(FromQDate(Day(20)));
        QCOMPARE(frmMain->Editor->Text(), QString::fromUtf8("Just plain text\nsecond line, café"));
        QCOMPARE(frmMain->Editor->SelStart(), 0);
        QVERIFY(!frmMain->Editor->Modified());
        QCOMPARE(frmMain->Editor->StreamMode(), TStreamMode(smUnicode));
    }

    void showDateStoresAndLoads()
    {
        run_->start();
        run_->type("today's words");
        frmMain->ShowDate(FromQDate(Day(3)));
        QCOMPARE(frmMain->Editor->Text(), QString("the third"));
        frmMain->ShowDate(Today());
        QCOMPARE(frmMain->Editor->Text(), QString("today's words"));
    }

private:
    std::unique_ptr<ProgramRun> run_;
};

QUILLMERE_APP_TEST_MAIN(TestNavigation)
#include "tst_navigation.moc"
