#include "document_builder.h"

#include "picture_object.h"
#include "text_format.h"

#include "storage/rounding.h"

#include <QColor>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextList>

#include <algorithm>

namespace quill::richtext {

namespace {

QColor ToColor(std::uint32_t bgr)
{
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}

Qt::Alignment ToQt(rtf::Alignment alignment)
{
    switch (alignment) {
    case rtf::Alignment::Right: return Qt::AlignRight;
    case rtf::Alignment::Center: return Qt::AlignHCenter;
    case rtf::Alignment::Justify: return Qt::AlignJustify;
    case rtf::Alignment::Left: break;
    }
    return Qt::AlignLeft;
}

QTextListFormat::Style ListStyleOf(const rtf::ParaFormat& format)
{
    if (format.numbering == rtf::Numbering::Bullet)
        return QTextListFormat::ListDisc;
    switch (format.numberStyle) {
    case rtf::NumberStyle::LowerAlpha: return QTextListFormat::ListLowerAlpha;
    case rtf::NumberStyle::UpperAlpha: return QTextListFormat::ListUpperAlpha;
    case rtf::NumberStyle::LowerRoman: return QTextListFormat::ListLowerRoman;
    case rtf::NumberStyle::UpperRoman: return QTextListFormat::ListUpperRoman;
    case rtf::NumberStyle::Decimal: break;
    }
    return QTextListFormat::ListDecimal;
}

// Builds into a fresh document of the same defaults, for a paste.
class ScratchDocument {
public:
    explicit ScratchDocument(const QTextDocument& like)
    {
        document_.setDefaultFont(like.defaultFont());
        PictureObjectHandler::Register(&document_);
    }
    QTextDocument& get() { return document_; }

private:
    QTextDocument document_;
};

template <typename Read>
bool Load(QTextDocument& document, BuildOptions options, Read read)
{
    // The emptying and the reading share one edit block, so the layout and the listeners see
    // one change: the whole document inserted at 0, nothing removed. Qt's layout takes that
    // as a new document and lays it out in steps between events, where a change that also
    // replaced the empty document's paragraph would be laid out at once. The root frame's
    // format (the margins) is the document's, not the content's, and stays.
    const QTextFrameFormat root = document.rootFrame()->frameFormat();
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    document.clear();
    document.rootFrame()->setFrameFormat(root);
    PictureObjectHandler::Register(&document);
    rtf::Tables tables;
    DocumentBuilder builder(cursor, tables, options);
    const bool ok = read(builder, tables);
    builder.Finish();
    cursor.endEditBlock();
    return ok;
}

} // namespace

DocumentBuilder::DocumentBuilder(QTextCursor cursor, const rtf::Tables& tables, BuildOptions options)
    : cursor_(std::move(cursor)), tables_(tables), options_(options)
{
}

// A paragraph's runs wait for its end, which brings its format: the block is then made
// with that format in one step, and the runs go in after it.
void DocumentBuilder::Text(QStringView text, const rtf::CharFormat& format)
{
    runs_.push_back({text.toString(), CharFormatOf(format)});
}

void DocumentBuilder::InsertPicture(rtf::Picture&& picture, const rtf::CharFormat& format)
{
    if (options_.plain)
        return;
    runs_.push_back({QString(QChar::ObjectReplacementCharacter),
                     PictureCharFormat(FromRtf(std::move(picture)), CharFormatOf(format))});
}

void DocumentBuilder::EndParagraph(const rtf::ParaFormat& format, const rtf::CharFormat& mark)
{
    const QTextBlockFormat block = options_.plain ? QTextBlockFormat() : BlockFormatOf(format, options_.advancedTypography);
    const QTextCharFormat markFormat = options_.plain ? QTextCharFormat() : CharFormatOf(mark);
    if (firstParagraph_) {
        cursor_.setBlockFormat(block);
        cursor_.setBlockCharFormat(markFormat);
        firstParagraph_ = false;
    } else {
        cursor_.insertBlock(block, markFormat);
    }
    if (!options_.plain)
        JoinList(format);
    for (const Run& run : runs_)
        cursor_.insertText(run.text, run.format);
    runs_.clear();
}

void DocumentBuilder::Finish()
{
    if (!runs_.empty())
        EndParagraph(rtf::ParaFormat{}, rtf::CharFormat{});
}

void DocumentBuilder::JoinList(const rtf::ParaFormat& format)
{
    if (format.numbering == rtf::Numbering::None) {
        list_ = nullptr;
        return;
    }
    // Qt marks every item of a list changed each time an item joins it, so one long list
    // takes time with the square of its length. Bullets look the same in whichever list they
    // are, so a long run of them is made of lists of a bounded length; numbered items stay
    // in one list, which numbers them.
    const bool full = format.numbering == rtf::Numbering::Bullet && listItems_ >= kBulletsPerList;
    const bool continues = list_ && !full && listFormat_.numbering == format.numbering &&
                           listFormat_.numberStyle == format.numberStyle && listFormat_.listKey == format.listKey;
    if (continues) {
        list_->add(cursor_.block());
        ++listItems_;
        return;
    }
    QTextListFormat listFormat;
    listFormat.setStyle(ListStyleOf(format));
    listFormat.setIndent(0);
    list_ = cursor_.createList(listFormat);
    listFormat_ = format;
    listItems_ = 1;
}

const QTextCharFormat& DocumentBuilder::CharFormatOf(const rtf::CharFormat& source)
{
    if (madeForFonts_ != tables_.fontRevision) {
        made_.clear();
        nextMade_ = 0;
        madeForFonts_ = tables_.fontRevision;
    }
    for (const MadeFormat& made : made_)
        if (made.source == source)
            return made.format;
    std::size_t slot = made_.size();
    if (slot < kMadeFormats) {
        made_.emplace_back();
    } else {
        slot = nextMade_;
        nextMade_ = (nextMade_ + 1) % kMadeFormats;
    }
    made_[slot].source = source;
    QTextCharFormat& format = made_[slot].format;
    format = QTextCharFormat();
    if (options_.plain)
        return format;
    if (const rtf::Font* font = tables_.FindFont(source.font)) {
        if (!font->family.isEmpty())
            format.setFontFamilies(QStringList{font->family});
        format.setProperty(FaceNameProperty, font->face);
        // The text of a symbol font is read as characters, no longer as the font's codes:
        // its charset no longer applies to it.
        format.setProperty(CharsetProperty, font->symbol == rtf::SymbolCodes::None ? font->charset : 0);
        format.setProperty(PitchProperty, static_cast<int>(font->pitch));
        format.setProperty(FontFamilyClassProperty, static_cast<int>(font->familyClass));
        if (font->pitch == rtf::Pitch::Fixed)
            format.setFontFixedPitch(true);
    }
    format.setFontPointSize(source.halfPoints / 2.0);
    format.setFontWeight(source.bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(source.italic);
    format.setFontUnderline(source.underline);
    format.setFontStrikeOut(source.strike);
    if (source.color != rtf::kAutoColor)
        format.setForeground(ToColor(source.color));
    if (source.background != rtf::kAutoColor)
        format.setBackground(ToColor(source.background));
    if (source.link > 0) {
        format.setAnchor(true);
        format.setAnchorHref(tables_.LinkTarget(source.link));
    }
    return format;
}

void ApplyIndents(QTextBlockFormat& format, int firstIndent, int leftIndent, int rightIndent, bool listItem)
{
    auto set = [&format](int property, int twips) {
        if (twips != 0)
            format.setProperty(property, twips);
        else
            format.clearProperty(property);
    };
    set(FirstIndentProperty, firstIndent);
    set(LeftIndentProperty, leftIndent);
    set(RightIndentProperty, rightIndent);
    const double left = std::max(0, leftIndent) / kTwipsPerUnit;
    format.setLeftMargin(left);
    format.setRightMargin(std::max(0, rightIndent) / kTwipsPerUnit);
    format.setTextIndent(listItem ? 0.0 : std::max(firstIndent / kTwipsPerUnit, -left));
}

QTextBlockFormat BlockFormatOf(const rtf::ParaFormat& source, bool advancedTypography)
{
    QTextBlockFormat format;
    if (source.alignment == rtf::Alignment::Justify && !advancedTypography) {
        format.setAlignment(Qt::AlignLeft);
        format.setProperty(LogicalAlignmentProperty, static_cast<int>(rtf::Alignment::Justify));
    } else {
        format.setAlignment(ToQt(source.alignment));
    }
    ApplyIndents(format, source.firstIndent, source.leftIndent, source.rightIndent,
                 source.numbering != rtf::Numbering::None);
    return format;
}

rtf::ParaFormat ParaFormatOf(const QTextBlock& block)
{
    const QTextBlockFormat format = block.blockFormat();
    rtf::ParaFormat para;
    const Qt::Alignment horizontal = format.alignment() & Qt::AlignHorizontal_Mask;
    if (format.hasProperty(LogicalAlignmentProperty))
        para.alignment = static_cast<rtf::Alignment>(std::clamp(format.intProperty(LogicalAlignmentProperty), 0, 3));
    else if (horizontal & Qt::AlignJustify)
        para.alignment = rtf::Alignment::Justify;
    else if (horizontal & Qt::AlignHCenter)
        para.alignment = rtf::Alignment::Center;
    else if (horizontal & Qt::AlignRight)
        para.alignment = rtf::Alignment::Right;
    const QTextList* list = block.textList();
    // Indents as written; a block made without them has only its margins to go by.
    auto twips = [&format](int property, double units) {
        return format.hasProperty(property) ? format.intProperty(property) : RoundToInt(units * kTwipsPerUnit);
    };
    para.firstIndent = twips(FirstIndentProperty, list ? 0.0 : format.textIndent());
    para.leftIndent = twips(LeftIndentProperty, format.leftMargin());
    para.rightIndent = twips(RightIndentProperty, format.rightMargin());
    if (!list)
        return para;
    switch (list->format().style()) {
    case QTextListFormat::ListDisc:
    case QTextListFormat::ListCircle:
    case QTextListFormat::ListSquare:
        para.numbering = rtf::Numbering::Bullet;
        return para;
    case QTextListFormat::ListLowerAlpha: para.numberStyle = rtf::NumberStyle::LowerAlpha; break;
    case QTextListFormat::ListUpperAlpha: para.numberStyle = rtf::NumberStyle::UpperAlpha; break;
    case QTextListFormat::ListLowerRoman: para.numberStyle = rtf::NumberStyle::LowerRoman; break;
    case QTextListFormat::ListUpperRoman: para.numberStyle = rtf::NumberStyle::UpperRoman; break;
    default: break;
    }
    para.numbering = rtf::Numbering::Other;
    return para;
}

bool LoadRtf(QTextDocument& document, std::string_view bytes, BuildOptions options)
{
    if (!rtf::LooksLikeRtf(bytes))
        return false;
    return Load(document, options,
                [bytes](DocumentBuilder& builder, rtf::Tables& tables) { return rtf::ReadRtf(bytes, builder, tables); });
}

bool LoadPlainText(QTextDocument& document, std::string_view bytes, rtf::PlainEncoding encoding,
                   BuildOptions options)
{
    if (encoding == rtf::PlainEncoding::Utf16 && bytes.size() % 2 != 0)
        return false;
    options.plain = true;
    return Load(document, options, [bytes, encoding](DocumentBuilder& builder, rtf::Tables&) {
        return rtf::ReadPlainText(bytes, encoding, builder);
    });
}

bool InsertRtf(QTextCursor& cursor, std::string_view bytes, BuildOptions options)
{
    if (!rtf::LooksLikeRtf(bytes) || !cursor.document())
        return false;
    ScratchDocument scratch(*cursor.document());
    LoadRtf(scratch.get(), bytes, options);
    cursor.insertFragment(QTextDocumentFragment(&scratch.get()));
    return true;
}

} // namespace quill::richtext
