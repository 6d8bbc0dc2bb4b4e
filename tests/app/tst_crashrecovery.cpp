// Nothing written is lost when the program does not close: every stored entry, and the entry
// being written after a pause in typing, is in the recovery log, which the next start takes
// back; a kill while the close writes leaves the old journal or the new one, whole. A close
// that cannot write a sound journal keeps the old one and the log; closes keep daily
// backups. A second program on the same journal does not start.
#include "app_fixture.h"

#include "app/safekeeping.h"
#include "platform/raise_requests.h"
#include "storage/fileio.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QtTest>

#include <csignal>
#include <cstdio>

using namespace quill;
using namespace quill::testing;

namespace {

// The data folder's files as they are on disk at this moment: what a kill leaves behind.
void CopyFolder(const QString& from, const QString& to)
{
    for (const QString& name : QDir(from).entryList(QDir::Files | QDir::Hidden)) {
        QFile::remove(to + "/" + name);
        QVERIFY(QFile::copy(from + "/" + name, to + "/" + name));
    }
}

QString TodaysText(const QString& journal)
{
    return JournalTexts(journal).value(ToQDate(Today()));
}

// Starts the program on the files a killed run left, which must give back one day's entry
// holding `text`.
void StartAfterTheKill(ProgramRun& next, const QString& killed, const QString& text)
{
    CopyFolder(killed, next.path(""));
    next.start();
    QCOMPARE(next.dialogs().texts(), QStringList{"Quillmere recovered 1 entries written after the last normal close."});
    QCOMPARE(frmMain->Editor->Text(), text);
}

// A first run that stores `text` today and closes normally.
void RunThatWrites(const QString& folder, const QString& text)
{
    ProgramRun run(folder);
    run.start();
    run.type(text);
    run.finish();
}

QString LastBox(ProgramRun& run)
{
    return run.dialogs().boxes.empty() ? QString() : run.dialogs().boxes.back().text;
}

QStringList UnfinishedFiles(const QString& folder)
{
    return QDir(folder).entryList({".Journal.cds.new-*"}, QDir::Files | QDir::Hidden);
}

// The killed program: a run on `folder` that takes back the recovery log there and closes,
// saying "closing" on standard output just before the close.
int CloseAfterReplay(const QString& folder)
{
    ProgramRun run(folder);
    run.start();
    std::fputs("closing\n", stdout);
    std::fflush(stdout);
    run.finish();
    return 0;
}

constexpr const char* kCloseAfterReplay = "--close-after-replay";

// A journal of `days` entries of some kB each, and a recovery log of three more days.
struct KillFixture {
    QTemporaryDir folder;
    QByteArray journal;
    QByteArray log;
    QStringList words{"first recovered", "second recovered", "third recovered"};

    explicit KillFixture(int days)
    {
        {
            MemTable table("tblJournal");
            const JournalFields f = DeclareJournalFields(table);
            table.SetFileName(folder.filePath("Journal.cds").toStdString());
            table.CreateTable();
            table.Open();
            for (int day = 0; day < days; ++day) {
                table.Insert();
                f.JournalDate.SetAsDateTime(EncodeEntryDate({2000, 1, 1}) + day);
                MemoryStream body("{\\rtf1 " + std::string(4000, char('a' + day % 26)) + "}");
                f.JournalEntry.LoadFromStream(body);
                table.Post();
            }
            table.Close();
        }
        const RecoveryLog recovery(folder.filePath("Journal.cds.recovery").toStdString());
        for (int i = 0; i < words.size(); ++i)
            recovery.Append(EncodeEntryDate({2026, 1, 1}) + i, "{\\rtf1 " + words[i].toStdString() + "}");
        journal = ReadBytes(folder.filePath("Journal.cds"));
        log = ReadBytes(folder.filePath("Journal.cds.recovery"));
    }

    // A copy of the folder for one run.
    QString copy(QTemporaryDir& into) const
    {
        CopyFolder(folder.path(), into.path());
        return into.path();
    }
};

// Starts the killed program and kills it once `when` says so, polling the folder meanwhile.
// Returns how long the close had run.
qint64 RunAndKill(const QString& folder, const std::function<bool(qint64 sinceClosing)>& when)
{
    QProcess victim;
    victim.start(QCoreApplication::applicationFilePath(), {kCloseAfterReplay, folder});
    if (!victim.waitForStarted())
        return -1;
    QElapsedTimer sinceClosing;
    while (victim.state() == QProcess::Running) {
        if (!sinceClosing.isValid()) {
            victim.waitForReadyRead(20);
            if (victim.readAllStandardOutput().contains("closing"))
                sinceClosing.start();
            continue;
        }
        if (when(sinceClosing.nsecsElapsed() / 1000)) {
            ::kill(static_cast<pid_t>(victim.processId()), SIGKILL);
            break;
        }
        victim.waitForFinished(1); // also how the process's end becomes known
    }
    const qint64 ran = sinceClosing.isValid() ? sinceClosing.nsecsElapsed() / 1000 : -1;
    victim.waitForFinished(30000);
    return ran;
}

} // namespace

class TestCrashRecovery : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void killedAfterADayMove_data()
    {
        QTest::addColumn<bool>("pauseInsteadOfMove");
        QTest::newRow("typing, then a day move") << false;
        QTest::newRow("typing, then a pause of more than five seconds") << true;
    }
    void killedAfterADayMove()
    {
        QFETCH(bool, pauseInsteadOfMove);
        QTemporaryDir killed;
        {
            ProgramRun run;
            run.start();
            run.type("every word counts");
            if (pauseInsteadOfMove) {
                QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(run.path("Journal.cds.recovery")), 8000);
            } else {
                QTest::mouseClick(frmMain->btnNext, Qt::LeftButton);
                QVERIFY(QFile::exists(run.path("Journal.cds.recovery")));
            }
            // The kill: the files as they are now; nothing of the close reaches them.
            CopyFolder(run.path(""), killed.path());
            QVERIFY(TodaysText(killed.filePath("Journal.cds")).isEmpty());
            run.finish();
        }
        ProgramRun next;
        StartAfterTheKill(next, killed.path(), "every word counts");
        next.finish();
        // The close wrote them into the journal and let the log go.
        QCOMPARE(TodaysText(next.path("Journal.cds")), QString("every word counts"));
        QVERIFY(!QFile::exists(next.path("Journal.cds.recovery")));
    }

    void theLaterRecordOfADayWins()
    {
        QTemporaryDir killed;
        {
            ProgramRun run;
            run.start();
            run.type("first");
            QTest::mouseClick(frmMain->btnNext, Qt::LeftButton);
            QTest::mouseClick(frmMain->btnPrevious, Qt::LeftButton);
            QTest::keyClick(frmMain->Editor, Qt::Key_End, Qt::ControlModifier);
            run.type(" and second");
            QTest::mouseClick(frmMain->btnNext, Qt::LeftButton);
            CopyFolder(run.path(""), killed.path());
            run.finish();
        }
        ProgramRun next;
        StartAfterTheKill(next, killed.path(), "first and second");
        next.finish();
    }

    void aCleanCloseLeavesNoLog()
    {
        ProgramRun run;
        run.start();
        run.type("kept");
        QTest::mouseClick(frmMain->btnNext, Qt::LeftButton);
        run.finish();
        QVERIFY(!QFile::exists(run.path("Journal.cds.recovery")));
        QCOMPARE(TodaysText(run.path("Journal.cds")), QString("kept"));
    }

    void anUnreadableLogIsKeptAside()
    {
        ProgramRun run;
        WriteBytes(run.path("Journal.cds.recovery"), "this is no log");
        run.start();
        const QString aside = run.path("Journal.cds.recovery-" + QDate::currentDate().toString(Qt::ISODate));
        QCOMPARE(run.dialogs().texts(),
                 QStringList{"The recovery log of the last run could not be read; it is kept as " + aside + "."});
        run.finish();
        QCOMPARE(ReadBytes(aside), QByteArray("this is no log"));
    }

    // A kill at any moment of the close's write leaves the old journal with its log, or the
    // new one, whole; the next start takes back whatever the journal does not hold yet.
    void killedWhileTheCloseWrites()
    {
        const KillFixture fixture(2500);
        QByteArray written;
        qint64 closeTook = 0;
        {
            QTemporaryDir whole;
            const QString folder = fixture.copy(whole);
            closeTook = RunAndKill(folder, [](qint64) { return false; });
            written = ReadBytes(folder + "/Journal.cds");
            QVERIFY(written.size() > fixture.journal.size());
            QVERIFY(!QFile::exists(folder + "/Journal.cds.recovery"));
        }
        QVERIFY(closeTook > 0);
        struct Moment {
            const char* what;
            std::function<bool(const QString&, qint64)> now;
        };
        const std::vector<Moment> moments = {
            {"the new file is begun",
             [](const QString& folder, qint64) { return !UnfinishedFiles(folder).isEmpty(); }},
            {"the new file is half written",
             [&](const QString& folder, qint64) {
                 const QStringList files = UnfinishedFiles(folder);
                 return !files.isEmpty() && QFileInfo(folder + "/" + files[0]).size() >= written.size() / 2;
             }},
            {"a quarter of the close", [&](const QString&, qint64 t) { return t >= closeTook / 4; }},
            {"half of the close", [&](const QString&, qint64 t) { return t >= closeTook / 2; }},
            {"three quarters of the close", [&](const QString&, qint64 t) { return t >= closeTook * 3 / 4; }},
        };
        for (const Moment& moment : moments) {
            QTemporaryDir killed;
            const QString folder = fixture.copy(killed);
            RunAndKill(folder, [&](qint64 t) { return moment.now(folder, t); });
            const QByteArray journal = ReadBytes(folder + "/Journal.cds");
            QVERIFY2(journal == fixture.journal || journal == written, moment.what);
            if (journal == fixture.journal)
                QVERIFY2(ReadBytes(folder + "/Journal.cds.recovery") == fixture.log, moment.what);
            if (QByteArray(moment.what).startsWith("the new file"))
                QVERIFY2(journal == fixture.journal && !UnfinishedFiles(folder).isEmpty(), moment.what);

            ProgramRun next(folder);
            next.start();
            QVERIFY2(UnfinishedFiles(folder).isEmpty(), moment.what);
            next.finish();
            const QMap<QDate, QString> texts = JournalTexts(folder + "/Journal.cds");
            QCOMPARE(texts.size(), 2500 + 3);
            for (int i = 0; i < fixture.words.size(); ++i)
                QCOMPARE(texts.value(QDate(2026, 1, 1).addDays(i)), fixture.words[i]);
        }
    }

    // A close whose new journal would not be sound keeps the old one and the log, says why,
    // and the next start takes the entries back.
    void aFailedCloseKeepsTheOldJournalAndTheLog_data()
    {
        QTest::addColumn<bool>("shortDisk");
        QTest::addColumn<QString>("reason");
        QTest::newRow("the new file reads back wrong")
            << false << "read back differently from what was written. The old file is kept as it was.";
        QTest::newRow("too little free space") << true << "The disk has 1 kB free and the new file needs ";
    }
    void aFailedCloseKeepsTheOldJournalAndTheLog()
    {
        QFETCH(bool, shortDisk);
        QFETCH(QString, reason);
        QTemporaryDir folder;
        RunThatWrites(folder.path(), "the old day");
        const QByteArray before = ReadBytes(folder.filePath("Journal.cds"));
        {
            ProgramRun run(folder.path());
            run.start();
            QTest::mouseClick(frmMain->btnNext, Qt::LeftButton);
            run.type("tomorrow's words");
            QTest::mouseClick(frmMain->btnPrevious, Qt::LeftButton);
            if (shortDisk)
                quill::testing::SetFreeSpace(1000);
            else
                quill::testing::SetCorruptWrites(true);
            run.finish();
            quill::testing::SetFreeSpace(std::nullopt);
            quill::testing::SetCorruptWrites(false);
            const QString text = LastBox(run);
            QVERIFY2(text.startsWith("Cannot create file " + folder.filePath("Journal.cds") + "\n\n"), qPrintable(text));
            QVERIFY2(text.contains(reason), qPrintable(text));
            QVERIFY2(text.endsWith("What was written is kept in " + folder.filePath("Journal.cds.recovery") +
                                   " and comes back the next time Quillmere starts."),
                     qPrintable(text));
        }
        QCOMPARE(ReadBytes(folder.filePath("Journal.cds")), before);
        QVERIFY(QFile::exists(folder.filePath("Journal.cds.recovery")));
        QVERIFY(UnfinishedFiles(folder.path()).isEmpty());
        ProgramRun next(folder.path());
        next.start();
        QCOMPARE(next.dialogs().texts(), QStringList{"Quillmere recovered 1 entries written after the last normal close."});
        next.finish();
        QCOMPARE(JournalTexts(folder.filePath("Journal.cds")).value(ToQDate(Today()).addDays(1)),
                 QString("tomorrow's words"));
    }

    // A log grown large by the same days written again keeps only their last records.
    void aLargeLogIsCompacted()
    {
        QTemporaryDir folder;
        const RecoveryLog log(folder.filePath("Journal.cds.recovery").toStdString());
        const double day = EncodeEntryDate({2026, 1, 1});
        log.Append(day, "{\\rtf1 " + std::string(34 << 20, 'a') + "}");
        log.Append(day, "{\\rtf1 " + std::string(34 << 20, 'b') + "}");
        ProgramRun run(folder.path());
        run.start();
        run.dialogs().boxes.clear();
        run.type("today");
        QTest::mouseClick(frmMain->btnNext, Qt::LeftButton);
        const RecoveryLog::Contents contents = log.Read();
        QCOMPARE(contents.records.size(), std::size_t(2));
        QCOMPARE(contents.records[0].date, day);
        QCOMPARE(contents.records[0].body.substr(0, 9), std::string("{\\rtf1 bb"));
        QCOMPARE(contents.records[1].date, Today());
        QVERIFY(log.Size() < (36u << 20));
        QCOMPARE(run.dialogs().texts(), QStringList());
        run.finish();
    }

    // The first close of a day that replaces the journal keeps the one it replaces.
    void closesKeepADailyBackup()
    {
        QTemporaryDir folder;
        RunThatWrites(folder.path(), "one");
        const QByteArray first = ReadBytes(folder.filePath("Journal.cds"));
        RunThatWrites(folder.path(), "two ");
        RunThatWrites(folder.path(), "three ");
        const QString backup = folder.filePath("Backups/Journal-" + QDate::currentDate().toString(Qt::ISODate) + ".cds");
        QCOMPARE(QDir(folder.filePath("Backups")).entryList(QDir::Files), QStringList{QFileInfo(backup).fileName()});
        QCOMPARE(ReadBytes(backup), first);
        QCOMPARE(JournalTexts(backup).value(ToQDate(Today())), QString("one"));
        QCOMPARE(JournalTexts(folder.filePath("Journal.cds")).value(ToQDate(Today())), QString("three two one"));
    }

    void anUnwritableFolderIsSaidAtStart()
    {
        ProgramRun run;
        quill::testing::SetReadOnlyFolders(true);
        run.create();
        quill::testing::SetReadOnlyFolders(false);
        QVERIFY(!run.dialogs().boxes.empty());
        QCOMPARE(run.dialogs().boxes[0].title, QString("Error"));
        QCOMPARE(run.dialogs().boxes[0].text,
                 "Quillmere cannot save to " + run.path("") +
                     ": entries written now would be lost when it closes.\n\nPermission denied.");
        run.finish();
    }

    void aSecondStartBringsTheRunningWindowUp()
    {
        ProgramRun run;
        run.start();
        frmMain->showMinimized();
        QApplication::processEvents();
        QVERIFY(frmMain->isMinimized());
        QVERIFY(!RaiseRequests::Ask(run.path("Other.cds")));
        QVERIFY(RaiseRequests::Ask(run.path("Journal.cds")));
        QTRY_VERIFY(!frmMain->isMinimized());
        run.finish();
        QVERIFY(!RaiseRequests::Ask(run.path("Journal.cds"))); // nobody listens after the close
    }

    void aSecondProgramDoesNotStart()
    {
        ProgramRun run;
        const JournalLock first(run.path("Journal.cds").toStdString());
        QVERIFY(first.Held());
        RaiseRequests firstListens(run.path("Journal.cds"));
        QVERIFY(firstListens.Listening());
        QSignalSpy asked(&firstListens, &RaiseRequests::raiseRequested);
        run.create();
        QTRY_COMPARE(asked.count(), 1);
        QVERIFY(run.program()->AlreadyOpen());
        QVERIFY(!frmMain);
        QCOMPARE(run.dialogs().boxes.size(), std::size_t(1));
        QCOMPARE(run.dialogs().boxes[0].title, QString("Information"));
        QCOMPARE(run.dialogs().boxes[0].text, QString("Quillmere is already open with this journal."));
        run.finish();
        QCOMPARE(QDir(run.path("")).entryList(QDir::Files), QStringList{"Journal.cds.lock"});
    }
};

int main(int argc, char** argv)
{
    quill::QuillmereApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    if (argc == 3 && qstrcmp(argv[1], kCloseAfterReplay) == 0)
        return CloseAfterReplay(QString::fromLocal8Bit(argv[2]));
    TestCrashRecovery test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_crashrecovery.moc"
