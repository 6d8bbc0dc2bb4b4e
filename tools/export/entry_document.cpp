#include "entry_document.h"

#include "platform/richedit/document_builder.h"
#include "platform/richedit/link_detection.h"

#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextImageFormat>
#include <QUrl>

#include <memory>

namespace quill::tool {

namespace {

// The layout of a document that is only written out, never shown: Qt's own would lay out
// the text as it is loaded, which costs more than the loading and the writing together.
class NoLayout : public QAbstractTextDocumentLayout {
public:
    using QAbstractTextDocumentLayout::QAbstractTextDocumentLayout;
    void draw(QPainter*, const PaintContext&) override {}
    int hitTest(const QPointF&, Qt::HitTestAccuracy) const override { return -1; }
    int pageCount() const override { return 1; }
    QSizeF documentSize() const override { return {}; }
    QRectF frameBoundingRect(QTextFrame*) const override { return {}; }
    QRectF blockBoundingRect(const QTextBlock&) const override { return {}; }

protected:
    void documentChanged(int, int, int) override {}
};

QFont DefaultFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("sans-serif")});
    font.setPointSize(12);
    return font;
}

// A character range's format replaced by `format`.
void SetFormat(QTextDocument& document, int start, int length, const QTextCharFormat& format, bool merge)
{
    QTextCursor cursor(&document);
    cursor.setPosition(start);
    cursor.setPosition(start + length, QTextCursor::KeepAnchor);
    if (merge)
        cursor.mergeCharFormat(format);
    else
        cursor.setCharFormat(format);
}

// Calls `visit(position, length, format)` for every fragment of the document; the fragments
// are gathered first, so that `visit` may change formats.
template <typename Visit>
void ForEachFragment(const QTextDocument& document, Visit visit)
{
    struct Fragment {
        int position;
        int length;
        QTextCharFormat format;
    };
    std::vector<Fragment> fragments;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            fragments.push_back({it.fragment().position(), it.fragment().length(), it.fragment().charFormat()});
    for (const Fragment& fragment : fragments)
        visit(fragment.position, fragment.length, fragment.format);
}

// Qt gives a list item its character format's style and its paragraph's style as two
// attributes, of which a browser takes only the first: they become one.
void MergeListItemStyles(QString& html)
{
    const QLatin1String item("<li style=\"");
    const QLatin1String secondStyle("\" style=\"");
    for (qsizetype at = html.indexOf(item); at >= 0; at = html.indexOf(item, at)) {
        const qsizetype first = at + item.size();
        const qsizetype firstEnd = html.indexOf(u'"', first);
        if (firstEnd < 0)
            return;
        at = firstEnd;
        if (!QStringView(html).sliced(firstEnd).startsWith(secondStyle))
            continue;
        const qsizetype second = firstEnd + secondStyle.size();
        const qsizetype secondEnd = html.indexOf(u'"', second);
        if (secondEnd < 0)
            return;
        const QString merged = html.sliced(second, secondEnd - second) + html.sliced(first, firstEnd - first);
        html.replace(first, secondEnd - first, merged);
        at = first + merged.size();
    }
}

} // namespace

EntryDocument::EntryDocument(std::string_view body)
{
    document_.setDocumentLayout(std::make_unique<NoLayout>(&document_).release()); // the document owns it
    document_.setDefaultFont(DefaultFont());
    document_.setUndoRedoEnabled(false);
    const richtext::BuildOptions options{false, true};
    if (!richtext::LoadRtf(document_, body, options))
        richtext::LoadPlainText(document_, body, rtf::PlainEncoding::Windows1252, options);
    // Runs in the document's default font carry no font in Qt's HTML, which is then shorter
    // and quicker to write. Most runs are in the font the entry begins with.
    const QTextCharFormat first = document_.begin().charFormat();
    if (!first.fontFamilies().toStringList().isEmpty() && first.hasProperty(QTextFormat::FontPointSize)) {
        QFont font;
        font.setFamilies(first.fontFamilies().toStringList());
        font.setPointSizeF(first.fontPointSize());
        document_.setDefaultFont(font);
        ownFont_ = true;
    }
}

std::vector<PictureFile> EntryDocument::ReferToPictureFiles(const QString& folderUrl, const std::string& stem)
{
    std::vector<PictureFile> files;
    // Only the object characters are looked at: most entries have none.
    const QString text = document_.toRawText();
    for (qsizetype at = text.indexOf(QChar::ObjectReplacementCharacter); at >= 0;
         at = text.indexOf(QChar::ObjectReplacementCharacter, at + 1)) {
        const int position = static_cast<int>(at);
        QTextCursor cursor(&document_);
        cursor.setPosition(position + 1); // the format of the character before
        const QTextCharFormat format = cursor.charFormat();
        if (!richtext::IsPicture(format))
            continue;
        PictureFile file;
        file.picture = richtext::PictureOf(format);
        file.shown = ShownPixels(file.picture);
        file.name = stem + '-' + std::to_string(files.size() + 1) + '.' + PictureFileExtension(file.picture);
        QTextImageFormat image;
        image.setName(folderUrl + QString::fromStdString(file.name));
        image.setWidth(file.shown.width());
        image.setHeight(file.shown.height());
        image.setProperty(QTextFormat::ImageAltText, QStringLiteral("Picture"));
        if (format.isAnchor()) {
            image.setAnchor(true);
            image.setAnchorHref(format.anchorHref());
        }
        SetFormat(document_, position, 1, image, false);
        files.push_back(std::move(file));
    }
    return files;
}

void EntryDocument::LinkDetectedAddresses()
{
    // Paragraph by paragraph, in the document's own text: its positions are the cursor's.
    const QString text = document_.toRawText();
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf(QChar::ParagraphSeparator, start);
        if (end < 0)
            end = text.size();
        for (const richtext::LinkRange& link : richtext::DetectLinks(QStringView(text).sliced(start, end - start))) {
            const int position = static_cast<int>(start + link.start);
            const int length = static_cast<int>(link.length);
            // The shown text of a link field keeps the field's target.
            QTextCursor first(&document_);
            first.setPosition(position + 1);
            if (first.charFormat().isAnchor())
                continue;
            QTextCharFormat anchor;
            anchor.setAnchor(true);
            anchor.setAnchorHref(QUrl::fromUserInput(text.sliced(position, length)).toString(QUrl::FullyEncoded));
            SetFormat(document_, position, length, anchor, true);
        }
        start = end + 1;
    }
}

QString EntryDocument::BodyHtml() const
{
    const QString html = document_.toHtml();
    const qsizetype body = html.indexOf(QLatin1String("<body"));
    const qsizetype start = body < 0 ? -1 : html.indexOf(u'>', body);
    const qsizetype end = html.lastIndexOf(QLatin1String("</body>"));
    if (start < 0 || end < start)
        return html;
    QString content = html.sliced(start + 1, end - start - 1).trimmed();
    MergeListItemStyles(content);
    // The body's style gives the document's default font; the page's style sheet gives the
    // generic one itself, which Qt would write quoted, as if it were a font's name.
    const QStringView style = ownFont_ ? QStringView(html).sliced(body, start - body) : QStringView();
    const qsizetype styleStart = style.indexOf(QLatin1String("style=\""));
    return QLatin1String("<div class=\"body\"") +
           (styleStart < 0 ? QString() : u' ' + style.sliced(styleStart).toString()) + QLatin1String(">\n") + content +
           QLatin1String("\n</div>");
}

QString EntryDocument::Markdown()
{
    ForEachFragment(document_, [this](int position, int length, const QTextCharFormat& format) {
        if (format.isImageFormat())
            return;
        QTextCharFormat kept;
        if (format.fontWeight() >= QFont::Bold)
            kept.setFontWeight(QFont::Bold);
        kept.setFontItalic(format.fontItalic());
        kept.setFontStrikeOut(format.fontStrikeOut());
        SetFormat(document_, position, length, kept, false);
    });
    return document_.toMarkdown(QTextDocument::MarkdownDialectGitHub);
}

} // namespace quill::tool
