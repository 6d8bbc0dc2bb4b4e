// Data files that cannot be read: the start names the file, leaves it as it is, and offers
// its newest backup or to quit. No editor is shown whose entries could not be stored, and
// no password gate opens because the settings could not be read.
#include "app_fixture.h"

#include "app/safekeeping.h"
#include "search/search_fixture.h"
#include "search/tfrmdbsearch.h"
#include "storage/datetime.h"

#include <QListWidget>
#include <QSignalSpy>

#include <cmath>
#include <cstring>
#include <limits>

#include <QtTest>

#include <unistd.h>

using namespace quill;
using namespace quill::testing;

namespace {

enum class Damage { Truncated, Empty, Header, Directory, DanglingLink, Garbage };

// The bytes `damage` makes of a good file; a folder in its place for Directory.
void Spoil(const QString& path, Damage damage)
{
    const QByteArray good = ReadBytes(path);
    QFile::remove(path);
    switch (damage) {
    case Damage::Truncated:
        WriteBytes(path, good.left(good.size() / 2));
        break;
    case Damage::Empty:
        WriteBytes(path, {});
        break;
    case Damage::Header: {
        QByteArray bytes = good;
        bytes[0] = char(bytes[0] ^ 0x5A);
        bytes[5] = char(bytes[5] ^ 0x5A);
        WriteBytes(path, bytes);
        break;
    }
    case Damage::Directory:
        QVERIFY(QDir().mkdir(path));
        break;
    case Damage::DanglingLink:
        QVERIFY(QFile::link("/nonexistent/" + QFileInfo(path).fileName(), path));
        break;
    case Damage::Garbage:
        WriteBytes(path, "this is not a table at all\n");
        break;
    }
}

// A run that logs in with `password`, writes `text` today and, when given, sets a new
// password in the settings.
void RunThatWrites(const QString& folder, const QString& text, const QString& password = {},
                   const QString& newPassword = {})
{
    ProgramRun run(folder);
    run.start(password);
    QVERIFY(frmMain->isVisible());
    run.type(text);
    if (!newPassword.isEmpty()) {
        MemTable& settings = frmLogin->tblPassword;
        if (settings.IsEmpty())
            settings.Insert();
        else
            settings.Edit();
        frmLogin->tblPasswordPassword.SetAsString(newPassword.toStdString());
        settings.Post();
    }
    run.finish();
}

QString BackupPath(const QString& folder, const QString& name, const QString& day)
{
    return folder + "/Backups/" + name.section('.', 0, 0) + "-" + day + ".cds";
}

// Keeps the data file `name` of `folder` as its backup of `day`.
void KeepAsBackup(const QString& folder, const QString& name, const QString& day)
{
    QDir().mkpath(folder + "/Backups");
    QVERIFY(QFile::copy(folder + "/" + name, BackupPath(folder, name, day)));
}

QByteArray Contents(const QString& path)
{
    const QFileInfo info(path);
    if (info.isSymLink())
        return "<a link to " + info.symLinkTarget().toUtf8() + ">";
    return info.isDir() ? QByteArray("<a folder>") : ReadBytes(path);
}

} // namespace

class TestDamagedFiles : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void aFileThatCannotBeReadEndsTheRunUntouched_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<Damage>("damage");
        QTest::addColumn<QString>("reason");
        QTest::newRow("journal cut short")
            << "Journal.cds" << Damage::Truncated << "Invalid data packet: it ends before its announced end (0x4005).";
        QTest::newRow("journal of no bytes") << "Journal.cds" << Damage::Empty << "it is empty.";
        QTest::newRow("journal with a damaged header") << "Journal.cds" << Damage::Header << "Invalid data packet (0x4005).";
        QTest::newRow("a folder named Journal.cds") << "Journal.cds" << Damage::Directory << "it is a folder.";
        QTest::newRow("a link to nothing") << "Journal.cds" << Damage::DanglingLink << "it is a link to /nonexistent/Journal.cds, which is not there.";
        QTest::newRow("settings of garbage") << "Settings.cds" << Damage::Garbage << "Invalid data packet (0x4005).";
        QTest::newRow("settings cut short")
            << "Settings.cds" << Damage::Truncated << "Invalid data packet: it ends before its announced end (0x4005).";
        QTest::newRow("a folder named Settings.cds") << "Settings.cds" << Damage::Directory << "it is a folder.";
    }
    void aFileThatCannotBeReadEndsTheRunUntouched()
    {
        QFETCH(QString, name);
        QFETCH(Damage, damage);
        QFETCH(QString, reason);
        QTemporaryDir folder;
        RunThatWrites(folder.path(), "kept words", "", "Secret");
        Spoil(folder.filePath(name), damage);
        const QByteArray journal = Contents(folder.filePath("Journal.cds"));
        const QByteArray settings = Contents(folder.filePath("Settings.cds"));
        const QStringList before = QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);

        ProgramRun run(folder.path());
        run.dialogs().questionAnswers = {"Quit"};
        run.create();
        QVERIFY(!frmMain);
        QVERIFY(!frmLogin);
        QCOMPARE(run.program()->Run(), 1);
        QCOMPARE(run.dialogs().boxes.size(), std::size_t(1));
        const ScriptedDialogs::Box& box = run.dialogs().boxes[0];
        QCOMPARE(box.title, QString("Quillmere"));
        QCOMPARE(box.buttons, QStringList{"Quit"});
        QVERIFY2(box.text.startsWith(folder.filePath(name) + " cannot be read: " + reason), qPrintable(box.text));
        QVERIFY2(box.text.endsWith(reason + "\n\nThe file is left as it is. There is no backup of it in " +
                                   folder.filePath("Backups") +
                                   ", so Quillmere closes without changing anything. Restore the file, or move "
                                   "it away to start anew."),
                 qPrintable(box.text));
        QCOMPARE(run.dialogs().unexpected, QStringList());
        run.finish();
        QCOMPARE(Contents(folder.filePath("Journal.cds")), journal);
        QCOMPARE(Contents(folder.filePath("Settings.cds")), settings);
        QStringList after = QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        after.removeAll("Journal.cds.lock");
        QStringList expected = before;
        expected.removeAll("Journal.cds.lock");
        QCOMPARE(after, expected);
    }

    // The newest backup takes the damaged file's place, which is kept beside it; a backup that
    // cannot be read either leads to the next older one.
    void aBackupTakesTheDamagedFilesPlace_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("newestDamaged");
        QTest::addColumn<bool>("linked"); // the journal is a link into another folder
        QTest::newRow("journal") << "Journal.cds" << false << false;
        QTest::newRow("journal, newest backup damaged too") << "Journal.cds" << true << false;
        QTest::newRow("journal that is a link") << "Journal.cds" << false << true;
        QTest::newRow("settings") << "Settings.cds" << false << false;
    }
    void aBackupTakesTheDamagedFilesPlace()
    {
        QFETCH(QString, name);
        QFETCH(bool, newestDamaged);
        QFETCH(bool, linked);
        QTemporaryDir folder;
        QTemporaryDir synced;
        const bool settings = name == "Settings.cds";
        RunThatWrites(folder.path(), "older", "", settings ? "Older" : "");
        KeepAsBackup(folder.path(), name, "2026-01-01");
        RunThatWrites(folder.path(), "newer ", settings ? "Older" : "", settings ? "Newer" : "");
        KeepAsBackup(folder.path(), name, "2026-01-02");
        QFile::remove(BackupPath(folder.path(), name, QDate::currentDate().toString(Qt::ISODate)));
        if (newestDamaged)
            Spoil(BackupPath(folder.path(), name, "2026-01-02"), Damage::Truncated);
        QString damagedFile = folder.filePath(name);
        if (linked) {
            damagedFile = synced.filePath(name);
            QVERIFY(QFile::rename(folder.filePath(name), damagedFile));
            QVERIFY(QFile::link(damagedFile, folder.filePath(name)));
        }
        Spoil(damagedFile, Damage::Header);
        const QByteArray damaged = ReadBytes(damagedFile);
        const QByteArray newest = ReadBytes(BackupPath(folder.path(), name, "2026-01-02"));
        const QString used = BackupPath(folder.path(), name, newestDamaged ? "2026-01-01" : "2026-01-02");
        const QByteArray restored = ReadBytes(used);

        ProgramRun run(folder.path());
        run.dialogs().questionAnswers = {"Open Backup", "Open Backup"};
        run.create();
        QVERIFY(frmMain);
        QCOMPARE(run.dialogs().unexpected, QStringList());
        const auto& boxes = run.dialogs().boxes;
        QCOMPARE(boxes.size(), std::size_t(newestDamaged ? 4 : 2));
        QCOMPARE(boxes[0].buttons, (QStringList{"Open Backup", "Quit"}));
        QVERIFY2(boxes[0].text.startsWith(folder.filePath(name) + " cannot be read: "), qPrintable(boxes[0].text));
        QVERIFY2(boxes[0].text.endsWith("\n\nThe file is left as it is. Quillmere can open its newest backup instead, " +
                                        BackupPath(folder.path(), name, "2026-01-02") +
                                        "; the file that cannot be read is then kept beside it under another name."),
                 qPrintable(boxes[0].text));
        if (newestDamaged)
            QVERIFY2(boxes[2].text.contains("Quillmere can open the next older backup instead, " + used),
                     qPrintable(boxes[2].text));
        QCOMPARE(boxes.back().text, folder.filePath(name) + " now holds the backup " + used +
                                        ". The file that could not be read is kept as " + damagedFile +
                                        (newestDamaged ? ".damaged-2." : ".damaged."));
        QCOMPARE(ReadBytes(damagedFile + ".damaged"), damaged);
        QCOMPARE(ReadBytes(BackupPath(folder.path(), name, "2026-01-02")), newest);
        QCOMPARE(ReadBytes(used), restored);
        QCOMPARE(QFileInfo(folder.filePath(name)).isSymLink(), linked);

        run.start(settings ? "Newer" : "");
        QVERIFY(frmMain->isVisible());
        QCOMPARE(frmMain->Editor->Text(), newestDamaged ? QString("older") : QString("newer older"));
        run.type("today ");
        run.finish();
        QCOMPARE(JournalTexts(folder.filePath("Journal.cds")).value(ToQDate(Today())).left(6), QString("today "));
        QCOMPARE(ReadBytes(damagedFile + ".damaged"), damaged);
    }

    void quittingAtTheOfferChangesNothing()
    {
        QTemporaryDir folder;
        RunThatWrites(folder.path(), "words");
        KeepAsBackup(folder.path(), "Journal.cds", "2026-01-01");
        Spoil(folder.filePath("Journal.cds"), Damage::Truncated);
        const QByteArray damaged = ReadBytes(folder.filePath("Journal.cds"));
        ProgramRun run(folder.path());
        run.dialogs().questionAnswers = {"Quit"};
        run.create();
        QVERIFY(!frmMain);
        QCOMPARE(run.program()->Run(), 1);
        run.finish();
        QCOMPARE(ReadBytes(folder.filePath("Journal.cds")), damaged);
        QVERIFY(!QFile::exists(folder.filePath("Journal.cds.damaged")));
    }

    // What the last run stored after its last close comes back into the backup opened.
    void theRecoveryLogIsTakenBackIntoTheBackup()
    {
        QTemporaryDir folder;
        RunThatWrites(folder.path(), "backed up");
        KeepAsBackup(folder.path(), "Journal.cds", "2026-01-01");
        {
            ProgramRun killed(folder.path());
            killed.start();
            QTest::mouseClick(frmMain->btnNext, Qt::LeftButton);
            killed.type("never closed");
            QTest::mouseClick(frmMain->btnPrevious, Qt::LeftButton);
            QVERIFY(QFile::copy(folder.filePath("Journal.cds.recovery"), folder.filePath("log")));
            killed.finish();
        }
        QVERIFY(QFile::rename(folder.filePath("log"), folder.filePath("Journal.cds.recovery")));
        Spoil(folder.filePath("Journal.cds"), Damage::Empty);
        ProgramRun run(folder.path());
        run.dialogs().questionAnswers = {"Open Backup"};
        run.start();
        QCOMPARE(run.dialogs().boxes.back().text,
                 QString("Quillmere recovered 1 entries written after the last normal close."));
        run.finish();
        const auto texts = JournalTexts(folder.filePath("Journal.cds"));
        QCOMPARE(texts.value(ToQDate(Today())), QString("backed up"));
        QCOMPARE(texts.value(ToQDate(Today()).addDays(1)), QString("never closed"));
    }

    // Rows whose date is no day (a zero timestamp, NaN, one far out of range) are passed
    // over by the day moves and the search, and stay in the journal as they are.
    void rowsWhoseDateIsNoDayAreKept()
    {
        ProgramRun run;
        const QString journal = run.path("Journal.cds");
        WriteJournal(journal, {{QDate(2024, 3, 1), "walk one"},
                               {QDate(2024, 3, 2), "bad zero"},
                               {QDate(2024, 3, 3), "bad nan"},
                               {QDate(2024, 3, 4), "bad huge"},
                               {QDate(2024, 3, 5), "walk five"}});
        QByteArray bytes = ReadBytes(journal);
        const double bad[] = {0.0, std::numeric_limits<double>::quiet_NaN(), 1e300};
        QByteArrayList stored;
        for (int i = 0; i < 3; ++i) {
            const double ms = DateTimeToStoredMs(FromQDate(QDate(2024, 3, 2 + i)));
            const QByteArray good(reinterpret_cast<const char*>(&ms), sizeof ms);
            QCOMPARE(bytes.count(good), 1);
            stored << QByteArray(reinterpret_cast<const char*>(&bad[i]), sizeof bad[i]);
            bytes.replace(good, stored.back());
        }
        WriteBytes(journal, bytes);

        run.start();
        frmSettings->chkSkip->SetChecked(true);
        frmMain->ShowDate(FromQDate(QDate(2024, 3, 1)));
        QTest::mouseClick(frmMain->btnNext, Qt::LeftButton);
        QCOMPARE(ToQDate(frmMain->CurrentDate()), QDate(2024, 3, 5));
        QCOMPARE(frmMain->Editor->Text(), QString("walk five"));
        QTest::mouseClick(frmMain->btnPrevious, Qt::LeftButton);
        QCOMPARE(ToQDate(frmMain->CurrentDate()), QDate(2024, 3, 1));

        QTest::mouseClick(frmMain->btnDBSearch, Qt::LeftButton);
        frmDBSearch->DateEdit1->SetDate(QDate(1900, 1, 1));
        frmDBSearch->DateEdit2->SetDate(QDate(2100, 1, 1));
        QTest::keyClicks(frmDBSearch->edtText, "a");
        QSignalSpy ended(frmDBSearch, &TfrmDBSearch::RunEnded);
        QTest::mouseClick(frmDBSearch->btnSearch, Qt::LeftButton);
        QVERIFY(ended.count() == 1 || ended.wait(10000));
        QStringList rows;
        for (int i = 0; i < frmDBSearch->ListBox1->count(); ++i)
            rows << frmDBSearch->ListBox1->item(i)->text();
        QCOMPARE(rows, (QStringList{FormatLongDay(FromQDate(QDate(2024, 3, 1))), FormatLongDay(FromQDate(QDate(2024, 3, 5)))}));
        frmDBSearch->close();

        run.type("a ");
        QTest::mouseClick(frmMain->btnNext, Qt::LeftButton);
        QCOMPARE(run.dialogs().texts(), QStringList());
        run.finish();
        const QByteArray after = ReadBytes(journal);
        for (const QByteArray& value : stored)
            QCOMPARE(after.count(value), bytes.count(value));
        MemTable table("tblJournal");
        const JournalFields f = DeclareJournalFields(table);
        table.SetFileName(journal.toStdString());
        table.Open();
        QCOMPARE(table.StoredRowCount(), std::size_t(5));
        QVERIFY(table.FindKey(FromQDate(QDate(2024, 3, 1))));
        RichEdit reader;
        reader.StreamIn(f.JournalEntry.BlobView(), sfRichText);
        QCOMPARE(reader.Text(), QString("a walk one"));
    }

    // However the settings table came to be closed, the gate does not open on it.
    void theGateStaysShutWithoutItsSettings()
    {
        ProgramRun run;
        run.create();
        frmLogin->tblPassword.Close();
        run.start();
        QVERIFY(!frmMain->LoginPassed());
        QVERIFY(!frmMain->isVisible());
        QCOMPARE(run.dialogs().texts(),
                 QStringList{"The settings could not be read, so the password cannot be checked."});
        run.finish();
    }
};

QUILLMERE_APP_TEST_MAIN(TestDamagedFiles)
#include "tst_damagedfiles.moc"
