#pragma once

// Random documents with every attribute RTF keeps, for round trips and for comparing the
// control's text with the plain-text extraction.

#include "document_signature.h"
#include "support.h"

#include "platform/richedit/document_builder.h"
#include "platform/richedit/picture_object.h"
#include "platform/richedit/text_format.h"

#include <QImage>
#include <QRandomGenerator>
#include <QTextCursor>
#include <QTextList>

namespace testsupport {

using namespace quill;
using namespace quill::richtext;

// Random documents with every attribute RTF keeps.
class DocumentGenerator {
public:
    DocumentGenerator(quint32 seed, QByteArray jpeg) : rng_(seed), jpeg_(std::move(jpeg)) {}

    std::unique_ptr<QTextDocument> Make()
    {
        auto document = MakeDocument();
        QTextCursor cursor(document.get());
        QTextList* list = nullptr;
        rtf::ParaFormat listFormat;
        const int paragraphs = Pick(1, 7);
        for (int p = 0; p < paragraphs; ++p) {
            if (p > 0)
                cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
            const rtf::ParaFormat para = RandomParagraph();
            cursor.setBlockFormat(BlockFormatOf(para, true));
            if (para.numbering == rtf::Numbering::None) {
                list = nullptr;
            } else if (list && listFormat.numbering == para.numbering && listFormat.numberStyle == para.numberStyle) {
                // Paragraphs next to each other with the same numbering are one list, as RTF has it.
                list->add(cursor.block());
            } else {
                QTextListFormat format;
                format.setIndent(0);
                format.setStyle(para.numbering == rtf::Numbering::Bullet ? QTextListFormat::ListDisc
                                : para.numberStyle == rtf::NumberStyle::LowerRoman ? QTextListFormat::ListLowerRoman
                                                                                   : QTextListFormat::ListDecimal);
                list = cursor.createList(format);
                listFormat = para;
            }
            const int runs = Pick(0, 6);
            if (runs == 0) {
                QTextCharFormat mark = RandomCharacters(); // a paragraph mark is never a link
                mark.setAnchor(false);
                mark.clearProperty(QTextFormat::AnchorHref);
                cursor.setBlockCharFormat(mark);
            }
            for (int r = 0; r < runs; ++r) {
                const QTextCharFormat format = RandomCharacters();
                if (Pick(0, 9) == 0)
                    cursor.insertText(QString(QChar::ObjectReplacementCharacter), PictureCharFormat(RandomPicture(), format));
                else
                    cursor.insertText(RandomText(), format);
            }
        }
        return document;
    }

private:
    int Pick(int low, int high) { return static_cast<int>(rng_.bounded(low, high + 1)); }
    bool Chance(int percent) { return Pick(0, 99) < percent; }

    rtf::ParaFormat RandomParagraph()
    {
        rtf::ParaFormat para;
        para.alignment = static_cast<rtf::Alignment>(Pick(0, 3));
        para.firstIndent = Chance(40) ? Pick(-40, 40) * 10 : 0;
        para.leftIndent = Chance(40) ? Pick(0, 100) * 10 : 0;
        para.rightIndent = Chance(20) ? Pick(0, 50) * 10 : 0;
        const int numbering = Pick(0, 5);
        if (numbering == 1 || numbering == 2) {
            para.numbering = rtf::Numbering::Bullet;
        } else if (numbering == 3) {
            para.numbering = rtf::Numbering::Other;
            para.numberStyle = Chance(50) ? rtf::NumberStyle::Decimal : rtf::NumberStyle::LowerRoman;
        }
        return para;
    }

    QTextCharFormat RandomCharacters()
    {
        struct Face {
            const char* face;
            const char* family;
            int charset;
            int pitch;
        };
        static const Face faces[] = {
            {"Arial", "Arial", 0, 0},           {"Times New Roman", "Times New Roman", 0, 2},
            {"Arial CYR", "Arial", 204, 0},     {"Courier New", "Courier New", 0, 1},
            {"Arial Greek", "Arial", 161, 0},   {"MS Mincho", "MS Mincho", 128, 1},
        };
        static const char* const links[] = {"http://example.com/a", "", "file:C:\\x \"y\".txt", "mailto:a@b.c",
                                            "https://ex.org/?q=1&r=\xc3\xa9"};
        QTextCharFormat format;
        if (Chance(80)) {
            const Face& face = faces[Pick(0, 5)];
            format.setFontFamilies({QString::fromLatin1(face.family)});
            format.setProperty(FaceNameProperty, QString::fromLatin1(face.face));
            format.setProperty(CharsetProperty, face.charset);
            format.setProperty(PitchProperty, face.pitch);
        }
        if (Chance(80))
            format.setFontPointSize(Pick(12, 80) / 2.0);
        format.setFontWeight(Chance(30) ? QFont::Bold : QFont::Normal);
        format.setFontItalic(Chance(30));
        format.setFontUnderline(Chance(20));
        format.setFontStrikeOut(Chance(10));
        if (Chance(30))
            format.setForeground(QColor(Pick(0, 255), Pick(0, 255), Pick(0, 255)));
        if (Chance(20))
            format.setBackground(QColor(Pick(0, 255), Pick(0, 255), Pick(0, 255)));
        if (Chance(15)) {
            format.setAnchor(true);
            format.setAnchorHref(QString::fromUtf8(links[Pick(0, 4)]));
        }
        return format;
    }

    QString RandomText()
    {
        static const char16_t* const pieces[] = {
            u"Hello", u" ", u"w\u00f6rld", u"\u041f\u0440\u0438\u0432\u0435\u0442", u"\u03b3\u03b5\u03b9\u03b1",
            u"\u4f60\u597d", u"\U0001F60A", u"{", u"}", u"\\", u"\t", u"\u2028", u"\u00a0", u"\u00ad", u"\u2011",
            u"a-b", u"123", u"x;y", u"\u20ac", u"\u0081", u"\u3042", u"-5", u"'quoted'", u"\"q\"",
        };
        QString text;
        const int count = Pick(1, 6);
        for (int i = 0; i < count; ++i)
            text += QString::fromUtf16(pieces[Pick(0, static_cast<int>(std::size(pieces)) - 1)]);
        return text;
    }

    EmbeddedPicture RandomPicture()
    {
        EmbeddedPicture picture;
        switch (Pick(0, 3)) {
        case 0: {
            QImage image(Pick(1, 4), Pick(1, 4), QImage::Format_RGB32);
            image.fill(QColor(Pick(0, 255), Pick(0, 255), Pick(0, 255)));
            picture = FromImage(image);
            break;
        }
        case 1:
            picture.kind = PictureKind::Jpeg;
            picture.bytes = jpeg_;
            picture.width = 16;
            picture.height = 12;
            break;
        default:
            picture.kind = Chance(50) ? PictureKind::Emf : PictureKind::Wmf;
            for (int i = 0; i < 24; ++i)
                picture.bytes.append(static_cast<char>(Pick(0, 255)));
            picture.width = Pick(100, 3000);
            picture.height = Pick(100, 3000);
            break;
        }
        if (Chance(50)) {
            picture.goalWidth = Pick(15, 3000);
            picture.goalHeight = Pick(15, 3000);
        }
        if (Chance(30)) {
            picture.scaleX = Pick(10, 300);
            picture.scaleY = Pick(10, 300);
        }
        return picture;
    }

    QRandomGenerator rng_;
    QByteArray jpeg_;
};

inline QByteArray SampleJpeg()
{
    testsupport::RecordingSink sink(true);
    rtf::Tables tables;
    rtf::ReadRtf(testsupport::ReadFile(testsupport::SampleRtfDir() + QStringLiteral("/picture-jpeg.rtf")), sink, tables);
    return sink.paragraphs.at(0).pictures.at(0).data;
}


} // namespace testsupport
