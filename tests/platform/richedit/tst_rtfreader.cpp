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
    void fixturesGiveTheirText_data();
    void fixturesGiveTheirText();
    void listsAndTableSample();
    void readsText_data();
    void readsText();
    void rejectsWhatIsNotRtf_data();
    void rejectsWhatIsNotRtf();
    void characterFormatsOfTheFormattingSample();
    void fontsKeepTheirNamesCharsetsAndAlternatives();
    void symbolFontsKeepTheirFont_data();
    void symbolFontsKeepTheirFont();
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
    void plainLinesEndEveryParagraph_data();
    void plainLinesEndEveryParagraph();
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

void RtfReaderTest::fixturesGiveTheirText_data()
{
    QTest::addColumn<QString>("body");
    for (const QString& name : testsupport::FixtureBodies())
        QTest::newRow(qPrintable(name)) << name;
}

// Both readings, the plain text and the one the control's document is built from, give the
// text as it was written.
void RtfReaderTest::fixturesGiveTheirText()
{
    QFETCH(QString, body);
    const QString base = testsupport::FixtureRtfDir() + u'/' + body.section(u'.', 0, 0);
    const std::string bytes = testsupport::ReadFile(base + QStringLiteral(".rtf"));
    const QString expected = QString::fromStdString(testsupport::ReadFile(base + QStringLiteral(".txt")));
    QVERIFY(!bytes.empty());
    QVERIFY(!expected.isEmpty());
    QCOMPARE(BodyPlainLines(bytes), expected);

    PlainTextSink sink;
    rtf::Tables tables;
    QVERIFY(rtf::ReadRtf(bytes, sink, tables));
    QVERIFY(sink.HadParagraphs());
    QCOMPARE(sink.TakeText() + u'\n', expected);
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
        << QByteArray("{\\rtf1 a{\\pict\\pngblip 89504e47}b{\\*\\shppict{\\pict\\jpegblip ff}}"
                      "{\\nonshppict{\\pict\\wmetafile8 01}}c}")
        << QStringLiteral("abc");
    QTest::newRow("picture alone in the last paragraph")
        << QByteArray("{\\rtf1 a\\par{\\pict\\pngblip 00}}") << QStringLiteral("a\n");
    QTest::newRow("double-byte code page")
        << QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset128 MS Mincho;}"
                      "{\\f1\\fcharset0 Arial;}}\\f0\\'82\\'a0\\f1\\'e9}")
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

    // \* marks a destination only where it opens its group.
    QTest::newRow("star after formatting words")
        << QByteArray("{\\rtf1{\\f1\\fs20\\*\\unknownword text} end}") << QStringLiteral("text end");
    QTest::newRow("star after text") << QByteArray("{\\rtf1{a\\*\\unknownword b}}") << QStringLiteral("ab");
    QTest::newRow("star opening a group") << QByteArray("{\\rtf1{\\*\\unknownword a}b}") << QStringLiteral("b");
    QTest::newRow("star after a line end opening a group")
        << QByteArray("{\\rtf1{\r\n\\*\\unknownword a}b}") << QStringLiteral("b");
    QTest::newRow("star in a group inside") << QByteArray("{\\rtf1{\\b x{\\*\\unknownword a}y}}")
                                            << QStringLiteral("xy");
    QTest::newRow("star before a skipped destination mid-group")
        << QByteArray("{\\rtf1{\\b x\\*\\info y}z}") << QStringLiteral("xz");

    // A font's \fcharset decides its code page; \ansicpg only text in fonts without one.
    QTest::newRow("latin font in a japanese document")
        << QByteArray("{\\rtf1\\ansi\\ansicpg932{\\fonttbl{\\f0\\fcharset0 Arial;}}\\f0 J\\'e4rvi \\'93a\\'94\\'85\\'a9}")
        << QStringLiteral("Järvi “a”…©");
    QTest::newRow("latin font in a chinese document")
        << QByteArray("{\\rtf1\\ansi\\ansicpg950{\\fonttbl{\\f0\\fcharset0 Arial;}"
                      "{\\f1\\fcharset136 M;}}\\f0\\'e9\\'85\\f1\\'a4\\'a4}")
        << QStringLiteral("é…中");
    QTest::newRow("font without charset takes the document's")
        << QByteArray("{\\rtf1\\ansi\\ansicpg932{\\fonttbl{\\f0 MS Gothic;}}\\f0\\'82\\'a0}") << QStringLiteral("あ");
    QTest::newRow("default charset takes the document's")
        << QByteArray("{\\rtf1\\ansi\\ansicpg932{\\fonttbl{\\f0\\fcharset1 X;}}\\f0\\'82\\'a0}") << QStringLiteral("あ");
    QTest::newRow("text in no font takes the document's")
        << QByteArray("{\\rtf1\\ansi\\ansicpg932{\\fonttbl{\\f0\\fcharset0 Arial;}}\\'82\\'a0}") << QStringLiteral("あ");

    // Mac code pages, decoded as such.
    QTest::newRow("mac document") << QByteArray("{\\rtf1\\mac \\'d2caf\\'8e\\'d3\\'c9}") << QStringLiteral("“café”…");
    QTest::newRow("mac roman code page") << QByteArray("{\\rtf1\\ansi\\ansicpg10000 na\\'95ve\\'a5}")
                                         << QStringLiteral("naïve•");
    QTest::newRow("mac roman charset")
        << QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset77 Times;}}\\f0\\'8e\\'a8\\'d0}") << QStringLiteral("é®–");
    QTest::newRow("word for mac charset")
        << QByteArray("{\\rtf1\\mac{\\fonttbl{\\f0\\fcharset256 Times;}}\\f0\\'8e\\'c9\\'d5}") << QStringLiteral("é…’");
    QTest::newRow("mac japanese code page")
        << QByteArray("{\\rtf1\\mac\\ansicpg10001 \\'82\\'a0\\'83\\'4a\\'fd\\'fe\\'ff\\'a0\\'80\\'b1}")
        << QStringLiteral("あカ©™…\u00A0\\ｱ");
    QTest::newRow("mac japanese charset")
        << QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset78 Osaka;}}\\f0\\'93\\'fa\\'fd x}") << QStringLiteral("日© x");
    QTest::newRow("mac japanese trail bytes are no single bytes")
        << QByteArray("{\\rtf1\\ansi\\ansicpg10001 \\'81\\'80\\'88\\'a0}") << QStringLiteral("÷唖");

    // Symbol fonts read as the characters they draw.
    QTest::newRow("symbol font letters")
        << QByteArray("{\\rtf1{\\fonttbl{\\f0\\fcharset0 A;}{\\f1\\fcharset2 Symbol;}}\\f1 abgDW\\f0 ab}")
        << QStringLiteral("αβγΔΩab");
    QTest::newRow("symbol font codes")
        << QByteArray("{\\rtf1{\\fonttbl{\\f1\\fcharset2 Symbol;}}\\f1\\'b1\\'bc\\'b4\\'d6\\'e5\\'f2\\'a5\\'ae\\'22 1\\tab}")
        << QStringLiteral("±…×√∑∫∞→∀ 1\t");
    QTest::newRow("symbol font codes without a character")
        << QByteArray("{\\rtf1{\\fonttbl{\\f1\\fcharset2 Symbol;}}\\f1\\'7f\\'80\\'f0\\'ff}")
        << QStringLiteral("\uF07F\uF080\uF0F0\uF0FF");
    QTest::newRow("symbol font as unicode")
        << QByteArray("{\\rtf1{\\fonttbl{\\f1\\fcharset2 Symbol;}}\\f1\\u-3999?\\u97?\\u8364?\\u945?}")
        << QStringLiteral("αα€α");
    QTest::newRow("symbol font raw bytes")
        << QByteArray("{\\rtf1{\\fonttbl{\\f1\\fcharset2 Symbol;}}\\f1 \xb1\xbc}") << QStringLiteral("±…");
    QTest::newRow("symbol font in a japanese document")
        << QByteArray("{\\rtf1\\ansicpg932{\\fonttbl{\\f1\\fcharset2 Symbol;}}\\f1\\'82\\'a0}") << QStringLiteral("\uF082\u20AC");
    QTest::newRow("symbol font named without charset")
        << QByteArray("{\\rtf1{\\fonttbl{\\f1\\fcharset0 Symbol;}}\\f1 a}") << QStringLiteral("a");
    QTest::newRow("other symbol fonts keep their codes")
        << QByteArray("{\\rtf1{\\fonttbl{\\f1\\fcharset2 Wingdings;}}\\f1 J\\'fc\\u-4063?\\u74?}")
        << QStringLiteral("\uF04A\uF0FC\uF021\uF04A");
    QTest::newRow("field instructions in a symbol font are read as written")
        << QByteArray("{\\rtf1{\\fonttbl{\\f1\\fcharset2 Symbol;}}\\f1{\\field{\\*\\fldinst SYMBOL 98}}a}")
        << QStringLiteral("βα");
    QTest::newRow("symbol field with an empty result")
        << QByteArray("{\\rtf1 a{\\field{\\*\\fldinst SYMBOL 97 \\\\f \"Symbol\"}{\\fldrslt }}b}") << QStringLiteral("aαb");
    QTest::newRow("symbol field without a result")
        << QByteArray("{\\rtf1{\\field{\\*\\fldinst SYMBOL 0xBC \\\\f Symbol \\\\h}}}") << QStringLiteral("…");
    QTest::newRow("symbol field with a result")
        << QByteArray("{\\rtf1{\\field{\\*\\fldinst SYMBOL 97 \\\\f \"Symbol\"}{\\fldrslt x}}}") << QStringLiteral("x");
    QTest::newRow("symbol field of another symbol font")
        << QByteArray("{\\rtf1{\\field{\\*\\fldinst SYMBOL 74 \\\\f \"Wingdings\" \\\\s 12}{\\fldrslt }}}")
        << QStringLiteral("\uF04A");
    QTest::newRow("symbol field of a declared symbol font")
        << QByteArray("{\\rtf1{\\fonttbl{\\f3\\fcharset2 Dingbats Plus;}}{\\field"
                      "{\\*\\fldinst SYMBOL 65 \\\\f \"dingbats plus\"}}}")
        << QStringLiteral("\uF041");
    QTest::newRow("symbol field of a plain font")
        << QByteArray("{\\rtf1{\\field{\\*\\fldinst SYMBOL 65 \\\\f \"Arial\"}{\\fldrslt }}"
                      "{\\field{\\*\\fldinst SYMBOL 128 \\\\f Arial}}}")
        << QStringLiteral("A€");
    QTest::newRow("symbol field in unicode")
        << QByteArray("{\\rtf1{\\field{\\*\\fldinst SYMBOL 8364 \\\\u}}{\\field{\\*\\fldinst SYMBOL 169 \\\\f Arial \\\\u}}}")
        << QStringLiteral("€©");
    QTest::newRow("symbol field in the field's font")
        << QByteArray("{\\rtf1{\\fonttbl{\\f1\\fcharset2 Symbol;}}\\f1"
                      "{\\field{\\*\\fldinst SYMBOL 100}}}") << QStringLiteral("δ");
    QTest::newRow("symbol fields that show nothing")
        << QByteArray("{\\rtf1 a{\\field{\\*\\fldinst SYMBOL x}}{\\field{\\*\\fldinst SYMBOL 5}}"
                      "{\\v{\\field{\\*\\fldinst SYMBOL 65}}}b}")
        << QStringLiteral("ab");
    QTest::newRow("symbol field with a nested field in its result")
        << QByteArray("{\\rtf1{\\field{\\*\\fldinst SYMBOL 97}{\\fldrslt{\\field{\\*\\fldinst PAGE}{\\fldrslt 3}}}}}")
        << QStringLiteral("3");
    QTest::newRow("old bullets in a symbol font are no text")
        << QByteArray("{\\rtf1{\\fonttbl{\\f1\\fcharset2 Symbol;}}{\\pntext\\f1\\'B7\\tab}"
                      "{\\*\\pn\\pnlvlblt\\pnf1{\\pntxtb\\'B7}}item}")
        << QStringLiteral("item");

    // Nested tables: the fallback for readers without them is no text.
    QTest::newRow("fallback of nested tables")
        << QByteArray("{\\rtf1 A\\nestcell B\\nestcell{\\*\\nesttableprops\\trowd\\cellx1\\nestrow}"
                      "{\\nonesttables A\\tab B\\par}C}")
        << QStringLiteral("A\tB\nC");
    QTest::newRow("text in nested table properties")
        << QByteArray("{\\rtf1 a{\\*\\nesttableprops b{\\b c}}d}") << QStringLiteral("abcd");

    // A broken hex escape goes with the character in its second digit's place, and takes the
    // place of one fallback byte.
    QTest::newRow("hex with one digit") << QByteArray("{\\rtf1 a\\'3?b}") << QStringLiteral("ab");
    QTest::newRow("hex with one digit as fallback") << QByteArray("{\\rtf1\\uc1\\u8364\\'3?x}") << QStringLiteral("€x");
    QTest::newRow("hex with one digit in a long fallback")
        << QByteArray("{\\rtf1\\uc2\\u8364\\'3?\\'41x}") << QStringLiteral("€x");
    QTest::newRow("hex with one digit before a control word")
        << QByteArray("{\\rtf1 a\\'3\\par b}") << QStringLiteral("a\nb");
    QTest::newRow("hex with one digit before a group") << QByteArray("{\\rtf1 a\\'3{b}c}") << QStringLiteral("abc");
    QTest::newRow("hex with one digit before a group end") << QByteArray("{\\rtf1{a\\'3}b}") << QStringLiteral("ab");
    QTest::newRow("hex with one digit in a double-byte text")
        << QByteArray("{\\rtf1\\ansicpg932 \\'82\\'a0\\'8?\\'82\\'a2}") << QStringLiteral("あい");

    // An empty paragraph has no text, and the final \par still adds no empty one.
    QTest::newRow("one empty paragraph")
        << QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\pard\\f0\\fs20\\par\r\n}") << QString();
    QTest::newRow("two empty paragraphs") << QByteArray("{\\rtf1\\pard\\par\\par}") << QStringLiteral("\n");
    QTest::newRow("final par after text") << QByteArray("{\\rtf1\\pard A\\par}") << QStringLiteral("A");
}

void RtfReaderTest::readsText()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, expected);
    QCOMPARE(BodyPlainText(View(rtf)), expected);
    // The reading the control's document is built from gives the same text.
    PlainTextSink sink;
    rtf::Tables tables;
    QVERIFY(rtf::ReadRtf(View(rtf), sink, tables));
    QCOMPARE(sink.TakeText(), expected);
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

    // A font's name is in its own code page, the document's only for a font without charset.
    rtf::Tables japanese;
    rtf::ReadRtf("{\\rtf1\\ansi\\ansicpg932{\\fonttbl{\\f0\\fcharset0 Caf\\'e9;}{\\f1 \\'82\\'a0;}{\\f2\\fcharset78 \\'83\\'4a;}}}",
                 sink, japanese);
    QCOMPARE(japanese.FindFont(0)->face, QStringLiteral("Café"));
    QCOMPARE(japanese.FindFont(0)->codePage, 1252);
    QCOMPARE(japanese.FindFont(1)->face, QStringLiteral("あ"));
    QCOMPARE(japanese.FindFont(1)->codePage, 0);
    QCOMPARE(japanese.FindFont(2)->face, QStringLiteral("カ"));
    QCOMPARE(japanese.FindFont(2)->codePage, 10001);
}

void RtfReaderTest::symbolFontsKeepTheirFont_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("face");
    QTest::addColumn<int>("charset");
    QTest::addColumn<int>("halfPoints");
    const QByteArray fonts = "{\\rtf1{\\fonttbl{\\f0\\fcharset0 Arial;}{\\f1\\fcharset2 Symbol;}{\\f2\\fcharset2 Wingdings;}}\\f0 ";
    QTest::newRow("symbol") << fonts + "x\\f1 a\\f0 y}" << QStringLiteral("α") << QStringLiteral("Symbol") << 2 << 24;
    QTest::newRow("wingdings") << fonts + "x{\\f2\\fs30 J}y}" << QStringLiteral("\uF04A") << QStringLiteral("Wingdings") << 2
                               << 30;
    QTest::newRow("symbol field in a declared font")
        << fonts + "x{\\field{\\*\\fldinst SYMBOL 98 \\\\f \"symbol\" \\\\s 11}{\\fldrslt }}y}" << QStringLiteral("β")
        << QStringLiteral("Symbol") << 2 << 22;
    QTest::newRow("symbol field in an undeclared symbol font")
        << QByteArray("{\\rtf1 x{\\field{\\*\\fldinst SYMBOL 74 \\\\f \"Wingdings 2\"}"
                      "{\\fldrslt }}y}") << QStringLiteral("\uF04A")
        << QStringLiteral("Wingdings 2") << 2 << 24;
    QTest::newRow("symbol field in an undeclared plain font")
        << fonts + "x{\\field{\\*\\fldinst SYMBOL 65 \\\\f \"Courier New\"}{\\fldrslt }}y}" << QStringLiteral("A")
        << QStringLiteral("Courier New") << 0 << 24;
}

void RtfReaderTest::symbolFontsKeepTheirFont()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, text);
    QFETCH(QString, face);
    QFETCH(int, charset);
    QFETCH(int, halfPoints);
    RecordingSink sink;
    rtf::Tables tables;
    QVERIFY(rtf::ReadRtf(View(rtf), sink, tables));
    QCOMPARE(sink.paragraphs.size(), std::size_t(1));
    QCOMPARE(sink.paragraphs[0].Text(), u'x' + text + u'y');
    const auto* run = sink.FindRun(text);
    QVERIFY(run);
    QCOMPARE(run->text, text);
    QCOMPARE(run->format.halfPoints, halfPoints);
    const rtf::Font* font = tables.FindFont(run->format.font);
    QVERIFY(font);
    QCOMPARE(font->face, face);
    QCOMPARE(font->charset, charset);
    // The text around keeps its own font.
    QCOMPARE(sink.FindRun(QStringLiteral("y"))->format.font, sink.paragraphs[0].runs.front().format.font);
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

    // Digits on both sides of a group inside the picture make one run of bytes.
    const RecordingSink split = Read("{\\rtf1{\\pict\\pngblip 89 5{\\*\\blipuid 00ff}0 4e\\par 47}}", true);
    QCOMPARE(split.paragraphs.at(0).pictures.at(0).data, QByteArray("\x89PNG", 4));
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
    // Text beyond the depth limit is kept, and the groups close where they end.
    for (const int depth : {rtf::kMaxGroupDepth - 2, rtf::kMaxGroupDepth, rtf::kMaxGroupDepth + 1, 100000}) {
        const std::string rtf = "{\\rtf1 a" + std::string(static_cast<std::size_t>(depth), '{') + "x" +
                                std::string(static_cast<std::size_t>(depth), '}') + "b}";
        QCOMPARE(BodyPlainText(rtf), QStringLiteral("axb"));
    }

    // Beyond the limit the deepest group's formats stay: those set there are not kept, and
    // none leaks out of the groups.
    auto nested = [](int depth, const std::string& open, const std::string& inside) {
        std::string rtf = "{\\rtf1 a";
        for (int i = 0; i < depth; ++i)
            rtf += open;
        rtf += inside + std::string(static_cast<std::size_t>(depth), '}') + "b}";
        return rtf;
    };
    const RecordingSink bold = Read(nested(4000, "{\\b ", "x{\\i\\v y}z"));
    QCOMPARE(bold.paragraphs.size(), std::size_t(1));
    QCOMPARE(bold.paragraphs[0].Text(), QStringLiteral("axyzb"));
    const auto* deep = bold.FindRun(QStringLiteral("xyz"));
    QVERIFY(deep);
    QVERIFY(deep->format.bold);
    QVERIFY(!deep->format.italic);
    QVERIFY(!bold.FindRun(QStringLiteral("b"))->format.bold);
    QVERIFY(!bold.FindRun(QStringLiteral("a"))->format.bold);

    // Destinations opened beyond the limit: those to skip are skipped, braces and all, and
    // text words still make their text.
    const std::string destinations = nested(
        1000, "{", "x{\\*\\unknown {u}}{\\info{\\title i}}{\\*\\fldinst PAGE}{\\fonttbl{\\f0 F;}}{\\pict\\pngblip 00}"
                   "{\\nonesttables n}{\\fldrslt r}\\tab\\u8364?\\'e9\\line y");
    QCOMPARE(BodyPlainText(destinations), QStringLiteral("axr\t€é\nyb"));
    PlainTextSink sink;
    rtf::Tables tables;
    QVERIFY(rtf::ReadRtf(destinations, sink, tables));
    QCOMPARE(sink.TakeText(), QStringLiteral("axr\t€é\nyb"));
    QVERIFY(tables.fonts.empty());
    // A \* beyond the limit marks a destination only where it opens its group, as anywhere.
    QCOMPARE(BodyPlainText(nested(600, "{\\b ", "x{\\b\\*\\unknown y}")), QStringLiteral("axyb"));
    // A paragraph ends there in the deepest group's paragraph format.
    const RecordingSink paragraphs = Read(nested(600, "{\\qc ", "x\\par\\ql y\\par"));
    QCOMPARE(paragraphs.paragraphs.size(), std::size_t(3));
    QCOMPARE(paragraphs.paragraphs[0].format.alignment, rtf::Alignment::Center);
    QCOMPARE(paragraphs.paragraphs[1].format.alignment, rtf::Alignment::Center);
    QCOMPARE(paragraphs.paragraphs[1].Text(), QStringLiteral("y"));

    // Opened and never closed.
    const std::string open = "{\\rtf1 a" + std::string(200000, '{') + "x";
    QCOMPARE(BodyPlainText(open), QStringLiteral("ax"));
}

void RtfReaderTest::plainLinesEndEveryParagraph_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("expected");
    QTest::newRow("nothing") << QByteArray() << QString();
    QTest::newRow("no paragraph") << QByteArray("{\\rtf1 }") << QString();
    QTest::newRow("one empty paragraph") << QByteArray("{\\rtf1\\pard\\par}") << QStringLiteral("\n");
    QTest::newRow("two empty paragraphs") << QByteArray("{\\rtf1\\pard\\par\\par}") << QStringLiteral("\n\n");
    QTest::newRow("text") << QByteArray("{\\rtf1 A}") << QStringLiteral("A\n");
    QTest::newRow("final par") << QByteArray("{\\rtf1 A\\par}") << QStringLiteral("A\n");
    QTest::newRow("empty last paragraph") << QByteArray("{\\rtf1 A\\par\\par}") << QStringLiteral("A\n\n");
    QTest::newRow("a picture alone") << QByteArray("{\\rtf1{\\pict\\pngblip 00}}") << QStringLiteral("\n");
    QTest::newRow("hidden text alone") << QByteArray("{\\rtf1{\\v x}}") << QString();
    QTest::newRow("plain text") << QByteArray("a\r\nb") << QStringLiteral("a\nb\n");
    QTest::newRow("plain empty line") << QByteArray("\r\n") << QStringLiteral("\n");
}

void RtfReaderTest::plainLinesEndEveryParagraph()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, expected);
    QCOMPARE(BodyPlainLines(View(body)), expected);
    // The same text as the plain text, which has no "\n" after the last paragraph.
    QCOMPARE(BodyPlainText(View(body)) + (expected.isEmpty() ? QString() : QStringLiteral("\n")), expected);
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
