// A close that cannot write the journal stops while the window is still there: it says why,
// and offers Retry and Cancel. A run ended by a stop signal saves what it can without asking
// anyone, ends with a status that says so, and ends even when the window is too busy to
// answer; whatever it could not write comes back from the recovery log.
#include "app_fixture.h"

#include "platform/dialogs.h"
#include "storage/fileio.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QtTest>

#include <csignal>
#include <cstdio>
#include <unistd.h>

using namespace quill;
using namespace quill::testing;

namespace {

enum class Fault { ShortDisk, WrongBytes, ReadOnlyFolder };

void SetFault(std::optional<Fault> fault)
{
    SetFreeSpace(fault == Fault::ShortDisk ? std::optional<std::uint64_t>(1000) : std::nullopt);
    SetCorruptWrites(fault == Fault::WrongBytes);
    SetReadOnlyFolders(fault == Fault::ReadOnlyFolder);
}

QString Tomorrow(const QString& folder)
{
    return JournalTexts(folder + "/Journal.cds").value(ToQDate(Today()).addDays(1));
}

// A first run that stores "the old day" today.
QByteArray OldJournal(const QString& folder)
{
    ProgramRun run(folder);
    run.start();
    run.type("the old day");
    run.finish();
    return ReadBytes(folder + "/Journal.cds");
}

// Writes tomorrow's entry in a started run and comes back to today.
void WriteTomorrow(const QString& text)
{
    QTest::mouseClick(frmMain->btnNext, Qt::LeftButton);
    QTest::keyClicks(frmMain->Editor, text);
    QTest::mouseClick(frmMain->btnPrevious, Qt::LeftButton);
}

constexpr const char* kStopWhenBusy = "--stop-when-busy";
constexpr const char* kStopWithFullDisk = "--stop-with-full-disk";

// The stopped program: a run on `folder` that stores tomorrow's entry, says "ready" on
// standard output and then either blocks its window for a minute or waits with a disk too
// full for the journal, with the real dialogs in place.
int StoppedRun(const QString& folder, bool busy)
{
    ProgramRun run(folder);
    run.start();
    static_cast<QuillmereApplication*>(qApp)->OnTermination([] {
        if (frmMain && !frmMain->Closed())
            frmMain->close();
    });
    WriteTomorrow("stopped words");
    InstallDialogs(MakeStandardDialogs());
    if (!busy)
        SetFault(Fault::ShortDisk);
    QTimer::singleShot(0, [busy] {
        std::fputs("ready\n", stdout);
        std::fflush(stdout);
        // A window stuck in a long computation, which no signal interrupts.
        for (QElapsedTimer stuck; busy && (!stuck.isValid() || stuck.elapsed() < 60000);)
            if (!stuck.isValid())
                stuck.start();
    });
    const int loopResult = QApplication::exec();
    return run.program()->Finish(loopResult);
}

struct Stopped {
    int exitCode = -1;
    QProcess::ExitStatus status = QProcess::CrashExit;
    QString errors;
};

// Starts the stopped program and sends it SIGTERM once it is ready.
Stopped StopTheRun(const QString& folder, const char* mode)
{
    QProcess run;
    run.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(mode), folder});
    Stopped result;
    if (!run.waitForStarted())
        return result;
    QByteArray out;
    while (!out.contains("ready") && run.state() == QProcess::Running) {
        run.waitForReadyRead(100);
        out += run.readAllStandardOutput();
    }
    ::kill(static_cast<pid_t>(run.processId()), SIGTERM);
    if (!run.waitForFinished(30000)) {
        run.kill();
        run.waitForFinished();
        return result;
    }
    result.exitCode = run.exitCode();
    result.status = run.exitStatus();
    result.errors = QString::fromLocal8Bit(run.readAllStandardError());
    return result;
}

} // namespace

class TestFailedClose : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { SetFault(std::nullopt); }

    void aFailedCloseAsksAndKeepsTheWindow_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<QString>("reason");
        QTest::newRow("too little free space") << Fault::ShortDisk << "The disk has 1 kB free and the new file needs ";
        QTest::newRow("the new file reads back wrong")
            << Fault::WrongBytes << "read back differently from what was written. The old file is kept as it was.";
        QTest::newRow("a folder that cannot be written") << Fault::ReadOnlyFolder << "\n\nPermission denied";
    }
    void aFailedCloseAsksAndKeepsTheWindow()
    {
        QFETCH(Fault, fault);
        QFETCH(QString, reason);
        QTemporaryDir folder;
        const QByteArray before = OldJournal(folder.path());
        ProgramRun run(folder.path());
        run.start();
        WriteTomorrow("tomorrow's words");
        QTest::keyClicks(frmMain->Editor, "and today's ");
        SetFault(fault);
        run.dialogs().questionAnswers = {"Retry", "Cancel"};
        QTest::mouseClick(frmMain->btnExit, Qt::LeftButton);

        // Retry tried again and failed the same way; Cancel went back to the window.
        QCOMPARE(run.dialogs().unexpected, QStringList());
        const auto& boxes = run.dialogs().boxes;
        QCOMPARE(boxes.size(), std::size_t(2));
        for (const ScriptedDialogs::Box& box : boxes) {
            QCOMPARE(box.title, QString("Quillmere"));
            QCOMPARE(box.buttons, (QStringList{"Retry", "Cancel"}));
            QVERIFY2(box.text.startsWith("Cannot create file " + folder.filePath("Journal.cds") + "\n\n"),
                     qPrintable(box.text));
            QVERIFY2(box.text.contains(reason), qPrintable(box.text));
            QVERIFY2(box.text.endsWith("\n\nWhat was written is kept in " + folder.filePath("Journal.cds.recovery") +
                                       " and comes back the next time Quillmere starts.\n\nChoose Retry to write it "
                                       "again, or Cancel to go back to the journal."),
                     qPrintable(box.text));
        }
        QVERIFY(frmMain->isVisible());
        QVERIFY(!frmMain->Closed());
        QCOMPARE(frmMain->Editor->Text(), QString("and today's the old day"));
        QCOMPARE(ReadBytes(folder.filePath("Journal.cds")), before);
        QVERIFY(QFile::exists(folder.filePath("Journal.cds.recovery")));

        // With the fault gone, Exit writes everything and ends the run.
        SetFault(std::nullopt);
        QTest::mouseClick(frmMain->btnExit, Qt::LeftButton);
        QVERIFY(frmMain->Closed());
        QCOMPARE(run.program()->Finish(0), 0);
        QCOMPARE(boxes.size(), std::size_t(2));
        QCOMPARE(Tomorrow(folder.path()), QString("tomorrow's words"));
        QCOMPARE(JournalTexts(folder.filePath("Journal.cds")).value(ToQDate(Today())),
                 QString("and today's the old day"));
        QVERIFY(!QFile::exists(folder.filePath("Journal.cds.recovery")));
    }

    // A retry that succeeds ends the run at once.
    void aRetryThatWritesEndsTheRun()
    {
        QTemporaryDir folder;
        OldJournal(folder.path());
        ProgramRun run(folder.path());
        run.start();
        WriteTomorrow("written on the second try");
        SetFault(Fault::ShortDisk);
        run.dialogs().questionAnswers = {"Retry"};
        run.dialogs().onMessage = [](const ScriptedDialogs::Box&) { SetFault(std::nullopt); }; // room was made
        frmMain->close();
        QVERIFY(frmMain->Closed());
        QCOMPARE(run.dialogs().boxes.size(), std::size_t(1));
        run.finish();
        QCOMPARE(Tomorrow(folder.path()), QString("written on the second try"));
    }

    // The end of the desktop session asks nobody: the old journal and the log stay, the
    // failure is reported as the windows go, and the run's status says that not all was written.
    void theSessionsEndDoesNotAsk()
    {
        QTemporaryDir folder;
        const QByteArray before = OldJournal(folder.path());
        {
            ProgramRun run(folder.path());
            run.start();
            static_cast<QuillmereApplication*>(qApp)->OnTermination([] {
                if (frmMain && !frmMain->Closed())
                    frmMain->close();
            });
            WriteTomorrow("the session ended");
            SetFault(Fault::ShortDisk);
            static_cast<QuillmereApplication*>(qApp)->Terminate();
            QVERIFY(frmMain->Closed());
            QVERIFY(Unattended());
            QCOMPARE(run.program()->Finish(0), 1);
            QStringList journalFailures;
            for (const ScriptedDialogs::Box& box : run.dialogs().boxes) {
                QVERIFY(box.buttons.isEmpty());
                if (box.text.startsWith("Cannot create file " + folder.filePath("Journal.cds")))
                    journalFailures << box.text;
            }
            QCOMPARE(journalFailures.size(), 1);
        }
        SetFault(std::nullopt);
        QCOMPARE(ReadBytes(folder.filePath("Journal.cds")), before);
        ProgramRun next(folder.path());
        next.start();
        QCOMPARE(next.dialogs().texts(), QStringList{"Quillmere recovered 1 entries written after the last normal close."});
        next.finish();
        QCOMPARE(Tomorrow(folder.path()), QString("the session ended"));
    }

    // SIGTERM: the run saves without asking and ends with 143, also when the journal cannot
    // be written (then its message goes to standard error), and also when the window does
    // not answer at all.
    void aStopSignalEndsTheRun_data()
    {
        QTest::addColumn<bool>("busy");
        QTest::newRow("a disk too full for the journal") << false;
        QTest::newRow("a window that does not answer") << true;
    }
    void aStopSignalEndsTheRun()
    {
        QFETCH(bool, busy);
        QTemporaryDir folder;
        const QByteArray before = OldJournal(folder.path());
        const Stopped stopped = StopTheRun(folder.path(), busy ? kStopWhenBusy : kStopWithFullDisk);
        QCOMPARE(stopped.status, QProcess::NormalExit);
        QCOMPARE(stopped.exitCode, 128 + SIGTERM);
        if (busy)
            QVERIFY2(stopped.errors.contains("Quillmere: the window did not answer the stop signal; ending now."),
                     qPrintable(stopped.errors));
        else
            QVERIFY2(stopped.errors.contains("Quillmere: Cannot create file " + folder.filePath("Journal.cds") +
                                             "\n\nThe disk has 1 kB free"),
                     qPrintable(stopped.errors));
        QCOMPARE(ReadBytes(folder.filePath("Journal.cds")), before);
        ProgramRun next(folder.path());
        next.start();
        QCOMPARE(next.dialogs().texts(), QStringList{"Quillmere recovered 1 entries written after the last normal close."});
        next.finish();
        QCOMPARE(Tomorrow(folder.path()), QString("stopped words"));
    }
};

int main(int argc, char** argv)
{
    quill::QuillmereApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    if (argc == 3 && (qstrcmp(argv[1], kStopWhenBusy) == 0 || qstrcmp(argv[1], kStopWithFullDisk) == 0))
        return StoppedRun(QString::fromLocal8Bit(argv[2]), qstrcmp(argv[1], kStopWhenBusy) == 0);
    TestFailedClose test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_failedclose.moc"
