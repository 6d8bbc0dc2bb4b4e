// quillmere-tool info, list, get and put, run as a user runs them.
#include "tables.h"

#include "run_tool.h"
#include "unreadable_date_journal.h"

#include "storage/datetime.h"
#include "storage/recovery.h"

#include <QTemporaryDir>
#include <QtTest>

class TestToolTables : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { QVERIFY(dir_.isValid()); }

    void listPrintsEveryVisibleEntryInDateOrder()
    {
        const ToolRun r = Tool({"list", QUILLMERE_SAMPLES_DIR "/cds/journal-samples.cds"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, Sample("cds/journal-samples.list"));
    }

    void listShowsTheTimeOfDayWhenThereIsOne()
    {
        const QString path = dir_.filePath("timed.cds");
        {
            JournalTable j(path);
            OpenLikeTheProgram(j.table);
            j.table.Insert();
            j.JournalDate.SetAsDateTime(kDay20100908 + 0.5 + 1.5 / 86400);
            j.table.Post();
            j.table.Close();
        }
        QCOMPARE(Tool({"list", path}).out, QByteArray("2010-09-08 12:00:01.500\t0\n"));
    }

    void infoDescribesAnyTable()
    {
        const ToolRun r = Tool({"info", QUILLMERE_SAMPLES_DIR "/cds/settings-arial-11.cds"});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.out.contains("Password"));
        QVERIFY(r.out.contains("width 20"));
        QVERIFY(r.out.endsWith("Rows: 1 stored, 1 visible\n"));
        const ToolRun j = Tool({"info", QUILLMERE_SAMPLES_DIR "/cds/journal-samples.cds"});
        QVERIFY(j.out.contains("blob kind Binary"));
        QVERIFY(j.out.endsWith("Rows: 9 stored, 8 visible\n"));
    }

    void getWritesTheBodyBytes()
    {
        const ToolRun r = Tool({"get", QUILLMERE_SAMPLES_DIR "/cds/journal-one-entry.cds", "2010-09-08"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QByteArray("{\\rtf1}"));
        const ToolRun missing = Tool({"get", QUILLMERE_SAMPLES_DIR "/cds/journal-one-entry.cds", "2010-09-09"});
        QCOMPARE(missing.exitCode, 1);
        QCOMPARE(missing.err, QByteArray("No entry for 2010-09-09\n"));
        QVERIFY(missing.out.isEmpty());
    }

    // put creates a journal exactly as the program would, then edits the day's row.
    void putStoresLikeTheProgram()
    {
        const QString journal = dir_.filePath("Journal.cds");
        const QString body = dir_.filePath("body.rtf");
        QVERIFY(WriteFile(body, "{\\rtf1}"));
        QCOMPARE(Tool({"put", journal, "2010-09-08", body}).exitCode, 0);
        QCOMPARE(ReadFile(journal), Sample("cds/journal-one-entry.cds"));

        QVERIFY(WriteFile(body, "{\\rtf1 second}"));
        QCOMPARE(Tool({"put", journal, "2010-09-08", body}).exitCode, 0);
        QCOMPARE(Tool({"list", journal}).out, QByteArray("2010-09-08\t14\n"));
        QCOMPARE(Tool({"get", journal, "2010-09-08"}).out, QByteArray("{\\rtf1 second}"));
    }

    // While the program has the journal open, put refuses to write it; reading still works.
    void putRefusesAJournalOpenInTheProgram()
    {
        const QString journal = dir_.filePath("Journal.cds");
        const QString body = dir_.filePath("body.rtf");
        QVERIFY(WriteFile(body, "{\\rtf1}"));
        QCOMPARE(Tool({"put", journal, "2010-09-08", body}).exitCode, 0);
        const QByteArray before = ReadFile(journal);
        {
            const quill::JournalLock program(journal.toStdString());
            QVERIFY(program.Held());
            const ToolRun refused = Tool({"put", journal, "2010-09-09", body});
            QCOMPARE(refused.exitCode, 1);
            QVERIFY2(refused.err.contains("the journal is open in Quillmere"), refused.err.constData());
            QCOMPARE(ReadFile(journal), before);
            QCOMPARE(Tool({"list", journal}).exitCode, 0);
        }
        QCOMPARE(Tool({"put", journal, "2010-09-09", body}).exitCode, 0);
    }

    // A failure prints the system's text and exits with 1, leaving every file as it was;
    // wrong usage prints the usage and exits with 2.
    void failuresAndUsage_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("journal");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("message");
        const QByteArray one = Sample("cds/journal-one-entry.cds");
        QTest::newRow("empty journal file") << QStringList{"list", "J"} << QByteArray() << 1
                                            << QByteArray("tblJournal: Missing data provider or data packet\n");
        QTest::newRow("no journal file") << QStringList{"text", "nothing-here"} << one << 1
                                         << QByteArray("No such file: nothing-here\n");
        QTest::newRow("damaged journal") << QStringList{"put", "J", "2010-09-08", "B"} << one.left(100) << 1
                                         << QByteArray("Invalid data packet: it ends before its announced end (0x4005)\n");
        QTest::newRow("missing body file") << QStringList{"put", "J", "2010-09-08", "nothing-here"} << one << 1
                                           << QByteArray("Cannot open file nothing-here\n");
        QTest::newRow("no command") << QStringList{} << one << 2 << QByteArray("Usage: quillmere-tool");
        QTest::newRow("unknown command") << QStringList{"delete", "J"} << one << 2 << QByteArray("Usage: quillmere-tool");
        QTest::newRow("impossible date") << QStringList{"get", "J", "2010-02-30"} << one << 2
                                         << QByteArray("quillmere-tool get: not a date (YYYY-MM-DD): 2010-02-30");
        QTest::newRow("missing argument") << QStringList{"put", "J", "2010-09-08"} << one << 2 << QByteArray("quillmere-tool put:");
    }
    void failuresAndUsage()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, journal);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, message);
        const QString path = dir_.filePath("J");
        QVERIFY(WriteFile(path, journal));
        QVERIFY(WriteFile(dir_.filePath("B"), "{\\rtf1 x}"));
        const ToolRun run = Tool(args, dir_.path());
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2(run.err.startsWith(message), qPrintable(args.join(' ')));
        QCOMPARE(ReadFile(path), journal);
    }

    // A row whose date cannot be read is said on standard error and left out; the others
    // are listed, and the tool ends with 1.
    void aRowWithABadDateIsLeftOut_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("out");
        QTest::newRow("list") << QStringList{"list", "J"} << QByteArray("2010-09-08\t11\n2010-09-10\t13\n");
        QTest::newRow("text") << QStringList{"text", "J"} << QByteArray("2010-09-08\none\n2010-09-10\nthree\n");
        QTest::newRow("search") << QStringList{"search", "J", "e"} << QByteArray("2010-09-08\n2010-09-10\n");
    }
    void aRowWithABadDateIsLeftOut()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, out);
        QVERIFY(WriteJournalWithAnUnreadableDate(dir_.filePath("J")));
        const ToolRun run = Tool(args, dir_.path());
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.out, out);
        QCOMPARE(run.err, QByteArray("J: an entry is left out: '0.0' is not a valid timestamp\n"));
    }

private:
    QTemporaryDir dir_;
};

QTEST_GUILESS_MAIN(TestToolTables)
#include "tst_tool_tables.moc"
