// The table packet, byte for byte: what the program writes, what it reads, and what it
// refuses.
#include "tables.h"

#include "storage/errors.h"
#include "storage/fileio.h"
#include "storage/packet.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>

using namespace quill;

namespace {

// Bytes in a buffer of exactly their size, so that a read past the end is caught.
Bytes Exact(const QByteArray& data)
{
    auto buffer = std::shared_ptr<char[]>(new char[static_cast<std::size_t>(std::max<qsizetype>(data.size(), 1))]);
    std::memcpy(buffer.get(), data.constData(), static_cast<std::size_t>(data.size()));
    const char* p = buffer.get();
    return Bytes(std::shared_ptr<const void>(buffer, buffer.get()), p, static_cast<std::size_t>(data.size()));
}

QByteArray Written(const Packet& packet, bool allRows = false)
{
    std::vector<const Row*> rows;
    for (const Row& row : packet.rows)
        if (allRows || row.visible())
            rows.push_back(&row);
    const std::string bytes = WritePacket(packet.columns, packet.tableAttributes, rows).str();
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// Builds packets by hand, little-endian.
struct PacketBuilder {
    QByteArray bytes;
    PacketBuilder& u8(int v) { bytes.append(static_cast<char>(v)); return *this; }
    PacketBuilder& u16(int v) { return u8(v & 0xFF).u8((v >> 8) & 0xFF); }
    PacketBuilder& u32(quint32 v) { return u16(static_cast<int>(v & 0xFFFF)).u16(static_cast<int>(v >> 16)); }
    PacketBuilder& raw(const QByteArray& b) { bytes.append(b); return *this; }
    PacketBuilder& name(const QByteArray& n) { return u8(static_cast<int>(n.size())).raw(n); }
    PacketBuilder& header(int columns, quint32 rows, quint32 flags = 1)
    {
        return u32(0xBDE01996).u16(1).u16(0).u32(24).u16(columns).u32(rows).u32(flags).u16(0);
    }
};

QByteArray WithByte(QByteArray data, int offset, char value)
{
    data[offset] = value;
    return data;
}

// Copies a row so that it outlives the window it was read from.
Row Owned(const Row& row)
{
    Row copy;
    copy.status = row.status;
    for (const Value& v : row.values)
        copy.values.push_back(Value{v.nullBits, Bytes(v.bytes.str())});
    return copy;
}

// Reads a packet file row by row, as a one-pass reader does, into a whole packet.
Packet Streamed(const QString& path)
{
    PacketStream stream(path.toStdString());
    Packet packet;
    packet.columns = stream.columns();
    packet.tableAttributes = stream.tableAttributes();
    Row row;
    while (stream.Next(row))
        packet.rows.push_back(Owned(row));
    return packet;
}

// The status the row-by-row reader fails with on `data` in a file; 0 when it reads it.
quint16 StreamStatus(const QByteArray& data, const QString& path)
{
    if (!WriteFile(path, data))
        return 0xFFFF;
    try {
        Streamed(path);
    } catch (const PacketError& e) {
        return static_cast<quint16>(e.status());
    }
    return 0;
}

quint16 Status(const QByteArray& data)
{
    try {
        ReadPacket(Exact(data));
    } catch (const PacketError& e) {
        return static_cast<quint16>(e.status());
    }
    return 0;
}

} // namespace

class TestPacket : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { QVERIFY(dir_.isValid()); }

    // The metadata of both tables never changes: every file starts with these bytes.
    void emptyTablesAreTheKnownBytes_data()
    {
        QTest::addColumn<bool>("settings");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("Settings.cds, 119 bytes")
            << true
            << Hex("96 19 E0 BD 01 00 00 00 18 00 00 00 04 00 00 00 00 00 03 00 00 00 77 00"
                   "08 50 61 73 73 77 6F 72 64 01 00 49 00 00 00 01 00 05 57 49 44 54 48 02 00 02 00 14 00"
                   "08 46 6F 6E 74 4E 61 6D 65 01 00 49 00 00 00 01 00 05 57 49 44 54 48 02 00 02 00 32 00"
                   "08 46 6F 6E 74 53 69 7A 65 04 00 01 00 00 00 00 00"
                   "09 46 6F 6E 74 43 6F 6C 6F 72 04 00 01 00 00 00 00 00"
                   "00 00");
        QTest::newRow("Journal.cds, 88 bytes")
            << false
            << Hex("96 19 E0 BD 01 00 00 00 18 00 00 00 02 00 00 00 00 00 03 00 00 00 58 00"
                   "0B 4A 6F 75 72 6E 61 6C 44 61 74 65 08 00 08 00 00 00 00 00"
                   "0C 4A 6F 75 72 6E 61 6C 45 6E 74 72 79 04 00 4B 00 00 00 01 00"
                   "07 53 55 42 54 59 50 45 02 00 49 00 07 00 42 69 6E 61 72 79 00"
                   "00 00");
    }
    void emptyTablesAreTheKnownBytes()
    {
        QFETCH(bool, settings);
        QFETCH(QByteArray, expected);
        const QString path = dir_.filePath("t.cds");
        std::unique_ptr<SettingsTable> s;
        std::unique_ptr<JournalTable> j;
        MemTable* table;
        if (settings) {
            s = std::make_unique<SettingsTable>(path);
            table = &s->table;
        } else {
            j = std::make_unique<JournalTable>(path);
            table = &j->table;
        }
        table->CreateTable();
        const std::string bytes = WritePacket(table->Columns(), {}, {}).str();
        QCOMPARE(QByteArray::fromStdString(bytes), expected);
        QCOMPARE(expected, Sample(settings ? "cds/settings-empty.cds" : "cds/journal-empty.cds"));
    }

    // The settings row the settings window posts: an untouched password stays unassigned,
    // an empty one typed in is stored as an empty text.
    void settingsRowBytes_data()
    {
        QTest::addColumn<bool>("assignEmptyPassword");
        QTest::addColumn<QByteArray>("row");
        QTest::newRow("password unassigned, 135 bytes") << false << Hex("00 02 05 41 72 69 61 6C 0B 00 00 00 00 00 00 00");
        QTest::newRow("empty password, 137 bytes") << true << Hex("00 00 01 00 05 41 72 69 61 6C 0B 00 00 00 00 00 00 00");
    }
    void settingsRowBytes()
    {
        QFETCH(bool, assignEmptyPassword);
        QFETCH(QByteArray, row);
        const QString path = dir_.filePath(QString("Settings-%1.cds").arg(assignEmptyPassword));
        {
            SettingsTable s(path);
            OpenLikeTheProgram(s.table);
            s.table.Insert();
            if (assignEmptyPassword)
                s.Password.SetAsString("");
            s.FontName.SetAsString("Arial");
            s.FontSize.SetAsInteger(11);
            s.FontColor.SetAsInteger(0);
            s.table.Post();
            s.table.Close();
        }
        QByteArray expected = WithByte(Sample("cds/settings-empty.cds"), 14, 1) + row;
        QCOMPARE(ReadFile(path), expected);
        if (!assignEmptyPassword)
            QCOMPARE(ReadFile(path), Sample("cds/settings-arial-11.cds"));

        SettingsTable again(path);
        OpenLikeTheProgram(again.table);
        QCOMPARE(again.Password.AsString(), std::string());
        QCOMPARE(again.FontName.AsString(), std::string("Arial"));
        QCOMPARE(again.FontSize.AsInteger(), 11);
    }

    void oneJournalEntryIsTheKnownBytes()
    {
        const QString path = dir_.filePath("Journal.cds");
        {
            JournalTable j(path);
            OpenLikeTheProgram(j.table);
            j.table.Insert();
            j.JournalDate.SetAsDateTime(kDay20100908);
            j.JournalEntry.LoadFromStream(MemoryStream("{\\rtf1}"));
            j.table.Post();
            j.table.Close();
        }
        const QByteArray expected = WithByte(Sample("cds/journal-empty.cds"), 14, 1) +
                                    Hex("00 00 00 00 C2 FB 02 D7 CC 42 07 00 00 00") + "{\\rtf1}";
        QCOMPARE(ReadFile(path), expected);
        QCOMPARE(expected, Sample("cds/journal-one-entry.cds"));
    }

    // Files written by the earlier program come back byte for byte when nothing is left out.
    void samplesRoundTrip_data()
    {
        QTest::addColumn<QString>("file");
        for (const char* f : {"journal-empty.cds", "journal-one-entry.cds", "settings-arial-11.cds", "settings-empty.cds"})
            QTest::newRow(f) << QString::fromLatin1(f);
    }
    void samplesRoundTrip()
    {
        QFETCH(QString, file);
        const QByteArray data = Sample("cds/" + file);
        QCOMPARE(Written(ReadPacket(Exact(data))), data);
    }

    // A deleted row (status 0x02) is stored but not visible, and left out when the table is
    // written again; the other rows keep their order and bytes.
    void invisibleRowsAreLeftOutWhenWritten()
    {
        const QByteArray data = Sample("cds/journal-samples.cds");
        const Packet packet = ReadPacket(Exact(data));
        QCOMPARE(packet.rows.size(), std::size_t(9));
        const auto invisible = std::count_if(packet.rows.begin(), packet.rows.end(), [](const Row& r) { return !r.visible(); });
        QCOMPARE(invisible, 1);
        // Its body was stored with length 0, which reads as a cleared value.
        QCOMPARE(packet.rows[4].status, std::uint8_t(kStatusDeleted));
        QCOMPARE(packet.rows[4].values[1].nullBits, std::uint8_t(kCleared));

        const Packet again = ReadPacket(Exact(Written(packet)));
        QCOMPARE(again.rows.size(), std::size_t(8));
        std::vector<Row> visible;
        std::copy_if(packet.rows.begin(), packet.rows.end(), std::back_inserter(visible), [](const Row& r) { return r.visible(); });
        for (std::size_t i = 0; i < visible.size(); ++i)
            QVERIFY(again.rows[i].values == visible[i].values);
    }

    void rejectedPackets_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("status");
        const QByteArray journal = Sample("cds/journal-empty.cds");
        QTest::newRow("text") << QByteArray("Dear diary") << 0x4005;
        QTest::newRow("XML form") << QByteArray("  \r\n<?xml version=\"1.0\"?><DATAPACKET Version=\"2.0\"/>") << 0x4005;
        QTest::newRow("version word 1 is 4") << WithByte(journal, 4, 4) << 0x4005;
        QTest::newRow("version word 2 is 4") << WithByte(journal, 6, 4) << 0x4005;
        QTest::newRow("no column descriptors") << WithByte(journal, 18, 2) << 0x4003;
        QTest::newRow("no column") << PacketBuilder().header(0, 0).u16(0).bytes << 0x4005;
        QTest::newRow("array column") << WithByte(journal, 38, 0x88) << 0x2710;
        QTest::newRow("composite column") << WithByte(journal, 38, 0x0C) << 0x2710;
        QTest::newRow("unknown base type") << WithByte(journal, 38, 0x30) << 0x2710;
        QTest::newRow("composite flag") << WithByte(journal, 39, 0x01) << 0x2710;
        QTest::newRow("rows announced, none there") << WithByte(journal, 14, 1) << 0x4005;
        QTest::newRow("four billion rows in a short file") << WithByte(WithByte(journal, 17, '\xFF'), 14, '\xFF') << 0x4005;
        QTest::newRow("header offset past the end") << WithByte(journal, 9, 0x40) << 0x4005;
    }
    void rejectedPackets()
    {
        QFETCH(QByteArray, data);
        QFETCH(int, status);
        QCOMPARE(Status(data), status);
        QCOMPARE(StreamStatus(data, path("packet.cds")), status);
    }

    void statusCodeIsShownInTheText()
    {
        try {
            ReadPacket(Exact("not a packet"));
            QFAIL("accepted");
        } catch (const PacketError& e) {
            QCOMPARE(QString(e.what()), QString("Invalid data packet (0x4005)"));
        }
    }

    // Every packet cut short fails: none is read past its end (the sanitizers watch).
    void truncatedPacketsFail()
    {
        for (const char* file : {"cds/journal-samples.cds", "cds/settings-arial-11.cds", "cds/journal-one-entry.cds"}) {
            const QByteArray data = Sample(file);
            for (qsizetype length = 0; length < data.size(); ++length) {
                const quint16 status = Status(data.left(length));
                const quint16 streamed = StreamStatus(data.left(length), path("cut.cds"));
                if (status != 0x4005 || streamed != 0x4005)
                    QFAIL(qPrintable(QString("%1 cut at %2 gave %3, read row by row %4")
                                         .arg(file).arg(length).arg(status, 0, 16).arg(streamed, 0, 16)));
            }
        }
    }

    // Read row by row from its file, a packet gives what reading it whole gives, also when
    // its header or a row is longer than the reader's window.
    void rowByRowReadsWhatTheWholeReadReads_data()
    {
        QTest::addColumn<QByteArray>("data");
        for (const char* f : {"journal-empty.cds", "journal-one-entry.cds", "journal-samples.cds", "settings-arial-11.cds"})
            QTest::newRow(f) << Sample(QString("cds/") + f);

        Packet large = ReadPacket(Exact(Sample("cds/journal-samples.cds")));
        std::vector<Row> rows = large.rows;
        for (const std::size_t size : {std::size_t(300'000), std::size_t(7), std::size_t(1'500'000), std::size_t(40'000)}) {
            Row row = rows[1];
            row.values[1] = Value{kNotNull, Bytes(std::string(size, static_cast<char>('a' + size % 26)))};
            rows.push_back(row);
        }
        large.rows = rows;
        for (int copy = 0; copy < 40; ++copy)
            large.rows.insert(large.rows.end(), rows.begin(), rows.end());
        QTest::newRow("rows longer than the window") << Written(large, true);

        Packet header = ReadPacket(Exact(Sample("cds/journal-samples.cds")));
        header.tableAttributes.push_back(Attribute{"NOTE", 0x00490004, Bytes(std::string("\xE0\x93\x04\x00", 4) + std::string(300'000, 'n'))});
        QTest::newRow("header longer than the window") << Written(header, true);
    }
    void rowByRowReadsWhatTheWholeReadReads()
    {
        QFETCH(QByteArray, data);
        QVERIFY(WriteFile(path("packet.cds"), data));
        QCOMPARE(Written(Streamed(path("packet.cds")), true), Written(ReadPacket(Exact(data)), true));
    }

    // A file that fails to read as a packet leaves no file descriptor open.
    void rowByRowReadOfABadFileClosesIt()
    {
        QVERIFY(WriteFile(path("bad.cds"), "not a packet"));
        const auto openFiles = [] { return QDir("/proc/self/fd").entryList(QDir::Files | QDir::System).size(); };
        const qsizetype before = openFiles();
        QCOMPARE(StreamStatus("not a packet", path("bad.cds")), quint16(0x4005));
        QCOMPARE(openFiles(), before);
    }

    void rowByRowReadOfAMissingFile()
    {
        try {
            Streamed(path("none.cds"));
            QFAIL("read");
        } catch (const TableError& e) {
            QCOMPARE(QString(e.what()), "Cannot open file " + path("none.cds"));
        }
    }

    void alternativeMagicSkipsTheVersionCheck()
    {
        QByteArray data = Sample("cds/journal-empty.cds");
        data.replace(0, 4, Hex("CD AB 00 00"));
        data[4] = 9;
        QCOMPARE(Status(data), quint16(0));
    }

    // Attributes the program does not know are carried; table attributes are written in
    // their fixed order, column attributes after the known ones.
    void carriedAttributesAreWrittenBackInOrder()
    {
        PacketBuilder in;
        in.header(1, 1);
        in.name("Note").u32(0x00490001).u16(0).u16(2);
        in.name("MINVALUE").u32(0x00010004).u32(7);
        in.name("WIDTH").u32(0x00020002).u16(10);
        in.u16(3);
        in.name("LCID").u32(0x00010004).u32(1033);
        in.name("CHANGE_LOG").u32(0x00820004).u32(0);
        in.name("DEFAULT_ORDER").u32(0x00820002).u32(1).u16(1);
        in.u8(0).u8(0).u8(2).raw("hi");

        const Packet packet = ReadPacket(Exact(in.bytes));
        QCOMPARE(packet.columns[0].width, std::uint16_t(10));
        QCOMPARE(packet.columns[0].attributes.size(), std::size_t(1));

        PacketBuilder out;
        out.header(1, 1, 3);
        out.name("Note").u32(0x00490001).u16(0).u16(2);
        out.name("WIDTH").u32(0x00020002).u16(10);
        out.name("MINVALUE").u32(0x00010004).u32(7);
        out.u16(3);
        out.name("DEFAULT_ORDER").u32(0x00820002).u32(1).u16(1);
        out.name("CHANGE_LOG").u32(0x00820004).u32(0);
        out.name("LCID").u32(0x00010004).u32(1033);
        const int rowOffset = static_cast<int>(out.bytes.size());
        out.bytes[22] = static_cast<char>(rowOffset);
        out.u8(0).u8(0).u8(2).raw("hi");
        QCOMPARE(Written(packet, true), out.bytes);
    }

    // Text longer than its column reads cut to the width; a width of 254 or more takes a
    // two-byte length prefix; an empty text is one zero byte; a blob of length 0 is null.
    void valueEncodings()
    {
        PacketBuilder in;
        in.header(2, 2);
        in.name("Short").u32(0x00490001).u16(0).u16(1).name("WIDTH").u32(0x00020002).u16(3);
        in.name("Body").u32(0x004B0004).u16(0).u16(0);
        in.u16(0);
        in.u8(0).u8(0).u8(6).raw("abcdef").u32(0);
        in.u8(0).u8(0).u8(1).u8(0).u32(2).raw("xy");
        const Packet packet = ReadPacket(Exact(in.bytes));
        QCOMPARE(packet.rows[0].values[0].bytes.str(), std::string("abc"));
        QCOMPARE(packet.rows[0].values[1].nullBits, std::uint8_t(kCleared));
        QCOMPARE(packet.rows[1].values[0].bytes.str(), std::string());
        QCOMPARE(packet.rows[1].values[0].nullBits, std::uint8_t(kNotNull));

        const QString path = dir_.filePath("wide.cds");
        MemTable table("tblWide");
        Field& text = table.AddField("Text", FieldType::String, 300);
        table.SetFileName(path.toStdString());
        table.CreateTable();
        table.Insert();
        text.SetAsString(std::string(280, 'w') + "  ");
        table.Post();
        table.Close();
        const QByteArray data = ReadFile(path);
        QCOMPARE(data.mid(24 + 5, 4), Hex("02 00 49 00"));
        QVERIFY(data.endsWith(Hex("00 00 18 01") + QByteArray(280, 'w')));
    }

    // With a change log, every stored row is written back in record order with its status,
    // and the log itself unchanged; an edit replaces the row's values in place.
    void changeLogIsCarried()
    {
        PacketBuilder in;
        in.header(1, 3);
        in.name("Note").u32(0x00490001).u16(0).u16(0);
        in.u16(1);
        in.name("CHANGE_LOG").u32(0x00820004).u32(6).u32(3).u32(2).u32(8).u32(1).u32(0).u32(4);
        in.u8(0x04).u8(0).u8(3).raw("new");
        in.u8(0x01).u8(0).u8(3).raw("old");
        in.u8(0x08).u8(0).u8(3).raw("mod");
        const QString path = dir_.filePath("log.cds");
        QVERIFY(WriteFile(path, in.bytes));

        MemTable table("tblLog");
        Field& note = table.DeclareField("Note", FieldType::String, 10);
        table.SetFileName(path.toStdString());
        table.Open();
        QCOMPARE(table.RecordCount(), std::size_t(2));
        QCOMPARE(note.AsString(), std::string("new"));
        table.Edit();
        note.SetAsString("NEW");
        table.Post();
        table.Close();

        QByteArray expected = in.bytes;
        expected[22] = static_cast<char>(expected.indexOf(QByteArray("\x04\x00\x03new", 6)));
        expected[18] = 3;
        expected.replace("new", "NEW");
        QCOMPARE(ReadFile(path), expected);
    }

    void metadataBeyond64KiBLeavesTheRowOffsetOut()
    {
        PacketBuilder in;
        in.header(1, 0);
        in.name("Big").u32(0x00490001).u16(0).u16(1).name("TABLENAME").u32(0x00490004).u32(70000).raw(QByteArray(70000, 'n'));
        in.u16(0);
        const QByteArray out = Written(ReadPacket(Exact(in.bytes)));
        QCOMPARE(out.mid(18, 6), Hex("01 00 00 00 00 00"));
        QCOMPARE(out.mid(24), in.bytes.mid(24));
    }

    void versionTwoForStructuredTypes()
    {
        Column c;
        c.name = "Stamp";
        c.type = 0x00110010; // SQL date-time record, 16 bytes
        const std::string out = WritePacket(std::vector<Column>{c}, {}, {}).str();
        QCOMPARE(out[4], '\x02');
    }

    void rowStateColumnCannotBeWritten()
    {
        Column c;
        c.name = "RowState";
        c.type = typecode::kInt32;
        try {
            WritePacket(std::vector<Column>{c}, {}, {});
            QFAIL("written");
        } catch (const PacketError& e) {
            QCOMPARE(int(e.status()), 0x2A04);
        }
    }

private:
    QString path(const QString& name) const { return dir_.filePath(name); }

    QTemporaryDir dir_;
};

QTEST_APPLESS_MAIN(TestPacket)
#include "tst_packet.moc"
