// The search window in the running program, driven as a person does: the range and the text,
// Search, Stop, Enter and Close, the list of days found, a double click that shows a day in
// the main window, a body that fails, and the row's tooltip.
#include "search_fixture.h"

#include "app/app_fixture.h"
#include "search/tfrmdbsearch.h"

#include <QPainter>
#include <QSignalSpy>
#include <QToolTip>
#include <QtTest>

#include <chrono>
#include <stdexcept>
#include <thread>

using namespace quill;
using namespace quill::testing;

namespace {

QDate Day(int d)
{
    return QDate(2024, 3, d);
}

QStringList Rows()
{
    QStringList rows;
    for (int i = 0; i < frmDBSearch->ListBox1->count(); ++i)
        rows << frmDBSearch->ListBox1->item(i)->text();
    return rows;
}

QStringList Shown(const QList<QDate>& days)
{
    QStringList rows;
    for (const QDate& day : days)
        rows << FormatLongDay(FromQDate(day));
    return rows;
}

QList<QDate> ResultDays()
{
    QList<QDate> days;
    if (frmDBSearch->Results)
        frmDBSearch->Results->ForEach([&days](double date) { days << ToQDate(date); });
    return days;
}

void Click(QWidget* widget)
{
    QTest::mouseClick(widget, Qt::LeftButton);
}

void OpenSearchWindow()
{
    Click(frmMain->btnDBSearch);
    QVERIFY(frmDBSearch->isVisible());
}

void SetRange(const QDate& from, const QDate& to)
{
    frmDBSearch->DateEdit1->SetDate(from);
    frmDBSearch->DateEdit2->SetDate(to);
}

void TypeSearchText(const QString& text)
{
    frmDBSearch->edtText->clear();
    QTest::keyClicks(frmDBSearch->edtText, text);
}

// Clicks Search and waits for the run to end.
void SearchAndWait()
{
    QSignalSpy ended(frmDBSearch, &TfrmDBSearch::RunEnded);
    Click(frmDBSearch->btnSearch);
    QVERIFY(ended.count() == 1 || ended.wait(10000));
    QVERIFY(!frmDBSearch->Running());
}

void DoubleClickRow(int row)
{
    QListWidget* list = frmDBSearch->ListBox1;
    const QPoint at = list->visualItemRect(list->item(row)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at); // the first click of the two
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

// Days with the given texts, stored in the order given.
using Days = std::vector<std::pair<QDate, QString>>;

// A journal long enough that a run cannot end before the next event is handled: every day
// of two thousand, "walk" on every third.
Days LongJournal()
{
    Days days;
    for (int i = 0; i < 2000; ++i)
        days.emplace_back(QDate(2015, 1, 1).addDays(i), i % 3 == 0 ? QStringLiteral("a long walk") : QStringLiteral("rain"));
    return days;
}

QList<QDate> WalkDays(const QDate& from)
{
    QList<QDate> days;
    for (int i = 0; i < 2000; i += 3)
        if (QDate(2015, 1, 1).addDays(i) >= from)
            days << QDate(2015, 1, 1).addDays(i);
    return days;
}

} // namespace

class TestSearchWindow : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<ProgramRun> run_;

    void Start(const Days& days)
    {
        run_ = std::make_unique<ProgramRun>();
        WriteJournal(run_->path("Journal.cds"), days);
        run_->start();
        OpenSearchWindow();
    }

private Q_SLOTS:
    void cleanup()
    {
        if (run_) {
            QVERIFY2(run_->dialogs().unexpected.isEmpty(), qPrintable(run_->dialogs().unexpected.join(", ")));
            run_->finish();
        }
        run_.reset();
    }

    void findsTheDaysWhoseTextHoldsTheText_data()
    {
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QDate>("to");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<QDate>>("found");
        QTest::newRow("From after To: nothing") << Day(20) << Day(5) << "walk" << QList<QDate>{};
        QTest::newRow("both ends of the range count") << Day(3) << Day(10) << "walk" << QList<QDate>{Day(3), Day(10)};
        QTest::newRow("inside the range only") << Day(4) << Day(31) << "walk" << QList<QDate>{Day(10)};
        QTest::newRow("lower case finds capitals and inside a word")
            << Day(1) << Day(31) << "walk" << QList<QDate>{Day(3), Day(10)};
        QTest::newRow("capitals find lower case") << Day(1) << Day(31) << "RAIN" << QList<QDate>{Day(17), Day(24)};
        QTest::newRow("spaces are part of the text") << Day(1) << Day(31) << "two  spaces" << QList<QDate>{Day(24)};
        QTest::newRow("a space alone is a text") << Day(1) << Day(31) << " " << QList<QDate>{Day(3), Day(10), Day(17), Day(24)};
        QTest::newRow("found nowhere") << Day(1) << Day(31) << "zebra" << QList<QDate>{};
    }
    void findsTheDaysWhoseTextHoldsTheText()
    {
        QFETCH(QDate, from);
        QFETCH(QDate, to);
        QFETCH(QString, text);
        QFETCH(QList<QDate>, found);
        // Written out of date order: the results come in date order all the same.
        Start({{Day(17), "Rain all day"},
               {Day(3), "A morning WALK in the park"},
               {Day(24), "rain, and two  spaces"},
               {Day(10), "we walked to the station"}});
        SetRange(from, to);
        TypeSearchText(text);
        SearchAndWait();
        QCOMPARE(Rows(), Shown(found));
        QCOMPARE(ResultDays(), found);
        QCOMPARE(frmDBSearch->ListBox1->currentRow(), found.isEmpty() ? -1 : 0);
        if (!found.isEmpty())
            QVERIFY(frmDBSearch->ListBox1->hasFocus());
        QVERIFY(frmDBSearch->btnSearch->isEnabled());
        QVERIFY(!frmDBSearch->btnStop->isEnabled());
        QVERIFY(run_->dialogs().boxes.empty());
    }

    void nothingHappensWithoutTextOrEntries_data()
    {
        QTest::addColumn<bool>("entries");
        QTest::addColumn<QString>("text");
        QTest::newRow("no text") << true << "";
        QTest::newRow("empty journal") << false << "walk";
    }
    void nothingHappensWithoutTextOrEntries()
    {
        QFETCH(bool, entries);
        QFETCH(QString, text);
        Start(entries ? Days{{Day(3), "walk"}} : Days{});
        TypeSearchText(text);
        QSignalSpy ended(frmDBSearch, &TfrmDBSearch::RunEnded);
        Click(frmDBSearch->btnSearch);
        QVERIFY(!frmDBSearch->Running());
        QCOMPARE(ended.count(), 0);
        QVERIFY(frmDBSearch->btnSearch->isEnabled());
        QVERIFY(!frmDBSearch->btnStop->isEnabled());
        QVERIFY(run_->dialogs().boxes.empty());
    }

    // A date field whose text is no date counts as today.
    void aDateTextThatIsNoDateIsToday()
    {
        const QDate today = QDate::currentDate();
        Start({{today.addDays(-3), "walk"}, {today, "walk"}});
        SetRange(today.addDays(-10), today);
        frmDBSearch->DateEdit1->SetText(QStringLiteral("some day"));
        QCOMPARE(frmDBSearch->DateEdit1->Date(), today);
        TypeSearchText("walk");
        SearchAndWait();
        QCOMPARE(Rows(), Shown({today}));
    }

    // Every change of a date field's text puts the keyboard focus in the text box.
    void aChangedDateMovesTheFocusToTheText_data()
    {
        QTest::addColumn<int>("change");
        QTest::newRow("typed") << 0;
        QTest::newRow("a step with the arrow key") << 1;
        QTest::newRow("a day set by the window") << 2;
        QTest::newRow("a date typed key by key, then Enter") << 3;
    }
    void aChangedDateMovesTheFocusToTheText()
    {
        QFETCH(int, change);
        Start({{Day(3), "walk"}});
        QVERIFY(QTest::qWaitForWindowActive(frmDBSearch));
        TDateEdit* field = frmDBSearch->DateEdit2;
        field->setFocus();
        QTRY_VERIFY(field->hasFocus());
        switch (change) {
        case 0: field->SetText(QStringLiteral("1/1/2020")); break;
        case 1:
            QTest::mouseClick(field, Qt::LeftButton, {}, QPoint(100, 10)); // on the year
            QTest::keyClick(field, Qt::Key_Down);
            break;
        case 2: field->SetDate(Day(3)); break;
        default: {
            // The focus stays while the date is being typed, so that all of it can be.
            const QString typed = QLocale().toString(QDate(2021, 2, 3), field->displayFormat());
            QTest::keyClick(field, Qt::Key_End);
            for (int i = int(field->Text().size()); i > 0; --i)
                QTest::keyClick(field, Qt::Key_Backspace);
            QTest::keyClicks(field, typed);
            QVERIFY(field->hasFocus());
            QCOMPARE(field->Text(), typed);
            QTest::keyClick(field, Qt::Key_Return);
            QCOMPARE(field->Date(), QDate(2021, 2, 3));
            break;
        }
        }
        QTRY_VERIFY(frmDBSearch->edtText->hasFocus());
    }

    void enterStartsARunAndDoesNothingDuringOne()
    {
        Start(LongJournal());
        SetRange(QDate(2000, 1, 1), QDate(2030, 1, 1));
        TypeSearchText("walk");
        QSignalSpy ended(frmDBSearch, &TfrmDBSearch::RunEnded);
        QTest::keyClick(frmDBSearch->edtText, Qt::Key_Return);
        QVERIFY(frmDBSearch->Running());
        QTest::keyClick(frmDBSearch->edtText, Qt::Key_Enter); // taken, and nothing more
        QVERIFY(ended.wait(10000));
        QTest::qWait(50);
        QCOMPARE(ended.count(), 1);
        QCOMPARE(ResultDays(), WalkDays(QDate(2000, 1, 1)));
    }

    // Stop lists what was found so far, selects the first row and moves the From date to
    // the first day not examined; a new Search starts there and replaces the results.
    void stopDuringARun()
    {
        Start(LongJournal());
        SetRange(QDate(2000, 1, 1), QDate(2030, 1, 1));
        TypeSearchText("walk");
        Click(frmDBSearch->btnSearch);
        QVERIFY(frmDBSearch->Running());
        Click(frmDBSearch->btnStop);
        QVERIFY(!frmDBSearch->Running());
        QVERIFY(frmDBSearch->btnSearch->isEnabled());
        QVERIFY(!frmDBSearch->btnStop->isEnabled());
        QVERIFY(!frmDBSearch->StopRequested);

        const QDate from = frmDBSearch->DateEdit1->Date();
        QVERIFY(from > QDate(2015, 1, 1));
        QVERIFY(from < QDate(2015, 1, 1).addDays(1999));
        QList<QDate> before = WalkDays(QDate(2015, 1, 1));
        before.erase(std::remove_if(before.begin(), before.end(), [&](const QDate& d) { return d >= from; }), before.end());
        QVERIFY(!before.isEmpty());
        QCOMPARE(ResultDays(), before);
        QCOMPARE(Rows(), Shown(before));
        QCOMPARE(frmDBSearch->ListBox1->currentRow(), 0);

        SearchAndWait();
        QCOMPARE(ResultDays(), WalkDays(from));
        QCOMPARE(Rows(), Shown(WalkDays(from)));
    }

    // Stopped when every row is examined: the From date is the last row's.
    void stopRightAfterTheLastRow()
    {
        Start({{Day(3), "walk"}, {Day(10), "rain"}, {Day(17), "walk"}});
        SetRange(Day(1), Day(31));
        TypeSearchText("walk");
        // Bodies slow enough that the run cannot end by itself before Stop is pressed, on
        // however busy a machine; Stop then waits for the rows handed out, all three.
        const auto normal = frmDBSearch->BodyTestFor;
        frmDBSearch->BodyTestFor = [normal](const QString& text) -> BodySearchWorkers::BodyTest {
            return [test = normal(text)](std::string_view body) {
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
                return test(body);
            };
        };
        Click(frmDBSearch->btnSearch);
        Click(frmDBSearch->btnStop);
        frmDBSearch->BodyTestFor = normal;
        QVERIFY(!frmDBSearch->Running());
        QCOMPARE(frmDBSearch->DateEdit1->Date(), Day(17));
        QCOMPARE(Rows(), Shown({Day(3), Day(17)}));
    }

    // The main window stays usable during a run, and its moves do not disturb it.
    void theMainWindowMovesDuringARun()
    {
        Start(LongJournal());
        SetRange(QDate(2000, 1, 1), QDate(2030, 1, 1));
        TypeSearchText("walk");
        QSignalSpy ended(frmDBSearch, &TfrmDBSearch::RunEnded);
        Click(frmDBSearch->btnSearch);
        const QDate shownBefore = ToQDate(frmMain->CurrentDate());
        for (int i = 0; i < 5 && frmDBSearch->Running(); ++i) {
            frmMain->ShowDate(FromQDate(QDate(2015, 6, 1).addDays(100 * i)));
            Click(frmMain->btnNext);
            QApplication::processEvents();
        }
        QVERIFY(ended.count() == 1 || ended.wait(10000));
        QCOMPARE(ResultDays(), WalkDays(QDate(2000, 1, 1)));
        QVERIFY(ToQDate(frmMain->CurrentDate()) != shownBefore);
    }

    // A double click shows the day with its first match selected; unsaved text of the day
    // left is stored under that day first.
    void doubleClickShowsTheDay()
    {
        Start({{Day(3), "rain, and then a long WALK home"}, {Day(10), "walk"}});
        run_->type("typed today");
        const QDate today = ToQDate(frmMain->CurrentDate());
        SetRange(Day(1), Day(31));
        TypeSearchText("walk");
        SearchAndWait();
        DoubleClickRow(0);
        QCOMPARE(ToQDate(frmMain->CurrentDate()), Day(3));
        QCOMPARE(frmMain->Editor->SelText(), QString("WALK"));
        QCOMPARE(frmMain->Editor->SelStart(), 22);
        QCOMPARE(frmMain->RbPanel1->Caption(), FormatLongDay(FromQDate(Day(3))));
        QVERIFY(frmDBSearch->isVisible());
        QCOMPARE(Rows(), Shown({Day(3), Day(10)}));
        run_->finish();
        QCOMPARE(JournalTexts(run_->path("Journal.cds")).value(today), QString("typed today"));
    }

    void doubleClickWithoutASelectedRowDoesNothing_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("an empty list") << "zebra";
        QTest::newRow("below the rows") << "walk";
    }
    void doubleClickWithoutASelectedRowDoesNothing()
    {
        QFETCH(QString, text);
        Start({{Day(3), "walk"}});
        const double shown = frmMain->CurrentDate();
        SetRange(Day(1), Day(31));
        TypeSearchText(text);
        SearchAndWait();
        QListWidget* list = frmDBSearch->ListBox1;
        if (list->count() > 0) // a control click takes the selection away
            QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, list->visualItemRect(list->item(0)).center());
        QVERIFY(list->selectedItems().isEmpty());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, QPoint(100, 90));
        QVERIFY(list->selectedItems().isEmpty());
        QCOMPARE(frmMain->CurrentDate(), shown);
        QVERIFY(run_->dialogs().boxes.empty());
    }

    // Showing the window again empties the list and the text and puts both dates on today;
    // Close frees the results, the close box keeps them.
    void showingAgainResets_data()
    {
        QTest::addColumn<bool>("closeButton");
        QTest::newRow("Close") << true;
        QTest::newRow("the close box") << false;
    }
    void showingAgainResets()
    {
        QFETCH(bool, closeButton);
        Start({{Day(3), "walk"}});
        SetRange(Day(1), Day(31));
        TypeSearchText("walk");
        SearchAndWait();
        if (closeButton)
            Click(frmDBSearch->btnClose);
        else
            frmDBSearch->close();
        QVERIFY(!frmDBSearch->isVisible());
        QCOMPARE(Rows(), Shown({Day(3)})); // until it shows again
        QCOMPARE(frmDBSearch->Results == nullptr, closeButton);
        OpenSearchWindow();
        QVERIFY(Rows().isEmpty());
        QVERIFY(frmDBSearch->edtText->text().isEmpty());
        QCOMPARE(frmDBSearch->DateEdit1->Date(), QDate::currentDate());
        QCOMPARE(frmDBSearch->DateEdit2->Date(), QDate::currentDate());
        QVERIFY(frmDBSearch->btnSearch->isEnabled());
        QVERIFY(!frmDBSearch->btnStop->isEnabled());
    }

    // Close during a run stops it first: the window goes, the results with it.
    void closeDuringARun()
    {
        Start(LongJournal());
        SetRange(QDate(2000, 1, 1), QDate(2030, 1, 1));
        TypeSearchText("walk");
        Click(frmDBSearch->btnSearch);
        Click(frmDBSearch->btnClose);
        QVERIFY(!frmDBSearch->Running());
        QVERIFY(!frmDBSearch->isVisible());
        QVERIFY(!frmDBSearch->Results);
        QVERIFY(frmDBSearch->DateEdit1->Date() > QDate(2015, 1, 1));
    }

    // A double click during a run stops it, then shows the day double-clicked.
    void doubleClickDuringARun()
    {
        Days days = LongJournal();
        Start(days);
        SetRange(QDate(2000, 1, 1), QDate(2030, 1, 1));
        TypeSearchText("walk");
        SearchAndWait();
        Click(frmDBSearch->btnSearch);
        QVERIFY(frmDBSearch->Running());
        DoubleClickRow(2);
        QVERIFY(!frmDBSearch->Running());
        QCOMPARE(ToQDate(frmMain->CurrentDate()), WalkDays(QDate(2015, 1, 1)).at(2));
    }

    // A body that fails ends the run with its message; the list and the dates it opens stay
    // those of the run before.
    void aFailingBodyKeepsTheList()
    {
        Start({{Day(3), "walk"}, {Day(10), "walk BROKEN"}, {Day(17), "walk"}});
        SetRange(Day(1), Day(31));
        TypeSearchText("walk");
        SearchAndWait();
        SetRange(Day(4), Day(31));
        frmDBSearch->BodyTestFor = [](const QString&) -> BodySearchWorkers::BodyTest {
            return [](std::string_view body) {
                if (body.find("BROKEN") != std::string_view::npos)
                    throw std::runtime_error("Failed to Load Stream");
                return true;
            };
        };
        SearchAndWait();
        QCOMPARE(run_->dialogs().boxes.size(), std::size_t(1));
        QCOMPARE(run_->dialogs().boxes[0].title, QString("Error"));
        QCOMPARE(run_->dialogs().boxes[0].text, QString("Failed to Load Stream"));
        QVERIFY(frmDBSearch->btnSearch->isEnabled());
        QVERIFY(!frmDBSearch->btnStop->isEnabled());
        QVERIFY(!frmDBSearch->StopRequested);
        QCOMPARE(Rows(), Shown({Day(3), Day(10), Day(17)}));
        QCOMPARE(ResultDays(), (QList<QDate>{Day(3), Day(10), Day(17)}));
        DoubleClickRow(2);
        QCOMPARE(ToQDate(frmMain->CurrentDate()), Day(17));
    }

    // The tooltip of a row shows the text around its first match, the match in bold.
    void rowTooltipShowsTheMatch()
    {
        Start({{Day(3), "After the rain we went for a long Walk by the river and home again"}});
        SetRange(Day(1), Day(31));
        TypeSearchText("walk");
        SearchAndWait();
        QListWidget* list = frmDBSearch->ListBox1;
        const QPoint at = list->visualItemRect(list->item(0)).center();
        QHelpEvent help(QEvent::ToolTip, at, list->viewport()->mapToGlobal(at));
        QApplication::sendEvent(list->viewport(), &help);
        QTRY_COMPARE(QToolTip::text(),
                     QString("After the rain we went for a long <b>Walk</b> by the river and home again"
                             "<br>Double-Click to view journal entry"));
        QToolTip::hideText();
    }

    // The list draws its rows with the row painter: the second row, not selected.
    void theListDrawsItsRows()
    {
        Start({{Day(3), "walk"}, {Day(10), "walk"}});
        SetRange(Day(1), Day(31));
        TypeSearchText("walk");
        SearchAndWait();
        QListWidget* list = frmDBSearch->ListBox1;
        const QRect R = list->visualItemRect(list->item(1));
        QCOMPARE(R.height(), 25);
        const QImage shown = list->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32).copy(R);
        QImage expected(R.size(), QImage::Format_RGB32);
        expected.fill(Qt::white);
        {
            QPainter p(&expected);
            frmDBSearch->ListBox1DrawItem(p, 1, QRect(QPoint(0, 0), R.size()), false);
        }
        QCOMPARE(shown, expected);
    }
};

QUILLMERE_APP_TEST_MAIN(TestSearchWindow)
#include "tst_searchwindow.moc"
