#include "codepages.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <mutex>
#include <unordered_map>

namespace quill::rtf {

namespace {

using ByteTable = std::array<char16_t, 256>;

const char* ConverterName(int codePage)
{
    switch (codePage) {
    case 437: return "IBM437";
    case 850: return "IBM850";
    case 852: return "IBM852";
    case 866: return "IBM866";
    case 874: return "windows-874";
    case 932: return "windows-31j";
    case 936: return "windows-936";
    case 949: return "windows-949";
    case 950: return "windows-950";
    case 1250: return "windows-1250";
    case 1251: return "windows-1251";
    case 1253: return "windows-1253";
    case 1254: return "windows-1254";
    case 1255: return "windows-1255";
    case 1256: return "windows-1256";
    case 1257: return "windows-1257";
    case 1258: return "windows-1258";
    case 1361: return "windows-949"; // Johab has no converter here; its Hangul overlaps least badly with 949
    case 10000: return "macintosh";
    case 10001: return "Shift_JIS"; // Mac Japanese has no converter of its own here: see AppendMacJapanese
    default: return nullptr;
    }
}

ByteTable MakeWindows1252()
{
    static constexpr char16_t high[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
    };
    ByteTable table{};
    for (int i = 0; i < 256; ++i)
        table[i] = static_cast<char16_t>(i);
    for (int i = 0; i < 32; ++i)
        table[0x80 + i] = high[i];
    return table;
}

// Adobe's Symbol encoding from 0x20 to 0xFE: the characters the Symbol font draws; 0 where
// it has none.
constexpr char16_t kSymbolCharacters[0xFF - 0x20] = {
    // 0x20
    0x0020, 0x0021, 0x2200, 0x0023, 0x2203, 0x0025, 0x0026, 0x220B, 0x0028, 0x0029, 0x2217, 0x002B, 0x002C, 0x2212,
    0x002E, 0x002F,
    // 0x30
    0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037, 0x0038, 0x0039, 0x003A, 0x003B, 0x003C, 0x003D,
    0x003E, 0x003F,
    // 0x40
    0x2245, 0x0391, 0x0392, 0x03A7, 0x0394, 0x0395, 0x03A6, 0x0393, 0x0397, 0x0399, 0x03D1, 0x039A, 0x039B, 0x039C,
    0x039D, 0x039F,
    // 0x50
    0x03A0, 0x0398, 0x03A1, 0x03A3, 0x03A4, 0x03A5, 0x03C2, 0x03A9, 0x039E, 0x03A8, 0x0396, 0x005B, 0x2234, 0x005D,
    0x22A5, 0x005F,
    // 0x60
    0x203E, 0x03B1, 0x03B2, 0x03C7, 0x03B4, 0x03B5, 0x03C6, 0x03B3, 0x03B7, 0x03B9, 0x03D5, 0x03BA, 0x03BB, 0x03BC,
    0x03BD, 0x03BF,
    // 0x70
    0x03C0, 0x03B8, 0x03C1, 0x03C3, 0x03C4, 0x03C5, 0x03D6, 0x03C9, 0x03BE, 0x03C8, 0x03B6, 0x007B, 0x007C, 0x007D,
    0x223C, 0,
    // 0x80
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    // 0x90
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    // 0xA0
    0x20AC, 0x03D2, 0x2032, 0x2264, 0x2044, 0x221E, 0x0192, 0x2663, 0x2666, 0x2665, 0x2660, 0x2194, 0x2190, 0x2191,
    0x2192, 0x2193,
    // 0xB0
    0x00B0, 0x00B1, 0x2033, 0x2265, 0x00D7, 0x221D, 0x2202, 0x2022, 0x00F7, 0x2260, 0x2261, 0x2248, 0x2026, 0x23D0,
    0x23AF, 0x21B5,
    // 0xC0
    0x2135, 0x2111, 0x211C, 0x2118, 0x2297, 0x2295, 0x2205, 0x2229, 0x222A, 0x2283, 0x2287, 0x2284, 0x2282, 0x2286,
    0x2208, 0x2209,
    // 0xD0
    0x2220, 0x2207, 0x00AE, 0x00A9, 0x2122, 0x220F, 0x221A, 0x22C5, 0x00AC, 0x2227, 0x2228, 0x21D4, 0x21D0, 0x21D1,
    0x21D2, 0x21D3,
    // 0xE0
    0x25CA, 0x2329, 0x00AE, 0x00A9, 0x2122, 0x2211, 0x239B, 0x239C, 0x239D, 0x23A1, 0x23A2, 0x23A3, 0x23A7, 0x23A8,
    0x23A9, 0x23AA,
    // 0xF0
    0, 0x232A, 0x222B, 0x2320, 0x23AE, 0x2321, 0x239E, 0x239F, 0x23A0, 0x23A4, 0x23A5, 0x23A6, 0x23AB, 0x23AC, 0x23AD,
};

// Codes below 0x20 are control characters in every font; the others are the font's own
// codes, which a symbol font's Unicode form keeps at U+F000 + code.
ByteTable MakePrivateSymbols()
{
    ByteTable table{};
    for (int i = 0; i < 256; ++i)
        table[i] = static_cast<char16_t>(i < 0x20 ? i : 0xF000 + i);
    return table;
}

ByteTable MakeSymbolFont()
{
    ByteTable table = MakePrivateSymbols();
    for (int i = 0x20; i < 0xFF; ++i)
        if (const char16_t ch = kSymbolCharacters[i - 0x20])
            table[i] = ch;
    return table;
}

bool IsShiftJisLead(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// The single bytes Mac Japanese has beyond Shift_JIS, or 0.
char16_t MacJapaneseSingleByte(unsigned char byte)
{
    switch (byte) {
    case 0x80: return u'\\';
    case 0xA0: return 0x00A0;
    case 0xFD: return 0x00A9;
    case 0xFE: return 0x2122;
    case 0xFF: return 0x2026;
    default: return 0;
    }
}

// Mac Japanese is Shift_JIS with five single bytes of its own, put in around what the
// Shift_JIS converter decodes.
void AppendMacJapanese(QString& out, std::string_view bytes, QStringDecoder& shiftJis)
{
    std::size_t from = 0; // the bytes from here on go to the converter
    auto decodeUpTo = [&](std::size_t end) {
        if (end > from)
            out += shiftJis.decode(QByteArrayView(bytes.data() + from, static_cast<qsizetype>(end - from)));
    };
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const unsigned char byte = static_cast<unsigned char>(bytes[i]);
        if (IsShiftJisLead(byte)) {
            ++i; // the trail byte belongs to the character
            continue;
        }
        if (const char16_t single = MacJapaneseSingleByte(byte)) {
            decodeUpTo(i);
            out += QChar(single);
            from = i + 1;
        }
    }
    decodeUpTo(bytes.size());
}

} // namespace

// Tables of single-byte pages, made once from the platform's converter.
const ByteTable* SingleByteTable(int codePage)
{
    if (codePage == 1252 || codePage == 0)
        return &Windows1252();
    if (IsDoubleByteCodePage(codePage))
        return nullptr;
    static std::mutex mutex;
    static std::unordered_map<int, std::unique_ptr<ByteTable>> tables;
    std::lock_guard lock(mutex);
    auto& slot = tables[codePage];
    if (!slot) {
        slot = std::make_unique<ByteTable>(Windows1252());
        if (const char* name = ConverterName(codePage)) {
            QStringDecoder decoder(name);
            if (decoder.isValid()) {
                for (int i = 0x80; i < 256; ++i) {
                    const char byte = static_cast<char>(i);
                    const QString ch = decoder.decode(QByteArrayView(&byte, 1));
                    decoder.resetState();
                    (*slot)[i] = ch.size() == 1 ? ch[0].unicode() : char16_t(0xFFFD);
                }
            }
        }
    }
    return slot.get();
}

const ByteTable& Windows1252()
{
    static const ByteTable table = MakeWindows1252();
    return table;
}

const ByteTable& SymbolFontTable()
{
    static const ByteTable table = MakeSymbolFont();
    return table;
}

const ByteTable& PrivateSymbolTable()
{
    static const ByteTable table = MakePrivateSymbols();
    return table;
}

int CodePageOfCharset(int charset)
{
    switch (charset) {
    case 0: return 1252;
    case 77: return 10000;
    case 78: return 10001;
    case 128: return 932;
    case 129: return 949;
    case 130: return 1361;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    case 254: return 437;
    case 255: return 850;
    case 256: return 10000; // what Word for Mac writes for Mac Roman
    default: return 0; // default, symbol and unknown sets: the document's code page
    }
}

int CharsetOfCodePage(int codePage)
{
    for (int charset : {77, 78, 128, 129, 130, 134, 136, 161, 162, 163, 177, 178, 186, 204, 222, 238, 254, 255})
        if (CodePageOfCharset(charset) == codePage)
            return charset;
    return 0;
}

bool IsDoubleByteCodePage(int codePage)
{
    return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950 || codePage == 1361 ||
           codePage == 10001;
}

char16_t DecodeByte(unsigned char byte, int codePage)
{
    const ByteTable* table = SingleByteTable(codePage);
    return (table ? *table : Windows1252())[byte];
}

void AppendDecoded(QString& out, std::string_view bytes, int codePage)
{
    if (const ByteTable* table = SingleByteTable(codePage)) {
        const qsizetype start = out.size();
        out.resize(start + static_cast<qsizetype>(bytes.size()));
        char16_t* dst = reinterpret_cast<char16_t*>(out.data()) + start;
        for (unsigned char byte : bytes)
            *dst++ = (*table)[byte];
        return;
    }
    QStringDecoder decoder(ConverterName(codePage));
    if (!decoder.isValid()) {
        AppendDecoded(out, bytes, 1252);
        return;
    }
    if (codePage == 10001)
        AppendMacJapanese(out, bytes, decoder);
    else
        out += decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

struct CodePageEncoder::Impl {
    std::unordered_map<char16_t, std::string> known;
    QStringEncoder encoder;
    QStringDecoder decoder;
    std::string none;
};

CodePageEncoder::CodePageEncoder(int codePage) : codePage_(codePage == 0 ? 1252 : codePage)
{
    impl_ = std::make_unique<Impl>();
    if (codePage_ == kAsciiOnly)
        return;
    if (const ByteTable* table = SingleByteTable(codePage_)) {
        for (int i = 0xFF; i >= 0x80; --i)
            if ((*table)[i] != 0xFFFD)
                impl_->known[(*table)[i]] = std::string(1, static_cast<char>(i));
    } else if (const char* name = ConverterName(codePage_)) {
        impl_->encoder = QStringEncoder(name);
        impl_->decoder = QStringDecoder(name);
    }
}

CodePageEncoder::~CodePageEncoder() = default;
CodePageEncoder::CodePageEncoder(CodePageEncoder&&) noexcept = default;
CodePageEncoder& CodePageEncoder::operator=(CodePageEncoder&&) noexcept = default;

std::string_view CodePageEncoder::Encode(char16_t ch)
{
    if (ch < 0x80) {
        impl_->none.assign(1, static_cast<char>(ch));
        return impl_->none;
    }
    if (const auto found = impl_->known.find(ch); found != impl_->known.end())
        return found->second;
    std::string bytes;
    if (impl_->encoder.isValid() && (ch < 0xD800 || ch > 0xDFFF)) {
        const QChar q(ch);
        const QByteArray encoded = impl_->encoder.encode(QStringView(&q, 1));
        const bool failed = impl_->encoder.hasError();
        impl_->encoder.resetState();
        const QString back = impl_->decoder.decode(encoded);
        impl_->decoder.resetState();
        if (!failed && back.size() == 1 && back[0] == q)
            bytes = encoded.toStdString();
    }
    return impl_->known.emplace(ch, std::move(bytes)).first->second;
}

} // namespace quill::rtf
