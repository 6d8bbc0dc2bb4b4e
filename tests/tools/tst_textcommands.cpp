// quillmere-tool text and search, run as a user runs them.
#include "run_tool.h"
#include "samples_journal.h"

#include <QtTest>

namespace {

QString Journal()
{
    return SamplesJournal();
}

QByteArray Entry(const std::pair<const char*, const char*>& entry)
{
    return QByteArray(entry.first) + '\n' + SampleText(entry.second);
}

} // namespace

class TextCommandsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void textOfEveryEntryInDateOrder();
    void textOfOneDay();
    void search_data();
    void search();
    void wrongUse_data();
    void wrongUse();
};

void TextCommandsTest::textOfEveryEntryInDateOrder()
{
    QByteArray expected;
    for (const auto& entry : kSampleEntries)
        expected += Entry(entry);
    const ToolRun run = Tool({QStringLiteral("text"), Journal()});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, expected);
}

void TextCommandsTest::textOfOneDay()
{
    const ToolRun run = Tool({QStringLiteral("text"), Journal(), QStringLiteral("2021-03-15")});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, Entry(kSampleEntries[4]));
    const ToolRun missing = Tool({QStringLiteral("text"), Journal(), QStringLiteral("2021-03-16")});
    QCOMPARE(missing.exitCode, 1);
    QCOMPARE(missing.err, QByteArray("No entry for 2021-03-16\n"));
    QVERIFY(missing.out.isEmpty());
}

void TextCommandsTest::search_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("dates");
    QTest::newRow("letter case ignored") << QStringList{QStringLiteral("CAFÉ")} << QByteArray("2018-06-01\n2021-03-15\n");
    QTest::newRow("inside a word") << QStringList{QStringLiteral("ullet")} << QByteArray("2019-12-31\n");
    QTest::newRow("from") << QStringList{QStringLiteral("café"), QStringLiteral("--from"), QStringLiteral("2018-06-02")}
                          << QByteArray("2021-03-15\n");
    QTest::newRow("both ends included")
        << QStringList{QStringLiteral("a"), QStringLiteral("--from"), QStringLiteral("2020-02-29"), QStringLiteral("--to"),
                       QStringLiteral("2021-03-14")}
        << QByteArray("2020-02-29\n2021-03-14\n");
    QTest::newRow("from after to") << QStringList{QStringLiteral("a"), QStringLiteral("--to"), QStringLiteral("2019-01-01"),
                                                  QStringLiteral("--from"), QStringLiteral("2020-01-01")}
                                   << QByteArray();
    QTest::newRow("link field text") << QStringList{QStringLiteral("example site")} << QByteArray("2020-02-29\n");
    QTest::newRow("across a paragraph end") << QStringList{QStringLiteral("struck. Times")} << QByteArray();
    QTest::newRow("picture bytes are no text") << QStringList{QStringLiteral("ffd8")} << QByteArray();
    QTest::newRow("control words are no text") << QStringList{QStringLiteral("\\par")} << QByteArray();
    QTest::newRow("spaces count") << QStringList{QStringLiteral("Before  after")} << QByteArray("2022-07-04\n");
    QTest::newRow("greek") << QStringList{QStringLiteral("ΓΕΙΑ")} << QByteArray("2021-03-15\n");
}

void TextCommandsTest::search()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, dates);
    const ToolRun run = Tool(QStringList{QStringLiteral("search"), Journal()} + arguments);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, dates);
}

void TextCommandsTest::wrongUse_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("text without a journal") << QStringList{QStringLiteral("text")} << 2;
    QTest::newRow("text with a bad date") << QStringList{QStringLiteral("text"), Journal(), QStringLiteral("2021-02-30")} << 2;
    QTest::newRow("search without text") << QStringList{QStringLiteral("search"), Journal()} << 2;
    QTest::newRow("search with an unknown option")
        << QStringList{QStringLiteral("search"), Journal(), QStringLiteral("x"), QStringLiteral("--since"), QStringLiteral("2020-01-01")}
        << 2;
    QTest::newRow("search with a missing date")
        << QStringList{QStringLiteral("search"), Journal(), QStringLiteral("x"), QStringLiteral("--from")} << 2;
    QTest::newRow("missing journal") << QStringList{QStringLiteral("search"), QStringLiteral("/nonexistent/Journal.cds"),
                                                    QStringLiteral("x")}
                                     << 1;
}

void TextCommandsTest::wrongUse()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    const ToolRun run = Tool(arguments);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY(run.out.isEmpty());
    QVERIFY(!run.err.isEmpty());
}

QTEST_APPLESS_MAIN(TextCommandsTest)
#include "tst_textcommands.moc"
