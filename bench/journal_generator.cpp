#include "journal_generator.h"

#include "storage/memtable.h"

#include <algorithm>
#include <array>
#include <ctime>
#include <filesystem>
#include <cstdio>
#include <random>
#include <string_view>
#include <vector>

namespace quill::bench {

namespace {

const char* const kWords[] = {
    "the", "morning", "walked", "garden", "coffee", "letter", "friend", "rain", "river", "quiet",
    "thought", "about", "evening", "children", "market", "bread", "train", "station", "light", "window",
    "long", "finally", "remember", "summer", "winter", "yesterday", "tomorrow", "work", "meeting", "book",
    "read", "wrote", "call", "mother", "father", "dinner", "music", "piano", "cold", "warm",
    "caf\\'e9", "na\\'efve", "r\\'e9sum\\'e9", "stra\\'dfe", "\\'93quoted\\'94", "don\\rquote t", "and", "with", "from", "into",
};

// CRC-32 of PNG chunks.
std::uint32_t Crc(const unsigned char* data, std::size_t size, std::uint32_t crc = 0)
{
    static const auto table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (std::size_t i = 0; i < size; ++i)
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

void Be32(std::string& out, std::uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out += static_cast<char>((v >> shift) & 0xFF);
}

void Chunk(std::string& png, const char* type, const std::string& data)
{
    Be32(png, static_cast<std::uint32_t>(data.size()));
    std::string body = std::string(type, 4) + data;
    png += body;
    Be32(png, Crc(reinterpret_cast<const unsigned char*>(body.data()), body.size()));
}

constexpr int kPictureWidth = 128;

int PictureHeight(int approximateBytes)
{
    return std::max(1, approximateBytes / (kPictureWidth * 3 + 1));
}

// A PNG of noise (which does not compress), stored in uncompressed deflate blocks.
std::string NoisePng(std::mt19937_64& rng, int approximateBytes)
{
    const int width = kPictureWidth;
    const int height = PictureHeight(approximateBytes);
    std::string raw;
    for (int y = 0; y < height; ++y) {
        raw += '\0'; // no filter
        for (int x = 0; x < width * 3; ++x)
            raw += static_cast<char>(rng() & 0xFF);
    }
    std::string z = "\x78\x01";
    for (std::size_t pos = 0; pos < raw.size(); pos += 65535) {
        const std::size_t n = std::min<std::size_t>(65535, raw.size() - pos);
        z += static_cast<char>(pos + n == raw.size() ? 1 : 0);
        z += static_cast<char>(n & 0xFF);
        z += static_cast<char>(n >> 8);
        z += static_cast<char>(~n & 0xFF);
        z += static_cast<char>((~n >> 8) & 0xFF);
        z.append(raw, pos, n);
    }
    std::uint32_t a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    Be32(z, (b << 16) | a);

    std::string png = "\x89PNG\r\n\x1a\n";
    std::string header;
    Be32(header, width);
    Be32(header, static_cast<std::uint32_t>(height));
    header += std::string("\x08\x02\x00\x00\x00", 5); // 8-bit RGB
    Chunk(png, "IHDR", header);
    Chunk(png, "IDAT", z);
    Chunk(png, "IEND", "");
    return png;
}

std::string Sentence(std::mt19937_64& rng)
{
    std::uniform_int_distribution<int> length(6, 18);
    std::uniform_int_distribution<std::size_t> word(0, std::size(kWords) - 1);
    std::uniform_int_distribution<int> style(0, 30);
    std::string s;
    const int n = length(rng);
    for (int i = 0; i < n; ++i) {
        std::string w = kWords[word(rng)];
        if (i == 0)
            w[0] = static_cast<char>(w[0] >= 'a' && w[0] <= 'z' ? w[0] - 32 : w[0]);
        const int st = style(rng);
        if (st == 0)
            w = "\\b " + w + "\\b0";
        else if (st == 1)
            w = "\\i " + w + "\\i0";
        else if (st == 2)
            w = "\\ul " + w + "\\ulnone";
        else if (st == 3)
            w = "\\cf1 " + w + "\\cf0";
        s += (i ? " " : "") + w;
    }
    return s + ".";
}

} // namespace

std::string GenerateBody(std::uint64_t seed, bool withPicture, int pictureBytes)
{
    std::mt19937_64 rng(seed);
    std::string rtf =
        "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}"
        "{\\f1\\froman\\fcharset0 Times New Roman;}{\\f2\\fnil\\fcharset2 Symbol;}}\r\n"
        "{\\colortbl ;\\red0\\green0\\blue255;\\red255\\green255\\blue0;}\r\n"
        "\\viewkind4\\uc1\\pard\\f0\\fs22 ";
    std::uniform_int_distribution<int> kind(0, 9);
    while (rtf.size() < 4800) {
        const int k = kind(rng);
        if (k == 0) {
            rtf += "\\pard{\\pntext\\f2\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf2\\pnindent0{\\pntxtb\\'B7}}\\fi-200\\li200 " +
                   Sentence(rng) + "\\par\r\n\\pard ";
        } else if (k == 1) {
            rtf += "\\qc\\f1\\fs28 " + Sentence(rng) + "\\f0\\fs22\\par\r\n\\pard ";
        } else if (k == 2) {
            rtf += "See www.example.org/day" + std::to_string(rng() % 1000) + " and \\highlight2 " + Sentence(rng) +
                   "\\highlight0\\par\r\n";
        } else {
            rtf += Sentence(rng) + " " + Sentence(rng) + "\\par\r\n";
        }
    }
    if (withPicture) {
        const std::string png = NoisePng(rng, pictureBytes);
        static const char hex[] = "0123456789abcdef";
        const int height = PictureHeight(pictureBytes);
        rtf += "{\\pict\\pngblip\\picw" + std::to_string(kPictureWidth) + "\\pich" + std::to_string(height) +
               "\\picwgoal" + std::to_string(kPictureWidth * 15) + "\\pichgoal" + std::to_string(height * 15) + "\r\n";
        for (std::size_t i = 0; i < png.size(); ++i) {
            rtf += hex[static_cast<unsigned char>(png[i]) >> 4];
            rtf += hex[static_cast<unsigned char>(png[i]) & 15];
            if (i % 64 == 63)
                rtf += "\r\n";
        }
        rtf += "}\\par\r\n";
    }
    rtf += "}\r\n";
    return rtf;
}

void GenerateJournal(const std::string& path, const JournalShape& shape)
{
    std::remove(path.c_str());
    MemTable table("tblJournal");
    Field& date = table.AddField("JournalDate", FieldType::DateTime);
    Field& entry = table.AddField("JournalEntry", FieldType::Blob);
    table.SetFileName(path);
    table.SetIndexFieldNames("JournalDate");
    table.CreateTable();
    table.Open();
    table.SetLogChanges(false);

    // Mostly in date order; about one day in ten is written some weeks later.
    std::mt19937_64 rng(shape.seed);
    const double last = EncodeEntryDate(shape.lastDay);
    std::vector<std::pair<int, int>> order; // (position, day index)
    for (int d = 0; d < shape.days; ++d)
        order.emplace_back(rng() % 10 == 0 ? d + static_cast<int>(rng() % 60) : d, d);
    std::stable_sort(order.begin(), order.end());

    for (const auto& [position, d] : order) {
        (void)position;
        const bool picture = shape.pictureEvery > 0 && d % shape.pictureEvery == 0;
        table.Insert();
        date.SetAsDateTime(last - (shape.days - 1 - d));
        entry.LoadFromStream(MemoryStream(GenerateBody(shape.seed * 1000003u + static_cast<std::uint64_t>(d), picture,
                                                       shape.pictureBytes)));
        table.Post();
    }
    table.Close();
}

namespace {

// The text between the header of a generated body and its closing brace, and the header.
constexpr std::string_view kBodyStart = "\\viewkind4\\uc1";

std::string Inner(const std::string& body)
{
    const std::size_t start = body.find(kBodyStart) + kBodyStart.size();
    return body.substr(start, body.rfind('}') - start);
}

std::string Header(const std::string& body)
{
    return body.substr(0, body.find(kBodyStart) + kBodyStart.size());
}

} // namespace

std::string GenerateEntry(std::size_t bytes, int pictureBytes)
{
    std::string entry;
    for (std::uint64_t seed = 1; entry.size() < bytes; ++seed) {
        const std::string day = GenerateBody(seed, pictureBytes > 0, pictureBytes);
        entry += entry.empty() ? Header(day) + Inner(day) : Inner(day);
    }
    return entry + "}\r\n";
}

std::string TwentyYearJournalUntilToday(const std::string& folder)
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const CivilDate today{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
    char name[64];
    std::snprintf(name, sizeof name, "/journal-20y-until-%04d-%02d-%02d.cds", today.year, today.month, today.day);
    std::filesystem::create_directories(folder);
    const std::string path = folder + name;
    if (!std::filesystem::exists(path)) {
        JournalShape shape;
        shape.days = 7300;
        shape.pictureEvery = 10;
        shape.lastDay = today;
        GenerateJournal(path, shape);
    }
    return path;
}

} // namespace quill::bench
