#include "rtf_writer.h"

#include "codepages.h"
#include "document_builder.h"
#include "picture_object.h"
#include "text_format.h"

#include "storage/rounding.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>
#include <QtEndian>

#include <algorithm>
#include <map>
#include <unordered_map>
#include <vector>

namespace quill::richtext {

namespace {

constexpr char kHex[] = "0123456789abcdef";

struct FontEntry {
    QString face;
    QString family;
    int charset = 0;
    int pitch = 0;
    int familyClass = 0;
    friend bool operator==(const FontEntry&, const FontEntry&) = default;
};

// The character attributes RTF carries, with fonts and colours as table indices (colour 0
// is automatic).
struct RunFormat {
    int font = -1;
    int halfPoints = -1;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    int color = 0;
    int background = 0;
};

const char* FamilyWord(int familyClass)
{
    static const char* const words[] = {"fnil", "froman", "fswiss", "fmodern", "fscript", "fdecor", "ftech", "fbidi"};
    return words[std::clamp(familyClass, 0, 7)];
}

const char* NumberStyleWord(rtf::NumberStyle style)
{
    switch (style) {
    case rtf::NumberStyle::LowerAlpha: return "pnlcltr";
    case rtf::NumberStyle::UpperAlpha: return "pnucltr";
    case rtf::NumberStyle::LowerRoman: return "pnlcrm";
    case rtf::NumberStyle::UpperRoman: return "pnucrm";
    case rtf::NumberStyle::Decimal: break;
    }
    return "pndec";
}

std::uint32_t Bgr(const QColor& color)
{
    return static_cast<std::uint32_t>(color.red()) | static_cast<std::uint32_t>(color.green()) << 8 |
           static_cast<std::uint32_t>(color.blue()) << 16;
}

// RTF text with its escapes, written to one output that tracks whether the last control
// word still needs a delimiter before text.
class RtfOutput {
public:
    explicit RtfOutput(std::string& out) : out_(out) {}

    void Raw(std::string_view text)
    {
        out_ += text;
        delimiter_ = false;
    }
    void Word(std::string_view word)
    {
        out_ += '\\';
        out_ += word;
        delimiter_ = true;
    }
    void Word(std::string_view word, int param)
    {
        Word(word);
        out_ += std::to_string(param);
    }
    void Byte(unsigned char byte)
    {
        out_ += "\\'";
        out_ += kHex[byte >> 4];
        out_ += kHex[byte & 15];
        delimiter_ = false;
    }

    void Text(QStringView text, rtf::CodePageEncoder& encoder)
    {
        const char16_t* p = text.utf16();
        const char16_t* end = p + text.size();
        while (p < end) {
            // Plain ASCII goes out as it is, in one piece.
            const char16_t* run = p;
            while (p < end && *p >= 0x20 && *p < 0x7F && *p != u'\\' && *p != u'{' && *p != u'}')
                ++p;
            if (p > run) {
                if (delimiter_) {
                    const char16_t first = *run;
                    if ((first >= u'a' && first <= u'z') || (first >= u'A' && first <= u'Z') ||
                        (first >= u'0' && first <= u'9') || first == u' ' || first == u'-')
                        out_ += ' ';
                    delimiter_ = false;
                }
                const std::size_t start = out_.size();
                out_.resize(start + static_cast<std::size_t>(p - run));
                for (char* dst = out_.data() + start; run < p; ++run)
                    *dst++ = static_cast<char>(*run);
            }
            if (p < end)
                Special(*p++, encoder);
        }
    }

private:
    void Special(char16_t c, rtf::CodePageEncoder& encoder)
    {
        switch (c) {
        case u'\\': Raw("\\\\"); return;
        case u'{': Raw("\\{"); return;
        case u'}': Raw("\\}"); return;
        case u'\t': Word("tab"); return;
        case 0x2028: Word("line"); return;
        case 0x00A0: Raw("\\~"); return;
        case 0x00AD: Raw("\\-"); return;
        case 0x2011: Raw("\\_"); return;
        case 0xFFFC: return;
        default: break;
        }
        if (c < 0x20)
            return;
        const std::string_view bytes = encoder.Encode(c);
        if (!bytes.empty()) {
            for (char b : bytes)
                Byte(static_cast<unsigned char>(b));
            return;
        }
        Word("u", c > 0x7FFF ? static_cast<int>(c) - 0x10000 : static_cast<int>(c));
        Raw("?");
    }

    std::string& out_;
    bool delimiter_ = false;
};

class Writer {
public:
    explicit Writer(const QTextDocument& document) : document_(document), body_(bodyBytes_)
    {
        const QFont font = document.defaultFont();
        defaultFont_.face = defaultFont_.family = font.family().left(31);
        defaultHalfPoints_ = font.pointSizeF() > 0 ? RoundToInt(font.pointSizeF() * 2)
                                                   : font.pixelSize() * static_cast<int>(kTwipsPerUnit) / 10;
    }

    std::string Write()
    {
        bodyBytes_.reserve(static_cast<std::size_t>(document_.characterCount()) * 11 / 10 + 64);
        bool first = true;
        rtf::ParaFormat previous;
        for (QTextBlock block = document_.begin(); block.isValid(); block = block.next()) {
            const rtf::ParaFormat props = ParaFormatOf(block);
            WriteParagraphStart(block, props, first || !(props == previous));
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextFragment fragment = it.fragment();
                if (fragment.isValid())
                    WriteFragment(fragment);
            }
            CloseLink();
            if (block.length() <= 1)
                WriteFormat(block.charFormatIndex(), block.charFormat()); // what is typed into the empty paragraph
            body_.Word("par");
            body_.Raw("\r\n");
            previous = props;
            first = false;
        }
        return Assemble();
    }

private:
    void WriteParagraphStart(const QTextBlock& block, const rtf::ParaFormat& props, bool changed)
    {
        if (changed)
            body_.Word("pard");
        if (props.numbering == rtf::Numbering::Bullet) {
            const int symbol = FontIndex({"Symbol", "Symbol", 2, 0, 0});
            body_.Raw("{\\pntext\\f" + std::to_string(symbol) + "\\'b7\\tab}");
            if (changed)
                body_.Raw("{\\*\\pn\\pnlvlblt\\pnf" + std::to_string(symbol) + "\\pnindent0{\\pntxtb\\'b7}}");
        } else if (props.numbering == rtf::Numbering::Other) {
            body_.Raw("{\\pntext ");
            body_.Text(block.textList()->itemText(block), Encoder(1252));
            body_.Word("tab");
            body_.Raw("}");
            if (changed)
                body_.Raw(std::string("{\\*\\pn\\pnlvlbody\\pnf0\\pnindent0\\pnstart1\\") + NumberStyleWord(props.numberStyle) +
                          "{\\pntxta.}}");
        }
        if (!changed)
            return;
        if (props.firstIndent != 0)
            body_.Word("fi", props.firstIndent);
        if (props.leftIndent != 0)
            body_.Word("li", props.leftIndent);
        if (props.rightIndent != 0)
            body_.Word("ri", props.rightIndent);
        switch (props.alignment) {
        case rtf::Alignment::Center: body_.Word("qc"); break;
        case rtf::Alignment::Right: body_.Word("qr"); break;
        case rtf::Alignment::Justify: body_.Word("qj"); break;
        case rtf::Alignment::Left: break;
        }
    }

    void WriteFragment(const QTextFragment& fragment)
    {
        const QTextCharFormat format = fragment.charFormat();
        if (format.isAnchor()) {
            const QString href = format.anchorHref();
            if (!inLink_ || href != linkHref_) {
                CloseLink();
                OpenLink(href);
            }
        } else {
            CloseLink();
        }
        if (IsPicture(format)) {
            for (qsizetype i = 0; i < fragment.length(); ++i)
                WritePicture(fragment.charFormatIndex(), format);
            return;
        }
        WriteFormat(fragment.charFormatIndex(), format);
        body_.Text(fragment.text(), Encoder(rtf::CodePageOfCharset(fonts_[static_cast<std::size_t>(state_.font)].charset)));
    }

    void OpenLink(const QString& href)
    {
        // Field arguments escape backslashes and quotes with a backslash; characters beyond
        // ASCII go as \u, whatever font the field stands in.
        QString target = href;
        target.replace(u'\\', QStringLiteral("\\\\")).replace(u'"', QStringLiteral("\\\""));
        body_.Raw("{\\field{\\*\\fldinst{HYPERLINK \"");
        body_.Text(target, asciiOnly_);
        body_.Raw("\"}}{\\fldrslt{");
        linkSaved_ = state_;
        linkHref_ = href;
        inLink_ = true;
    }

    void CloseLink()
    {
        if (!inLink_)
            return;
        body_.Raw("}}}");
        state_ = linkSaved_;
        inLink_ = false;
    }

    // `index` is the format's in the document: a document has few formats and many runs, so
    // each is turned into what RTF carries once.
    void WriteFormat(int index, const QTextCharFormat& format)
    {
        const auto [known, added] = runFormats_.try_emplace(index);
        if (added)
            known->second = RunFormatOf(format);
        const RunFormat run = known->second;
        if (run.font != state_.font)
            body_.Word("f", run.font);
        if (run.halfPoints != state_.halfPoints)
            body_.Word("fs", run.halfPoints);
        if (run.bold != state_.bold)
            run.bold ? body_.Word("b") : body_.Word("b0");
        if (run.italic != state_.italic)
            run.italic ? body_.Word("i") : body_.Word("i0");
        if (run.underline != state_.underline)
            run.underline ? body_.Word("ul") : body_.Word("ulnone");
        if (run.strike != state_.strike)
            run.strike ? body_.Word("strike") : body_.Word("strike0");
        if (run.color != state_.color)
            body_.Word("cf", run.color);
        if (run.background != state_.background)
            body_.Word("highlight", run.background);
        state_ = run;
    }

    void WritePicture(int index, const QTextCharFormat& format)
    {
        WriteFormat(index, format);
        const EmbeddedPicture picture = PictureOf(format);
        body_.Raw("{");
        body_.Word("pict");
        switch (picture.kind) {
        case PictureKind::Png: body_.Word("pngblip"); break;
        case PictureKind::Jpeg: body_.Word("jpegblip"); break;
        case PictureKind::Emf: body_.Word("emfblip"); break;
        case PictureKind::Wmf: body_.Word("wmetafile", picture.mapping); break;
        }
        body_.Word("picw", picture.width);
        body_.Word("pich", picture.height);
        if (picture.goalWidth > 0 || picture.goalHeight > 0) {
            body_.Word("picwgoal", picture.goalWidth);
            body_.Word("pichgoal", picture.goalHeight);
        }
        if (picture.scaleX != 100 || picture.scaleY != 100) {
            body_.Word("picscalex", picture.scaleX);
            body_.Word("picscaley", picture.scaleY);
        }
        std::string hex;
        const qsizetype size = picture.bytes.size();
        hex.reserve(static_cast<std::size_t>(size * 2 + size / 32 + 4));
        hex += "\r\n";
        const auto* bytes = reinterpret_cast<const unsigned char*>(picture.bytes.constData());
        for (qsizetype i = 0; i < size; ++i) {
            hex += kHex[bytes[i] >> 4];
            hex += kHex[bytes[i] & 15];
            if (i % 64 == 63 && i + 1 < size)
                hex += "\r\n";
        }
        hex += '}';
        body_.Raw(hex);
    }

    RunFormat RunFormatOf(const QTextCharFormat& format)
    {
        FontEntry font = defaultFont_;
        const QString face = format.property(FaceNameProperty).toString();
        const QStringList families = format.fontFamilies().toStringList();
        const QString family = families.isEmpty() ? QString() : families.first();
        if (!face.isEmpty() || !family.isEmpty()) {
            font.family = family.isEmpty() ? face : family;
            font.face = (face.isEmpty() ? font.family : face).left(31);
        }
        font.charset = format.hasProperty(CharsetProperty) ? format.intProperty(CharsetProperty) : 0;
        font.pitch = format.hasProperty(PitchProperty) ? format.intProperty(PitchProperty)
                                                        : (format.fontFixedPitch() ? 1 : 0);
        font.familyClass = format.intProperty(FontFamilyClassProperty);

        RunFormat run;
        run.font = FontIndex(font);
        if (format.hasProperty(QTextFormat::FontPointSize))
            run.halfPoints = std::clamp(RoundToInt(format.fontPointSize() * 2), 1, 3276);
        else if (format.hasProperty(QTextFormat::FontPixelSize))
            run.halfPoints = std::clamp(format.intProperty(QTextFormat::FontPixelSize) * 3 / 2, 1, 3276);
        else
            run.halfPoints = defaultHalfPoints_;
        run.bold = format.hasProperty(QTextFormat::FontWeight) ? format.fontWeight() >= QFont::DemiBold
                                                               : document_.defaultFont().bold();
        run.italic = format.fontItalic();
        run.underline = format.fontUnderline() || format.underlineStyle() != QTextCharFormat::NoUnderline;
        run.strike = format.fontStrikeOut();
        if (HasBrush(format, QTextFormat::ForegroundBrush))
            run.color = ColorIndex(format.foreground().color());
        if (HasBrush(format, QTextFormat::BackgroundBrush))
            run.background = ColorIndex(format.background().color());
        return run;
    }

    int FontIndex(const FontEntry& font)
    {
        const auto found = std::find(fonts_.begin(), fonts_.end(), font);
        if (found != fonts_.end())
            return static_cast<int>(found - fonts_.begin());
        fonts_.push_back(font);
        return static_cast<int>(fonts_.size()) - 1;
    }

    int ColorIndex(const QColor& color)
    {
        const std::uint32_t bgr = Bgr(color);
        const auto found = std::find(colors_.begin(), colors_.end(), bgr);
        if (found != colors_.end())
            return static_cast<int>(found - colors_.begin()) + 1;
        colors_.push_back(bgr);
        return static_cast<int>(colors_.size());
    }

    rtf::CodePageEncoder& Encoder(int codePage)
    {
        if (codePage == 0)
            codePage = 1252;
        return encoders_.try_emplace(codePage, codePage).first->second;
    }

    std::string Assemble()
    {
        std::string out;
        out.reserve(bodyBytes_.size() + 256);
        RtfOutput header(out);
        if (fonts_.empty())
            fonts_.push_back(defaultFont_);
        // Font 0, the default font, is the first one the text uses.
        header.Raw("{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl");
        for (std::size_t i = 0; i < fonts_.size(); ++i) {
            const FontEntry& font = fonts_[i];
            header.Raw("{");
            header.Word("f", static_cast<int>(i));
            header.Word(FamilyWord(font.familyClass));
            header.Word("fcharset", font.charset);
            if (font.pitch != 0)
                header.Word("fprq", font.pitch);
            rtf::CodePageEncoder& encoder = Encoder(rtf::CodePageOfCharset(font.charset));
            if (font.family != font.face) {
                header.Raw("{\\*\\fname ");
                header.Text(font.family, encoder);
                header.Raw(";}");
            }
            QString face = font.face;
            face.replace(u';', u',');
            header.Text(face, encoder);
            header.Raw(";}");
        }
        header.Raw("}\r\n");
        if (!colors_.empty()) {
            header.Raw("{\\colortbl ;");
            for (std::uint32_t bgr : colors_) {
                header.Word("red", static_cast<int>(bgr & 0xFF));
                header.Word("green", static_cast<int>((bgr >> 8) & 0xFF));
                header.Word("blue", static_cast<int>((bgr >> 16) & 0xFF));
                header.Raw(";");
            }
            header.Raw("}\r\n");
        }
        header.Raw("\\viewkind4\\uc1");
        out += bodyBytes_;
        out += "}\r\n";
        return out;
    }

    const QTextDocument& document_;
    std::string bodyBytes_;
    RtfOutput body_;
    FontEntry defaultFont_;
    int defaultHalfPoints_ = 24;
    std::vector<FontEntry> fonts_;
    std::vector<std::uint32_t> colors_;
    std::map<int, rtf::CodePageEncoder> encoders_;
    rtf::CodePageEncoder asciiOnly_{rtf::CodePageEncoder::kAsciiOnly};
    std::unordered_map<int, RunFormat> runFormats_;
    RunFormat state_;
    bool inLink_ = false;
    QString linkHref_;
    RunFormat linkSaved_;
};

} // namespace

std::string WriteRtf(const QTextDocument& document)
{
    return Writer(document).Write();
}

std::string WritePlainText(const QTextDocument& document, rtf::PlainEncoding encoding)
{
    const QTextBlock first = document.begin();
    if (!first.next().isValid() && first.length() <= 1)
        return {};
    QString text;
    text.reserve(document.characterCount() + document.blockCount());
    for (QTextBlock block = first; block.isValid(); block = block.next()) {
        QString line = block.text();
        line.remove(QChar::ObjectReplacementCharacter);
        line.replace(QChar::LineSeparator, QStringLiteral("\r\n"));
        text += line;
        text += QStringLiteral("\r\n");
    }
    std::string out;
    if (encoding == rtf::PlainEncoding::Utf16) {
        out.resize(static_cast<std::size_t>(text.size()) * 2);
        qToLittleEndian<char16_t>(text.utf16(), text.size(), out.data());
        return out;
    }
    rtf::CodePageEncoder encoder(1252);
    out.reserve(static_cast<std::size_t>(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        const std::string_view bytes = encoder.Encode(c);
        if (bytes.empty())
            out += '?';
        else
            out += bytes;
    }
    return out;
}

} // namespace quill::richtext
