// Nothing written is lost when the program does not close: every stored entry, and the entry
// being written after a pause in typing, is in the recovery log, which the next start takes
// back. A second program on the same journal does not start.
#include "app_fixture.h"

#include <QDir>
#include <QtTest>

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

    void aSecondProgramDoesNotStart()
    {
        ProgramRun run;
        const JournalLock first(run.path("Journal.cds").toStdString());
        QVERIFY(first.Held());
        run.create();
        QVERIFY(run.program()->AlreadyOpen());
        QVERIFY(!frmMain);
        QCOMPARE(run.dialogs().boxes.size(), std::size_t(1));
        QCOMPARE(run.dialogs().boxes[0].title, QString("Information"));
        QCOMPARE(run.dialogs().boxes[0].text, QString("Quillmere is already open with this journal."));
        run.finish();
        QCOMPARE(QDir(run.path("")).entryList(QDir::Files), QStringList{"Journal.cds.lock"});
    }
};

QUILLMERE_APP_TEST_MAIN(TestCrashRecovery)
#include "tst_crashrecovery.moc"
