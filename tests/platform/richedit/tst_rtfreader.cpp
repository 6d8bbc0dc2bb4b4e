// The RTF reader and the plain-text path: samples, the constructs the reader knows, and
// damaged input.
#include "support.h"

#include "platform/richedit/plain_text.h"
#include "platform/richedit/rtf_reader.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace quill;
using testsupport::RecordingSink;

namespace {

std::string_view View(const QByteArray& bytes)
{
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

RecordingSink Read(const std::string& bytes, bool wantPictures = false)
{
    RecordingSink sink(wantPictures);
    rtf::Tables tables;
    rtf::ReadRtf(bytes, sink, tables);
    return sink;
}

RecordingSink ReadSample(const char* name, rtf::Tables& tables, bool wantPictures = false)
{
    RecordingSink sink(wantPictures);
    const std::string bytes = testsupport::ReadFile(testsupport::SampleRtfDir() + u'/' + QLatin1String(name));
    if (!rtf::ReadRtf(bytes, sink, tables))
        qWarning("%s is not RTF", name);
    return sink;
}

} // namespace

class RtfReaderTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void samplesGiveTheirText_data();
    void samplesGiveTheirText();
    void listsAndTableSample();
    void readsText_data();
    void readsText();
    void rejectsWhatIsNotRtf_data();
    void rejectsWhatIsNotRtf();
    void characterFormatsOfTheFormattingSample();
    void fontsKeepTheirNamesCharsetsAndAlternatives();
    void paragraphFormatsOfTheParagraphsSample();
    void listsInTheNewFormAreOtherNumbering();
    void hyperlinkFieldsKeepTheirTargets_data();
    void hyperlinkFieldsKeepTheirTargets();
    void picturesAndTheirData();
    void pictureDataOnlyWhenAsked();
    void picturesOfUnknownKindsAreLeftOut();
    void groupsScopeFormatsAndPardKeepsCharacters();
    void colourTableEntries();
    void paragraphMarkKeepsItsFormat();
    void deepNestingIsCapped();
    void plainTextReader_data();
    void plainTextReader();
    void oddUtf16IsNotText();
    void bodySearchIgnoresCaseAndMatchesInsideWords();
    void bodySearchAgreesWithCaseInsensitiveContains();
    void readingStopsWhenItHasEnough();
};

void RtfReaderTest::samplesGiveTheirText_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("expected");
    for (const QString& name : testsupport::SampleBodies()) {
        const QString txt = testsupport::SampleRtfDir() + u'/' + name.section(u'.', 0, 0) + QStringLiteral(".txt");
        if (QFile::exists(txt))
            QTest::newRow(qPrintable(name)) << name << QString::fromStdString(testsupport::ReadFile(txt));
    }
}

void RtfReaderTest::samplesGiveTheirText()
{
    QFETCH(QString, body);
    QFETCH(QString, expected);
    const std::string bytes = testsupport::ReadFile(testsupport::SampleRtfDir() + u'/' + body);
    QVERIFY(!bytes.empty());
    QCOMPARE(BodyPlainText(bytes) + u'\n', expected);
}

void RtfReaderTest::listsAndTableSample()
{
    rtf::Tables tables;
    const std::string bytes = testsupport::ReadFile(testsupport::SampleRtfDir() + QStringLiteral("/lists-and-table.rtf"));
    QCOMPARE(BodyPlainText(bytes), QStringLiteral("Numbered:\nfirst item\nsecond item\nA1\tB1\nAfter table."));
}

void RtfReaderTest::readsText_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("expected");
    QTest::newRow("one paragraph") << QByteArray("{\\rtf1 Hello\\par}") << QStringLiteral("Hello");
    QTest::newRow("final par adds no paragraph") << QByteArray("{\\rtf1 A\\par\\par}") << QStringLiteral("A\n");
    QTest::newRow("text after the last par") << QByteArray("{\\rtf1 A\\par B}") << QStringLiteral("A\nB");
    QTest::newRow("empty document") << QByteArray("{\\rtf1}") << QString();
    QTest::newRow("white space first") << QByteArray(" \r\n\t{\\rtf1 lead}") << QStringLiteral("lead");
    QTest::newRow("truncated") << QByteArray("{\\rtf1{\\b bold") << QStringLiteral("bold");
    QTest::newRow("text after the document") << QByteArray("{\\rtf1 in}out") << QStringLiteral("in");
    QTest::newRow("tab and line") << QByteArray("{\\rtf1 a\\tab b\\line c\tz}") << QStringLiteral("a\tb\nc\tz");
    QTest::newRow("backslash line end is a par") << QByteArray("{\\rtf1 a\\\nb\\\r\nc}") << QStringLiteral("a\nb\nc");
    QTest::newRow("source line ends are no text") << QByteArray("{\\rtf1 a\r\nb\nc}") << QStringLiteral("abc");
    QTest::newRow("control bytes are no text") << QByteArray("{\\rtf1 a\x01\x1f" "b}") << QStringLiteral("ab");
    QTest::newRow("escaped symbols")
        << QByteArray("{\\rtf1 a\\~b\\-c\\_d\\{\\}\\\\}") << QStringLiteral("a\u00A0b\u00ADc\u2011d{}\\");
    QTest::newRow("named characters")
        << QByteArray("{\\rtf1\\emdash\\endash\\lquote\\rquote\\ldblquote\\rdblquote\\bullet\\emspace\\enspace}")
        << QStringLiteral("\u2014\u2013\u2018\u2019\u201C\u201D\u2022\u2003\u2002");
    QTest::newRow("windows-1252") << QByteArray("{\\rtf1\\ansi caf\\'e9 \\'80\\'93x\\'94}")
                                  << QStringLiteral("café €“x”");
    QTest::newRow("upper-case hex") << QByteArray("{\\rtf1 \\'E9\\'C9}") << QStringLiteral("éÉ");
    QTest::newRow("raw 8-bit bytes") << QByteArray("{\\rtf1 caf\xe9}") << QStringLiteral("café");
    QTest::newRow("hex without digits") << QByteArray("{\\rtf1 a\\'zzb}") << QStringLiteral("azzb");
    QTest::newRow("hex cut short") << QByteArray("{\\rtf1 a\\'4}") << QStringLiteral("a");
    QTest::newRow("hex at the end") << QByteArray("{\\rtf1 a\\'") << QStringLiteral("a");
    QTest::newRow("backslash at the end") << QByteArray("{\\rtf1 a\\") << QStringLiteral("a");
    QTest::newRow("unicode with fallback") << QByteArray("{\\rtf1\\uc1 \\u8364? end}") << QStringLiteral("€ end");
    QTest::newRow("negative unicode") << QByteArray("{\\rtf1\\u-4064?}") << QStringLiteral("\uF020");
    QTest::newRow("surrogate pair")
        << QByteArray("{\\rtf1\\u-10179?\\u-8694?!}") << QString::fromUtf8("\xF0\x9F\x98\x8A!");
    QTest::newRow("lone low surrogate") << QByteArray("{\\rtf1\\u-8694?x}") << QStringLiteral("\uFFFDx");
    QTest::newRow("lone high surrogate") << QByteArray("{\\rtf1\\u-10179?x}") << QStringLiteral("\uFFFDx");
    QTest::newRow("two-byte fallback in hex")
        << QByteArray("{\\rtf1\\uc2\\u20320\\'c4\\'e3x}") << QStringLiteral("你x");
    QTest::newRow("fallback as control word") << QByteArray("{\\rtf1\\u8364\\'80 a}") << QStringLiteral("€ a");
    QTest::newRow("fallback as escaped brace") << QByteArray("{\\rtf1\\u8364\\}a}") << QStringLiteral("€a");
    QTest::newRow("braces end a fallback") << QByteArray("{\\rtf1\\uc3\\u8364{x}y}") << QStringLiteral("€xy");
    QTest::newRow("uc0 has no fallback") << QByteArray("{\\rtf1\\uc0\\u8364 x}") << QStringLiteral("€x");
    QTest::newRow("uc is scoped") << QByteArray("{\\rtf1{\\uc2\\u8364??}\\u8364?x}") << QStringLiteral("€€x");
    QTest::newRow("unicode out of range") << QByteArray("{\\rtf1\\u99999999999?x}") << QStringLiteral("\uFFFDx");
    QTest::newRow("unicode line ends")
        << QByteArray("{\\rtf1 a\\u13?b\\u11?c\\u65532?\\u0?d}") << QStringLiteral("a\nb\ncd");
    QTest::newRow("huge numbers")
        << QByteArray("{\\rtf1\\fs999999999999999999 x\\li-99999999999999 y\\f99999999999999 z\\cf999999999 w}")
        << QStringLiteral("xyzw");
    QTest::newRow("skipped destinations")
        << QByteArray("{\\rtf1{\\info{\\title T}{\\author A}}{\\stylesheet{\\s0 Normal;}}{\\*\\themedata 0102}"
                      "{\\*\\generator Gen;}{\\*\\unknown xyz{nested}}{\\header H}{\\footnote F}{\\*\\bkmkstart b}"
                      "Body\\par}")
        << QStringLiteral("Body");
    QTest::newRow("unknown words keep their text") << QByteArray("{\\rtf1{\\foo keep}\\bar2 on}") << QStringLiteral("keepon");
    QTest::newRow("old bullets are no text")
        << QByteArray("{\\rtf1{\\pntext\\'B7\\tab}{\\*\\pn\\pnlvlblt{\\pntxtb\\'B7}}item}") << QStringLiteral("item");
    QTest::newRow("list text is no text")
        << QByteArray("{\\rtf1{\\listtext\\pard 1.\\tab}item}") << QStringLiteral("item");
    QTest::newRow("other fields by their result")
        << QByteArray("{\\rtf1{\\field{\\*\\fldinst{ PAGE }}{\\fldrslt{3}}} end}") << QStringLiteral("3 end");
    QTest::newRow("field instruction is no text")
        << QByteArray("{\\rtf1{\\field{\\*\\fldinst HYPERLINK \"x\"}}after}") << QStringLiteral("after");
    QTest::newRow("nested field in an instruction")
        << QByteArray("{\\rtf1{\\field{\\*\\fldinst IF {\\field{\\*\\fldinst X}{\\fldrslt inner}}}{\\fldrslt shown}}}")
        << QStringLiteral("shown");
    QTest::newRow("table cells and rows")
        << QByteArray("{\\rtf1\\trowd\\cellx1\\cellx2\\cellx3 A\\cell\\cell C\\cell\\row after\\par}")
        << QStringLiteral("A\t\tC\nafter");
    QTest::newRow("hidden text") << QByteArray("{\\rtf1 a{\\v hidden}b\\v c\\v0 d}") << QStringLiteral("abd");
    QTest::newRow("binary data skipped") << QByteArray("{\\rtf1 a\\bin2 xyb}") << QStringLiteral("ab");
    QTest::newRow("binary braces in a skipped group")
        << QByteArray("{\\rtf1 a{\\*\\objdata \\bin4 }}}}}b\\par}") << QStringLiteral("ab");
    QTest::newRow("binary longer than the input") << QByteArray("{\\rtf1 a\\bin99999999 xyz") << QStringLiteral("a");
    QTest::newRow("negative binary length") << QByteArray("{\\rtf1 a\\bin-5 b}") << QStringLiteral("ab");
    QTest::newRow("shape results") << QByteArray("{\\rtf1{\\shp{\\*\\shpinst{\\sp{\\sn x}{\\sv y}}}{\\shprslt r}}}")
                                   << QStringLiteral("r");
    QTest::newRow("object results") << QByteArray("{\\rtf1{\\object{\\*\\objclass P}{\\*\\objdata 01}{\\result R}}}")
                                    << QStringLiteral("R");
    QTest::newRow("pictures are no text")
        << QByteArray("{\\rtf1 a{\\pict\\pngblip 89504e47}b{\\*\\shppict{\\pict\\jpegblip ff}}{\\nonshppict{\\pict\\wmetafile8 01}}c}")
        << QStringLiteral("abc");
    QTest::newRow("picture alone in the last paragraph")
        << QByteArray("{\\rtf1 a\\par{\\pict\\pngblip 00}}") << QStringLiteral("a\n");
    QTest::newRow("double-byte code page")
        << QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset128 MS Mincho;}{\\f1\\fcharset0 Arial;}}\\f0\\'82\\'a0\\f1\\'e9}")
        << QStringLiteral("あé");
    QTest::newRow("double-byte trail written as text")
        << QByteArray("{\\rtf1{\\fonttbl{\\f0\\fcharset128 X;}}\\f0\\'83\\\\\\'83A}") << QStringLiteral("ソア");
    QTest::newRow("double-byte lead cut off")
        << QByteArray("{\\rtf1{\\fonttbl{\\f0\\fcharset128 X;}}\\f0 a\\'82}") << QStringLiteral("a");
    QTest::newRow("code page of a font") << QByteArray("{\\rtf1{\\fonttbl{\\f0\\cpg1251 X;}}\\f0\\'cf}")
                                         << QStringLiteral("П");
    QTest::newRow("document code page") << QByteArray("{\\rtf1\\ansi\\ansicpg1253\\'e3}") << QStringLiteral("γ");
    QTest::newRow("font table without groups")
        << QByteArray("{\\rtf1{\\fonttbl\\f0\\fcharset204 A;\\f1\\fcharset161 B;}\\f0\\'cf\\f1\\'e3}")
        << QStringLiteral("Пγ");
}

void RtfReaderTest::readsText()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, expected);
    QCOMPARE(BodyPlainText(View(rtf)), expected);
}

void RtfReaderTest::rejectsWhatIsNotRtf_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("plain text") << QByteArray("hello {\\rtf1 x}");
    QTest::newRow("cut prefix") << QByteArray("{\\rt");
    QTest::newRow("other group") << QByteArray("{\\pict}");
    QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBF{\\rtf1 x}");
}

void RtfReaderTest::rejectsWhatIsNotRtf()
{
    QFETCH(QByteArray, bytes);
    RecordingSink sink;
    rtf::Tables tables;
    QVERIFY(!rtf::ReadRtf(View(bytes), sink, tables));
    QVERIFY(sink.paragraphs.empty());
}

void RtfReaderTest::characterFormatsOfTheFormattingSample()
{
    rtf::Tables tables;
    const RecordingSink sink = ReadSample("formatting.rtf", tables);
    QCOMPARE(sink.paragraphs.size(), std::size_t(4));

    const auto* plain = sink.FindRun(QStringLiteral("Plain"));
    QVERIFY(plain);
    QVERIFY(!plain->format.bold && !plain->format.italic && !plain->format.underline && !plain->format.strike);
    QCOMPARE(plain->format.halfPoints, 22);
    QCOMPARE(plain->format.color, rtf::kAutoColor);
    QCOMPARE(plain->format.background, rtf::kAutoColor);
    QCOMPARE(tables.FindFont(plain->format.font)->face, QStringLiteral("Arial"));

    QVERIFY(sink.FindRun(QStringLiteral("bold"))->format.bold);
    QVERIFY(sink.FindRun(QStringLiteral("italic"))->format.italic);
    QVERIFY(sink.FindRun(QStringLiteral("underline"))->format.underline);
    QVERIFY(sink.FindRun(QStringLiteral("struck"))->format.strike);

    const auto* times = sink.FindRun(QStringLiteral("Times 16pt"));
    QCOMPARE(times->format.halfPoints, 32);
    QCOMPARE(tables.FindFont(times->format.font)->face, QStringLiteral("Times New Roman"));
    QCOMPARE(tables.FindFont(times->format.font)->familyClass, rtf::FontFamily::Roman);
    QCOMPARE(tables.FindFont(sink.FindRun(QStringLiteral("Courier"))->format.font)->face, QStringLiteral("Courier New"));

    QCOMPARE(sink.FindRun(QStringLiteral("Red text"))->format.color, 0x000000FFu);
    QCOMPARE(sink.FindRun(QStringLiteral("yellow highlight"))->format.background, 0x0000FFFFu);
    QCOMPARE(sink.FindRun(QStringLiteral(" and "))->format.background, rtf::kAutoColor);

    const auto* all = sink.FindRun(QStringLiteral("All three"));
    QVERIFY(all->format.bold && all->format.italic && all->format.underline && !all->format.strike);
}

void RtfReaderTest::fontsKeepTheirNamesCharsetsAndAlternatives()
{
    rtf::Tables tables;
    ReadSample("codepages.rtf", tables);
    const rtf::Font* cyrillic = tables.FindFont(1);
    QVERIFY(cyrillic);
    QCOMPARE(cyrillic->face, QStringLiteral("Arial CYR"));
    QCOMPARE(cyrillic->family, QStringLiteral("Arial"));
    QCOMPARE(cyrillic->charset, 204);
    QCOMPARE(cyrillic->codePage, 1251);
    QCOMPARE(tables.FindFont(2)->charset, 161);

    rtf::Tables more;
    RecordingSink sink;
    rtf::ReadRtf("{\\rtf1{\\fonttbl{\\f3\\fmodern\\fprq1\\fcharset0{\\*\\panose 02}{\\*\\falt Other} A Face That Is Far "
                 "Longer Than Thirty-One Characters;}}x}",
                 sink, more);
    const rtf::Font* font = more.FindFont(3);
    QVERIFY(font);
    QCOMPARE(font->face, QStringLiteral("A Face That Is Far Longer Than "));
    QCOMPARE(font->face.size(), 31);
    QCOMPARE(font->pitch, rtf::Pitch::Fixed);
    QCOMPARE(font->familyClass, rtf::FontFamily::Modern);
}

void RtfReaderTest::paragraphFormatsOfTheParagraphsSample()
{
    rtf::Tables tables;
    const RecordingSink sink = ReadSample("paragraphs.rtf", tables);
    QCOMPARE(sink.paragraphs.size(), std::size_t(8));
    const std::vector<rtf::Alignment> alignments = {rtf::Alignment::Left, rtf::Alignment::Center,
                                                    rtf::Alignment::Right, rtf::Alignment::Justify};
    for (std::size_t i = 0; i < alignments.size(); ++i)
        QCOMPARE(sink.paragraphs[i].format.alignment, alignments[i]);
    for (std::size_t i : {4u, 5u}) {
        const rtf::ParaFormat& bullet = sink.paragraphs[i].format;
        QCOMPARE(bullet.numbering, rtf::Numbering::Bullet);
        QCOMPARE(bullet.firstIndent, -200);
        QCOMPARE(bullet.leftIndent, 200);
        QCOMPARE(bullet.alignment, rtf::Alignment::Left);
    }
    QCOMPARE(sink.paragraphs[4].Text(), QStringLiteral("First bullet"));
    const rtf::ParaFormat& hanging = sink.paragraphs[6].format;
    QCOMPARE(hanging.numbering, rtf::Numbering::None);
    QCOMPARE(hanging.firstIndent, -400);
    QCOMPARE(hanging.leftIndent, 400);
    QCOMPARE(sink.paragraphs[7].Text(), QStringLiteral("Tab\tseparated\u2028soft break"));
}

void RtfReaderTest::listsInTheNewFormAreOtherNumbering()
{
    rtf::Tables tables;
    const RecordingSink sink = ReadSample("lists-and-table.rtf", tables);
    QCOMPARE(sink.paragraphs.size(), std::size_t(5));
    QCOMPARE(sink.paragraphs[0].format.numbering, rtf::Numbering::None);
    for (std::size_t i : {1u, 2u}) {
        QCOMPARE(sink.paragraphs[i].format.numbering, rtf::Numbering::Other);
        QCOMPARE(sink.paragraphs[i].format.numberStyle, rtf::NumberStyle::Decimal);
        QCOMPARE(sink.paragraphs[i].format.listKey, 1);
        QCOMPARE(sink.paragraphs[i].format.firstIndent, -360);
        QCOMPARE(sink.paragraphs[i].format.leftIndent, 720);
    }
    QCOMPARE(sink.paragraphs[3].format.numbering, rtf::Numbering::None);

    // A bullet level in the list table makes bullets.
    const RecordingSink bullets = Read(
        "{\\rtf1{\\*\\listtable{\\list{\\listlevel\\levelnfc23{\\leveltext\\'01\\u8226 ?;}}\\listid7}}"
        "{\\*\\listoverridetable{\\listoverride\\listid7\\listoverridecount0\\ls2}}\\pard\\ls2 a\\par}");
    QCOMPARE(bullets.paragraphs.at(0).format.numbering, rtf::Numbering::Bullet);
    QCOMPARE(bullets.paragraphs.at(0).Text(), QStringLiteral("a"));

    const RecordingSink roman = Read("{\\rtf1{\\*\\pn\\pnlvlbody\\pnucrm}a\\par}");
    QCOMPARE(roman.paragraphs.at(0).format.numbering, rtf::Numbering::Other);
    QCOMPARE(roman.paragraphs.at(0).format.numberStyle, rtf::NumberStyle::UpperRoman);
}

void RtfReaderTest::hyperlinkFieldsKeepTheirTargets_data()
{
    QTest::addColumn<QByteArray>("instruction");
    QTest::addColumn<QString>("target");
    QTest::newRow("quoted") << QByteArray("HYPERLINK \"http://a.example/\"") << QStringLiteral("http://a.example/");
    QTest::newRow("bare") << QByteArray(" HYPERLINK http://b.example/ ") << QStringLiteral("http://b.example/");
    QTest::newRow("in a group") << QByteArray("{HYPERLINK \"https://example.com/\"}") << QStringLiteral("https://example.com/");
    QTest::newRow("anchor") << QByteArray("HYPERLINK \\\\l \"top\"") << QStringLiteral("#top");
    QTest::newRow("tooltip") << QByteArray("HYPERLINK \"http://x/\" \\\\o \"tip\"") << QStringLiteral("http://x/");
    QTest::newRow("doubled backslashes") << QByteArray("HYPERLINK \"C:\\\\\\\\dir\\\\\\\\f.txt\"")
                                         << QStringLiteral("C:\\dir\\f.txt");
    QTest::newRow("lower case") << QByteArray("hyperlink \"mailto:a@b\"") << QStringLiteral("mailto:a@b");
    QTest::newRow("unicode") << QByteArray("HYPERLINK \"http://x/\\u233?\"") << QStringLiteral("http://x/é");
}

void RtfReaderTest::hyperlinkFieldsKeepTheirTargets()
{
    QFETCH(QByteArray, instruction);
    QFETCH(QString, target);
    RecordingSink sink;
    rtf::Tables tables;
    const QByteArray rtf = "{\\rtf1{\\field{\\*\\fldinst " + instruction + "}{\\fldrslt{\\ul shown}}} after}";
    QVERIFY(rtf::ReadRtf(View(rtf), sink, tables));
    const auto* shown = sink.FindRun(QStringLiteral("shown"));
    QVERIFY(shown);
    QVERIFY(shown->format.link > 0);
    QCOMPARE(tables.LinkTarget(shown->format.link), target);
    QCOMPARE(sink.FindRun(QStringLiteral("after"))->format.link, 0);
}

void RtfReaderTest::picturesAndTheirData()
{
    rtf::Tables tables;
    const RecordingSink png = ReadSample("picture-png.rtf", tables, true);
    QCOMPARE(png.paragraphs.size(), std::size_t(1));
    QCOMPARE(png.paragraphs[0].pictures.size(), std::size_t(1));
    const rtf::Picture& picture = png.paragraphs[0].pictures[0];
    QCOMPARE(picture.kind, rtf::PictureKind::Png);
    QCOMPARE(picture.width, 8);
    QCOMPARE(picture.height, 6);
    QCOMPARE(picture.goalWidth, 120);
    QCOMPARE(picture.goalHeight, 90);
    QVERIFY(picture.data.startsWith("\x89PNG\r\n\x1a\n"));
    QVERIFY(picture.data.endsWith(QByteArray("IEND\xae\x42\x60\x82", 8)));

    const RecordingSink jpeg = ReadSample("picture-jpeg.rtf", tables, true);
    QCOMPARE(jpeg.paragraphs.at(0).pictures.size(), std::size_t(1)); // \nonshppict is skipped
    QCOMPARE(jpeg.paragraphs[0].pictures[0].kind, rtf::PictureKind::Jpeg);
    QVERIFY(jpeg.paragraphs[0].pictures[0].data.startsWith("\xff\xd8\xff\xe0"));

    const RecordingSink binary = Read("{\\rtf1{\\pict\\emfblip\\picw10\\pich20\\picscalex50\\picscaley0\\bin4 A{}D}}", true);
    const rtf::Picture& emf = binary.paragraphs.at(0).pictures.at(0);
    QCOMPARE(emf.kind, rtf::PictureKind::Emf);
    QCOMPARE(emf.data, QByteArray("A{}D"));
    QCOMPARE(emf.scaleX, 50);
    QCOMPARE(emf.scaleY, 100);

    // Hex with white space, odd digits and stray characters keeps the whole bytes it has.
    const RecordingSink odd = Read("{\\rtf1{\\pict\\wmetafile8\\picw1 0 1\r\n0g2 03 4}}", true);
    const rtf::Picture& wmf = odd.paragraphs.at(0).pictures.at(0);
    QCOMPARE(wmf.kind, rtf::PictureKind::Wmf);
    QCOMPARE(wmf.metafileMapping, 8);
    QCOMPARE(wmf.data, QByteArray("\x01\x02\x03", 3));
}

void RtfReaderTest::pictureDataOnlyWhenAsked()
{
    rtf::Tables tables;
    const RecordingSink sink = ReadSample("picture-png.rtf", tables, false);
    QCOMPARE(sink.paragraphs.at(0).pictures.size(), std::size_t(1));
    QVERIFY(sink.paragraphs[0].pictures[0].data.isEmpty());
    QCOMPARE(sink.paragraphs[0].pictures[0].goalWidth, 120);
}

void RtfReaderTest::picturesOfUnknownKindsAreLeftOut()
{
    const RecordingSink sink = Read("{\\rtf1 a{\\pict\\macpict 0102}{\\pict 0102}b\\par}", true);
    QCOMPARE(sink.paragraphs.size(), std::size_t(1));
    QVERIFY(sink.paragraphs[0].pictures.empty());
    QCOMPARE(sink.paragraphs[0].Text(), QStringLiteral("ab"));
}

void RtfReaderTest::groupsScopeFormatsAndPardKeepsCharacters()
{
    const RecordingSink sink = Read("{\\rtf1{\\b a}b\\qc\\i c\\par\\pard d\\plain e\\par}");
    QVERIFY(sink.FindRun(QStringLiteral("a"))->format.bold);
    QVERIFY(!sink.FindRun(QStringLiteral("b"))->format.bold);
    QCOMPARE(sink.paragraphs.at(0).format.alignment, rtf::Alignment::Center);
    QCOMPARE(sink.paragraphs.at(1).format.alignment, rtf::Alignment::Left);
    QVERIFY(sink.FindRun(QStringLiteral("d"))->format.italic);
    QVERIFY(!sink.FindRun(QStringLiteral("e"))->format.italic);
    QCOMPARE(sink.FindRun(QStringLiteral("e"))->format.halfPoints, 24);
}

void RtfReaderTest::colourTableEntries()
{
    const RecordingSink first = Read("{\\rtf1{\\colortbl\\red1\\green2\\blue3;\\red300;}\\cf0 x\\cf1 y\\cf9 z\\highlight0 w}");
    QCOMPARE(first.FindRun(QStringLiteral("x"))->format.color, 0x00030201u);
    QCOMPARE(first.FindRun(QStringLiteral("y"))->format.color, 0x000000FFu);
    QCOMPARE(first.FindRun(QStringLiteral("z"))->format.color, rtf::kAutoColor);
    QCOMPARE(first.FindRun(QStringLiteral("w"))->format.background, rtf::kAutoColor);
    const RecordingSink background = Read("{\\rtf1{\\colortbl;\\red0\\green128\\blue0;}\\cb1 x\\cb0 y}");
    QCOMPARE(background.FindRun(QStringLiteral("x"))->format.background, 0x00008000u);
    QCOMPARE(background.FindRun(QStringLiteral("y"))->format.background, rtf::kAutoColor);
}

void RtfReaderTest::paragraphMarkKeepsItsFormat()
{
    const RecordingSink sink = Read("{\\rtf1\\fs40\\b\\par x\\par}");
    QCOMPARE(sink.paragraphs.size(), std::size_t(2));
    QCOMPARE(sink.paragraphs[0].mark.halfPoints, 40);
    QVERIFY(sink.paragraphs[0].mark.bold);
}

void RtfReaderTest::deepNestingIsCapped()
{
    for (const int depth : {rtf::kMaxGroupDepth - 2, 100000}) {
        const std::string rtf = "{\\rtf1 a" + std::string(static_cast<std::size_t>(depth), '{') + "x" +
                                std::string(static_cast<std::size_t>(depth), '}') + "b}";
        const QString text = BodyPlainText(rtf);
        QVERIFY(text.startsWith(u'a'));
        QVERIFY(text.endsWith(u'b'));
        QCOMPARE(text.contains(u'x'), depth < rtf::kMaxGroupDepth);
    }
    // Opened and never closed.
    const std::string open = "{\\rtf1 a" + std::string(200000, '{') + "x";
    QVERIFY(BodyPlainText(open).startsWith(u'a'));
}

void RtfReaderTest::plainTextReader_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("utf16");
    QTest::addColumn<QString>("expected");
    QTest::newRow("crlf") << QByteArray("a\r\nb") << false << QStringLiteral("a\nb");
    QTest::newRow("final line end") << QByteArray("a\r\n") << false << QStringLiteral("a");
    QTest::newRow("empty last line") << QByteArray("a\n\n") << false << QStringLiteral("a\n");
    QTest::newRow("cr and lf alone") << QByteArray("a\rb\nc\n\rd") << false << QStringLiteral("a\nb\nc\n\nd");
    QTest::newRow("empty") << QByteArray() << false << QString();
    QTest::newRow("windows-1252") << QByteArray("caf\xe9 \x80\t!") << false << QStringLiteral("café €\t!");
    QTest::newRow("utf-8 bytes stay 8-bit") << QByteArray("\xc3\xa9") << false << QStringLiteral("Ã©");
    QTest::newRow("utf-16 with mark") << QByteArray("\xff\xfe" "a\0\xac\x20\r\0\n\0b\0", 12) << true
                                      << QStringLiteral("a€\nb");
    QTest::newRow("utf-16 lone surrogate") << QByteArray("\x3d\xd8x\0", 4) << true << QStringLiteral("\uFFFDx");
    QTest::newRow("utf-16 lone surrogates at the ends") << QByteArray("\x00\xdcx\0\x3d\xd8", 6) << true
                                                        << QStringLiteral("\uFFFDx\uFFFD");
    QTest::newRow("utf-16 pair") << QByteArray("a\0\x3d\xd8\x00\xde", 6) << true << QStringLiteral("a\U0001F600");
    QTest::newRow("utf-16 paragraph separator") << QByteArray("a\0\x29\x20" "b\0", 6) << true << QStringLiteral("a\nb");
    QTest::newRow("utf-16 object mark goes") << QByteArray("a\0\xfc\xff" "b\0", 6) << true << QStringLiteral("ab");
    QTest::newRow("vertical tab is a soft break") << QByteArray("a\x0b" "b") << false << QStringLiteral("a\nb");
    QTest::newRow("control characters go") << QByteArray("\x01" "a\x02" "b\tc\x1f") << false << QStringLiteral("ab\tc");
    QTest::newRow("a line of control characters") << QByteArray("a\n\x01\x02\nb\n\x03") << false
                                                   << QStringLiteral("a\n\nb");
}

void RtfReaderTest::plainTextReader()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, utf16);
    QFETCH(QString, expected);
    PlainTextSink sink;
    QVERIFY(rtf::ReadPlainText(View(bytes), utf16 ? rtf::PlainEncoding::Utf16 : rtf::PlainEncoding::Windows1252, sink));
    QCOMPARE(sink.TakeText(), expected);
}

void RtfReaderTest::oddUtf16IsNotText()
{
    RecordingSink sink;
    QVERIFY(!rtf::ReadPlainText("abc", rtf::PlainEncoding::Utf16, sink));
    QVERIFY(sink.paragraphs.empty());
}

void RtfReaderTest::bodySearchIgnoresCaseAndMatchesInsideWords()
{
    const std::string body = "{\\rtf1 The Caf\\'c9 on {\\b Market}street\\par second}";
    QVERIFY(BodySearch(QStringLiteral("café")).Matches(body));
    QVERIFY(BodySearch(QStringLiteral("ARKET")).Matches(body));
    QVERIFY(BodySearch(QStringLiteral("marketstreet")).Matches(body));
    QVERIFY(BodySearch(QStringLiteral(" ")).Matches(body));
    QVERIFY(!BodySearch(QStringLiteral("street second")).Matches(body));
    QVERIFY(!BodySearch(QStringLiteral("\\b")).Matches(body));
    QVERIFY(BodySearch(QStringLiteral("PLAIN")).Matches("just plain text"));

    // Paragraph by paragraph, matches that cross a paragraph end or a soft line break count.
    const std::string lines = "{\\rtf1 one\\par two\\line three\\par four\\par}";
    for (const char* needle : {"one\ntwo", "e\nt", "two\nthree", "three\nfour", "four", "ONE"})
        QVERIFY2(BodySearch(QString::fromUtf8(needle)).Matches(lines), needle);
    QVERIFY(!BodySearch(QStringLiteral("one two")).Matches(lines));
    QVERIFY(!BodySearch(QStringLiteral("four\n")).Matches(lines));
}

void RtfReaderTest::readingStopsWhenItHasEnough()
{
    const std::string body = "{\\rtf1 first\\par second\\par third}";
    int asked = 0;
    const rtf::PlainTextCheck enough = [&asked](QStringView text) {
        ++asked;
        return text.endsWith(u"second");
    };
    QString text;
    bool stopped = false;
    QVERIFY(rtf::ReadRtfPlainText(body, text, &enough, &stopped));
    QVERIFY(stopped);
    QCOMPARE(text, QStringLiteral("first\nsecond"));
    QCOMPARE(asked, 2);

    const rtf::PlainTextCheck never = [](QStringView) { return false; };
    QString all;
    QVERIFY(rtf::ReadRtfPlainText(body, all, &never, &stopped));
    QVERIFY(!stopped);
    QCOMPARE(all, QStringLiteral("first\nsecond\nthird"));
}

void RtfReaderTest::bodySearchAgreesWithCaseInsensitiveContains()
{
    const QString alphabet = QStringLiteral("aAbB\u00e9\u00c9\u00df \u0394\u03b4\u4f60");
    QRandomGenerator rng(7);
    auto random = [&](int length) {
        QString text;
        for (int i = 0; i < length; ++i)
            text += alphabet[static_cast<qsizetype>(rng.bounded(static_cast<int>(alphabet.size())))];
        return text;
    };
    for (int round = 0; round < 3000; ++round) {
        const QString text = random(static_cast<int>(rng.bounded(0, 40)));
        const QString needle = random(static_cast<int>(rng.bounded(1, 6)));
        QCOMPARE(BodySearch(needle).Contains(text), text.contains(needle, Qt::CaseInsensitive));
    }
    QVERIFY(BodySearch(QStringLiteral("aab")).Contains(u"aaab"));
    QVERIFY(!BodySearch(QStringLiteral("abc")).Contains(u"ab"));
    QVERIFY(BodySearch(QString()).Contains(u""));
}

QTEST_APPLESS_MAIN(RtfReaderTest)
#include "tst_rtfreader.moc"
