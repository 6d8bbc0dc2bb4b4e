#include "rtf_reader.h"

#include "codepages.h"

#include <QtEndian>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <optional>
#include <unordered_map>

namespace quill::rtf {

namespace {

// The control words the reader knows. Names that are C++ keywords get a k prefix like all.
#define QUILL_RTF_WORDS(X)                                                                                          \
    X(rtf) X(ansi) X(mac) X(pc) X(pca) X(ansicpg) X(deff) X(uc) X(u)                                                \
    X(fonttbl) X(colortbl) X(f) X(fnil) X(froman) X(fswiss) X(fmodern) X(fscript) X(fdecor) X(ftech) X(fbidi)       \
    X(fcharset) X(fprq) X(cpg) X(fname) X(falt) X(panose)                                                           \
    X(red) X(green) X(blue)                                                                                         \
    X(plain) X(b) X(i) X(ul) X(uld) X(uldash) X(uldashd) X(uldashdd) X(uldb) X(ulhwave) X(ulldash) X(ulth) X(ulthd)  \
    X(ulthdash) X(ulthdashd) X(ulthdashdd) X(ulthldash) X(ululdbwave) X(ulw) X(ulwave) X(ulnone) X(strike)          \
    X(striked) X(fs) X(cf) X(cb) X(highlight) X(v)                                                                  \
    X(pard) X(ql) X(qc) X(qr) X(qj) X(qd) X(fi) X(li) X(ri) X(lin) X(rin) X(par) X(line) X(page) X(sect) X(tab)      \
    X(cell) X(nestcell) X(row) X(nestrow) X(ls) X(ilvl)                                                             \
    X(emdash) X(endash) X(emspace) X(enspace) X(qmspace) X(bullet) X(lquote) X(rquote) X(ldblquote) X(rdblquote)    \
    X(zwj) X(zwnj) X(ltrmark) X(rtlmark)                                                                            \
    X(pict) X(shppict) X(nonshppict) X(pngblip) X(jpegblip) X(emfblip) X(wmetafile) X(dibitmap) X(wbitmap)          \
    X(macpict) X(pmmetafile) X(picw) X(pich) X(picwgoal) X(pichgoal) X(picscalex) X(picscaley) X(wbmbitspixel)      \
    X(wbmwidthbytes) X(bin)                                                                                         \
    X(field) X(fldinst) X(fldrslt) X(result) X(object) X(shp) X(shprslt)                                            \
    X(pntext) X(listtext) X(pn) X(pnlvlblt) X(pnlvlbody) X(pnlvlcont) X(pnlvl) X(pndec) X(pnucltr) X(pnlcltr)       \
    X(pnucrm) X(pnlcrm) X(pntxtb) X(pntxta)                                                                         \
    X(listtable) X(list) X(listlevel) X(levelnfc) X(levelnfcn) X(listid) X(listoverridetable) X(listoverride)       \
    X(leveltext) X(levelnumbers) X(listname) X(lfolevel)                                                            \
    X(info) X(stylesheet) X(themedata) X(colorschememapping) X(latentstyles) X(datastore) X(xmlnstbl) X(rsidtbl)    \
    X(generator) X(filetbl) X(revtbl) X(header) X(headerl) X(headerr) X(headerf) X(footer) X(footerl) X(footerr)    \
    X(footerf) X(footnote) X(annotation) X(atnid) X(atnauthor) X(bkmkstart) X(bkmkend) X(objdata) X(objclass)       \
    X(objname) X(pgdsctbl) X(userprops) X(docvar) X(xe) X(tc) X(txe) X(ftnsep) X(ftnsepc) X(ftncn) X(aftnsep)       \
    X(aftnsepc) X(aftncn) X(pnseclvl) X(shpinst) X(shptxt) X(template) X(comment) X(nesttableprops) X(defchp)       \
    X(defpap) X(picprop) X(blipuid) X(listpicture) X(fldtype) X(formfield) X(datafield) X(pgptbl) X(protusertbl)   \
    X(nonesttables)

enum class Word : std::uint16_t {
    Unknown,
#define QUILL_RTF_ENUM(name) k##name,
    QUILL_RTF_WORDS(QUILL_RTF_ENUM)
#undef QUILL_RTF_ENUM
};

// The known words in an open-addressed table: a lookup is one short hash and, nearly
// always, one comparison.
class WordTable {
public:
    WordTable()
    {
        static constexpr std::pair<std::string_view, Word> words[] = {
#define QUILL_RTF_ENTRY(name) {#name, Word::k##name},
            QUILL_RTF_WORDS(QUILL_RTF_ENTRY)
#undef QUILL_RTF_ENTRY
        };
        for (const auto& [name, word] : words) {
            std::size_t slot = Hash(name);
            while (!slots_[slot].name.empty())
                slot = (slot + 1) & kMask;
            slots_[slot] = {name, word};
        }
    }

    Word Find(std::string_view name) const
    {
        for (std::size_t slot = Hash(name);; slot = (slot + 1) & kMask) {
            const Slot& candidate = slots_[slot];
            if (candidate.name.empty())
                return Word::Unknown;
            if (candidate.name == name)
                return candidate.word;
        }
    }

private:
    static constexpr std::size_t kMask = 1023;
    struct Slot {
        std::string_view name;
        Word word = Word::Unknown;
    };

    static std::size_t Hash(std::string_view name)
    {
        std::uint32_t hash = 2166136261u;
        for (char c : name)
            hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
        return (hash ^ (hash >> 15)) & kMask;
    }

    std::array<Slot, kMask + 1> slots_{};
};

Word LookUp(std::string_view name)
{
    static const WordTable table;
    return table.Find(name);
}

// Destinations whose content is never document text and is not needed: skipped whole. The
// text of \nonesttables is what a reader without nested tables shows instead of them.
bool IsSkippedDestination(Word w)
{
    switch (w) {
    case Word::kinfo: case Word::kstylesheet: case Word::kthemedata: case Word::kcolorschememapping:
    case Word::klatentstyles: case Word::kdatastore: case Word::kxmlnstbl: case Word::krsidtbl: case Word::kgenerator:
    case Word::kfiletbl: case Word::krevtbl: case Word::kheader: case Word::kheaderl: case Word::kheaderr:
    case Word::kheaderf: case Word::kfooter: case Word::kfooterl: case Word::kfooterr: case Word::kfooterf:
    case Word::kfootnote: case Word::kannotation: case Word::katnid: case Word::katnauthor: case Word::kbkmkstart:
    case Word::kbkmkend: case Word::kobjdata: case Word::kobjclass: case Word::kobjname: case Word::kpgdsctbl:
    case Word::kuserprops: case Word::kdocvar: case Word::kxe: case Word::ktc: case Word::ktxe: case Word::kftnsep:
    case Word::kftnsepc: case Word::kftncn: case Word::kaftnsep: case Word::kaftnsepc: case Word::kaftncn:
    case Word::kpnseclvl: case Word::kshpinst: case Word::kshptxt: case Word::ktemplate: case Word::kcomment:
    case Word::knonesttables: case Word::kdefchp: case Word::kdefpap: case Word::kpicprop: case Word::kblipuid:
    case Word::klistpicture: case Word::kfldtype: case Word::kformfield: case Word::kdatafield: case Word::kpgptbl:
    case Word::kprotusertbl: case Word::knonshppict: case Word::kpntext: case Word::klisttext: case Word::kfalt:
    case Word::kpanose: case Word::kleveltext: case Word::klevelnumbers: case Word::klistname: case Word::klfolevel:
    case Word::kpntxtb: case Word::kpntxta:
        return true;
    default:
        return false;
    }
}

// Destinations the reader reads; after \* anything else is skipped. \nesttableprops holds
// the row ends of nested tables, and what text a writer puts there is text.
bool IsReadDestination(Word w)
{
    switch (w) {
    case Word::kfonttbl: case Word::kcolortbl: case Word::kpict: case Word::kshppict: case Word::kfield:
    case Word::kfldinst: case Word::kfldrslt: case Word::kresult: case Word::kobject: case Word::kshp:
    case Word::kshprslt: case Word::kpn: case Word::klisttable: case Word::klist: case Word::klistlevel:
    case Word::klistoverridetable: case Word::klistoverride: case Word::kfname: case Word::knesttableprops:
        return true;
    default:
        return false;
    }
}

// Words that only make text. Beyond the depth limit, where a group has no state of its own,
// these are all that is read of the words.
bool MakesText(Word w)
{
    switch (w) {
    case Word::kpar: case Word::kpage: case Word::ksect: case Word::krow: case Word::knestrow: case Word::kcell:
    case Word::knestcell: case Word::ktab: case Word::kline: case Word::kemdash: case Word::kendash:
    case Word::kemspace: case Word::kenspace: case Word::kqmspace: case Word::kbullet: case Word::klquote:
    case Word::krquote: case Word::kldblquote: case Word::krdblquote: case Word::kzwj: case Word::kzwnj:
    case Word::kltrmark: case Word::krtlmark: case Word::ku: case Word::kbin:
        return true;
    default:
        return false;
    }
}

// Destinations the reader reads whose content is no document text: beyond the depth limit,
// where they cannot take a state of their own, they are skipped.
bool HoldsNoText(Word w)
{
    switch (w) {
    case Word::kfonttbl: case Word::kcolortbl: case Word::kpict: case Word::kfldinst: case Word::kpn:
    case Word::klisttable: case Word::klist: case Word::klistlevel: case Word::klistoverridetable:
    case Word::klistoverride: case Word::kfname:
        return true;
    default:
        return false;
    }
}

enum class Dest : std::uint8_t {
    Normal,
    FontTable,
    FontEntry,
    FontAltName,
    ColorTable,
    Picture,
    FieldInstruction,
    Numbering, // \pn
    ListTable,
    List,
    ListLevel,
    ListOverrideTable,
    ListOverride,
};

struct ParaState {
    Alignment alignment = Alignment::Left;
    int firstIndent = 0;
    int leftIndent = 0;
    int rightIndent = 0;
    int ls = 0;
    int ilvl = 0;
    Numbering pnNumbering = Numbering::None;
    NumberStyle pnStyle = NumberStyle::Decimal;
};

struct State {
    Dest dest = Dest::Normal;
    bool hidden = false;
    std::uint8_t uc = 1;
    int field = -1;
    CharFormat chr;
    ParaState para;
};

// Bytes of text that are taken as they are.
constexpr std::array<bool, 256> kPlainAscii = [] {
    std::array<bool, 256> plain{};
    for (int c = 0x20; c < 0x7F; ++c)
        plain[c] = c != '\\' && c != '{' && c != '}';
    return plain;
}();

// Hex digit values, -1 for anything else.
constexpr std::array<std::int8_t, 256> kHex = [] {
    std::array<std::int8_t, 256> hex{};
    hex.fill(-1);
    for (int c = 0; c < 10; ++c)
        hex['0' + c] = static_cast<std::int8_t>(c);
    for (int c = 0; c < 6; ++c) {
        hex['a' + c] = static_cast<std::int8_t>(10 + c);
        hex['A' + c] = static_cast<std::int8_t>(10 + c);
    }
    return hex;
}();

bool IsLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The first byte at or after p that is not plain ASCII text (kPlainAscii), or end.
const char* PlainAsciiEnd(const char* p, const char* end)
{
#if defined(__SSE2__)
    // Sixteen bytes at a time: a byte ends the run when it is below 0x20 or above 0x7E
    // (both seen as signed bytes below 0x20 after the shift), or a backslash or brace.
    const __m128i low = _mm_set1_epi8(static_cast<char>(0x20 - 0x80));
    const __m128i high = _mm_set1_epi8(static_cast<char>(0x7E - 0x80));
    const __m128i bias = _mm_set1_epi8(static_cast<char>(0x80));
    const __m128i backslash = _mm_set1_epi8('\\');
    const __m128i open = _mm_set1_epi8('{');
    const __m128i close = _mm_set1_epi8('}');
    while (end - p >= 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i shifted = _mm_sub_epi8(bytes, bias);
        __m128i stop = _mm_or_si128(_mm_cmplt_epi8(shifted, low), _mm_cmpgt_epi8(shifted, high));
        stop = _mm_or_si128(stop, _mm_cmpeq_epi8(bytes, backslash));
        stop = _mm_or_si128(stop, _mm_or_si128(_mm_cmpeq_epi8(bytes, open), _mm_cmpeq_epi8(bytes, close)));
        const int mask = _mm_movemask_epi8(stop);
        if (mask != 0)
            return p + __builtin_ctz(static_cast<unsigned>(mask));
        p += 16;
    }
#endif
    while (p < end && kPlainAscii[static_cast<unsigned char>(*p)])
        ++p;
    return p;
}

// The next '\\', '{' or '}' at or after p, or end.
const char* NextSpecial(const char* p, const char* end)
{
    const char* best = end;
    for (char c : {'}', '{', '\\'}) {
        if (best == p)
            break;
        if (const void* q = std::memchr(p, c, static_cast<std::size_t>(best - p)))
            best = static_cast<const char*>(q);
    }
    return best;
}

bool IsLeadByte(int codePage, unsigned char b)
{
    switch (codePage) {
    case 932:
    case 10001: return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    case 1361: return (b >= 0x84 && b <= 0xD3) || (b >= 0xD8 && b <= 0xDE) || (b >= 0xE0 && b <= 0xF9);
    default: return b >= 0x81 && b <= 0xFE;
    }
}

NumberStyle StyleOfLevelFormat(int nfc)
{
    switch (nfc) {
    case 1: return NumberStyle::UpperRoman;
    case 2: return NumberStyle::LowerRoman;
    case 3: return NumberStyle::UpperAlpha;
    case 4: return NumberStyle::LowerAlpha;
    default: return NumberStyle::Decimal;
    }
}

// Plain text written straight into the caller's string, which grows as needed: no call per
// run of text, and no second copy.
class PlainOutput {
public:
    PlainOutput(QString& text, std::size_t expected) : text_(text), start_(text.size())
    {
        text_.resize(start_ + static_cast<qsizetype>(expected) + 16);
        Refresh(start_);
    }

    void Latin1(const char* bytes, qsizetype count)
    {
        Reserve(count);
        for (qsizetype i = 0; i < count; ++i)
            next_[i] = static_cast<unsigned char>(bytes[i]);
        next_ += count;
    }
    void Char(char16_t c)
    {
        Reserve(1);
        *next_++ = c;
        lineBreaks_ = lineBreaks_ || c == kLineBreak;
    }
    void Text(QStringView text)
    {
        lineBreaks_ = lineBreaks_ || text.contains(QChar(kLineBreak));
        Reserve(text.size());
        std::memcpy(next_, text.utf16(), static_cast<std::size_t>(text.size()) * sizeof(char16_t));
        next_ += text.size();
    }
    // What was written so far (soft line breaks still U+2028).
    QStringView View() const
    {
        const char16_t* base = reinterpret_cast<const char16_t*>(text_.constData()) + start_;
        return QStringView(base, next_ - base);
    }

    // Cuts the string to what was written; soft line breaks become "\n".
    void Finish()
    {
        const qsizetype used = Used();
        if (lineBreaks_) // most texts have none, and the pass over them would cost more than the check
            std::replace(reinterpret_cast<char16_t*>(text_.data()) + start_, next_, kLineBreak, u'\n');
        text_.resize(used);
    }

private:
    qsizetype Used() const { return next_ - reinterpret_cast<const char16_t*>(text_.constData()); }
    void Reserve(qsizetype count)
    {
        if (end_ - next_ >= count)
            return;
        const qsizetype used = Used();
        text_.resize(std::max(text_.size() * 2, used + count + 16));
        Refresh(used);
    }
    void Refresh(qsizetype used)
    {
        char16_t* base = reinterpret_cast<char16_t*>(text_.data());
        next_ = base + used;
        end_ = base + text_.size();
    }

    static constexpr char16_t kLineBreak = 0x2028;

    QString& text_;
    const qsizetype start_;
    char16_t* next_ = nullptr;
    char16_t* end_ = nullptr;
    bool lineBreaks_ = false; // a soft line break was written
};

constexpr int kSymbolCharset = 2;
constexpr int kNoFont = -1;
constexpr int kMaxCharset = 256; // Word for Mac's Mac Roman, the largest \fcharset

// Whether a font the document does not declare is known as a font of symbols.
bool IsSymbolFontName(const QString& name)
{
    for (const char* symbols : {"Symbol", "Wingdings", "Wingdings 2", "Wingdings 3", "Webdings", "Zapf Dingbats",
                                "ZapfDingbats", "Marlett", "MT Extra"})
        if (name.compare(QLatin1String(symbols), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

SymbolCodes SymbolCodesOf(const Font& font)
{
    if (font.charset != kSymbolCharset)
        return SymbolCodes::None;
    return font.face.compare(u"Symbol", Qt::CaseInsensitive) == 0 ? SymbolCodes::Symbol : SymbolCodes::Private;
}

// An argument of a field instruction, or a switch (\x), given by its letter.
struct FieldToken {
    QString text;
    bool isSwitch = false;
    QChar option;
};

// Takes the next argument or switch from `rest`; false when none is left. A quoted argument
// has \\ and \" for a backslash and a quote.
bool NextFieldToken(QStringView& rest, FieldToken& token)
{
    rest = rest.trimmed();
    if (rest.isEmpty())
        return false;
    token = FieldToken{};
    if (rest.front() == u'\\' && rest.size() >= 2 && rest[1] != u'\\') {
        token.isSwitch = true;
        token.option = rest[1].toLower();
        rest = rest.mid(2);
        return true;
    }
    if (rest.front() == u'"') {
        qsizetype i = 1;
        for (; i < rest.size() && rest[i] != u'"'; ++i) {
            if (rest[i] == u'\\' && i + 1 < rest.size() && (rest[i + 1] == u'\\' || rest[i + 1] == u'"'))
                ++i;
            token.text += rest[i];
        }
        rest = rest.mid(std::min(i + 1, rest.size()));
        return true;
    }
    qsizetype end = 0;
    while (end < rest.size() && !rest[end].isSpace())
        ++end;
    token.text = rest.left(end).toString();
    rest = rest.mid(end);
    return true;
}

constexpr int kLevelFormatBullet = 23;
constexpr int kLevelFormatNone = 255;
constexpr int kMaxIndent = 31680; // 22 inches in twips

class Parser {
public:
    // Reports to a sink, formats and all.
    Parser(std::string_view bytes, Sink& sink, Tables& tables)
        : p_(bytes.data()), end_(bytes.data() + bytes.size()), sink_(&sink), tables_(tables),
          wantPictures_(sink.WantsPictureData())
    {
    }

    // Writes the plain text straight into `text`, as PlainTextSink would collect it, without
    // the formats a search has no use for.
    Parser(std::string_view bytes, PlainOutput& text, Tables& tables, const PlainTextCheck* enough)
        : p_(bytes.data()), end_(bytes.data() + bytes.size()), sink_(nullptr), plain_(&text), enough_(enough),
          tables_(tables), wantPictures_(false)
    {
    }

    bool Stopped() const { return stopped_; }
    // Plain text: a paragraph was read, empty or not.
    bool HadParagraphs() const { return paragraphEnded_; }

    void Run();

private:
    struct Field {
        QString instruction;
        int link = 0;
        bool shown = false; // its result showed something
        // A SYMBOL field's character, shown when its result is empty.
        int symbolCode = -1;
        bool symbolIsUnicode = false;
        int symbolFont = kNoFont; // kNoFont for the field's own
        int symbolHalfPoints = 0; // 0 for the field's own size
    };
    struct ListDefinition {
        int id = 0;
        std::vector<int> levelFormats;
    };

    // Structure.
    void PushGroup();
    void PopGroup();
    void SkipGroup();
    void SkipToGroupEnd(bool pushed);
    void FinishDocument();
    void ControlSequence();
    void HandleWord(Word word, bool hasParam, int param);
    void HandleSymbol(char c);
    void ReadWord(std::string_view& name, bool& hasParam, int& param);

    // Text.
    void TextRun();
    void EmitAscii(const char* begin, const char* end);
    void EmitSymbolCodes(const char* begin, const char* end);
    void EmitByte(unsigned char byte);
    void EmitChar(char16_t ch);
    void EmitUnicode(int value);
    void Emit(QStringView text);
    void PrepareDocumentText();
    void AppendDocumentText(QStringView text);
    void FlushBytes();
    void FlushText();
    void ResolveSurrogate();
    void EndParagraph(const ParaState& para);
    int CurrentCodePage();
    // The code page and, for a symbol font, the codes of the current font's text: found again
    // only when the font, the font table or the document's code page changed.
    void FindFontDecoding()
    {
        if (st_.chr.font != codePageFont_ || tables_.codePage != codePageDocument_)
            ChooseFontDecoding();
    }
    void ChooseFontDecoding();
    bool SkippingFallback();
    bool OpensGroup(const char* at) const;

    // Destinations.
    void StartFont(int number);
    void CommitFont();
    void CommitColor();
    void PictureData();
    void FinishPicture(const State& pictureState);
    void FinishFieldInstruction(int field);
    void ReadHyperlink(Field& record, QStringView arguments);
    void ReadSymbol(Field& record, QStringView arguments);
    void FinishField(int field, int parentField);
    int FontNamed(const QString& name);
    void ShowSymbol(const Field& record);
    ParaFormat Resolve(const ParaState& para) const;
    std::uint32_t ColorAt(int index) const;

    const char* p_;
    const char* end_;
    Sink* sink_;
    PlainOutput* plain_ = nullptr;
    const PlainTextCheck* enough_ = nullptr; // asked after every paragraph whether to go on
    bool paragraphEnded_ = false; // plain text: a "\n" is due before the next content
    Tables& tables_;
    const bool wantPictures_;

    State st_;
    std::vector<State> stack_;
    bool done_ = false;
    bool finished_ = false;
    bool stopped_ = false;
    bool ignorable_ = false;  // after a \* that opens a group
    const char* groupOpened_ = nullptr; // just after the last '{'
    int overflow_ = 0;        // groups open beyond kMaxGroupDepth, which have no state of their own
    int skipFallback_ = 0;   // characters of a \u fallback still to skip
    int deff_ = -1;

    QString pending_;
    CharFormat pendingFormat_;
    bool formatMayDiffer_ = true; // st_.chr may have changed since pendingFormat_ was compared
    int codePageFont_ = INT_MIN;  // the font and document code page codePage_ was found for
    int codePageDocument_ = 0;
    int codePage_ = 1252;
    const std::array<char16_t, 256>* byteTable_ = nullptr;
    const std::array<char16_t, 256>* symbolTable_ = nullptr; // the codes of a symbol font's text
    bool symbolFonts_ = false; // the font table has a symbol font: ASCII text may not be itself
    bool paragraphHasContent_ = false;
    int pendingCells_ = 0;
    std::string bytes_; // double-byte text not yet decoded
    int bytesCodePage_ = 0;
    bool leadPending_ = false;
    char16_t highSurrogate_ = 0;

    bool fontActive_ = false;
    int fontNumber_ = 0;
    Font font_;
    QString fontName_;
    QString fontAltName_;
    bool fontCodePageGiven_ = false;

    std::vector<std::uint32_t> colors_;
    int red_ = 0, green_ = 0, blue_ = 0;
    bool colorGiven_ = false;

    Picture picture_;
    bool pictureSupported_ = false;
    int hexHigh_ = -1;

    std::vector<Field> fields_;

    std::vector<ListDefinition> lists_;
    ListDefinition list_;
    std::unordered_map<int, int> overrides_; // \ls number -> \listid
    int overrideListId_ = 0;
    int overrideLs_ = 0;
};

void Parser::Run()
{
    stack_.reserve(32);
    while (p_ < end_ && !done_) {
        const char c = *p_;
        if (c == '{') {
            ++p_;
            PushGroup();
        } else if (c == '}') {
            ++p_;
            PopGroup();
        } else if (c == '\\') {
            ++p_;
            ControlSequence();
        } else {
            ignorable_ = false;
            TextRun();
        }
    }
    FinishDocument();
}

// ---- structure ------------------------------------------------------------------------

void Parser::PushGroup()
{
    FlushBytes();
    ignorable_ = false;
    groupOpened_ = p_;
    skipFallback_ = 0;
    if (overflow_ > 0 || stack_.size() >= static_cast<std::size_t>(kMaxGroupDepth)) {
        ++overflow_; // read on in the deepest group's state
        return;
    }
    stack_.push_back(st_);
    if (st_.dest == Dest::FontTable)
        st_.dest = Dest::FontEntry;
}

void Parser::PopGroup()
{
    FlushBytes();
    ignorable_ = false;
    skipFallback_ = 0;
    if (overflow_ > 0) {
        --overflow_;
        return;
    }
    if (stack_.size() <= 1) {
        FinishDocument();
        done_ = true;
        return;
    }
    State& parent = stack_.back();
    if (st_.field != parent.field)
        FinishField(st_.field, parent.field);
    if (st_.dest != parent.dest) {
        switch (st_.dest) {
        case Dest::FontTable:
        case Dest::FontEntry:
            CommitFont();
            break;
        case Dest::Picture:
            FinishPicture(st_);
            break;
        case Dest::FieldInstruction:
            FinishFieldInstruction(st_.field);
            break;
        case Dest::Numbering:
            parent.para.pnNumbering = st_.para.pnNumbering;
            parent.para.pnStyle = st_.para.pnStyle;
            break;
        case Dest::List:
            lists_.push_back(std::move(list_));
            list_ = {};
            break;
        case Dest::ListOverride:
            overrides_[overrideLs_] = overrideListId_;
            break;
        default:
            break;
        }
    }
    st_ = std::move(parent);
    stack_.pop_back();
    formatMayDiffer_ = true;
}

// Skips the rest of the current group and leaves it.
void Parser::SkipGroup()
{
    if (overflow_ == 0) {
        SkipToGroupEnd(true);
        return;
    }
    SkipToGroupEnd(false);
    --overflow_;
}

void Parser::SkipToGroupEnd(bool pushed)
{
    FlushBytes();
    ignorable_ = false;
    skipFallback_ = 0;
    int depth = 1;
    while (depth > 0) {
        p_ = NextSpecial(p_, end_);
        if (p_ == end_) {
            done_ = true; // the input ends inside the group
            return;
        }
        const char c = *p_++;
        if (c == '{') {
            ++depth;
        } else if (c == '}') {
            --depth;
        } else if (p_ < end_) {
            if (IsLetter(*p_)) {
                std::string_view name;
                bool hasParam = false;
                int param = 0;
                ReadWord(name, hasParam, param);
                if (name == "bin" && param > 0)
                    p_ += std::min<std::size_t>(static_cast<std::size_t>(param), static_cast<std::size_t>(end_ - p_));
            } else {
                ++p_; // an escaped symbol, braces and backslash included
            }
        }
    }
    if (!pushed)
        return;
    if (stack_.size() <= 1) {
        FinishDocument();
        done_ = true;
        return;
    }
    st_ = std::move(stack_.back());
    stack_.pop_back();
    formatMayDiffer_ = true;
}

void Parser::FinishDocument()
{
    if (finished_)
        return;
    finished_ = true;
    FlushBytes();
    ResolveSurrogate();
    if (paragraphHasContent_)
        EndParagraph(st_.para);
    FlushText();
}

void Parser::ReadWord(std::string_view& name, bool& hasParam, int& param)
{
    const char* p = p_; // a local, so that the scans run in a register
    const char* const end = end_;
    const char* start = p;
    while (p < end && IsLetter(*p))
        ++p;
    name = std::string_view(start, static_cast<std::size_t>(std::min<std::ptrdiff_t>(p - start, 32)));
    bool negative = false;
    if (p + 1 < end && *p == '-' && IsDigit(p[1])) {
        negative = true;
        ++p;
    }
    long long value = 0;
    hasParam = false;
    while (p < end && IsDigit(*p)) {
        hasParam = true;
        if (value <= INT_MAX)
            value = value * 10 + (*p - '0');
        ++p;
    }
    value = std::min<long long>(value, INT_MAX);
    param = static_cast<int>(negative ? -value : value);
    if (p < end && *p == ' ')
        ++p;
    p_ = p;
}

void Parser::ControlSequence()
{
    if (p_ == end_)
        return;
    if (IsLetter(*p_)) {
        std::string_view name;
        bool hasParam = false;
        int param = 0;
        ReadWord(name, hasParam, param);
        const Word word = LookUp(name);
        if (ignorable_) {
            ignorable_ = false;
            if (!IsReadDestination(word)) {
                SkipGroup();
                return;
            }
        }
        FlushBytes();
        if (SkippingFallback())
            return;
        HandleWord(word, hasParam, param);
    } else {
        const char c = *p_++;
        if (c == '*') {
            // Only a \* that opens its group marks a destination to skip when unknown; one
            // after other words (as some writers put it) leaves the group's text as it is.
            ignorable_ = OpensGroup(p_ - 2);
            return;
        }
        ignorable_ = false;
        HandleSymbol(c);
    }
}

// Whether nothing but line ends came between the last '{' and `at`.
bool Parser::OpensGroup(const char* at) const
{
    while (at > groupOpened_ && (at[-1] == '\r' || at[-1] == '\n'))
        --at;
    return at == groupOpened_;
}

bool Parser::SkippingFallback()
{
    if (skipFallback_ == 0)
        return false;
    --skipFallback_;
    return true;
}

void Parser::HandleSymbol(char c)
{
    if (c == '\'') {
        int value = 0;
        int digits = 0;
        while (digits < 2 && p_ < end_ && kHex[static_cast<unsigned char>(*p_)] >= 0) {
            value = value * 16 + kHex[static_cast<unsigned char>(*p_)];
            ++p_;
            ++digits;
        }
        if (digits == 0)
            return;
        if (digits == 1) {
            // A broken escape goes, and so does the character in its second digit's place,
            // unless that begins what follows. It still stands for one byte of a fallback.
            if (p_ < end_ && *p_ != '\\' && *p_ != '{' && *p_ != '}')
                ++p_;
            SkippingFallback();
            return;
        }
        if (SkippingFallback())
            return;
        EmitByte(static_cast<unsigned char>(value));
        return;
    }
    if (c == '\\' || c == '{' || c == '}') {
        if (!SkippingFallback())
            EmitByte(static_cast<unsigned char>(c));
        return;
    }
    FlushBytes();
    if (SkippingFallback())
        return;
    switch (c) {
    case '~': EmitChar(0x00A0); break;
    case '-': EmitChar(0x00AD); break;
    case '_': EmitChar(0x2011); break;
    case '\t': EmitChar(u'\t'); break;
    case '\r':
    case '\n':
        if (st_.dest == Dest::Normal)
            EndParagraph(st_.para);
        break;
    default:
        break; // \: \| and unknown symbols carry no text
    }
}

void Parser::HandleWord(Word word, bool hasParam, int param)
{
    formatMayDiffer_ = true;
    const int on = hasParam ? param : 1;
    CharFormat& chr = st_.chr;
    ParaState& para = st_.para;
    const bool normal = st_.dest == Dest::Normal;

    if (IsSkippedDestination(word)) {
        SkipGroup();
        return;
    }
    if (overflow_ > 0 && !MakesText(word)) {
        // Beyond the depth limit the deepest group's formats stay.
        if (HoldsNoText(word))
            SkipGroup();
        return;
    }

    switch (word) {
    // Document.
    case Word::kansi: tables_.codePage = 1252; break;
    case Word::kmac: tables_.codePage = 10000; break;
    case Word::kpc: tables_.codePage = 437; break;
    case Word::kpca: tables_.codePage = 850; break;
    case Word::kansicpg:
        if (param > 0)
            tables_.codePage = param;
        break;
    case Word::kdeff:
        deff_ = param;
        chr.font = param;
        break;
    case Word::kuc: st_.uc = static_cast<std::uint8_t>(std::clamp(param, 0, 255)); break;
    case Word::ku:
        EmitUnicode(param);
        skipFallback_ = st_.uc;
        break;

    // Font table.
    case Word::kfonttbl: st_.dest = Dest::FontTable; break;
    case Word::kf:
        if (st_.dest == Dest::FontTable || st_.dest == Dest::FontEntry)
            StartFont(param);
        else
            chr.font = param;
        break;
    case Word::kfnil: font_.familyClass = FontFamily::Nil; break;
    case Word::kfroman: font_.familyClass = FontFamily::Roman; break;
    case Word::kfswiss: font_.familyClass = FontFamily::Swiss; break;
    case Word::kfmodern: font_.familyClass = FontFamily::Modern; break;
    case Word::kfscript: font_.familyClass = FontFamily::Script; break;
    case Word::kfdecor: font_.familyClass = FontFamily::Decor; break;
    case Word::kftech: font_.familyClass = FontFamily::Tech; break;
    case Word::kfbidi: font_.familyClass = FontFamily::Bidi; break;
    case Word::kfcharset:
        font_.charset = std::clamp(param, 0, kMaxCharset);
        if (!fontCodePageGiven_)
            font_.codePage = CodePageOfCharset(font_.charset);
        break;
    case Word::kfprq: font_.pitch = static_cast<Pitch>(std::clamp(param, 0, 2)); break;
    case Word::kcpg:
        if (param > 0 && param < 65536) {
            font_.codePage = param;
            fontCodePageGiven_ = true;
        }
        break;
    case Word::kfname:
        if (st_.dest == Dest::FontEntry || st_.dest == Dest::FontTable)
            st_.dest = Dest::FontAltName;
        else
            SkipGroup();
        break;

    // Colour table.
    case Word::kcolortbl:
        st_.dest = Dest::ColorTable;
        colors_.clear();
        colorGiven_ = false;
        red_ = green_ = blue_ = 0;
        break;
    case Word::kred:
        red_ = std::clamp(param, 0, 255);
        colorGiven_ = true;
        break;
    case Word::kgreen:
        green_ = std::clamp(param, 0, 255);
        colorGiven_ = true;
        break;
    case Word::kblue:
        blue_ = std::clamp(param, 0, 255);
        colorGiven_ = true;
        break;

    // Character format.
    case Word::kplain: {
        const int link = chr.link;
        chr = CharFormat{};
        chr.font = deff_;
        chr.link = link;
        st_.hidden = false;
        break;
    }
    case Word::kb: chr.bold = on != 0; break;
    case Word::ki: chr.italic = on != 0; break;
    case Word::kul: case Word::kuld: case Word::kuldash: case Word::kuldashd: case Word::kuldashdd: case Word::kuldb:
    case Word::kulhwave: case Word::kulldash: case Word::kulth: case Word::kulthd: case Word::kulthdash:
    case Word::kulthdashd: case Word::kulthdashdd: case Word::kulthldash: case Word::kululdbwave: case Word::kulw:
    case Word::kulwave:
        chr.underline = on != 0;
        break;
    case Word::kulnone: chr.underline = false; break;
    case Word::kstrike: case Word::kstriked: chr.strike = on != 0; break;
    case Word::kfs: chr.halfPoints = param > 0 ? std::min(param, 3276) : 24; break;
    case Word::kcf: chr.color = ColorAt(param); break;
    case Word::kcb: chr.background = ColorAt(param); break;
    case Word::khighlight: chr.background = param == 0 ? kAutoColor : ColorAt(param); break;
    case Word::kv: st_.hidden = on != 0; break;

    // Paragraph format.
    case Word::kpard: para = ParaState{}; break;
    case Word::kql: para.alignment = Alignment::Left; break;
    case Word::kqc: para.alignment = Alignment::Center; break;
    case Word::kqr: para.alignment = Alignment::Right; break;
    case Word::kqj: case Word::kqd: para.alignment = Alignment::Justify; break;
    case Word::kfi: para.firstIndent = std::clamp(param, -kMaxIndent, kMaxIndent); break;
    case Word::kli: case Word::klin: para.leftIndent = std::clamp(param, -kMaxIndent, kMaxIndent); break;
    case Word::kri: case Word::krin: para.rightIndent = std::clamp(param, -kMaxIndent, kMaxIndent); break;
    case Word::kls:
        if (st_.dest == Dest::ListOverride)
            overrideLs_ = param;
        else
            para.ls = param;
        break;
    case Word::kilvl: para.ilvl = std::clamp(param, 0, 8); break;
    case Word::kpar: case Word::kpage: case Word::ksect:
        if (normal)
            EndParagraph(para);
        break;
    case Word::krow: case Word::knestrow:
        if (normal)
            EndParagraph(para);
        break;
    case Word::kcell: case Word::knestcell:
        if (normal && !st_.hidden)
            ++pendingCells_;
        break;

    // Special characters.
    case Word::ktab: EmitChar(u'\t'); break;
    case Word::kline: EmitChar(0x2028); break;
    case Word::kemdash: EmitChar(0x2014); break;
    case Word::kendash: EmitChar(0x2013); break;
    case Word::kemspace: EmitChar(0x2003); break;
    case Word::kenspace: EmitChar(0x2002); break;
    case Word::kqmspace: EmitChar(0x2005); break;
    case Word::kbullet: EmitChar(0x2022); break;
    case Word::klquote: EmitChar(0x2018); break;
    case Word::krquote: EmitChar(0x2019); break;
    case Word::kldblquote: EmitChar(0x201C); break;
    case Word::krdblquote: EmitChar(0x201D); break;
    case Word::kzwj: EmitChar(0x200D); break;
    case Word::kzwnj: EmitChar(0x200C); break;
    case Word::kltrmark: EmitChar(0x200E); break;
    case Word::krtlmark: EmitChar(0x200F); break;

    // Pictures.
    case Word::kpict:
        if (normal) {
            st_.dest = Dest::Picture;
            picture_ = Picture{};
            pictureSupported_ = false;
            hexHigh_ = -1;
        } else if (st_.dest != Dest::Picture) {
            SkipGroup();
        }
        break;
    case Word::kpngblip: picture_.kind = PictureKind::Png, pictureSupported_ = true; break;
    case Word::kjpegblip: picture_.kind = PictureKind::Jpeg, pictureSupported_ = true; break;
    case Word::kemfblip: picture_.kind = PictureKind::Emf, pictureSupported_ = true; break;
    case Word::kwmetafile:
        picture_.kind = PictureKind::Wmf, pictureSupported_ = true;
        picture_.metafileMapping = hasParam ? std::clamp(param, 1, 8) : 8;
        break;
    case Word::kdibitmap: picture_.kind = PictureKind::Dib, pictureSupported_ = true; break;
    case Word::kwbitmap: picture_.kind = PictureKind::DeviceBitmap, pictureSupported_ = true; break;
    case Word::kmacpict: case Word::kpmmetafile: pictureSupported_ = false; break;
    case Word::kpicw: picture_.width = std::clamp(param, 0, 1000000); break;
    case Word::kpich: picture_.height = std::clamp(param, 0, 1000000); break;
    case Word::kpicwgoal: picture_.goalWidth = std::clamp(param, 0, 1000000); break;
    case Word::kpichgoal: picture_.goalHeight = std::clamp(param, 0, 1000000); break;
    case Word::kpicscalex: picture_.scaleX = param > 0 ? std::min(param, 10000) : 100; break;
    case Word::kpicscaley: picture_.scaleY = param > 0 ? std::min(param, 10000) : 100; break;
    case Word::kwbmbitspixel: picture_.bitsPerPixel = std::clamp(param, 1, 32); break;
    case Word::kwbmwidthbytes: picture_.widthBytes = std::clamp(param, 0, 1000000); break;
    case Word::kbin: {
        const std::size_t count =
            std::min<std::size_t>(static_cast<std::size_t>(std::max(param, 0)), static_cast<std::size_t>(end_ - p_));
        if (st_.dest == Dest::Picture && wantPictures_)
            picture_.data.append(p_, static_cast<qsizetype>(count));
        p_ += count;
        break;
    }

    // Fields, objects and shapes.
    case Word::kfield:
        if (normal) {
            fields_.push_back({});
            st_.field = static_cast<int>(fields_.size()) - 1;
        }
        break;
    case Word::kfldinst:
        if (normal && st_.field >= 0)
            st_.dest = Dest::FieldInstruction;
        else if (normal)
            SkipGroup();
        break;
    case Word::kfldrslt:
        if (normal && st_.field >= 0 && fields_[static_cast<std::size_t>(st_.field)].link > 0)
            chr.link = fields_[static_cast<std::size_t>(st_.field)].link;
        break;

    // Numbering in the old form.
    case Word::kpn:
        if (normal)
            st_.dest = Dest::Numbering;
        else if (st_.dest != Dest::Numbering)
            SkipGroup();
        break;
    case Word::kpnlvlblt: para.pnNumbering = Numbering::Bullet; break;
    case Word::kpnlvlbody: case Word::kpnlvl: para.pnNumbering = Numbering::Other; break;
    case Word::kpnlvlcont: para.pnNumbering = Numbering::None; break;
    case Word::kpndec: para.pnStyle = NumberStyle::Decimal; break;
    case Word::kpnucltr: para.pnStyle = NumberStyle::UpperAlpha; break;
    case Word::kpnlcltr: para.pnStyle = NumberStyle::LowerAlpha; break;
    case Word::kpnucrm: para.pnStyle = NumberStyle::UpperRoman; break;
    case Word::kpnlcrm: para.pnStyle = NumberStyle::LowerRoman; break;

    // Lists.
    case Word::klisttable: st_.dest = Dest::ListTable; break;
    case Word::klist:
        if (st_.dest != Dest::ListTable) {
            SkipGroup();
            break;
        }
        st_.dest = Dest::List;
        list_ = {};
        break;
    case Word::klistlevel:
        if (st_.dest != Dest::List) {
            SkipGroup();
            break;
        }
        st_.dest = Dest::ListLevel;
        if (list_.levelFormats.size() < 9)
            list_.levelFormats.push_back(0);
        break;
    case Word::klevelnfc: case Word::klevelnfcn:
        if (st_.dest == Dest::ListLevel && !list_.levelFormats.empty())
            list_.levelFormats.back() = param;
        break;
    case Word::klistid:
        if (st_.dest == Dest::List)
            list_.id = param;
        else if (st_.dest == Dest::ListOverride)
            overrideListId_ = param;
        break;
    case Word::klistoverridetable: st_.dest = Dest::ListOverrideTable; break;
    case Word::klistoverride:
        if (st_.dest != Dest::ListOverrideTable) {
            SkipGroup();
            break;
        }
        st_.dest = Dest::ListOverride;
        overrideListId_ = 0;
        overrideLs_ = 0;
        break;

    default:
        break; // rtf, shppict, result, object, shp, shprslt and unknown words change nothing here
    }
}

// ---- text -----------------------------------------------------------------------------

void Parser::TextRun()
{
    switch (st_.dest) {
    case Dest::Picture:
        PictureData();
        return;
    case Dest::ColorTable:
        while (p_ < end_ && *p_ != '\\' && *p_ != '{' && *p_ != '}') {
            if (*p_ == ';')
                CommitColor();
            ++p_;
        }
        return;
    case Dest::Numbering:
    case Dest::ListTable:
    case Dest::List:
    case Dest::ListLevel:
    case Dest::ListOverrideTable:
    case Dest::ListOverride:
        p_ = NextSpecial(p_, end_);
        return;
    default:
        break;
    }
    const char* start = p_;
    p_ = PlainAsciiEnd(p_, end_);
    if (p_ > start)
        EmitAscii(start, p_);
    if (p_ == end_)
        return;
    const unsigned char c = static_cast<unsigned char>(*p_);
    if (c == '\\' || c == '{' || c == '}')
        return;
    ++p_;
    if (c == '\r' || c == '\n')
        return;
    if (SkippingFallback())
        return;
    if (c == '\t')
        EmitChar(u'\t');
    else if (c >= 0x80 || leadPending_)
        EmitByte(c);
    // other control bytes carry no text
}

void Parser::EmitAscii(const char* begin, const char* end)
{
    while (skipFallback_ > 0 && begin < end) {
        --skipFallback_;
        ++begin;
    }
    if (leadPending_ && begin < end)
        EmitByte(static_cast<unsigned char>(*begin++));
    if (begin == end)
        return;
    FlushBytes();
    ResolveSurrogate();
    if (st_.dest == Dest::Normal) {
        if (st_.hidden)
            return;
        if (symbolFonts_) {
            FindFontDecoding();
            if (symbolTable_) {
                EmitSymbolCodes(begin, end);
                return;
            }
        }
        PrepareDocumentText();
        if (plain_)
            plain_->Latin1(begin, end - begin);
        else
            pending_.append(QLatin1StringView(begin, end - begin));
        return;
    }
    const QString text = QString::fromLatin1(begin, end - begin);
    Emit(text);
}

int Parser::CurrentCodePage()
{
    if (st_.dest == Dest::FontEntry || st_.dest == Dest::FontAltName) {
        const int codePage = fontActive_ ? font_.codePage : 0;
        return codePage == 0 ? tables_.codePage : codePage;
    }
    FindFontDecoding();
    return codePage_;
}

void Parser::ChooseFontDecoding()
{
    const Font* font = tables_.FindFont(st_.chr.font);
    codePageFont_ = st_.chr.font;
    codePageDocument_ = tables_.codePage;
    codePage_ = font && font->codePage != 0 ? font->codePage : tables_.codePage;
    byteTable_ = SingleByteTable(codePage_);
    symbolTable_ = nullptr;
    if (font && font->symbol == SymbolCodes::Symbol)
        symbolTable_ = &SymbolFontTable();
    else if (font && font->symbol == SymbolCodes::Private)
        symbolTable_ = &PrivateSymbolTable();
}

// Text of a symbol font: each byte is a code of the font.
void Parser::EmitSymbolCodes(const char* begin, const char* end)
{
    QString text(end - begin, Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    for (const char* p = begin; p < end; ++p)
        *out++ = (*symbolTable_)[static_cast<unsigned char>(*p)];
    AppendDocumentText(text);
}

void Parser::EmitByte(unsigned char byte)
{
    const int codePage = CurrentCodePage();
    if (symbolTable_ && st_.dest == Dest::Normal) {
        FlushBytes();
        if (byte >= 0x20 || byte == '\t')
            EmitChar((*symbolTable_)[byte]);
        return;
    }
    if (byteTable_ && st_.dest != Dest::FontEntry && st_.dest != Dest::FontAltName && bytes_.empty()) {
        // A single-byte code page: the byte is one character.
        if (byte >= 0x20)
            EmitChar(byte < 0x80 ? char16_t(byte) : (*byteTable_)[byte]);
        else if (byte == '\t')
            EmitChar(u'\t');
        return;
    }
    if (IsDoubleByteCodePage(codePage) && (leadPending_ || byte >= 0x80)) {
        if (!bytes_.empty() && bytesCodePage_ != codePage)
            FlushBytes();
        if (bytes_.empty())
            ResolveSurrogate();
        bytesCodePage_ = codePage;
        bytes_ += static_cast<char>(byte);
        leadPending_ = !leadPending_ && IsLeadByte(codePage, byte);
        if (!leadPending_ && bytes_.size() > 4096)
            FlushBytes();
        return;
    }
    FlushBytes();
    if (byte < 0x20) {
        if (byte == '\t')
            EmitChar(u'\t');
        return;
    }
    const char16_t ch = byte < 0x80 ? char16_t(byte) : DecodeByte(byte, codePage);
    EmitChar(ch);
}

void Parser::FlushBytes()
{
    if (bytes_.empty())
        return;
    QString text;
    AppendDecoded(text, bytes_, bytesCodePage_);
    bytes_.clear();
    leadPending_ = false;
    // Decoded text keeps only what a document can hold.
    text.removeIf([](QChar c) { return c.unicode() < 0x20 && c.unicode() != u'\t'; });
    Emit(text);
}

void Parser::EmitUnicode(int value)
{
    if (value < 0)
        value += 65536;
    if (value < 0 || value > 0xFFFF) {
        EmitChar(0xFFFD);
        return;
    }
    char16_t ch = static_cast<char16_t>(value);
    if (st_.dest == Dest::Normal && ((ch >= 0x20 && ch <= 0xFF) || (ch >= 0xF020 && ch <= 0xF0FF))) {
        // In a symbol font a code, as it is or in the font's U+F000 form.
        FindFontDecoding();
        if (symbolTable_)
            ch = (*symbolTable_)[ch & 0xFF];
    }
    if (QChar::isHighSurrogate(ch)) {
        ResolveSurrogate();
        highSurrogate_ = ch;
        return;
    }
    if (QChar::isLowSurrogate(ch)) {
        if (highSurrogate_ == 0) {
            EmitChar(0xFFFD);
            return;
        }
        const char16_t pair[2] = {highSurrogate_, ch};
        highSurrogate_ = 0;
        Emit(QStringView(pair, 2));
        return;
    }
    switch (ch) {
    case u'\r':
    case u'\n':
    case 0x2029:
        ResolveSurrogate();
        if (st_.dest == Dest::Normal)
            EndParagraph(st_.para);
        return;
    case 0x000B:
        EmitChar(0x2028);
        return;
    default:
        break;
    }
    if ((ch < 0x20 && ch != u'\t') || ch == 0xFFFC)
        return;
    EmitChar(ch);
}

void Parser::ResolveSurrogate()
{
    if (highSurrogate_ == 0)
        return;
    highSurrogate_ = 0;
    const char16_t replacement = 0xFFFD;
    Emit(QStringView(&replacement, 1));
}

void Parser::EmitChar(char16_t ch)
{
    if (highSurrogate_ == 0 && st_.dest == Dest::Normal) {
        if (!st_.hidden) {
            PrepareDocumentText();
            if (plain_)
                plain_->Char(ch);
            else
                pending_ += QChar(ch);
        }
        return;
    }
    ResolveSurrogate();
    Emit(QStringView(&ch, 1));
}

// Routes decoded characters to the current destination.
void Parser::Emit(QStringView text)
{
    if (text.isEmpty())
        return;
    switch (st_.dest) {
    case Dest::Normal:
        if (!st_.hidden)
            AppendDocumentText(text);
        break;
    case Dest::FontTable:
    case Dest::FontEntry:
        for (QChar c : text) {
            if (c == u';')
                CommitFont();
            else if (fontActive_)
                fontName_ += c;
        }
        break;
    case Dest::FontAltName:
        for (QChar c : text) {
            if (c == u';')
                break;
            fontAltName_ += c;
        }
        break;
    case Dest::FieldInstruction:
        if (st_.field >= 0)
            fields_[static_cast<std::size_t>(st_.field)].instruction += text;
        break;
    default:
        break;
    }
}

// Makes pending_ ready to take text in the current format, after the tabs of the table
// cells that ended before it. The format is compared only after something may have
// changed it.
void Parser::PrepareDocumentText()
{
    if (st_.field >= 0)
        fields_[static_cast<std::size_t>(st_.field)].shown = true;
    if (plain_) {
        if (paragraphEnded_) {
            plain_->Char(u'\n');
            paragraphEnded_ = false;
        }
        for (; pendingCells_ > 0; --pendingCells_)
            plain_->Char(u'\t');
        paragraphHasContent_ = true;
        return;
    }
    if (formatMayDiffer_) {
        formatMayDiffer_ = false;
        if (!pending_.isEmpty() && !(pendingFormat_ == st_.chr))
            FlushText();
        if (pending_.isEmpty())
            pendingFormat_ = st_.chr;
    }
    for (; pendingCells_ > 0; --pendingCells_)
        pending_ += u'\t';
    paragraphHasContent_ = true;
}

void Parser::AppendDocumentText(QStringView text)
{
    PrepareDocumentText();
    if (plain_)
        plain_->Text(text);
    else
        pending_ += text;
}

void Parser::FlushText()
{
    if (pending_.isEmpty())
        return;
    sink_->Text(pending_, pendingFormat_);
    pending_.resize(0); // keeps the capacity for the next run
}

void Parser::EndParagraph(const ParaState& para)
{
    FlushBytes();
    ResolveSurrogate();
    paragraphHasContent_ = false;
    pendingCells_ = 0;
    if (plain_) {
        if (paragraphEnded_)
            plain_->Char(u'\n');
        paragraphEnded_ = true;
        if (enough_ && (*enough_)(plain_->View())) {
            // The reader has what it wanted: the rest goes unread.
            finished_ = true;
            done_ = true;
            stopped_ = true;
        }
        return;
    }
    FlushText();
    sink_->EndParagraph(Resolve(para), st_.chr);
}

// ---- destinations ---------------------------------------------------------------------

void Parser::StartFont(int number)
{
    CommitFont();
    fontActive_ = true;
    fontNumber_ = number;
    font_ = Font{};
    fontName_.clear();
    fontAltName_.clear();
    fontCodePageGiven_ = false;
}

void Parser::CommitFont()
{
    if (!fontActive_)
        return;
    fontActive_ = false;
    font_.face = fontName_.trimmed().left(31);
    const QString alternative = fontAltName_.trimmed();
    font_.family = alternative.isEmpty() ? font_.face : alternative.left(31);
    font_.symbol = SymbolCodesOf(font_);
    symbolFonts_ = symbolFonts_ || font_.symbol != SymbolCodes::None;
    codePageFont_ = INT_MIN; // fonts may have changed
    const auto [slot, inserted] = tables_.fontIndex.try_emplace(fontNumber_, tables_.fonts.size());
    if (inserted)
        tables_.fonts.push_back(std::move(font_));
    else
        tables_.fonts[slot->second] = std::move(font_);
    ++tables_.fontRevision;
    font_ = Font{};
}

void Parser::CommitColor()
{
    colors_.push_back(colorGiven_ ? static_cast<std::uint32_t>(red_ | (green_ << 8) | (blue_ << 16)) : kAutoColor);
    red_ = green_ = blue_ = 0;
    colorGiven_ = false;
}

std::uint32_t Parser::ColorAt(int index) const
{
    return index >= 0 && static_cast<std::size_t>(index) < colors_.size() ? colors_[static_cast<std::size_t>(index)]
                                                                            : kAutoColor;
}

void Parser::PictureData()
{
    if (!wantPictures_) {
        p_ = NextSpecial(p_, end_);
        return;
    }
    // The digits run to the next group or control word; they are decoded into room made for
    // them at once, as a byte at a time through append() costs more than the decoding.
    const char* limit = NextSpecial(p_, end_);
    const qsizetype start = picture_.data.size();
    picture_.data.resize(start + (limit - p_) / 2 + 1);
    char* const first = picture_.data.data() + start;
    char* out = first;
    const auto& hex = kHex;
    for (; p_ < limit; ++p_) {
        const int value = hex[static_cast<unsigned char>(*p_)];
        if (value < 0)
            continue; // line ends and spaces between the digits
        if (hexHigh_ < 0) {
            hexHigh_ = value;
        } else {
            *out++ = static_cast<char>((hexHigh_ << 4) | value);
            hexHigh_ = -1;
        }
    }
    picture_.data.truncate(start + (out - first));
}

void Parser::FinishPicture(const State& pictureState)
{
    if (!pictureSupported_ || pictureState.hidden)
        return;
    if (pendingCells_ > 0 || plain_)
        PrepareDocumentText();
    if (pictureState.field >= 0)
        fields_[static_cast<std::size_t>(pictureState.field)].shown = true;
    paragraphHasContent_ = true;
    if (plain_)
        return;
    FlushText();
    sink_->InsertPicture(std::move(picture_), pictureState.chr);
    picture_ = Picture{};
}

void Parser::FinishFieldInstruction(int field)
{
    if (field < 0)
        return;
    Field& record = fields_[static_cast<std::size_t>(field)];
    const QString instruction = record.instruction.trimmed();
    if (instruction.startsWith(u"HYPERLINK", Qt::CaseInsensitive))
        ReadHyperlink(record, QStringView(instruction).mid(9));
    else if (instruction.startsWith(u"SYMBOL", Qt::CaseInsensitive))
        ReadSymbol(record, QStringView(instruction).mid(6));
}

void Parser::ReadHyperlink(Field& record, QStringView arguments)
{
    QString target;
    QString anchor;
    bool haveTarget = false;
    bool nextIsAnchor = false;
    bool nextIsSkipped = false;
    FieldToken token;
    while (NextFieldToken(arguments, token)) {
        if (token.isSwitch) {
            nextIsAnchor = token.option == u'l';
            nextIsSkipped = token.option == u'o' || token.option == u't';
            continue;
        }
        if (nextIsAnchor)
            anchor = token.text;
        else if (!nextIsSkipped && !haveTarget)
            target = token.text, haveTarget = true;
        nextIsAnchor = nextIsSkipped = false;
    }
    if (!anchor.isEmpty())
        target += u'#' + anchor;
    tables_.links.push_back(target);
    record.link = static_cast<int>(tables_.links.size());
}

// SYMBOL code [\f font] [\s points] [\u] (the code in Unicode): decimal, or hexadecimal after 0x.
void Parser::ReadSymbol(Field& record, QStringView arguments)
{
    FieldToken token;
    if (!NextFieldToken(arguments, token) || token.isSwitch)
        return;
    bool ok = false;
    const int code = token.text.startsWith(u"0x", Qt::CaseInsensitive) ? token.text.mid(2).toInt(&ok, 16)
                                                                         : token.text.toInt(&ok, 10);
    if (!ok || code < 0x20 || code > 0xFFFF)
        return;
    record.symbolCode = code;
    QChar option;
    while (NextFieldToken(arguments, token)) {
        if (token.isSwitch) {
            option = token.option;
            record.symbolIsUnicode = record.symbolIsUnicode || option == u'u';
            continue;
        }
        if (option == u'f') {
            record.symbolFont = FontNamed(token.text);
        } else if (option == u's') {
            const double points = token.text.toDouble(&ok);
            if (ok && points > 0)
                record.symbolHalfPoints = std::clamp(static_cast<int>(points * 2 + 0.5), 1, 3276);
        }
        option = QChar();
    }
}

// The number of the font with that face, which is added to the table when the document has
// none: a font of symbols if the name is known as one.
int Parser::FontNamed(const QString& name)
{
    const QString face = name.trimmed().left(31);
    if (face.isEmpty())
        return kNoFont;
    std::optional<int> found; // the lowest number of a font with the face
    for (const auto& [number, index] : tables_.fontIndex)
        if (tables_.fonts[index].face.compare(face, Qt::CaseInsensitive) == 0 && (!found || number < *found))
            found = number;
    if (found)
        return *found;
    // A number documents hardly give a font, and none of this one gives. (INT_MIN, which no
    // document can give, marks the font decoding as out of date.)
    int number = INT_MIN + 1;
    while (tables_.fontIndex.contains(number))
        ++number;
    Font font;
    font.face = font.family = face;
    font.charset = IsSymbolFontName(face) ? kSymbolCharset : 0;
    font.codePage = CodePageOfCharset(font.charset);
    font.symbol = SymbolCodesOf(font);
    symbolFonts_ = symbolFonts_ || font.symbol != SymbolCodes::None;
    tables_.fontIndex.emplace(number, tables_.fonts.size());
    tables_.fonts.push_back(std::move(font));
    ++tables_.fontRevision;
    codePageFont_ = INT_MIN;
    return number;
}

// A field's group ends: a SYMBOL field whose result showed nothing shows its character, and
// a field that showed something has its enclosing field show it too.
void Parser::FinishField(int field, int parentField)
{
    if (field < 0)
        return;
    if (!fields_[static_cast<std::size_t>(field)].shown)
        ShowSymbol(fields_[static_cast<std::size_t>(field)]);
    if (fields_[static_cast<std::size_t>(field)].shown && parentField >= 0)
        fields_[static_cast<std::size_t>(parentField)].shown = true;
}

// The character in the field's font, or the one it names, and in its size: a symbol
// font's code reads as its text does, another font's code as a character of its code page.
void Parser::ShowSymbol(const Field& record)
{
    if (record.symbolCode < 0)
        return;
    const CharFormat format = st_.chr;
    if (record.symbolFont != kNoFont)
        st_.chr.font = record.symbolFont;
    if (record.symbolHalfPoints > 0)
        st_.chr.halfPoints = record.symbolHalfPoints;
    formatMayDiffer_ = true;
    FindFontDecoding();
    const int code = record.symbolCode;
    char16_t ch = static_cast<char16_t>(code);
    if (symbolTable_ && (code <= 0xFF || (code >= 0xF020 && code <= 0xF0FF)))
        ch = (*symbolTable_)[code & 0xFF];
    else if (!record.symbolIsUnicode && code <= 0xFF && code >= 0x80)
        ch = (byteTable_ ? *byteTable_ : Windows1252())[code]; // a code of the font's code page
    if (!QChar::isSurrogate(ch))
        EmitChar(ch);
    st_.chr = format;
    formatMayDiffer_ = true;
}

ParaFormat Parser::Resolve(const ParaState& para) const
{
    ParaFormat format;
    format.alignment = para.alignment;
    format.firstIndent = para.firstIndent;
    format.leftIndent = para.leftIndent;
    format.rightIndent = para.rightIndent;
    if (para.ls > 0) {
        int levelFormat = 0;
        if (const auto override = overrides_.find(para.ls); override != overrides_.end()) {
            for (const ListDefinition& list : lists_) {
                if (list.id == override->second && !list.levelFormats.empty()) {
                    const std::size_t level = std::min<std::size_t>(static_cast<std::size_t>(para.ilvl),
                                                                    list.levelFormats.size() - 1);
                    levelFormat = list.levelFormats[level];
                    break;
                }
            }
        }
        if (levelFormat == kLevelFormatNone)
            return format;
        format.numbering = levelFormat == kLevelFormatBullet ? Numbering::Bullet : Numbering::Other;
        format.numberStyle = StyleOfLevelFormat(levelFormat);
        format.listKey = para.ls;
    } else if (para.pnNumbering != Numbering::None) {
        format.numbering = para.pnNumbering;
        format.numberStyle = para.pnStyle;
    }
    if (format.numbering == Numbering::Bullet)
        format.numberStyle = NumberStyle::Decimal;
    return format;
}

} // namespace

bool LooksLikeRtf(std::string_view bytes)
{
    std::size_t i = 0;
    while (i < bytes.size() && (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\r' || bytes[i] == '\n'))
        ++i;
    return bytes.substr(i, 5) == "{\\rtf";
}

bool ReadRtf(std::string_view bytes, Sink& sink, Tables& tables)
{
    if (!LooksLikeRtf(bytes))
        return false;
    Parser parser(bytes.substr(bytes.find('{')), sink, tables);
    parser.Run();
    return true;
}

bool ReadRtfPlainText(std::string_view bytes, QString& text, const PlainTextCheck* enough, bool* stopped,
                      bool* paragraphs)
{
    if (!LooksLikeRtf(bytes))
        return false;
    Tables tables;
    // The plain text has no more characters than the RTF has bytes, save for what a
    // damaged document may add; the output grows if it must.
    PlainOutput output(text, std::min<std::size_t>(bytes.size(), 1u << 16));
    Parser parser(bytes.substr(bytes.find('{')), output, tables, enough);
    parser.Run();
    output.Finish();
    if (stopped)
        *stopped = parser.Stopped();
    if (paragraphs)
        *paragraphs = parser.HadParagraphs();
    return true;
}

bool ReadPlainText(std::string_view bytes, PlainEncoding encoding, Sink& sink)
{
    QString text;
    if (encoding == PlainEncoding::Utf16) {
        if (bytes.size() % 2 != 0)
            return false;
        text.resize(static_cast<qsizetype>(bytes.size() / 2));
        qFromLittleEndian<char16_t>(bytes.data(), text.size(), text.data());
        if (text.startsWith(QChar(0xFEFF)))
            text.remove(0, 1);
    } else {
        AppendDecoded(text, bytes, 1252);
    }
    const CharFormat format;
    const ParaFormat para;
    // A line goes to the sink as a piece of the text; only a line with characters that
    // change (or go) is copied, into `changed`, from its start up to the last such character.
    const QStringView all(text);
    QString changed;
    bool isChanged = false;
    qsizetype from = 0; // the line's characters from here on are taken as they are
    auto lineUpTo = [&](qsizetype end) {
        if (!isChanged)
            return all.sliced(from, end - from);
        changed.append(all.sliced(from, end - from));
        from = end;
        return QStringView(changed);
    };
    const qsizetype n = all.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = all[i].unicode();
        if (c == u'\r' || c == u'\n' || c == 0x2029) {
            const QStringView line = lineUpTo(i);
            if (!line.isEmpty())
                sink.Text(line, format);
            sink.EndParagraph(para, format);
            if (c == u'\r' && i + 1 < n && all[i + 1] == u'\n')
                ++i;
            changed.resize(0);
            isChanged = false;
            from = i + 1;
            continue;
        }
        const bool control = (c < 0x20 && c != u'\t') || c == 0xFFFC;
        if (QChar::isHighSurrogate(c) && i + 1 < n && all[i + 1].isLowSurrogate()) {
            ++i; // a pair stays as it is
            continue;
        }
        if (!control && !QChar::isSurrogate(c))
            continue;
        // A vertical tab is a soft line break, a lone surrogate becomes U+FFFD, other control
        // characters and object marks go.
        changed.append(all.sliced(from, i - from));
        isChanged = true;
        if (c == 0x000B)
            changed.append(QChar(0x2028));
        else if (!control)
            changed.append(QChar(0xFFFD));
        from = i + 1;
    }
    const QStringView rest = lineUpTo(n);
    if (!rest.isEmpty()) {
        sink.Text(rest, format);
        sink.EndParagraph(para, format);
    }
    return true;
}

} // namespace quill::rtf
