// Fuzzes the table packet reader and the whole open path of both tables: whatever the
// bytes, reading fails cleanly or gives rows that can be walked, written and read back,
// and reading the file row by row agrees with reading it whole.
#include "storage/errors.h"
#include "storage/fileio.h"
#include "storage/memtable.h"
#include "storage/packet.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

using namespace quill;

namespace {

Bytes Exact(const std::uint8_t* data, std::size_t size)
{
    auto buffer = std::shared_ptr<char[]>(new char[size ? size : 1]);
    if (size)
        std::memcpy(buffer.get(), data, size);
    const char* p = buffer.get();
    return Bytes(std::shared_ptr<const void>(buffer, p), p, size);
}

void ReadWriteRead(const Bytes& data)
{
    Packet packet;
    try {
        packet = ReadPacket(data);
    } catch (const TableError&) {
        return;
    }
    std::vector<const Row*> rows;
    for (const Row& r : packet.rows)
        rows.push_back(&r);
    std::string written;
    try {
        written = WritePacket(packet.columns, packet.tableAttributes, rows).str();
    } catch (const PacketError&) {
        return; // a column the writer refuses, or a value too long for its prefix
    }
    const Packet again = ReadPacket(Bytes(written));
    if (again.rows.size() != packet.rows.size() || again.columns.size() != packet.columns.size())
        __builtin_trap();
}

const std::string& TempFile()
{
    static const std::string path = [] {
        char name[] = "/tmp/fuzz-packet-XXXXXX";
        const int fd = mkstemp(name);
        if (fd >= 0)
            close(fd);
        return std::string(name);
    }();
    return path;
}

// Reading the file row by row gives what reading it whole gives: the same failure, or
// the same rows.
void RowByRowAgrees(const Bytes& data)
{
    std::string whole;
    Packet packet;
    try {
        packet = ReadPacket(data);
    } catch (const TableError& e) {
        whole = e.what();
    }
    std::string streamed;
    std::size_t index = 0;
    try {
        PacketStream stream(TempFile());
        const bool compare = whole.empty(); // what comes before a failure is not compared
        if (compare && stream.columns().size() != packet.columns.size())
            __builtin_trap();
        Row row;
        for (; stream.Next(row); ++index) {
            if (compare && (index >= packet.rows.size() || row.status != packet.rows[index].status ||
                            row.values != packet.rows[index].values))
                __builtin_trap();
        }
    } catch (const TableError& e) {
        streamed = e.what();
    }
    if (streamed != whole || (whole.empty() && index != packet.rows.size()))
        __builtin_trap();
}

void OpenAndWalk(const std::uint8_t* data, std::size_t size)
{
    std::FILE* f = std::fopen(TempFile().c_str(), "wb");
    if (!f)
        return;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    RowByRowAgrees(Exact(data, size));

    MemTable journal("tblJournal");
    Field& date = journal.AddField("JournalDate", FieldType::DateTime);
    Field& entry = journal.AddField("JournalEntry", FieldType::Blob);
    journal.SetFileName(TempFile());
    journal.SetIndexFieldNames("JournalDate");
    try {
        journal.Open();
        journal.SetLogChanges(false);
        std::vector<double> dates;
        for (journal.First(); !journal.Eof(); journal.Next()) {
            try {
                dates.push_back(date.AsDateTime());
            } catch (const TableError&) {
            }
            MemoryStream body;
            entry.SaveToStream(body);
        }
        // Looked up after the walk: a lookup inside it would go back to the first of
        // several rows of one day, and the walk would never end.
        for (const double day : dates)
            journal.FindKey(day);
    } catch (const TableError&) {
    }
    journal.SetFileName({}); // never write the fuzz input back

    MemTable settings("tblPassword");
    Field& password = settings.AddField("Password", FieldType::String, 20);
    Field& size2 = settings.AddField("FontSize", FieldType::Integer);
    settings.SetFileName(TempFile());
    try {
        settings.Open();
        settings.First();
        (void)password.AsString();
        (void)size2.AsInteger();
        settings.Edit();
        password.SetAsString("secret");
        settings.Post();
    } catch (const TableError&) {
    }
    settings.SetFileName({});
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ReadWriteRead(Exact(data, size));
    OpenAndWalk(data, size);
    return 0;
}
