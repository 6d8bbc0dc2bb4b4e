// The RTF writer: exact bytes, the forms older readers need, and documents that come back
// the same from a write and a read (the samples and randomly generated documents).
#include "document_signature.h"
#include "support.h"

#include "platform/pictures/picture.h"
#include "platform/richedit/plain_text.h"
#include "platform/richedit/rtf_writer.h"

#include <QImage>
#include <QRandomGenerator>
#include <QTextCursor>
#include <QTextList>
#include <QtTest>

using namespace quill;
using namespace quill::richtext;
using testsupport::DocumentFromRtf;
using testsupport::MakeDocument;
using testsupport::Signature;

namespace {

QString RawPlainText(const QTextDocument& document)
{
    QString text = document.toRawText();
    text.replace(QChar::ParagraphSeparator, u'\n').replace(QChar::LineSeparator, u'\n');
    text.remove(QChar::ObjectReplacementCharacter);
    return text;
}

std::string Hex(const QByteArray& bytes)
{
    return bytes.toHex().toStdString();
}

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

QByteArray SampleJpeg()
{
    testsupport::RecordingSink sink(true);
    rtf::Tables tables;
    rtf::ReadRtf(testsupport::ReadFile(testsupport::SampleRtfDir() + QStringLiteral("/picture-jpeg.rtf")), sink, tables);
    return sink.paragraphs.at(0).pictures.at(0).data;
}

} // namespace

class RtfWriterTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void writesExactBytes();
    void emptyDocument();
    void fontTableKeepsCharsetsAndAlternativeNames();
    void bulletsInTheOldFormWithTheirText();
    void otherNumberingKeepsItsStyle();
    void linksBecomeHyperlinkFields();
    void picturesKeepTheirBytesAndKind();
    void deviceIndependentBitmapsBecomePng();
    void samplesComeBackTheSame_data();
    void samplesComeBackTheSame();
    void generatedDocumentsComeBackTheSame();
    void plainText_data();
    void plainText();
};

void RtfWriterTest::writesExactBytes()
{
    const auto document = DocumentFromRtf(
        "{\\rtf1{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}}{\\colortbl ;\\red255\\green0\\blue0;}"
        "\\pard\\f0\\fs22 Plain \\b bold\\b0  {\\cf1 red}\\par\\pard\\qc\\fi-100\\li300 Caf\\'e9 \\u20320?\\tab 9\\par}");
    QCOMPARE(WriteRtf(*document),
             std::string("{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}}\r\n"
                         "{\\colortbl ;\\red255\\green0\\blue0;}\r\n"
                         "\\viewkind4\\uc1\\pard\\f0\\fs22 Plain \\b bold\\b0  \\cf1 red\\par\r\n"
                         "\\pard\\fi-100\\li300\\qc\\cf0 Caf\\'e9 \\u20320?\\tab 9\\par\r\n"
                         "}\r\n"));
}

void RtfWriterTest::emptyDocument()
{
    const auto document = MakeDocument();
    const std::string rtf = WriteRtf(*document);
    QCOMPARE(rtf, std::string("{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}}\r\n"
                              "\\viewkind4\\uc1\\pard\\f0\\fs22\\par\r\n}\r\n"));
    const auto back = DocumentFromRtf(rtf);
    QCOMPARE(back->blockCount(), 1);
    QCOMPARE(back->characterCount(), 1);
}

void RtfWriterTest::fontTableKeepsCharsetsAndAlternativeNames()
{
    const auto document = DocumentFromRtf(testsupport::ReadFile(testsupport::SampleRtfDir() + QStringLiteral("/codepages.rtf")));
    const std::string rtf = WriteRtf(*document);
    QVERIFY(rtf.find("{\\f1\\fswiss\\fcharset204{\\*\\fname Arial;}Arial CYR;}") != std::string::npos);
    QVERIFY(rtf.find("{\\f2\\fswiss\\fcharset161{\\*\\fname Arial;}Arial Greek;}") != std::string::npos);
    // Cyrillic in its own code page, characters outside a font's code page as \u.
    QVERIFY(rtf.find("\\f1\\'cf\\'f0\\'e8\\'e2\\'e5\\'f2") != std::string::npos);
    QVERIFY(rtf.find("\\u20320?\\u22909?") != std::string::npos);
    QVERIFY(rtf.find("Caf\\'e9 cr\\'e8me") != std::string::npos);
}

void RtfWriterTest::bulletsInTheOldFormWithTheirText()
{
    const auto document = DocumentFromRtf(testsupport::ReadFile(testsupport::SampleRtfDir() + QStringLiteral("/paragraphs.rtf")));
    const std::string rtf = WriteRtf(*document);
    QVERIFY(rtf.find("{\\f1\\fnil\\fcharset2 Symbol;}") != std::string::npos);
    QVERIFY(rtf.find("\\pard{\\pntext\\f1\\'b7\\tab}{\\*\\pn\\pnlvlblt\\pnf1\\pnindent0{\\pntxtb\\'b7}}\\fi-200\\li200 "
                     "First bullet\\par\r\n{\\pntext\\f1\\'b7\\tab}Second bullet\\par") != std::string::npos);
    QVERIFY(rtf.find("\\pard\\fi-400\\li400 Hanging") != std::string::npos);
    QVERIFY(rtf.find("Tab\\tab separated\\line soft break") != std::string::npos);
}

void RtfWriterTest::otherNumberingKeepsItsStyle()
{
    const auto document = DocumentFromRtf(testsupport::ReadFile(testsupport::SampleRtfDir() + QStringLiteral("/lists-and-table.rtf")));
    const std::string rtf = WriteRtf(*document);
    QVERIFY(rtf.find("{\\pntext 1.\\tab}{\\*\\pn\\pnlvlbody\\pnf0\\pnindent0\\pnstart1\\pndec{\\pntxta.}}") !=
            std::string::npos);
    QVERIFY(rtf.find("{\\pntext 2.\\tab}second item") != std::string::npos);
    QCOMPARE(BodyPlainText(rtf), QStringLiteral("Numbered:\nfirst item\nsecond item\nA1\tB1\nAfter table."));
}

void RtfWriterTest::linksBecomeHyperlinkFields()
{
    auto document = DocumentFromRtf("{\\rtf1 a{\\field{\\*\\fldinst HYPERLINK \"http://x/\"}{\\fldrslt {\\b in}side}} "
                                    "b{\\field{\\*\\fldinst HYPERLINK \"\"}{\\fldrslt bare}}\\par}");
    QTextCursor cursor(document.get());
    cursor.movePosition(QTextCursor::End);
    QTextCharFormat link;
    link.setAnchor(true);
    link.setAnchorHref(QStringLiteral("C:\\x \"y\" \u00e9"));
    cursor.insertText(QStringLiteral("path"), link);
    const std::string rtf = WriteRtf(*document);
    QVERIFY(rtf.find("{\\field{\\*\\fldinst{HYPERLINK \"http://x/\"}}{\\fldrslt{\\b in\\b0 side}}}") != std::string::npos);
    QVERIFY(rtf.find("{\\field{\\*\\fldinst{HYPERLINK \"\"}}{\\fldrslt{bare}}}") != std::string::npos);
    QVERIFY(rtf.find("{\\field{\\*\\fldinst{HYPERLINK \"C:\\\\\\\\x \\\\\"y\\\\\" \\u233?\"}}{\\fldrslt{") !=
            std::string::npos);
    QCOMPARE(Signature(*DocumentFromRtf(rtf)), Signature(*document));
}

void RtfWriterTest::picturesKeepTheirBytesAndKind()
{
    const QByteArray jpeg = SampleJpeg();
    const auto document = DocumentFromRtf(testsupport::ReadFile(testsupport::SampleRtfDir() + QStringLiteral("/picture-jpeg.rtf")));
    const std::string rtf = WriteRtf(*document);
    QVERIFY(rtf.find("{\\pict\\jpegblip\\picw16\\pich12\\picwgoal240\\pichgoal180\r\n" + Hex(jpeg.left(64)) + "\r\n") !=
            std::string::npos);
    QVERIFY(rtf.find(Hex(jpeg.mid(64, 64))) != std::string::npos);
    QVERIFY(rtf.find("nonshppict") == std::string::npos);

    const std::string metafiles = WriteRtf(*DocumentFromRtf(
        "{\\rtf1{\\pict\\emfblip\\picw100\\pich50 0102ff}{\\pict\\wmetafile1\\picw7\\pich8\\picscalex50\\picscaley60 abcd}}"));
    QVERIFY(metafiles.find("{\\pict\\emfblip\\picw100\\pich50\r\n0102ff}") != std::string::npos);
    QVERIFY(metafiles.find("{\\pict\\wmetafile1\\picw7\\pich8\\picscalex50\\picscaley60\r\nabcd}") != std::string::npos);

    const std::string png = WriteRtf(*DocumentFromRtf(testsupport::ReadFile(testsupport::SampleRtfDir() + QStringLiteral("/picture-png.rtf"))));
    QVERIFY(png.find("{\\pict\\pngblip\\picw8\\pich6\\picwgoal120\\pichgoal90\r\n89504e470d0a1a0a") != std::string::npos);
}

void RtfWriterTest::deviceIndependentBitmapsBecomePng()
{
    // A 2 x 1 bitmap of 24 bits: a red pixel and a blue one, rows padded to four bytes.
    const QByteArray header = QByteArray::fromHex("28000000" "02000000" "01000000" "0100" "1800" "00000000"
                                                  "08000000" "00000000" "00000000" "00000000" "00000000");
    const QByteArray bits = QByteArray::fromHex("0000ff" "ff0000" "0000");
    const std::string rtf = "{\\rtf1{\\pict\\dibitmap0\\picw2\\pich1\\picwgoal30\\pichgoal15 " +
                            (header + bits).toHex().toStdString() + "}}";
    const auto document = DocumentFromRtf(rtf);
    const QTextCharFormat format = document->begin().begin().fragment().charFormat();
    QVERIFY(IsPicture(format));
    const EmbeddedPicture picture = PictureOf(format);
    QCOMPARE(picture.kind, PictureKind::Png);
    const QImage image = DecodeRaster(PictureFormat::Png, picture.bytes);
    QCOMPARE(image.size(), QSize(2, 1));
    QCOMPARE(image.pixel(0, 0), qRgb(255, 0, 0));
    QCOMPARE(image.pixel(1, 0), qRgb(0, 0, 255));
    QVERIFY(WriteRtf(*document).find("{\\pict\\pngblip\\picw2\\pich1\\picwgoal30\\pichgoal15\r\n89504e47") !=
            std::string::npos);
}

void RtfWriterTest::samplesComeBackTheSame_data()
{
    QTest::addColumn<QString>("name");
    for (const QString& name : testsupport::SampleBodies())
        if (name.endsWith(QStringLiteral(".rtf")))
            QTest::newRow(qPrintable(name)) << name;
}

void RtfWriterTest::samplesComeBackTheSame()
{
    QFETCH(QString, name);
    const auto document = DocumentFromRtf(testsupport::ReadFile(testsupport::SampleRtfDir() + u'/' + name));
    const std::string rtf = WriteRtf(*document);
    const auto back = DocumentFromRtf(rtf);
    QCOMPARE(Signature(*back), Signature(*document));
    QCOMPARE(WriteRtf(*back), rtf);
    QCOMPARE(BodyPlainText(rtf), RawPlainText(*document));
}

void RtfWriterTest::generatedDocumentsComeBackTheSame()
{
    const QByteArray jpeg = SampleJpeg();
    for (quint32 seed = 1; seed <= 300; ++seed) {
        DocumentGenerator generator(seed, jpeg);
        const auto document = generator.Make();
        const std::string rtf = WriteRtf(*document);
        const auto back = DocumentFromRtf(rtf);
        const QStringList expected = Signature(*document);
        const QStringList actual = Signature(*back);
        if (actual != expected)
            qWarning("seed %u\n%s", seed, rtf.c_str());
        QCOMPARE(actual, expected);
        const std::string again = WriteRtf(*back);
        if (again != rtf)
            qWarning("seed %u\n%s\n%s", seed, rtf.c_str(), again.c_str());
        QCOMPARE(again, rtf);
        QCOMPARE(BodyPlainText(rtf), RawPlainText(*document));
    }
}

void RtfWriterTest::plainText_data()
{
    QTest::addColumn<QString>("rtf");
    QTest::addColumn<bool>("utf16");
    QTest::addColumn<QByteArray>("expected");
    const QString rtf = QStringLiteral("{\\rtf1 A\\par\\par B\\line C{\\pict\\pngblip 00}\\u8364?\\u20320?\\par}");
    QTest::newRow("windows-1252") << rtf << false << QByteArray("A\r\n\r\nB\r\nC\x80?\r\n");
    QTest::newRow("utf-16") << rtf << true
                            << QByteArray("A\0\r\0\n\0\r\0\n\0B\0\r\0\n\0C\0\xac\x20\x60\x4f\r\0\n\0", 26);
    QTest::newRow("empty document") << QStringLiteral("{\\rtf1}") << false << QByteArray();
    QTest::newRow("one empty line") << QStringLiteral("{\\rtf1\\par\\par}") << false << QByteArray("\r\n\r\n");
    QTest::newRow("surrogate pair") << QStringLiteral("{\\rtf1\\u-10179?\\u-8694?}") << false << QByteArray("?\r\n");
}

void RtfWriterTest::plainText()
{
    QFETCH(QString, rtf);
    QFETCH(bool, utf16);
    QFETCH(QByteArray, expected);
    const auto document = DocumentFromRtf(rtf.toStdString());
    const std::string text = WritePlainText(*document, utf16 ? rtf::PlainEncoding::Utf16 : rtf::PlainEncoding::Windows1252);
    QCOMPARE(QByteArray(text.data(), static_cast<qsizetype>(text.size())), expected);
}

QTEST_MAIN(RtfWriterTest)
#include "tst_rtfwriter.moc"
