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

int CodePageOfCharset(int charset)
{
    switch (charset) {
    case 77: return 10000;
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
    default: return 0; // ANSI, default and symbol: the document's code page
    }
}

int CharsetOfCodePage(int codePage)
{
    for (int charset : {77, 128, 129, 130, 134, 136, 161, 162, 163, 177, 178, 186, 204, 222, 238, 254, 255})
        if (CodePageOfCharset(charset) == codePage)
            return charset;
    return 0;
}

bool IsDoubleByteCodePage(int codePage)
{
    return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950 || codePage == 1361;
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
