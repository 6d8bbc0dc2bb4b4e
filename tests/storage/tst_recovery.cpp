// The recovery log's records, exact to the byte, read back through crashes and damage;
// the journal lock; the daily backups; the files a killed replacement leaves.
#include "storage/recovery.h"

#include "storage/fileio.h"

#include "tables.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace quill;

namespace {

ino_t InodeOf(const QString& path)
{
    struct stat st{};
    return ::stat(path.toLocal8Bit().constData(), &st) == 0 ? st.st_ino : 0;
}

} // namespace

class TestRecovery : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void crcIsTheZipOne()
    {
        QCOMPARE(Crc32("123456789"), 0xCBF43926u);
        QCOMPARE(Crc32(""), 0u);
        QCOMPARE(Crc32("56789", Crc32("1234")), 0xCBF43926u);
    }

    void aRecordExactly()
    {
        // 2010-09-08 is day 40429; the CRC covers date, length and body.
        const std::string record = RecoveryLog::EncodeRecord(40429.0, "{\\rtf1}");
        const QByteArray expected = QByteArray("QRL1") + QByteArray::fromHex("00000000a0bde340") +
                                    QByteArray::fromHex("07000000") + QByteArray("{\\rtf1}");
        QCOMPARE(QByteArray::fromStdString(record).left(expected.size()), expected);
        const std::uint32_t crc = Crc32(std::string_view(record).substr(4, 8 + 4 + 7));
        QByteArray crcBytes(4, 0);
        for (int i = 0; i < 4; ++i)
            crcBytes[i] = char((crc >> (8 * i)) & 0xFF);
        QCOMPARE(QByteArray::fromStdString(record).mid(expected.size()), crcBytes);
    }

    void appendedRecordsReadBack()
    {
        QTemporaryDir dir;
        const RecoveryLog log(dir.filePath("Journal.cds.recovery").toStdString());
        QVERIFY(!log.Exists());
        QVERIFY(log.Read().records.empty());
        log.Append(1.0, "one");
        log.Append(2.0, std::string(100000, 'x'));
        log.Append(1.0, "");
        const RecoveryLog::Contents contents = log.Read();
        QCOMPARE(contents.records.size(), std::size_t(3));
        QVERIFY(contents.records[0] == (RecoveryLog::Record{1.0, "one"}));
        QCOMPARE(contents.records[1].body.size(), std::size_t(100000));
        QVERIFY(contents.records[2] == (RecoveryLog::Record{1.0, ""}));
        QCOMPARE(contents.skipped, 0);
        QVERIFY(!contents.unreadable);
        log.Remove();
        QVERIFY(!log.Exists());
    }

    // Compaction keeps the last record of each day, in the order of their last appending.
    void compactionKeepsTheLastRecordOfEachDay()
    {
        QTemporaryDir dir;
        const RecoveryLog log(dir.filePath("Journal.cds.recovery").toStdString());
        log.Append(1.0, "one, first");
        log.Append(2.0, std::string(100000, 'x'));
        log.Append(1.0, "one, last");
        log.Append(3.0, "three");
        log.Append(2.0, "two, last");
        const std::uint64_t size = log.Compact();
        QCOMPARE(size, log.Size());
        const std::vector<RecoveryLog::Record> expected{{1.0, "one, last"}, {3.0, "three"}, {2.0, "two, last"}};
        QVERIFY(log.Read().records == expected);
        std::string bytes;
        for (const RecoveryLog::Record& r : expected)
            bytes += RecoveryLog::EncodeRecord(r.date, r.body);
        QFile file(dir.filePath("Journal.cds.recovery"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray::fromStdString(bytes));
    }

    void damage_data()
    {
        QTest::addColumn<int>("cut");       // bytes cut from the end (-1: none)
        QTest::addColumn<int>("flip");      // offset of a flipped byte in the second record (-1: none)
        QTest::addColumn<QByteArray>("prefix");
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("skipped");
        QTest::addColumn<bool>("unreadable");
        QTest::newRow("last record torn by a crash") << 3 << -1 << QByteArray() << 1 << 0 << false;
        QTest::newRow("only its header written") << 20 << -1 << QByteArray() << 1 << 0 << false;
        QTest::newRow("a body byte damaged") << -1 << 18 << QByteArray() << 1 << 1 << false;
        QTest::newRow("not a log at all") << -1 << -1 << QByteArray("garbage!") << 0 << 0 << true;
    }
    void damage()
    {
        QFETCH(int, cut);
        QFETCH(int, flip);
        QFETCH(QByteArray, prefix);
        QTemporaryDir dir;
        const QString path = dir.filePath("log");
        const std::string first = RecoveryLog::EncodeRecord(3.0, "first");
        const std::string second = RecoveryLog::EncodeRecord(4.0, "second day");
        QByteArray bytes = prefix + QByteArray::fromStdString(first + second);
        if (cut >= 0)
            bytes.chop(cut);
        if (flip >= 0)
            bytes[int(first.size()) + flip] = char(bytes[int(first.size()) + flip] ^ 0x20);
        QVERIFY(WriteFile(path, bytes));
        const RecoveryLog::Contents contents = RecoveryLog(path.toStdString()).Read();
        QTEST(int(contents.records.size()), "records");
        QTEST(contents.skipped, "skipped");
        QTEST(contents.unreadable, "unreadable");
        if (!contents.records.empty())
            QVERIFY(contents.records[0] == (RecoveryLog::Record{3.0, "first"}));
    }

    void anUnreadableLogIsSetAsideNotDeleted()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("Journal.cds.recovery");
        QVERIFY(WriteFile(path, "not a log"));
        const RecoveryLog log(path.toStdString());
        const std::string aside = log.SetAside("2026-12-11");
        QCOMPARE(QString::fromStdString(aside), path + "-2026-12-11");
        QVERIFY(!log.Exists());
        QCOMPARE(ReadFile(QString::fromStdString(aside)), QByteArray("not a log"));
        QVERIFY(WriteFile(path, "again"));
        QCOMPARE(QString::fromStdString(log.SetAside("2026-12-11")), path + "-2026-12-11-2");
    }

    void oneLockPerJournal()
    {
        QTemporaryDir dir;
        const std::string journal = dir.filePath("Journal.cds").toStdString();
        QVERIFY(!JournalLock::HeldElsewhere(journal));
        {
            const JournalLock first(journal);
            QVERIFY(first.Held());
            const JournalLock second(journal);
            QVERIFY(!second.Held());
            QVERIFY(second.HeldByAnother());
            QVERIFY(JournalLock::HeldElsewhere(journal));
        }
        const JournalLock again(journal);
        QVERIFY(again.Held());
    }

    // The first backup of a day is a second name of the old file; later ones that day keep
    // it; the fourteen newest days stay; other files in the folder are left alone.
    void dailyBackups()
    {
        QTemporaryDir dir;
        const QString journal = dir.filePath("Journal.cds");
        const DailyBackups backups(dir.filePath("Backups").toStdString());
        QVERIFY(WriteFile(journal, "monday"));
        QCOMPARE(backups.Keep(journal.toStdString(), "2026-12-07"), std::string());
        const QString kept = dir.filePath("Backups/Journal-2026-12-07.cds");
        QCOMPARE(InodeOf(kept), InodeOf(journal));
        QVERIFY(WriteFile(journal + ".new", "monday, later"));
        QVERIFY(QFile::remove(journal) && QFile::rename(journal + ".new", journal));
        QCOMPARE(backups.Keep(journal.toStdString(), "2026-12-07"), std::string());
        QCOMPARE(ReadFile(kept), QByteArray("monday"));

        QVERIFY(WriteFile(dir.filePath("Backups/Journal-notes.cds"), "mine"));
        QVERIFY(WriteFile(dir.filePath("Backups/Settings-2026-01-01.cds"), "settings"));
        for (int day = 1; day <= 20; ++day) {
            const QString name = QString("2027-01-%1").arg(day, 2, 10, QChar('0'));
            QCOMPARE(backups.Keep(journal.toStdString(), name.toStdString()), std::string());
        }
        const std::vector<std::string> left = backups.List(journal.toStdString());
        QCOMPARE(left.size(), std::size_t(DailyBackups::kKept));
        QCOMPARE(QString::fromStdString(left.front()), QString("Journal-2027-01-07.cds"));
        QCOMPARE(QString::fromStdString(left.back()), QString("Journal-2027-01-20.cds"));
        QVERIFY(QFile::exists(dir.filePath("Backups/Journal-notes.cds")));
        QVERIFY(QFile::exists(dir.filePath("Backups/Settings-2026-01-01.cds")));
    }

    // Where the backups folder is on another file system a name cannot be shared: a copy.
    void aBackupAcrossFileSystemsIsACopy()
    {
        QTemporaryDir here;
        const QString elsewhere = "/dev/shm/quillmere-backups-" + QString::number(QCoreApplication::applicationPid());
        QDir().mkpath(elsewhere);
        const auto removeElsewhere = qScopeGuard([&] { QDir(elsewhere).removeRecursively(); });
        struct stat a{}, b{};
        if (::stat(here.path().toLocal8Bit().constData(), &a) != 0 ||
            ::stat(elsewhere.toLocal8Bit().constData(), &b) != 0 || a.st_dev == b.st_dev)
            QSKIP("no second file system to copy to");
        const QString journal = here.filePath("Journal.cds");
        QVERIFY(WriteFile(journal, QByteArray(200000, 'j')));
        const DailyBackups backups((elsewhere + "/Backups").toStdString());
        QCOMPARE(backups.Keep(journal.toStdString(), "2026-12-11"), std::string());
        QCOMPARE(ReadFile(elsewhere + "/Backups/Journal-2026-12-11.cds"), QByteArray(200000, 'j'));
        QCOMPARE(QDir(elsewhere + "/Backups").entryList(QDir::Files | QDir::Hidden).size(), 1);
    }

    void aBackupThatCannotBeMadeSaysWhy()
    {
        QTemporaryDir dir;
        QVERIFY(WriteFile(dir.filePath("Backups"), "a file where the folder should be"));
        QVERIFY(WriteFile(dir.filePath("Journal.cds"), "j"));
        const DailyBackups backups(dir.filePath("Backups").toStdString());
        const std::string failure = backups.Keep(dir.filePath("Journal.cds").toStdString(), "2026-12-11");
        QVERIFY2(QString::fromStdString(failure).startsWith("Cannot create file " + dir.filePath("Backups/")),
                 failure.c_str());
    }

    // Only those whose process is gone; a name that is taken never makes a replacement fail.
    void unfinishedReplacements()
    {
        QTemporaryDir dir;
        const QString journal = dir.filePath("Journal.cds");
        QVERIFY(WriteFile(journal, "j"));
        QProcess gone;
        gone.start("true");
        QVERIFY(gone.waitForStarted());
        const qint64 gonePid = gone.processId();
        QVERIFY(gone.waitForFinished());
        const QString goneFile = QString(".Journal.cds.new-%1-0").arg(gonePid);
        const QString runningFile = QString(".Journal.cds.new-%1-0").arg(::getppid());
        for (const QString& name : {goneFile, runningFile, QString(".Settings.cds.new-4242-0")})
            QVERIFY(WriteFile(dir.filePath(name), "half"));
        for (int n = 0; n < 200; ++n)
            QVERIFY(WriteFile(dir.filePath(QString(".Journal.cds.new-%1-%2").arg(::getpid()).arg(n)), "earlier run"));
        ReplaceFile(journal.toStdString(), {"new"});
        QCOMPARE(ReadFile(journal), QByteArray("new"));
        RemoveUnfinishedReplacements(journal.toStdString());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 (QStringList{runningFile, ".Settings.cds.new-4242-0", "Journal.cds"}));
    }

    // A journal that is a symbolic link: its target is replaced, in the target's folder, the
    // link stays, and the backup holds the old target (not a second link to the live file).
    void aLinkedFileIsReplacedWhereItPoints()
    {
        QTemporaryDir here, synced;
        const QString target = synced.filePath("Journal.cds");
        QVERIFY(WriteFile(target, "old"));
        const QString link = here.filePath("Journal.cds");
        QVERIFY(QFile::link("../" + QDir(here.path() + "/..").relativeFilePath(target), link));
        QCOMPARE(ReadFile(link), QByteArray("old"));
        const DailyBackups backups(here.filePath("Backups").toStdString());
        ReplaceSteps steps;
        steps.beforeReplace = [&](const std::string& oldFile) { backups.Keep(oldFile, "2026-12-11"); };
        ReplaceFile(link.toStdString(), {"new"}, steps);
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(ReadFile(target), QByteArray("new"));
        QCOMPARE(ReadFile(here.filePath("Backups/Journal-2026-12-11.cds")), QByteArray("old"));
        QVERIFY(!QFileInfo(here.filePath("Backups/Journal-2026-12-11.cds")).isSymLink());
        QCOMPARE(QDir(here.path()).entryList(QDir::Files | QDir::Hidden | QDir::System), QStringList{"Journal.cds"});
        QCOMPARE(QDir(synced.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Journal.cds"});
    }

    void folderWritable()
    {
        QTemporaryDir dir;
        QCOMPARE(FolderWritable(dir.path().toStdString()), std::string());
        QVERIFY(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
        QCOMPARE(FolderWritable(dir.filePath("missing").toStdString()), std::string(std::strerror(ENOENT)));
        testing::SetReadOnlyFolders(true);
        QCOMPARE(FolderWritable(dir.path().toStdString()), std::string(std::strerror(EACCES)));
        testing::SetReadOnlyFolders(false);
    }
};

QTEST_GUILESS_MAIN(TestRecovery)
#include "tst_recovery.moc"
