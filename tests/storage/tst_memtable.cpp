// The table engine: states, positioning, posting, failures, data binding, and the file
// that Close leaves behind.
#include "tables.h"

#include "storage/datetime.h"
#include "storage/errors.h"
#include "storage/fileio.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <unistd.h>

using namespace quill;

namespace {

QString Failure(const std::function<void()>& action)
{
    try {
        action();
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    }
    return QStringLiteral("(no failure)");
}

std::string Body(Field& blob)
{
    MemoryStream s;
    blob.SaveToStream(s);
    return s.bytes();
}

void AddEntry(JournalTable& j, double date, const std::string& body)
{
    j.table.Insert();
    j.JournalDate.SetAsDateTime(date);
    j.JournalEntry.LoadFromStream(MemoryStream(body));
    j.table.Post();
}

std::vector<std::string> BodiesInOrder(JournalTable& j)
{
    std::vector<std::string> bodies;
    for (j.table.First(); !j.table.Eof(); j.table.Next())
        bodies.push_back(Body(j.JournalEntry));
    return bodies;
}

// Records what the table asks of a bound editor.
struct RecordingLink : DataLink {
    std::vector<std::string> calls;
    std::function<void()> onUpdate;
    void UpdateRecord() override
    {
        calls.push_back("update");
        if (onUpdate)
            onUpdate();
    }
    void RecordChanged() override { calls.push_back("changed"); }
};

} // namespace

class TestMemTable : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        cleanup();
    }
    void cleanup()
    {
        testing::SetWriteLimit(std::nullopt);
        testing::SetReadOnlyFolders(false);
        testing::SetCorruptWrites(false);
        testing::SetFreeSpace(std::nullopt);
    }

    void createdTableWithoutPostLeavesNoFile()
    {
        {
            JournalTable j(path("Journal.cds"));
            OpenLikeTheProgram(j.table);
            QVERIFY(j.table.IsEmpty());
            QVERIFY(j.table.Bof() && j.table.Eof());
            j.table.Close();
        }
        QVERIFY(!QFile::exists(path("Journal.cds")));
    }

    // Opening and closing, or posting an edit that stores the same values, writes nothing;
    // loading the same bytes into a blob does.
    void closeWritesOnlyAfterAStoredChange()
    {
        QVERIFY(WriteFile(path("Journal.cds"), Sample("cds/journal-samples.cds")));
        testing::SetWriteLimit(0); // any write would now fail
        {
            JournalTable j(path("Journal.cds"));
            OpenLikeTheProgram(j.table);
            QVERIFY(j.table.FindKey(EncodeEntryDate({2021, 3, 14})));
            j.table.Edit();
            j.JournalDate.SetAsDateTime(EncodeEntryDate({2021, 3, 14}));
            j.table.Post();
            QCOMPARE(j.table.ChangeCount(), 0u);
            j.table.Close();
        }
        testing::SetWriteLimit(std::nullopt);
        QCOMPARE(ReadFile(path("Journal.cds")), Sample("cds/journal-samples.cds"));

        JournalTable j(path("Journal.cds"));
        OpenLikeTheProgram(j.table);
        QVERIFY(j.table.FindKey(EncodeEntryDate({2021, 3, 14})));
        const std::string same = Body(j.JournalEntry);
        j.table.Edit();
        j.JournalEntry.LoadFromStream(MemoryStream(same));
        j.table.Post();
        QCOMPARE(j.table.ChangeCount(), 1u);
        j.table.Close();
        // The rewrite leaves out the deleted row, so the file is now shorter.
        QVERIFY(ReadFile(path("Journal.cds")).size() < Sample("cds/journal-samples.cds").size());
    }

    // A scan visits the rows an open shows, with the fields reading each, and leaves the
    // table closed.
    void scanVisitsTheVisibleRows()
    {
        QVERIFY(WriteFile(path("Journal.cds"), Sample("cds/journal-samples.cds")));
        QStringList expected = QString::fromLatin1(Sample("cds/journal-samples.list")).split('\n', Qt::SkipEmptyParts);
        JournalTable j(path("Journal.cds"));
        QStringList scanned;
        j.table.Scan([&] {
            scanned << QString("%1\t%2").arg(QString::fromStdString(j.JournalDate.AsString())).arg(j.JournalEntry.BlobView().size());
            QCOMPARE(j.JournalEntry.BlobView().size(), j.JournalEntry.DataSize());
        });
        scanned.sort();
        expected.sort();
        QCOMPARE(scanned, expected);
        QVERIFY(!j.table.Active());
        QVERIFY(!j.JournalDate.IsBound());
        OpenLikeTheProgram(j.table); // and it opens as before
        QCOMPARE(j.table.RecordCount(), std::size_t(expected.size()));
        j.table.Close();
    }

    void closingInEditOrInsertDropsThePendingRow()
    {
        JournalTable j(path("Journal.cds"));
        OpenLikeTheProgram(j.table);
        j.table.Insert();
        j.JournalDate.SetAsDateTime(kDay20100908);
        j.table.Close();
        QCOMPARE(j.table.State(), TableState::Inactive);
        QVERIFY(!QFile::exists(path("Journal.cds")));
    }

    void editOnAnEmptyTableStartsAnInsert()
    {
        SettingsTable s(path("Settings.cds"));
        OpenLikeTheProgram(s.table);
        s.table.Edit();
        QCOMPARE(s.table.State(), TableState::Insert);
        QVERIFY(!s.table.IsEmpty());
        s.table.Cancel();
        QVERIFY(s.table.IsEmpty());
    }

    void positioning()
    {
        JournalTable j(path("Journal.cds"));
        OpenLikeTheProgram(j.table);
        j.table.First();
        QVERIFY(j.table.Eof() && j.table.Bof());

        AddEntry(j, 3, "c");
        AddEntry(j, 1, "a");
        AddEntry(j, 2, "b");
        j.table.First();
        QVERIFY(j.table.Bof() && !j.table.Eof());
        QCOMPARE(Body(j.JournalEntry), std::string("a"));
        j.table.Last();
        QVERIFY(j.table.Eof());
        QCOMPARE(Body(j.JournalEntry), std::string("c"));
        j.table.Next();
        QVERIFY(j.table.Eof());
        QCOMPARE(Body(j.JournalEntry), std::string("c"));

        j.table.First();
        j.table.Next();
        j.table.Next();
        QVERIFY(!j.table.Eof());
        j.table.Next(); // on the last row: EOF, the row stays current
        QVERIFY(j.table.Eof());
        QCOMPARE(Body(j.JournalEntry), std::string("c"));
    }

    // Rows are ordered by date, equal dates in the order they were posted; the file keeps the
    // order in which rows were read and then inserted.
    void viewOrderAndFileOrder()
    {
        QVERIFY(WriteFile(path("Journal.cds"), Sample("cds/journal-samples.cds")));
        {
            JournalTable j(path("Journal.cds"));
            OpenLikeTheProgram(j.table);
            QCOMPARE(j.table.RecordCount(), std::size_t(8));
            QCOMPARE(j.table.StoredRowCount(), std::size_t(9));
            double previous = -1e9;
            for (j.table.First(); !j.table.Eof(); j.table.Next()) {
                QVERIFY(j.JournalDate.AsDateTime() >= previous);
                previous = j.JournalDate.AsDateTime();
            }
            AddEntry(j, EncodeEntryDate({2019, 12, 31}), "second of the day");
            AddEntry(j, EncodeEntryDate({2019, 12, 31}), "third of the day");
            AddEntry(j, EncodeEntryDate({2000, 1, 1}), "earliest");
            QVERIFY(j.table.FindKey(EncodeEntryDate({2019, 12, 31})));
            j.table.Next();
            QCOMPARE(Body(j.JournalEntry), std::string("second of the day"));
            j.table.Next();
            QCOMPARE(Body(j.JournalEntry), std::string("third of the day"));
            j.table.First();
            QCOMPARE(Body(j.JournalEntry), std::string("earliest"));
            j.table.Close();
        }
        const Packet packet = ReadPacket(Bytes(ReadFile(path("Journal.cds")).toStdString()));
        QCOMPARE(packet.rows.size(), std::size_t(11));
        QCOMPARE(packet.rows[0].values[0].bytes, ReadPacket(Bytes(Sample("cds/journal-samples.cds").toStdString())).rows[0].values[0].bytes);
        QCOMPARE(packet.rows[8].values[1].bytes.str(), std::string("second of the day"));
        QCOMPARE(packet.rows[10].values[1].bytes.str(), std::string("earliest"));
    }

    void findKeyIsExact()
    {
        JournalTable j(path("Journal.cds"));
        OpenLikeTheProgram(j.table);
        AddEntry(j, kDay20100908 + 0.5, "noon");
        AddEntry(j, kDay20100908 + 1, "next day");
        j.table.First();
        QVERIFY(!j.table.FindKey(kDay20100908));
        QCOMPARE(Body(j.JournalEntry), std::string("noon")); // unchanged position
        QVERIFY(j.table.FindKey(kDay20100908 + 0.5));
        QVERIFY(j.table.FindKey(kDay20100908 + 1));
        QCOMPARE(Body(j.JournalEntry), std::string("next day"));
        QVERIFY(!j.table.Bof() && !j.table.Eof());
    }

    // An edit that changes the key moves the row; Cancel returns to the row that was current.
    void editMovesRowAndCancelRestoresPosition()
    {
        JournalTable j(path("Journal.cds"));
        OpenLikeTheProgram(j.table);
        AddEntry(j, 1, "a");
        AddEntry(j, 2, "b");
        AddEntry(j, 3, "c");
        QVERIFY(j.table.FindKey(1));
        j.table.Edit();
        j.JournalDate.SetAsDateTime(5);
        j.table.Post();
        QCOMPARE(BodiesInOrder(j), (std::vector<std::string>{"b", "c", "a"}));

        QVERIFY(j.table.FindKey(3));
        j.table.Insert();
        j.JournalDate.SetAsDateTime(9);
        j.table.Cancel();
        QCOMPARE(Body(j.JournalEntry), std::string("c"));
        QCOMPARE(j.table.RecordCount(), std::size_t(3));
    }

    // Moving on while a row is pending stores it when it was modified, drops it otherwise.
    void settleStepPostsOrCancels()
    {
        JournalTable j(path("Journal.cds"));
        OpenLikeTheProgram(j.table);
        j.table.Insert();
        j.JournalDate.SetAsDateTime(1);
        j.table.First();
        QCOMPARE(j.table.RecordCount(), std::size_t(1));
        QCOMPARE(j.table.State(), TableState::Browse);
        j.table.Insert();
        j.table.Last();
        QCOMPARE(j.table.RecordCount(), std::size_t(1));
    }

    void values()
    {
        SettingsTable s(path("Settings.cds"));
        OpenLikeTheProgram(s.table);
        s.table.Insert();
        QVERIFY(s.Password.IsNull());
        s.Password.SetAsString("abc  ");
        QCOMPARE(s.Password.AsString(), std::string("abc"));
        s.Password.SetAsString("abcdefghijklmnopqrstuvwxy");
        QCOMPARE(s.Password.AsString(), std::string("abcdefghijklmnopqrst"));
        s.FontSize.SetAsInteger(-12);
        QCOMPARE(s.FontSize.AsInteger(), -12);
        QCOMPARE(s.FontColor.AsInteger(), 0);
        s.table.Post();

        JournalTable j(path("Journal.cds"));
        OpenLikeTheProgram(j.table);
        j.table.Insert();
        j.JournalDate.SetAsDateTime(1);
        j.JournalEntry.LoadFromStream(MemoryStream("x"));
        MemoryStream empty;
        j.JournalEntry.LoadFromStream(empty);
        QVERIFY(j.JournalEntry.IsNull());
        MemoryStream out("kept");
        out.seek(4);
        j.JournalEntry.SaveToStream(out);
        QCOMPARE(out.bytes(), std::string("kept"));
        // A stream is loaded whole, whatever its position.
        MemoryStream body("{\\rtf1}");
        body.seek(3);
        j.JournalEntry.LoadFromStream(body);
        QCOMPARE(Body(j.JournalEntry), std::string("{\\rtf1}"));
    }

    void dateTimeConversion_data()
    {
        QTest::addColumn<double>("date");
        QTest::addColumn<double>("stored");
        QTest::newRow("2010-09-08") << kDay20100908 << 63419587200000.0;
        QTest::newRow("1899-12-30") << 0.0 << 59926521600000.0;
        QTest::newRow("half a millisecond rounds to even, up") << 1.0 / 2048 << 59926521600000.0 + 42188;
        QTest::newRow("half a millisecond rounds to even, down") << 3.0 / 2048 << 59926521600000.0 + 126562;
        QTest::newRow("0001-01-01") << -693593.0 << 86400000.0;
    }
    void dateTimeConversion()
    {
        QFETCH(double, date);
        QFETCH(double, stored);
        QCOMPARE(DateTimeToStoredMs(date), stored);
        QCOMPARE(StoredMsToDateTime(DateTimeToStoredMs(date)) * 86400000, std::nearbyint(date * 86400000));
    }

    void failures_data()
    {
        QTest::addColumn<QString>("expected");
        QTest::addColumn<std::function<void(JournalTable&)>>("action");
        using Action = std::function<void(JournalTable&)>;
        QTest::newRow("create on an open table") << "tblJournal: Cannot perform this operation on an open dataset"
                                                 << Action([](JournalTable& j) { j.table.CreateTable(); });
        QTest::newRow("post in browse") << "tblJournal: Dataset not in edit or insert mode"
                                        << Action([](JournalTable& j) { j.table.Post(); });
        QTest::newRow("set in browse") << "tblJournal: Dataset not in edit or insert mode"
                                       << Action([](JournalTable& j) { j.JournalDate.SetAsDateTime(1); });
        QTest::newRow("no index") << "tblJournal: No index currently active" << Action([](JournalTable& j) {
            j.table.SetIndexFieldNames("");
            j.table.FindKey(1);
        });
        QTest::newRow("date before year 1") << "'0.0' is not a valid timestamp" << Action([](JournalTable& j) {
            j.table.Insert();
            j.JournalDate.SetAsDateTime(-693594);
        });
        QTest::newRow("date before year 1 with a time") << "'0.43200000' is not a valid timestamp" << Action([](JournalTable& j) {
            j.table.Insert();
            j.JournalDate.SetAsDateTime(-693594.5);
        });
        QTest::newRow("first on a closed table") << "tblJournal: Cannot perform this operation on a closed dataset"
                                                 << Action([](JournalTable& j) {
                                                        j.table.Close();
                                                        j.table.First();
                                                    });
    }
    void failures()
    {
        QFETCH(QString, expected);
        QFETCH(std::function<void(JournalTable&)>, action);
        JournalTable j(path("Journal.cds"));
        OpenLikeTheProgram(j.table);
        QCOMPARE(Failure([&] { action(j); }), expected);
    }

    void definitionFailures()
    {
        MemTable none("tblNone");
        QCOMPARE(Failure([&] { none.CreateTable(); }), QString("No fields defined.  Cannot create dataset"));
        MemTable longName("tblLong");
        longName.AddField(std::string(32, 'n'), FieldType::Integer);
        QCOMPARE(Failure([&] { longName.CreateTable(); }), "Fieldname " + QString(32, 'n') + " exceeds 31 chars");
        QCOMPARE(StoredMsToDateTime(86400000.0), -693593.0);
        QCOMPARE(Failure([] { StoredMsToDateTime(0); }), QString("'0.0' is not a valid timestamp"));
        QCOMPARE(Failure([] { StoredMsToDateTime(-1); }), QString("'0.-1' is not a valid timestamp"));
    }

    void openFailures_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("expected");
        const QByteArray settings = Sample("cds/settings-empty.cds");
        QTest::newRow("empty file") << QByteArray() << "tblJournal: Missing data provider or data packet";
        QTest::newRow("not a packet") << QByteArray("{\\rtf1}") << "Invalid data packet (0x4005)";
        QTest::newRow("a settings file") << settings << "tblJournal: Field 'JournalDate' not found";
        QByteArray wrongType = Sample("cds/journal-empty.cds");
        wrongType[38] = 0x09; // JournalDate as a 8-byte fixed string
        QTest::newRow("wrong column type") << wrongType
                                           << "tblJournal: Type mismatch for field 'JournalDate', expecting: DateTime actual: FixedChar";
    }
    // A failed open leaves the table closed and the file as it was.
    void openFailures()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, expected);
        QVERIFY(WriteFile(path("Journal.cds"), file));
        {
            JournalTable j(path("Journal.cds"));
            QCOMPARE(Failure([&] { j.table.Open(); }), expected);
            QCOMPARE(Failure([&] { j.table.Scan([] {}); }), expected);
            QVERIFY(j.table.IsEmpty());
            QVERIFY(!j.table.Active());
            QCOMPARE(Failure([&] { j.table.First(); }), QString("tblJournal: Cannot perform this operation on a closed dataset"));
            j.table.Close();
        }
        QCOMPARE(ReadFile(path("Journal.cds")), file);
    }

    void missingFile()
    {
        JournalTable j(path("Journal.cds"));
        QCOMPARE(Failure([&] { j.table.Open(); }), QString("tblJournal: Missing data provider or data packet"));
        QCOMPARE(Failure([&] { j.table.Scan([] {}); }), QString("tblJournal: Missing data provider or data packet"));
        QVERIFY(!QFile::exists(path("Journal.cds")));
    }

    void unreadableFile()
    {
        if (::geteuid() == 0)
            QSKIP("file permissions do not bind the superuser");
        QVERIFY(WriteFile(path("Journal.cds"), Sample("cds/journal-one-entry.cds")));
        QFile::setPermissions(path("Journal.cds"), QFileDevice::WriteOwner);
        JournalTable j(path("Journal.cds"));
        QCOMPARE(Failure([&] { j.table.Open(); }), "Cannot open file " + path("Journal.cds"));
    }

    // A write that fails leaves the old file whole and no stray file behind; the failure
    // reaches the caller of Close and the table is closed.
    void failedWriteKeepsTheOldFile_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<QString>("reason"); // after the failure and a blank line
        QTest::newRow("full disk") << 0 << "No space left on device.";
        QTest::newRow("read-only folder") << 1 << "Permission denied.";
        QTest::newRow("read-only file") << 2 << "Permission denied.";
        QTest::newRow("a byte stored wrong") << 3
            << "Row 9 of the new file read back differently from what was written. The old file is kept as it was.";
        QTest::newRow("too little free space") << 4
            << "The disk has 300 kB free and the new file needs 2.3 MB. The old file is kept as it was.";
    }
    void failedWriteKeepsTheOldFile()
    {
        QFETCH(int, fault);
        QFETCH(QString, reason);
        const QByteArray original = Sample("cds/journal-samples.cds");
        QVERIFY(WriteFile(path("Journal.cds"), original));
        JournalTable j(path("Journal.cds"));
        OpenLikeTheProgram(j.table);
        const std::size_t bodySize = fault == 3 ? 100000 : 2300000;
        AddEntry(j, EncodeEntryDate({2024, 2, 29}), std::string(bodySize, 'x'));
        bool backupAsked = false;
        j.table.SetBeforeReplace([&](const std::string&) { backupAsked = true; });
        if (fault == 0)
            testing::SetWriteLimit(50000);
        else if (fault == 1)
            testing::SetReadOnlyFolders(true);
        else if (fault == 3)
            testing::SetCorruptWrites(true);
        else if (fault == 4)
            testing::SetFreeSpace(300000);
        else if (::geteuid() == 0)
            QSKIP("file permissions do not bind the superuser");
        else
            QFile::setPermissions(path("Journal.cds"), QFileDevice::ReadOwner);
        const QString failure = "Cannot create file " + path("Journal.cds");
        QCOMPARE(Failure([&] { j.table.Close(); }), failure + "\n\n" + reason);
        QVERIFY(!j.table.Active());
        QVERIFY(!backupAsked);
        QCOMPARE(ReadFile(path("Journal.cds")), original);
        QCOMPARE(QDir(dir_->path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Journal.cds"});
    }

    // A close reads its new file back before it takes the old one's place, and only then
    // runs the step before the replacement, on the old file.
    void closeChecksTheNewFileThenRunsTheStepBeforeReplacing()
    {
        QVERIFY(WriteFile(path("Journal.cds"), Sample("cds/journal-samples.cds")));
        JournalTable j(path("Journal.cds"));
        OpenLikeTheProgram(j.table);
        AddEntry(j, EncodeEntryDate({2024, 2, 29}), "new");
        QByteArray seen;
        j.table.SetBeforeReplace([&](const std::string& oldFile) {
            QCOMPARE(QString::fromStdString(oldFile), path("Journal.cds"));
            seen = ReadFile(path("Journal.cds"));
            // The new file is whole beside it by now.
            QCOMPARE(QDir(dir_->path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
        });
        j.table.Close();
        QCOMPARE(seen, Sample("cds/journal-samples.cds"));
        QCOMPARE(QDir(dir_->path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Journal.cds"});
    }

    void realReadOnlyFolder()
    {
        if (::geteuid() == 0)
            QSKIP("folder permissions do not bind the superuser; the fault seam covers it");
        QVERIFY(WriteFile(path("Journal.cds"), Sample("cds/journal-one-entry.cds")));
        JournalTable j(path("Journal.cds"));
        OpenLikeTheProgram(j.table);
        AddEntry(j, 1, "x");
        QFile::setPermissions(dir_->path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        const QString failure = Failure([&] { j.table.Close(); });
        QFile::setPermissions(dir_->path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QCOMPARE(failure, "Cannot create file " + path("Journal.cds") + "\n\nPermission denied.");
        QCOMPARE(ReadFile(path("Journal.cds")), Sample("cds/journal-one-entry.cds"));
    }

    // The bound editor stores its text before a post and before the settle step, and reads
    // again when the row, the state or a value changes.
    void dataBinding()
    {
        SettingsTable s(path("Settings.cds"));
        OpenLikeTheProgram(s.table);
        RecordingLink link;
        s.table.AttachDataLink(&link);
        link.onUpdate = [&] {
            if (s.table.State() == TableState::Insert && s.Password.IsNull())
                s.Password.SetAsString("typed");
        };
        s.table.Insert();
        QCOMPARE(link.calls, std::vector<std::string>{"changed"});
        link.calls.clear();
        s.table.First(); // settle: the editor stores its text, which makes the row modified
        QCOMPARE(link.calls.front(), std::string("update"));
        QCOMPARE(s.table.RecordCount(), std::size_t(1));
        QCOMPARE(s.Password.AsString(), std::string("typed"));

        link.calls.clear();
        s.table.Edit();
        s.FontSize.SetAsInteger(12);
        s.table.Post();
        QCOMPARE(link.calls, (std::vector<std::string>{"changed", "changed", "update", "changed"}));
        s.table.DetachDataLink(&link);
    }

private:
    QString path(const QString& name) const { return dir_->filePath(name); }
    std::unique_ptr<QTemporaryDir> dir_;
};

QTEST_APPLESS_MAIN(TestMemTable)
#include "tst_memtable.moc"
