// What a search run stands on: the bodies tested on worker threads with the answers in the
// order the rows came, and the walk over the journal that keeps its place while the table's
// cursor is moved under it.
#include "search_fixture.h"

#include "platform/richedit/body_search_workers.h"
#include "platform/richedit/plain_text.h"
#include "search/journal_walk.h"

#include <QTemporaryDir>
#include <QtTest>

#include <stdexcept>

using namespace quill;
using namespace quill::testing;

namespace {

// Rows alternating between bodies with and without the word; every seventh is large enough
// to fill a batch on its own; every fifth is not tested at all.
struct TestRow {
    double date;
    std::string body;
    bool tested;
};

std::vector<TestRow> Rows()
{
    std::vector<TestRow> rows;
    for (int i = 0; i < 500; ++i) {
        std::string body = OneParagraphBody(i % 3 == 0 ? "a WALK" : "rain");
        if (i % 7 == 3)
            body += std::string(300'000, ' ');
        rows.push_back({45000.0 + i, std::move(body), i % 5 != 4});
    }
    return rows;
}

BodySearchWorkers::BodyTest Test(const QString& text)
{
    auto search = std::make_shared<const BodySearch>(text);
    return [search](std::string_view body) { return search->Matches(body); };
}

void AddAll(BodySearchWorkers& workers, const std::vector<TestRow>& rows)
{
    for (const TestRow& row : rows) {
        if (row.tested)
            workers.Add(row.date, row.body);
        else
            workers.Pass(row.date);
    }
}

QDate Day(int d)
{
    return QDate(2024, 3, d);
}

} // namespace

class TestSearchEngine : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void answersComeInTheOrderAdded_data()
    {
        QTest::addColumn<unsigned>("threads");
        QTest::newRow("in the caller's thread") << 0u;
        QTest::newRow("one worker") << 1u;
        QTest::newRow("three workers") << 3u;
    }
    void answersComeInTheOrderAdded()
    {
        QFETCH(unsigned, threads);
        const std::vector<TestRow> rows = Rows();
        std::vector<double> expected;
        for (const TestRow& row : rows)
            if (row.tested && row.body.find("WALK") != std::string::npos)
                expected.push_back(row.date);

        BodySearchWorkers workers(Test("walk"), threads);
        AddAll(workers, rows);
        QCOMPARE(workers.Finish(), expected);
    }

    // Taken step by step as a window does: a prefix of the rows each time, never a row twice.
    void takenInStepsWithoutWaitingToAdd()
    {
        const std::vector<TestRow> rows = Rows();
        std::atomic<int> batchesDone{0};
        BodySearchWorkers workers(Test("walk"), 2, [&batchesDone] { ++batchesDone; });
        std::vector<double> found;
        std::size_t searched = 0;
        std::size_t next = 0;
        while (searched < rows.size()) {
            while (next < rows.size() && workers.CanAdd()) {
                workers.Add(rows[next].date, rows[next].body);
                ++next;
            }
            if (next == rows.size())
                workers.Flush();
            QCOMPARE(workers.Pending(), next - searched);
            if (workers.Pending() > 0)
                QCOMPARE(*workers.FirstPendingDate(), rows[searched].date);
            workers.WaitForSearched();
            searched += workers.Take(found);
        }
        QCOMPARE(searched, rows.size());
        QVERIFY(!workers.FirstPendingDate());
        QCOMPARE(found.size(), std::size_t(167));
        QVERIFY(std::is_sorted(found.begin(), found.end()));
        QVERIFY(batchesDone > 0);
    }

    // A failing body ends the search when its row is reached: the rows before it count.
    void aFailureComesInItsTurn_data()
    {
        QTest::addColumn<unsigned>("threads");
        QTest::newRow("one worker") << 1u;
        QTest::newRow("three workers") << 3u;
    }
    void aFailureComesInItsTurn()
    {
        QFETCH(unsigned, threads);
        const std::vector<TestRow> rows = Rows();
        const double failing = rows[200].date;
        const auto search = Test("walk");
        BodySearchWorkers workers(
            [&](std::string_view body) {
                if (body.find("BROKEN") != std::string_view::npos)
                    throw std::runtime_error("Failed to Load Stream");
                return search(body);
            },
            threads);
        std::vector<double> found;
        std::size_t searched = 0;
        try {
            std::size_t next = 0;
            for (;;) {
                for (; next < rows.size() && workers.CanAdd(); ++next)
                    workers.Add(rows[next].date, next == 200 ? OneParagraphBody("BROKEN walk") : rows[next].body);
                if (next == rows.size())
                    workers.Flush();
                searched += workers.Take(found);
                if (next == rows.size() && workers.Pending() == 0)
                    break;
                workers.WaitForSearched();
            }
            QFAIL("the failure was not reported");
        } catch (const std::runtime_error& e) {
            QCOMPARE(QString(e.what()), QString("Failed to Load Stream"));
        }
        QVERIFY(searched <= 200);
        QVERIFY(found.empty() || found.back() < failing);
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, workers.Take(found)); // and again
    }

    // Leaving with work in flight stops the workers without waiting for it.
    void leftEarly()
    {
        const std::vector<TestRow> rows = Rows();
        BodySearchWorkers workers(Test("walk"), 2);
        for (std::size_t i = 0; i < 20; ++i)
            workers.Add(rows[i].date, rows[i].body);
    }

    // The main window moves the table's cursor between the walk's steps; the walk goes on
    // from its own row, also among rows of one date.
    void theWalkKeepsItsPlace()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("Journal.cds");
        WriteJournal(path, {{Day(4), "four"}, {Day(1), "one"}, {Day(2), "two a"}, {Day(3), "three"}});
        MemTable table("tblJournal");
        const JournalFields f = DeclareJournalFields(table);
        table.SetFileName(path.toStdString());
        table.Open();
        // A second row for the second day, as a journal of the earlier program may hold.
        table.Insert();
        f.JournalDate.SetAsDateTime(FromQDate(Day(2)));
        f.JournalEntry.LoadFromStream(MemoryStream(OneParagraphBody("two b")));
        table.Post();

        JournalWalk walk({&table, &f.JournalDate, &f.JournalEntry});
        walk.Start();
        QStringList seen;
        while (!walk.AtEnd()) {
            walk.Resume();
            seen << ToQDate(walk.Date()).toString("d") + " " + BodyPlainText(walk.Body());
            walk.Advance();
            table.Last(); // as a lookup of the main window would
        }
        QCOMPARE(seen, (QStringList{"1 one", "2 two a", "2 two b", "3 three", "4 four"}));
        QCOMPARE(ToQDate(walk.LastDate()), Day(4));
    }
};

QTEST_GUILESS_MAIN(TestSearchEngine)
#include "tst_searchengine.moc"
