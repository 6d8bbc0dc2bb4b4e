#pragma once

// Builds a QTextDocument from what the RTF reader (or the plain-text reader) reports.

#include "rtf_format.h"
#include "rtf_reader.h"

#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>

#include <string_view>
#include <vector>

class QTextDocument;
class QTextList;

namespace quill::richtext {

struct BuildOptions {
    bool plain = false;              // text only, in the document's default format
    bool advancedTypography = true;  // justified paragraphs shown justified
};

class DocumentBuilder : public rtf::Sink {
public:
    DocumentBuilder(QTextCursor cursor, const rtf::Tables& tables, BuildOptions options);

    bool WantsPictureData() const override { return !options_.plain; }
    void Text(QStringView text, const rtf::CharFormat& format) override;
    void InsertPicture(rtf::Picture&& picture, const rtf::CharFormat& format) override;
    void EndParagraph(const rtf::ParaFormat& format, const rtf::CharFormat& mark) override;
    // Puts in what came after the last paragraph end.
    void Finish();

private:
    struct Run {
        QString text;
        QTextCharFormat format;
    };

    const QTextCharFormat& CharFormatOf(const rtf::CharFormat& format);
    void JoinList(const rtf::ParaFormat& format);

    QTextCursor cursor_;
    const rtf::Tables& tables_;
    const BuildOptions options_;
    bool firstParagraph_ = true;
    std::vector<Run> runs_;

    // The formats made last, for the fonts as the table has them: text mostly switches
    // between a few formats, and making one costs more than finding it here.
    struct MadeFormat {
        rtf::CharFormat source;
        QTextCharFormat format;
    };
    static constexpr std::size_t kMadeFormats = 8;
    std::vector<MadeFormat> made_;
    std::size_t nextMade_ = 0; // the one a new format replaces once all are taken
    int madeForFonts_ = -1;    // the font table's revision they were made for

    QTextList* list_ = nullptr; // the list the previous paragraph belongs to
    rtf::ParaFormat listFormat_;
    int listItems_ = 0;
    static constexpr int kBulletsPerList = 16;
};

// The block format of a paragraph: alignment, indents in twips and the margins derived from them.
QTextBlockFormat BlockFormatOf(const rtf::ParaFormat& format, bool advancedTypography);

// What a block holds of a paragraph format, the inverse of BlockFormatOf: the alignment it
// has (also while it is shown otherwise), indents in twips, and numbering.
rtf::ParaFormat ParaFormatOf(const QTextBlock& block);

// Sets the margins Qt lays out with from indents in twips; list items draw their bullet in
// the hanging space, so their first line is not indented.
void ApplyIndents(QTextBlockFormat& format, int firstIndent, int leftIndent, int rightIndent, bool listItem);

// Replaces the document's whole content. Returns false, leaving the document as it was, when
// the bytes are not RTF (or, for plain text, not text in that encoding).
bool LoadRtf(QTextDocument& document, std::string_view bytes, BuildOptions options);
bool LoadPlainText(QTextDocument& document, std::string_view bytes, rtf::PlainEncoding encoding,
                   BuildOptions options);

// Inserts an RTF document at the cursor, replacing its selection, as a paste does. Returns
// false, changing nothing, when the bytes are not RTF.
bool InsertRtf(QTextCursor& cursor, std::string_view bytes, BuildOptions options);

} // namespace quill::richtext
