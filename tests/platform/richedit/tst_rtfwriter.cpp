// The RTF writer: exact bytes, the forms older readers need, and documents that come back
// the same from a write and a read (the samples and randomly generated documents).
#include "document_generator.h"
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
using testsupport::DocumentGenerator;
using testsupport::SampleJpeg;

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
