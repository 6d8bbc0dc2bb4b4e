#pragma once

// A document described by what RTF keeps of it: the text of every paragraph in runs of equal
// character attributes, the paragraph attributes, and pictures with their bytes. Two
// documents that RTF cannot tell apart have the same description.

#include "platform/richedit/document_builder.h"
#include "platform/richedit/picture_object.h"
#include "platform/richedit/text_format.h"

#include <QFont>
#include <QStringList>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>

#include <memory>

namespace testsupport {

// A document with the control's defaults: Arial at 15 pixels, pictures drawn.
inline std::unique_ptr<QTextDocument> MakeDocument()
{
    auto document = std::make_unique<QTextDocument>();
    QFont base(QStringLiteral("Arial"));
    base.setPixelSize(15);
    document->setDefaultFont(base);
    quill::richtext::PictureObjectHandler::Register(document.get());
    return document;
}

inline std::unique_ptr<QTextDocument> DocumentFromRtf(std::string_view rtf)
{
    auto document = MakeDocument();
    quill::richtext::LoadRtf(*document, rtf, {});
    return document;
}

inline QString CharacterSignature(const QTextCharFormat& format, const QTextDocument& document)
{
    using namespace quill::richtext;
    QString face = format.property(FaceNameProperty).toString();
    const QStringList families = format.fontFamilies().toStringList();
    const QString family = families.isEmpty() ? document.defaultFont().family() : families.first();
    if (face.isEmpty())
        face = family;
    const double points = format.hasProperty(QTextFormat::FontPointSize) ? format.fontPointSize()
                          : format.hasProperty(QTextFormat::FontPixelSize)
                              ? format.intProperty(QTextFormat::FontPixelSize) * 0.75
                              : document.defaultFont().pixelSize() * 0.75;
    auto colour = [&format](int property) {
        return format.hasProperty(property) && format.brushProperty(property).style() != Qt::NoBrush
                   ? format.brushProperty(property).color().name()
                   : QStringLiteral("auto");
    };
    QString signature = QStringLiteral("%1/%2/%3pt/c%4/p%5").arg(face, family).arg(static_cast<int>(points * 2) / 2.0)
                            .arg(format.intProperty(CharsetProperty)).arg(format.intProperty(PitchProperty));
    signature += format.fontWeight() >= QFont::DemiBold ? QStringLiteral("/b") : QString();
    signature += format.fontItalic() ? QStringLiteral("/i") : QString();
    signature += format.fontUnderline() ? QStringLiteral("/u") : QString();
    signature += format.fontStrikeOut() ? QStringLiteral("/s") : QString();
    signature += QStringLiteral("/fg:") + colour(QTextFormat::ForegroundBrush);
    signature += QStringLiteral("/bg:") + colour(QTextFormat::BackgroundBrush);
    if (format.isAnchor())
        signature += QStringLiteral("/link:") + format.anchorHref();
    if (IsPicture(format)) {
        const EmbeddedPicture picture = PictureOf(format);
        signature += QStringLiteral("/picture:%1:%2x%3:%4x%5:%6x%7:%8:")
                         .arg(static_cast<int>(picture.kind))
                         .arg(picture.width)
                         .arg(picture.height)
                         .arg(picture.goalWidth)
                         .arg(picture.goalHeight)
                         .arg(picture.scaleX)
                         .arg(picture.scaleY)
                         .arg(picture.kind == PictureKind::Wmf ? picture.mapping : 0);
        signature += QString::fromLatin1(picture.bytes.toHex());
    }
    return signature;
}

inline QString ParagraphSignature(const QTextBlock& block)
{
    using namespace quill::richtext;
    const QTextBlockFormat format = block.blockFormat();
    int alignment = static_cast<int>(format.alignment() & Qt::AlignHorizontal_Mask);
    if (format.hasProperty(LogicalAlignmentProperty))
        alignment = 1000 + format.intProperty(LogicalAlignmentProperty);
    QString numbering = QStringLiteral("none");
    if (const QTextList* list = block.textList())
        numbering = QString::number(list->format().style());
    return QStringLiteral("align %1 fi %2 li %3 ri %4 numbering %5")
        .arg(alignment)
        .arg(format.intProperty(FirstIndentProperty))
        .arg(format.intProperty(LeftIndentProperty))
        .arg(format.intProperty(RightIndentProperty))
        .arg(numbering);
}

inline QStringList Signature(const QTextDocument& document)
{
    QStringList lines;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        lines << QStringLiteral("paragraph: ") + ParagraphSignature(block);
        QString previous;
        QString text;
        auto flush = [&] {
            if (!text.isEmpty())
                lines << QStringLiteral("  [%1] %2").arg(previous, text);
            text.clear();
        };
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QString signature = CharacterSignature(fragment.charFormat(), document);
            if (signature != previous)
                flush();
            previous = signature;
            text += fragment.text();
        }
        flush();
        if (block.length() <= 1)
            lines << QStringLiteral("  mark: ") + CharacterSignature(block.charFormat(), document);
    }
    return lines;
}

} // namespace testsupport
