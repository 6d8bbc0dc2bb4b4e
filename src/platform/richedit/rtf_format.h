#pragma once

// What the RTF reader reports to its sinks: character and paragraph formats, pictures and
// the document tables they refer to. QtCore only, so that plain-text extraction stays light.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace quill::rtf {

// Colours are 0x00BBGGRR; automatic (follow the window text or window colour) is kAuto.
constexpr std::uint32_t kAutoColor = 0xFFFFFFFFu;

enum class Alignment : std::uint8_t { Left, Right, Center, Justify };
enum class Numbering : std::uint8_t { None, Bullet, Other };
enum class NumberStyle : std::uint8_t { Decimal, LowerAlpha, UpperAlpha, LowerRoman, UpperRoman };

// The \fnil ... \fbidi family of a font table entry.
enum class FontFamily : std::uint8_t { Nil, Roman, Swiss, Modern, Script, Decor, Tech, Bidi };

enum class Pitch : std::uint8_t { Default = 0, Fixed = 1, Variable = 2 };

// A font of symbols (\fcharset2) draws codes, not characters: the Symbol font's codes read
// as the characters it draws, those of the others (Wingdings and the like) as U+F000 + code.
enum class SymbolCodes : std::uint8_t { None, Symbol, Private };

struct Font {
    QString face;    // as written in the font table, at most 31 characters
    QString family;  // the face to show: the \fname alternative when there is one
    int charset = 0; // \fcharset
    Pitch pitch = Pitch::Default;
    FontFamily familyClass = FontFamily::Nil;
    int codePage = 0; // Windows code page of its 8-bit text; 0 for the document's
    SymbolCodes symbol = SymbolCodes::None;
};

struct CharFormat {
    int font = -1;        // font number (\fN), -1 for none
    int halfPoints = 24;  // \fs
    std::uint32_t color = kAutoColor;
    std::uint32_t background = kAutoColor;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    int link = 0; // 1-based index into Tables::links; 0 when the text is no link

    friend bool operator==(const CharFormat&, const CharFormat&) = default;
};

struct ParaFormat {
    Alignment alignment = Alignment::Left;
    int firstIndent = 0; // twips, relative to leftIndent (negative: the first line hangs)
    int leftIndent = 0;
    int rightIndent = 0;
    Numbering numbering = Numbering::None;
    NumberStyle numberStyle = NumberStyle::Decimal;
    int listKey = 0; // paragraphs next to each other with equal numbering and key form one list

    friend bool operator==(const ParaFormat&, const ParaFormat&) = default;
};

enum class PictureKind : std::uint8_t { Png, Jpeg, Emf, Wmf, Dib, DeviceBitmap };

struct Picture {
    PictureKind kind = PictureKind::Png;
    int width = 0;       // \picw: pixels for bitmaps, 0.01 mm for metafiles
    int height = 0;      // \pich
    int goalWidth = 0;   // \picwgoal, twips; 0 when not given
    int goalHeight = 0;  // \pichgoal
    int scaleX = 100;    // \picscalex, percent
    int scaleY = 100;
    int metafileMapping = 8; // N of \wmetafileN
    int bitsPerPixel = 1;    // \wbmbitspixel, device bitmaps only
    int widthBytes = 0;      // \wbmwidthbytes, device bitmaps only
    QByteArray data;         // the picture's bytes; empty unless the sink asked for them
};

struct Tables {
    std::vector<Font> fonts;
    std::unordered_map<int, std::size_t> fontIndex; // font number -> position in fonts
    std::vector<QString> links;                     // targets of HYPERLINK fields
    int codePage = 1252;                            // \ansicpg
    int fontRevision = 0;                           // counts the fonts written into the table

    const Font* FindFont(int number) const
    {
        const auto found = fontIndex.find(number);
        return found == fontIndex.end() ? nullptr : &fonts[found->second];
    }
    const QString& LinkTarget(int link) const { return links[static_cast<std::size_t>(link - 1)]; }
};

// Receives a document as the reader finds it. Text holds tabs as '\t' and soft line breaks
// as U+2028; a paragraph's text and pictures come before the EndParagraph that closes it,
// which also gives the format of the paragraph mark (what is typed into an empty paragraph).
class Sink {
public:
    virtual ~Sink() = default;
    virtual bool WantsPictureData() const { return false; }
    virtual void Text(QStringView text, const CharFormat& format) = 0;
    virtual void InsertPicture(Picture&& picture, const CharFormat& format) = 0;
    virtual void EndParagraph(const ParaFormat& format, const CharFormat& mark) = 0;
};

} // namespace quill::rtf
