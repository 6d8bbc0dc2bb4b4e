// The recovery log's records, exact to the byte, read back through crashes and damage;
// and the journal lock.
#include "storage/recovery.h"

#include "tables.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace quill;


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
};

QTEST_GUILESS_MAIN(TestRecovery)
#include "tst_recovery.moc"
