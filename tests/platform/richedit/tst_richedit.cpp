// RichEdit, driven as the editor commands and a user drive it.
#include "document_generator.h"
#include "support.h"

#include "platform/pictures/picture.h"
#include "platform/richedit/find_dialog.h"
#include "platform/richedit/link_detection.h"
#include "platform/richedit/plain_text.h"
#include "platform/richedit/richedit.h"
#include "platform/richedit/rtf_writer.h"
#include "platform/richedit/text_format.h"

#include "storage/stream.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QMimeData>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextLayout>
#include <QTextList>
#include <QTimer>
#include <QtTest>

using namespace quill;

namespace {

std::string Sample(const char* name)
{
    return testsupport::ReadFile(testsupport::SampleRtfDir() + u'/' + QLatin1String(name));
}

// A shown control large enough to lay its text out.
struct ShownEditor {
    ShownEditor()
    {
        edit.resize(480, 320);
        edit.show();
        QVERIFY(QTest::qWaitForWindowExposed(&edit));
    }
    RichEdit edit;
};

// The middle of the character at `position`, in the viewport's coordinates.
QPoint CharacterCentre(const RichEdit& edit, int position)
{
    QTextCursor cursor(edit.document());
    cursor.setPosition(position);
    const QRect before = edit.cursorRect(cursor);
    cursor.setPosition(position + 1);
    const QRect after = edit.cursorRect(cursor);
    return QPoint((before.left() + after.left()) / 2, before.center().y());
}

int PositionOf(const RichEdit& edit, const QString& text)
{
    return static_cast<int>(edit.document()->toRawText().indexOf(text));
}

void Select(RichEdit& edit, int start, int length)
{
    edit.SetSelStart(start);
    edit.SetSelLength(length);
}

std::string Rtf(const char* body)
{
    return std::string("{\\rtf1{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}}\\f0\\fs22 ") + body + "}";
}

// Every paragraph has been laid out: the layout goes through the document in order, the
// last paragraph last.
bool LaidOut(const RichEdit& edit)
{
    const QTextLayout* last = edit.document()->lastBlock().layout();
    return last && last->lineCount() > 0;
}

bool WaitCursorShown()
{
    const QCursor* cursor = QGuiApplication::overrideCursor();
    return cursor && cursor->shape() == Qt::WaitCursor;
}

// The texts the control shows as links in the paragraph.
QStringList ShownLinks(const QTextBlock& block)
{
    QStringList links;
    for (const QTextLayout::FormatRange& range : block.layout()->formats())
        links << block.text().mid(range.start, range.length);
    return links;
}

// A text file of at least `bytes` (the lines of which `line` makes), as the control reads a
// body that is not RTF.
template <typename Line>
std::string Lines(std::size_t bytes, Line line)
{
    std::string text;
    text.reserve(bytes + 200);
    for (int n = 0; text.size() < bytes; ++n)
        text += line(n);
    return text;
}

std::string TextLine(int n)
{
    std::string line = "Line " + std::to_string(n) + " of a long text, with words enough to wrap once or twice";
    if (n % 50 == 0)
        line += " and an address: www.example.org/" + std::to_string(n);
    return line + " in a narrow window, caf\xe9.\n";
}

std::string RtfLine(int n)
{
    std::string line = "Line " + std::to_string(n) + " of a long entry, with {\\b bold} words enough to wrap once or twice";
    if (n % 50 == 0)
        line += " and an address: www.example.org/" + std::to_string(n);
    return line + " in a narrow window, caf\\'e9.\\par\r\n";
}

std::string HugeText(std::size_t bytes)
{
    return Lines(bytes, TextLine);
}

std::string HugeRtf(std::size_t bytes)
{
    return "{\\rtf1\\ansi{\\fonttbl{\\f0\\fswiss Arial;}}\\f0\\fs22 " + Lines(bytes, RtfLine) + "}";
}

} // namespace

class RichEditTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void settingsOfANewControl();
    void loadsEverySampleAsTheExtractionReadsIt_data();
    void loadsEverySampleAsTheExtractionReadsIt();
    void controlAndExtractionAgreeOnGeneratedDocuments();
    void loadingFallsBackToTheOtherFormat();
    void streamsOutRichAndPlainText();
    void loadsAndSavesThroughStreams();
    void selection();
    void replacingTheSelectionIsNoUndoStep();
    void characterAttributesOfTheSelection();
    void automaticColours();
    void styleFlagsWrittenTogetherMakeTheSelectionUniform();
    void emptySelectionSetsTheFormatTypedNext();
    void assignFromAFontDescription();
    void paragraphAlignment();
    void bulletsAndTheHangingOffset();
    void importedNumberingIsOther();
    void symbolFontsShowWhatTheyDraw();
    void anEmptyParagraphIsOne();
    void undoAndRedoKeepAHundredSteps();
    void copyAndPasteKeepFormattingAndPictures();
    void pastedImageBecomesAPicture();
    void picturesFromFilesAndPastedMetafiles();
    void plainTextModeKeepsTheTextAndTheModifiedFlag();
    void modifiedFlag();
    void changeAndSelectionEvents();
    void mouseDownReportsTheButton();
    void linkClicks_data();
    void linkClicks();
    void detectedAddresses_data();
    void detectedAddresses();
    void detectionIsNeverStored();
    void findText_data();
    void findText();
    void findDialog();
    void advancedTypographyShowsJustifiedParagraphs();
    void selectionBarSelectsALine();
    void tabTypesATabInLists();
    void clearEmptiesEverything();
    void linksFollowEdits();
    void shortEntryIsLaidOutWhenLoaded();
    void hugeEntryShowsWhileTheEventLoopRuns_data();
    void hugeEntryShowsWhileTheEventLoopRuns();
    void waitCursorOnlyWhileALongEntryIsLaidOut();
    void longListsKeepTheirItems_data();
    void longListsKeepTheirItems();
};

void RichEditTest::settingsOfANewControl()
{
    RichEdit edit;
    QCOMPARE(edit.document()->defaultFont().family(), QStringLiteral("Arial"));
    QCOMPARE(edit.document()->defaultFont().pixelSize(), 15);
    QCOMPARE(edit.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(edit.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(edit.lineWrapMode(), QTextEdit::WidgetWidth);
    QCOMPARE(edit.frameStyle(), int(QFrame::NoFrame));
    QVERIFY(!edit.tabChangesFocus());
    QCOMPARE(edit.palette().color(QPalette::Base), QColor(Qt::white));
    QCOMPARE(edit.palette().color(QPalette::Inactive, QPalette::Highlight),
             edit.palette().color(QPalette::Active, QPalette::Highlight));
    QVERIFY(!edit.PlainText());
    QCOMPARE(edit.StreamMode(), TStreamMode(smUnicode));
    QCOMPARE(edit.StreamFormat(), sfRichText);
    QVERIFY(edit.AutoURLDetect());
    QVERIFY(!edit.Modified());
    QVERIFY(!edit.CanUndo());
    QVERIFY(!edit.CanRedo());
    // What is typed into an empty control.
    QCOMPARE(edit.SelAttributes().Name(), QStringLiteral("Arial"));
    QCOMPARE(edit.SelAttributes().Size(), 11);
    QCOMPARE(edit.SelAttributes().Color(), clWindowText);
    QCOMPARE(edit.SelAttributes().BackColor(), clWindow);
    QCOMPARE(edit.SelAttributes().Charset(), 0);
    QCOMPARE(edit.SelAttributes().Style(), FontStyles(0));
    QCOMPARE(edit.SelAttributes().Weight(), 400);
    QCOMPARE(edit.Paragraph().Alignment(), TextAlignment::Left);
    QCOMPARE(edit.Paragraph().Numbering(), NumberingStyle::None);
}

void RichEditTest::loadsEverySampleAsTheExtractionReadsIt_data()
{
    QTest::addColumn<QString>("path");
    for (const QString& name : testsupport::SampleBodies())
        QTest::newRow(qPrintable(name)) << testsupport::SampleRtfDir() + u'/' + name;
    for (const QString& name : testsupport::FixtureBodies())
        QTest::newRow(qPrintable(QStringLiteral("fixtures/") + name)) << testsupport::FixtureRtfDir() + u'/' + name;
}

void RichEditTest::loadsEverySampleAsTheExtractionReadsIt()
{
    QFETCH(QString, path);
    const std::string bytes = testsupport::ReadFile(path);
    QVERIFY(!bytes.empty());
    RichEdit edit;
    edit.StreamIn(bytes, sfRichText);
    QCOMPARE(edit.Text(), BodyPlainText(bytes));
    QCOMPARE(edit.SelStart(), 0);
    QCOMPARE(edit.SelLength(), 0);
    QVERIFY(!edit.Modified());
    QVERIFY(!edit.CanUndo());
}

void RichEditTest::controlAndExtractionAgreeOnGeneratedDocuments()
{
    const QByteArray jpeg = testsupport::SampleJpeg();
    RichEdit edit;
    for (quint32 seed = 1000; seed < 1100; ++seed) {
        const std::string rtf = richtext::WriteRtf(*testsupport::DocumentGenerator(seed, jpeg).Make());
        edit.StreamIn(rtf, sfRichText);
        QCOMPARE(edit.Text(), BodyPlainText(rtf));
    }
}

void RichEditTest::loadingFallsBackToTheOtherFormat()
{
    RichEdit edit;
    edit.StreamIn(Sample("plain-body.dat"), sfRichText);
    QCOMPARE(edit.Text(), QStringLiteral("Just plain text\nsecond line, café"));
    QCOMPARE(edit.SelAttributes().Size(), 11); // plain text takes the control's own font

    edit.StreamIn("{\\rtf1 odd}", sfPlainText); // nine bytes are no UTF-16
    QCOMPARE(edit.Text(), QStringLiteral("odd"));

    edit.SetStreamMode({});
    edit.StreamIn("{\\rtf1 x}", sfPlainText); // 8-bit plain text always reads
    QCOMPARE(edit.Text(), QStringLiteral("{\\rtf1 x}"));

    edit.SetStreamMode(smUnicode);
    edit.SetModified(true);
    try {
        edit.StreamIn("abc", sfPlainText);
        QFAIL("no failure");
    } catch (const std::runtime_error& failure) {
        QCOMPARE(QString::fromUtf8(failure.what()), QStringLiteral("Failed to Load Stream"));
    }
    QCOMPARE(edit.Text(), QStringLiteral("{\\rtf1 x}"));
    QVERIFY(edit.Modified());
}

void RichEditTest::streamsOutRichAndPlainText()
{
    RichEdit edit;
    edit.StreamIn(Rtf("Caf\\'e9\\par \\u20320?"), sfRichText);
    QCOMPARE(edit.StreamOut(sfRichText), richtext::WriteRtf(*edit.document()));
    QCOMPARE(edit.StreamOut(sfPlainText), std::string("C\0a\0f\0\xe9\0\r\0\n\0\x60\x4f\r\0\n\0", 18));
    edit.SetStreamMode({});
    QCOMPARE(edit.StreamOut(sfPlainText), std::string("Caf\xe9\r\n?\r\n"));
    // Writing changes nothing.
    QVERIFY(!edit.Modified());
    QCOMPARE(edit.Text(), QStringLiteral("Café\n你"));
}

void RichEditTest::loadsAndSavesThroughStreams()
{
    RichEdit edit;
    const std::string body = Sample("formatting.rtf");
    MemoryStream in("prefix" + body);
    in.seek(6);
    edit.LoadFromStream(in);
    QCOMPARE(edit.Text(), BodyPlainText(body));
    MemoryStream out;
    edit.SaveToStream(out);
    QCOMPARE(out.bytes(), edit.StreamOut(sfRichText));
    QCOMPARE(out.position(), out.size());
}

void RichEditTest::selection()
{
    RichEdit edit;
    edit.StreamIn(Rtf("Hello world\\par second{\\pict\\pngblip 00}line\\par}"), sfRichText);
    QCOMPARE(edit.TextLength(), 23);
    Select(edit, 6, 5);
    QCOMPARE(edit.SelStart(), 6);
    QCOMPARE(edit.SelLength(), 5);
    QCOMPARE(edit.SelText(), QStringLiteral("world"));
    edit.SetSelLength(9); // keeps the start
    QCOMPARE(edit.SelStart(), 6);
    QCOMPARE(edit.SelText(), QStringLiteral("world\nsec"));
    edit.SetSelLength(1000);
    QCOMPARE(edit.SelStart() + edit.SelLength(), edit.TextLength());
    QCOMPARE(edit.SelText(), QStringLiteral("world\nsecondline")); // the picture is no text
    edit.SelectAll();
    QCOMPARE(edit.SelStart(), 0);
    QCOMPARE(edit.SelLength(), edit.TextLength());
    Select(edit, 5, 6);
    edit.ClearSelection();
    QCOMPARE(edit.Text(), QStringLiteral("Hello\nsecondline"));
    QCOMPARE(edit.SelLength(), 0);
    QVERIFY(edit.Modified());
    QVERIFY(edit.CanUndo());
    edit.SetSelStart(-5);
    QCOMPARE(edit.SelStart(), 0);
}

void RichEditTest::replacingTheSelectionIsNoUndoStep()
{
    RichEdit edit;
    edit.StreamIn(Rtf("one two"), sfRichText);
    Select(edit, 0, 3);
    edit.ClearSelection();
    QVERIFY(edit.CanUndo());
    Select(edit, 1, 3);
    edit.ReplaceSelection(QStringLiteral("file:C:\\My%Files"));
    QCOMPARE(edit.Text(), QStringLiteral(" file:C:\\My%Files"));
    QCOMPARE(edit.SelStart(), 17);
    QCOMPARE(edit.SelLength(), 0);
    QVERIFY(!edit.CanUndo());
    QVERIFY(edit.Modified());
}

void RichEditTest::characterAttributesOfTheSelection()
{
    RichEdit edit;
    edit.StreamIn(Sample("formatting.rtf"), sfRichText);
    TextAttributes& attributes = edit.SelAttributes();

    Select(edit, PositionOf(edit, QStringLiteral("Times")), 5);
    QCOMPARE(attributes.Name(), QStringLiteral("Times New Roman"));
    QCOMPARE(attributes.Size(), 16);
    QCOMPARE(attributes.Pitch(), FontPitch::Default);

    Select(edit, PositionOf(edit, QStringLiteral("bold")), 4);
    QCOMPARE(attributes.Style(), FontStyles(fsBold));
    QCOMPARE(attributes.Weight(), 700);
    Select(edit, PositionOf(edit, QStringLiteral("All three")), 9);
    QCOMPARE(attributes.Style(), FontStyles(fsBold | fsItalic | fsUnderline));
    Select(edit, PositionOf(edit, QStringLiteral("struck")), 6);
    QCOMPARE(attributes.Style(), FontStyles(fsStrikeOut));

    // A mixed selection reads as its first character.
    Select(edit, PositionOf(edit, QStringLiteral("Plain, bold")), 11);
    QCOMPARE(attributes.Style(), FontStyles(0));

    Select(edit, 0, 5);
    attributes.SetName(QStringLiteral("A Face Name That Is Longer Than Thirty-One"));
    QCOMPARE(attributes.Name(), QStringLiteral("A Face Name That Is Longer Than"));
    attributes.SetSize(13);
    QCOMPARE(attributes.Size(), 13);
    attributes.SetCharset(204);
    QCOMPARE(attributes.Charset(), 204);
    attributes.SetPitch(FontPitch::Fixed);
    QCOMPARE(attributes.Pitch(), FontPitch::Fixed);
    attributes.SetWeight(600);
    QCOMPARE(attributes.Weight(), 600);
    attributes.SetLink(true);
    QVERIFY(attributes.Link());
    attributes.SetLink(false);
    QVERIFY(!attributes.Link());
    QVERIFY(edit.CanUndo());

    // Half points read as whole points, the remainder dropped.
    edit.StreamIn(Rtf("\\fs21 x"), sfRichText);
    QCOMPARE(attributes.Size(), 10);
    // The written attributes survive a write and a read.
    edit.StreamIn(Rtf("abc"), sfRichText);
    Select(edit, 1, 1);
    attributes.SetName(QStringLiteral("Courier New"));
    attributes.SetCharset(204);
    attributes.SetColor(0x00123456);
    attributes.SetBackColor(0x00FFFFFF);
    const std::string rtf = edit.StreamOut(sfRichText);
    RichEdit other;
    other.StreamIn(rtf, sfRichText);
    Select(other, 1, 1);
    QCOMPARE(other.SelAttributes().Name(), QStringLiteral("Courier New"));
    QCOMPARE(other.SelAttributes().Charset(), 204);
    QCOMPARE(other.SelAttributes().Color(), TColor(0x00123456));
    QCOMPARE(other.SelAttributes().BackColor(), TColor(0x00FFFFFF));
}

void RichEditTest::automaticColours()
{
    RichEdit edit;
    edit.StreamIn(Sample("formatting.rtf"), sfRichText);
    TextAttributes& attributes = edit.SelAttributes();
    Select(edit, PositionOf(edit, QStringLiteral("Red text")), 3);
    QCOMPARE(attributes.Color(), TColor(0x000000FF));
    QCOMPARE(attributes.BackColor(), clWindow);
    attributes.SetColor(clWindowText);
    QCOMPARE(attributes.Color(), clWindowText);
    QVERIFY(!edit.textCursor().charFormat().hasProperty(QTextFormat::ForegroundBrush));

    Select(edit, PositionOf(edit, QStringLiteral("yellow highlight")), 16);
    QCOMPARE(attributes.BackColor(), TColor(0x0000FFFF));
    attributes.SetBackColor(TextAttributes::kNoColor);
    QCOMPARE(attributes.BackColor(), clWindow);
    attributes.SetBackColor(0x00FFFFFF); // white chosen in the colour dialog stays explicit
    QCOMPARE(attributes.BackColor(), TColor(0x00FFFFFF));
    attributes.SetBackColor(clWindow);
    QCOMPARE(attributes.BackColor(), clWindow);
    attributes.SetColor(TextAttributes::kNoColor);
    QCOMPARE(attributes.Color(), clWindowText);
    QVERIFY(edit.StreamOut(sfRichText).find("\\highlight") == std::string::npos);
}

void RichEditTest::styleFlagsWrittenTogetherMakeTheSelectionUniform()
{
    RichEdit edit;
    edit.StreamIn(Rtf("{\\i a}{\\b b}{\\ul c}"), sfRichText);
    Select(edit, 0, 3);
    const FontStyles read = edit.SelAttributes().Style();
    QCOMPARE(read, FontStyles(fsItalic));
    edit.SelAttributes().SetStyle(read | fsBold);
    for (int i = 0; i < 3; ++i) {
        Select(edit, i, 1);
        QCOMPARE(edit.SelAttributes().Style(), FontStyles(fsBold | fsItalic));
    }
    edit.Undo();
    Select(edit, 2, 1);
    QCOMPARE(edit.SelAttributes().Style(), FontStyles(fsUnderline));
}

void RichEditTest::emptySelectionSetsTheFormatTypedNext()
{
    ShownEditor shown;
    RichEdit& edit = shown.edit;
    edit.StreamIn(Rtf("ab"), sfRichText);
    edit.SetSelStart(1);
    edit.SelAttributes().SetStyle(fsBold);
    QCOMPARE(edit.SelAttributes().Style(), FontStyles(fsBold));
    QCOMPARE(edit.Text(), QStringLiteral("ab"));
    QTest::keyClicks(edit.viewport(), QStringLiteral("XY"));
    QCOMPARE(edit.Text(), QStringLiteral("aXYb"));
    Select(edit, 1, 2);
    QCOMPARE(edit.SelAttributes().Style(), FontStyles(fsBold));
    Select(edit, 3, 1);
    QCOMPARE(edit.SelAttributes().Style(), FontStyles(0));
}

void RichEditTest::assignFromAFontDescription()
{
    RichEdit edit;
    edit.StreamIn(Rtf("text"), sfRichText);
    edit.SelectAll();
    QFont font(QStringLiteral("Courier New"));
    font.setPointSize(14);
    font.setItalic(true);
    font.setStrikeOut(true);
    font.setFixedPitch(true);
    edit.SelAttributes().Assign(font, 0x00008000, 186);
    Select(edit, 2, 1);
    TextAttributes& attributes = edit.SelAttributes();
    QCOMPARE(attributes.Name(), QStringLiteral("Courier New"));
    QCOMPARE(attributes.Size(), 14);
    QCOMPARE(attributes.Style(), FontStyles(fsItalic | fsStrikeOut));
    QCOMPARE(attributes.Color(), TColor(0x00008000));
    QCOMPARE(attributes.Charset(), 186);
    QCOMPARE(attributes.Pitch(), FontPitch::Fixed);
    QCOMPARE(attributes.Weight(), 400);
}

void RichEditTest::paragraphAlignment()
{
    RichEdit edit;
    edit.SetAdvancedTypography(true);
    edit.StreamIn(Sample("paragraphs.rtf"), sfRichText);
    ParaAttributes& paragraph = edit.Paragraph();
    const std::vector<TextAlignment> expected = {TextAlignment::Left, TextAlignment::Center, TextAlignment::Right,
                                                 TextAlignment::Justify};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        edit.SetSelStart(edit.document()->findBlockByNumber(static_cast<int>(i)).position());
        QCOMPARE(paragraph.Alignment(), expected[i]);
    }
    // Every paragraph the selection touches.
    Select(edit, 2, edit.document()->findBlockByNumber(2).position() - 1);
    paragraph.SetAlignment(TextAlignment::Right);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(edit.document()->findBlockByNumber(i).blockFormat().alignment() & Qt::AlignHorizontal_Mask,
                 Qt::AlignRight);
    QCOMPARE(edit.document()->findBlockByNumber(3).blockFormat().alignment() & Qt::AlignHorizontal_Mask,
             Qt::AlignJustify);
    edit.Undo();
    QCOMPARE(edit.document()->findBlockByNumber(1).blockFormat().alignment() & Qt::AlignHorizontal_Mask,
             Qt::AlignHCenter);
}

void RichEditTest::bulletsAndTheHangingOffset()
{
    RichEdit edit;
    edit.StreamIn(Rtf("\\fi-100\\li100 five\\par\\pard\\fi-400\\li500 twenty\\par\\pard plain\\par"), sfRichText);
    ParaAttributes& paragraph = edit.Paragraph();
    edit.SetSelStart(0);
    QCOMPARE(paragraph.HangingOffset(), 5);
    paragraph.SetHangingOffset(10);
    QCOMPARE(paragraph.HangingOffset(), 10);
    paragraph.SetNumbering(NumberingStyle::Bullet);
    QCOMPARE(paragraph.Numbering(), NumberingStyle::Bullet);
    // The first line stays where it started.
    const QTextBlockFormat five = edit.document()->findBlockByNumber(0).blockFormat();
    QCOMPARE(five.intProperty(richtext::FirstIndentProperty), -200);
    QCOMPARE(five.intProperty(richtext::LeftIndentProperty), 200);

    edit.SetSelStart(edit.document()->findBlockByNumber(1).position());
    QCOMPARE(paragraph.HangingOffset(), 20);
    paragraph.SetNumbering(NumberingStyle::Bullet);
    QCOMPARE(paragraph.HangingOffset(), 20);
    paragraph.SetHangingOffset(0);
    paragraph.SetNumbering(NumberingStyle::None);
    QCOMPARE(paragraph.Numbering(), NumberingStyle::None);
    QCOMPARE(paragraph.HangingOffset(), 0);
    QCOMPARE(edit.document()->findBlockByNumber(1).blockFormat().intProperty(richtext::LeftIndentProperty), 100);

    // Bullets written and read back, with their offset.
    RichEdit other;
    other.StreamIn(edit.StreamOut(sfRichText), sfRichText);
    QCOMPARE(other.Paragraph().Numbering(), NumberingStyle::Bullet);
    QCOMPARE(other.Paragraph().HangingOffset(), 10);
    other.SetSelStart(other.document()->findBlockByNumber(2).position());
    QCOMPARE(other.Paragraph().Numbering(), NumberingStyle::None);
}

// Symbol text is shown as the characters it draws, in its font; other symbol fonts keep
// their codes at U+F000 + code, to be drawn by the font. Written and read back, the text stays.
void RichEditTest::symbolFontsShowWhatTheyDraw()
{
    const std::string bytes = testsupport::ReadFile(testsupport::FixtureRtfDir() + QStringLiteral("/symbol-fonts.rtf"));
    RichEdit edit;
    edit.StreamIn(bytes, sfRichText);
    QCOMPARE(edit.Text(), BodyPlainText(bytes));
    auto formatAt = [&edit](const QString& text) {
        const int position = PositionOf(edit, text);
        QTextCursor cursor(edit.document());
        cursor.setPosition(position + 1);
        return position < 0 ? QTextCharFormat() : cursor.charFormat();
    };
    struct Shown {
        QString text;
        QString family;
        double points;
    };
    for (const Shown& shown : {Shown{QStringLiteral("α"), QStringLiteral("Symbol"), 11},
                               Shown{QStringLiteral("…"), QStringLiteral("Symbol"), 11},
                               Shown{QStringLiteral("\uF02A"), QStringLiteral("Wingdings"), 11},
                               Shown{QStringLiteral("β"), QStringLiteral("Symbol"), 11},
                               Shown{QStringLiteral("\uF04A"), QStringLiteral("Wingdings"), 11},
                               Shown{QStringLiteral("A and"), QStringLiteral("Arial"), 11}}) {
        const QTextCharFormat format = formatAt(shown.text);
        QVERIFY2(!format.fontFamilies().toStringList().isEmpty(), qPrintable(shown.text));
        QCOMPARE(format.fontFamilies().toStringList().first(), shown.family);
        QCOMPARE(format.fontPointSize(), shown.points);
        // The text is characters now, no longer codes of the font's set.
        QCOMPARE(format.intProperty(richtext::CharsetProperty), 0);
    }
    // The bullet in the symbol font is still a bullet, and no text.
    const QTextBlock bullet = edit.document()->lastBlock();
    QCOMPARE(bullet.text(), QStringLiteral("A bullet"));
    QVERIFY(bullet.textList());
    QCOMPARE(bullet.textList()->format().style(), QTextListFormat::ListDisc);

    const std::string written = edit.StreamOut(sfRichText);
    QCOMPARE(BodyPlainText(written), edit.Text());
    RichEdit other;
    other.StreamIn(written, sfRichText);
    QCOMPARE(other.Text(), edit.Text());
    QCOMPARE(other.document()->findBlockByNumber(1).begin().fragment().charFormat().fontFamilies().toStringList(),
             QStringList{QStringLiteral("Arial")});
}

// A body of one empty paragraph has that paragraph, with its format, and no text.
void RichEditTest::anEmptyParagraphIsOne()
{
    const std::string bytes = testsupport::ReadFile(testsupport::FixtureRtfDir() + QStringLiteral("/empty-paragraph.rtf"));
    RichEdit edit;
    edit.StreamIn(bytes, sfRichText);
    QCOMPARE(edit.document()->blockCount(), 1);
    QCOMPARE(edit.Text(), QString());
    QCOMPARE(edit.Text(), BodyPlainText(bytes));
    QCOMPARE(BodyPlainLines(bytes), QStringLiteral("\n"));
    QCOMPARE(edit.SelAttributes().Size(), 10); // the paragraph mark's \fs20
    QCOMPARE(edit.StreamOut(sfPlainText), std::string());

    // With text, the final \par ends the last paragraph and adds none.
    edit.StreamIn(Rtf("\\pard A\\par"), sfRichText);
    QCOMPARE(edit.document()->blockCount(), 1);
    QCOMPARE(edit.Text(), QStringLiteral("A"));
    edit.StreamIn(Rtf("\\pard A\\par\\par"), sfRichText);
    QCOMPARE(edit.document()->blockCount(), 2);
    QCOMPARE(edit.Text(), QStringLiteral("A\n"));
}

void RichEditTest::importedNumberingIsOther()
{
    RichEdit edit;
    edit.StreamIn(Sample("lists-and-table.rtf"), sfRichText);
    edit.SetSelStart(PositionOf(edit, QStringLiteral("first item")));
    QCOMPARE(edit.Paragraph().Numbering(), NumberingStyle::Other);
    edit.Paragraph().SetNumbering(NumberingStyle::Bullet);
    QCOMPARE(edit.Paragraph().Numbering(), NumberingStyle::Bullet);
}

void RichEditTest::undoAndRedoKeepAHundredSteps()
{
    RichEdit edit;
    for (int i = 0; i < 150; ++i) {
        QTextCursor cursor(edit.document());
        cursor.insertText(QString(QChar(u'a' + i % 26))); // at the start: no step merges with the last
    }
    QCOMPARE(edit.TextLength(), 150);
    for (int i = 0; i < 150; ++i) {
        QVERIFY(edit.CanUndo());
        edit.Undo();
    }
    QCOMPARE(edit.TextLength(), 0);
    QVERIFY(!edit.CanUndo());
    QVERIFY(edit.CanRedo());
    for (int i = 0; i < 150; ++i)
        edit.Redo();
    QCOMPARE(edit.TextLength(), 150);
    QVERIFY(!edit.CanRedo());
}

void RichEditTest::copyAndPasteKeepFormattingAndPictures()
{
    RichEdit source;
    source.StreamIn(Rtf("plain {\\b bold}{\\pict\\pngblip\\picw1\\pich1\\picwgoal15\\pichgoal15 89504e47} end"), sfRichText);
    Select(source, 6, 5);
    source.copy();
    const QMimeData* mime = QApplication::clipboard()->mimeData();
    QVERIFY(mime->hasFormat(QStringLiteral("text/rtf")));
    QCOMPARE(mime->text(), QStringLiteral("bold"));

    RichEdit target;
    target.StreamIn(Rtf("[]"), sfRichText);
    target.SetSelStart(1);
    target.paste();
    QCOMPARE(target.Text(), QStringLiteral("[bold]"));
    QVERIFY(target.Modified());
    Select(target, 1, 4);
    QCOMPARE(target.SelAttributes().Style(), FontStyles(fsBold));
    QTextCursor picture(target.document());
    picture.setPosition(6);
    QVERIFY(richtext::IsPicture(picture.charFormat()));
    QCOMPARE(richtext::PictureOf(picture.charFormat()).bytes, QByteArray("\x89PNG", 4));

    // Cut takes the text away; paste replaces a selection.
    Select(target, 0, 1);
    target.cut();
    QCOMPARE(target.Text(), QStringLiteral("bold]"));
    Select(target, 5, 1); // after the picture
    target.paste();
    QCOMPARE(target.Text(), QStringLiteral("bold["));
}

void RichEditTest::pastedImageBecomesAPicture()
{
    RichEdit edit;
    edit.StreamIn(Rtf("abc"), sfRichText);
    Select(edit, 1, 1);
    QImage image(4, 3, QImage::Format_RGB32);
    image.fill(Qt::red);
    auto mime = std::make_unique<QMimeData>();
    mime->setImageData(image);
    QApplication::clipboard()->setMimeData(mime.release());
    edit.paste();
    QCOMPARE(edit.TextLength(), 3);
    QCOMPARE(edit.Text(), QStringLiteral("ac"));
    QTextCursor at(edit.document());
    at.setPosition(2);
    const richtext::EmbeddedPicture picture = richtext::PictureOf(at.charFormat());
    QVERIFY(richtext::IsPicture(at.charFormat()));
    QCOMPARE(picture.kind, richtext::PictureKind::Png);
    QCOMPARE(QSize(picture.width, picture.height), QSize(4, 3));
    QCOMPARE(QSize(picture.goalWidth, picture.goalHeight), QSize(60, 45));
    // It is stored with the entry.
    RichEdit other;
    other.StreamIn(edit.StreamOut(sfRichText), sfRichText);
    at = QTextCursor(other.document());
    at.setPosition(2);
    QCOMPARE(QImage::fromData(richtext::PictureOf(at.charFormat()).bytes).pixel(3, 2), qRgb(255, 0, 0));

    // Plain-text mode takes only text.
    other.SetPlainText(true);
    auto both = std::make_unique<QMimeData>();
    both->setImageData(image);
    both->setText(QStringLiteral("T\r\nU"));
    QApplication::clipboard()->setMimeData(both.release());
    other.SetSelStart(0);
    other.paste();
    QCOMPARE(other.Text(), QStringLiteral("T\nUac"));
}

void RichEditTest::picturesFromFilesAndPastedMetafiles()
{
    RichEdit edit;
    QTemporaryDir folder;
    auto write = [&folder](const QString& name, const QByteArray& bytes) {
        QFile file(folder.filePath(name));
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        return folder.filePath(name);
    };
    auto pictureAt = [&edit](int position) {
        QTextCursor at(edit.document());
        at.setPosition(position + 1);
        return richtext::PictureOf(at.charFormat());
    };
    const QByteArray jpeg = testsupport::SampleJpeg();
    edit.InsertPicture(Picture::LoadFromFile(write(QStringLiteral("photo.jpg"), jpeg)));
    QCOMPARE(pictureAt(0).kind, richtext::PictureKind::Jpeg);
    QCOMPARE(pictureAt(0).bytes, jpeg);
    QCOMPARE(QSize(pictureAt(0).goalWidth, pictureAt(0).goalHeight), QSize(240, 180));

    QByteArray emf(88, '\0');
    emf[0] = 1;
    emf[32] = char(0xEC); // a frame of 2540 x 1270 hundredths of a millimetre
    emf[33] = 0x09;
    emf[36] = char(0xF6);
    emf[37] = 0x04;
    emf.replace(40, 4, " EMF");
    auto mime = std::make_unique<QMimeData>();
    mime->setData(QStringLiteral("image/x-emf"), emf);
    QApplication::clipboard()->setMimeData(mime.release());
    edit.paste();
    const richtext::EmbeddedPicture metafile = pictureAt(1);
    QCOMPARE(metafile.kind, richtext::PictureKind::Emf);
    QCOMPARE(metafile.bytes, emf);
    QCOMPARE(QSize(metafile.goalWidth, metafile.goalHeight), QSize(1440, 720));
    QVERIFY(edit.StreamOut(sfRichText).find("{\\pict\\emfblip\\picw2540\\pich1270\\picwgoal1440\\pichgoal720\r\n") !=
            std::string::npos);
}

void RichEditTest::plainTextModeKeepsTheTextAndTheModifiedFlag()
{
    RichEdit edit;
    edit.StreamIn(Sample("codepages.rtf"), sfRichText);
    const QString text = edit.Text();
    edit.SetModified(true);
    edit.SetStreamMode({});
    edit.SetPlainText(true);
    QVERIFY(edit.PlainText());
    QCOMPARE(edit.Text(), text); // every character kept, also those windows-1252 lacks
    QVERIFY(edit.Modified());
    QCOMPARE(edit.StreamMode(), TStreamMode());
    edit.SetSelStart(PositionOf(edit, QStringLiteral("Привет")));
    QCOMPARE(edit.SelAttributes().Charset(), 0); // one format for everything
    QCOMPARE(edit.SelAttributes().Size(), 11);

    edit.SetModified(false);
    edit.SetPlainText(true); // already: nothing happens
    edit.SetPlainText(false);
    QCOMPARE(edit.Text(), text);
    QVERIFY(!edit.Modified());

    // A rich-text body loaded in plain-text mode keeps its formatting.
    edit.SetPlainText(true);
    edit.StreamIn(Sample("formatting.rtf"), sfRichText);
    Select(edit, PositionOf(edit, QStringLiteral("bold")), 4);
    QCOMPARE(edit.SelAttributes().Style(), FontStyles(fsBold));
}

void RichEditTest::modifiedFlag()
{
    ShownEditor shown;
    RichEdit& edit = shown.edit;
    edit.StreamIn(Rtf("text"), sfRichText);
    QVERIFY(!edit.Modified());
    QTest::keyClick(edit.viewport(), Qt::Key_X);
    QVERIFY(edit.Modified());
    edit.SetModified(false);
    QVERIFY(!edit.Modified());
    edit.SetModified(true);
    edit.StreamIn(Rtf("other"), sfRichText);
    QVERIFY(!edit.Modified());
}

void RichEditTest::changeAndSelectionEvents()
{
    ShownEditor shown;
    RichEdit& edit = shown.edit;
    edit.StreamIn(Rtf("some text"), sfRichText);
    QSignalSpy changes(&edit, &RichEdit::OnChange);
    QSignalSpy selections(&edit, &RichEdit::OnSelectionChange);
    QTest::keyClick(edit.viewport(), Qt::Key_End);
    QCOMPARE(changes.count(), 0);
    QCOMPARE(selections.count(), 1);
    QTest::keyClick(edit.viewport(), Qt::Key_Left, Qt::ShiftModifier);
    QCOMPARE(selections.count(), 2);
    QTest::keyClick(edit.viewport(), Qt::Key_A);
    QCOMPARE(changes.count(), 1);
    QCOMPARE(edit.Text(), QStringLiteral("some texa"));
    edit.SelAttributes().SetStyle(fsBold);
    Select(edit, 0, 2);
    edit.SelAttributes().SetStyle(fsBold);
    QCOMPARE(changes.count(), 2);
}

void RichEditTest::mouseDownReportsTheButton()
{
    ShownEditor shown;
    RichEdit& edit = shown.edit;
    edit.StreamIn(Rtf("some text"), sfRichText);
    QSignalSpy downs(&edit, &RichEdit::OnMouseDown);
    const QPoint point = CharacterCentre(edit, 2);
    QTest::mouseClick(edit.viewport(), Qt::RightButton, {}, point);
    QTest::mouseClick(edit.viewport(), Qt::LeftButton, {}, point);
    QCOMPARE(downs.count(), 2);
    QCOMPARE(downs.at(0).at(0).value<Qt::MouseButton>(), Qt::RightButton);
    QCOMPARE(downs.at(1).at(0).value<Qt::MouseButton>(), Qt::LeftButton);
    QCOMPARE(downs.at(1).at(1).toPoint(), point);
}

void RichEditTest::linkClicks_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("clicked");
    QTest::addColumn<QString>("reported");
    QTest::newRow("web address") << QByteArray("See http://www.example.org/page?x=1 for details.")
                                 << QStringLiteral("example") << QStringLiteral("http://www.example.org/page?x=1");
    QTest::newRow("file link") << QByteArray("Open file:C:\\\\My%Files\\\\day%one.txt later.")
                               << QStringLiteral("Files") << QStringLiteral("file:C:\\My%Files\\day%one.txt");
    QTest::newRow("www") << QByteArray("at www.example.com.") << QStringLiteral("example")
                         << QStringLiteral("www.example.com");
    QTest::newRow("hyperlink field")
        << QByteArray("{\\field{\\*\\fldinst{HYPERLINK \"https://example.com/\"}}{\\fldrslt{\\ul Example site}}} after")
        << QStringLiteral("site") << QStringLiteral("https://example.com/");
    QTest::newRow("link attribute") << QByteArray("{\\field{\\*\\fldinst HYPERLINK \"\"}{\\fldrslt linked text}} after")
                                    << QStringLiteral("text") << QStringLiteral("linked text");
    QTest::newRow("no link") << QByteArray("plain words only") << QStringLiteral("words") << QString();
}

void RichEditTest::linkClicks()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, clicked);
    QFETCH(QString, reported);
    ShownEditor shown;
    RichEdit& edit = shown.edit;
    edit.StreamIn(Rtf(rtf.constData()), sfRichText);
    QSignalSpy clicks(&edit, &RichEdit::OnURLClick);
    const QPoint point = CharacterCentre(edit, PositionOf(edit, clicked) + 1);
    for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton})
        QTest::mouseClick(edit.viewport(), button, {}, point);
    if (reported.isEmpty()) {
        QCOMPARE(clicks.count(), 0);
        return;
    }
    QCOMPARE(clicks.count(), 2);
    QCOMPARE(clicks.at(0).at(0).toString(), reported);
    QCOMPARE(clicks.at(0).at(1).value<Qt::MouseButton>(), Qt::LeftButton);
    QCOMPARE(clicks.at(1).at(1).value<Qt::MouseButton>(), Qt::RightButton);

    // Pressed on the link and released elsewhere: no click.
    const QPoint away = CharacterCentre(edit, edit.TextLength() - 1);
    QTest::mousePress(edit.viewport(), Qt::LeftButton, {}, point);
    QTest::mouseRelease(edit.viewport(), Qt::LeftButton, {}, away);
    QCOMPARE(clicks.count(), 2);
}

void RichEditTest::detectedAddresses_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("links");
    QTest::newRow("http") << QStringLiteral("go to http://a.b/c now") << QStringList{QStringLiteral("http://a.b/c")};
    QTest::newRow("schemes") << QStringLiteral("HTTPS://x.y ftp://f mailto:me@x.y news:comp.lang tel:123 callto:bob")
                             << QStringList{QStringLiteral("HTTPS://x.y"), QStringLiteral("ftp://f"),
                                            QStringLiteral("mailto:me@x.y"), QStringLiteral("news:comp.lang"),
                                            QStringLiteral("tel:123"), QStringLiteral("callto:bob")};
    QTest::newRow("www and punctuation") << QStringLiteral("(see www.x.org/a_(b).), or www.y.com!")
                                         << QStringList{QStringLiteral("www.x.org/a_(b)"), QStringLiteral("www.y.com")};
    QTest::newRow("file paths") << QStringLiteral("file:C:\\My%Files\\a.txt\tnext")
                                << QStringList{QStringLiteral("file:C:\\My%Files\\a.txt")};
    QTest::newRow("inside a word") << QStringLiteral("xhttp://no wwwx.no www. http:") << QStringList{};
    QTest::newRow("percent signs") << QStringLiteral("http://x/a%20b") << QStringList{QStringLiteral("http://x/a%20b")};
    QTest::newRow("www in any case") << QStringLiteral("WWW.X.ORG and Www.y.com")
                                     << QStringList{QStringLiteral("WWW.X.ORG"), QStringLiteral("Www.y.com")};
    QTest::newRow("www after other dots") << QStringLiteral("a.b... ww.c w.d then www.z.org.")
                                          << QStringList{QStringLiteral("www.z.org")};
    QTest::newRow("no colon, no www") << QStringLiteral("just words. And more words.") << QStringList{};
}

void RichEditTest::detectedAddresses()
{
    QFETCH(QString, text);
    QFETCH(QStringList, links);
    QStringList found;
    for (const richtext::LinkRange& range : richtext::DetectLinks(text))
        found << text.mid(range.start, range.length);
    QCOMPARE(found, links);
}

void RichEditTest::detectionIsNeverStored()
{
    ShownEditor shown;
    RichEdit& edit = shown.edit;
    QSignalSpy changes(&edit, &RichEdit::OnChange);
    edit.StreamIn(Sample("links.rtf"), sfRichText);
    QCoreApplication::processEvents();
    QVERIFY(!edit.Modified());
    QVERIFY(!edit.CanUndo());
    QCOMPARE(changes.count(), 1);
    const std::string rtf = edit.StreamOut(sfRichText);
    QVERIFY(rtf.find("HYPERLINK \"https://example.com/\"") != std::string::npos);
    QVERIFY(rtf.find("HYPERLINK \"http://www.example.org") == std::string::npos);
    // Shown as links all the same.
    const QTextBlock first = edit.document()->begin();
    QVERIFY(!first.layout()->formats().isEmpty());
    edit.SetAutoURLDetect(false);
    QVERIFY(first.layout()->formats().isEmpty());
}

void RichEditTest::findText_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("options");
    QTest::addColumn<int>("found");
    // "The cat. The Category. the cat" with a paragraph break after "cat."
    QTest::newRow("down") << 0 << -1 << QStringLiteral("the") << 0 << 0;
    QTest::newRow("down from the selection end") << 1 << -1 << QStringLiteral("the") << 0 << 9;
    QTest::newRow("match case") << 1 << -1 << QStringLiteral("the") << int(foMatchCase) << 23;
    QTest::newRow("whole word skips a longer word") << 5 << -1 << QStringLiteral("cat") << int(foWholeWord) << 27;
    QTest::newRow("inside words") << 5 << -1 << QStringLiteral("cat") << 0 << 13;
    QTest::newRow("up") << 27 << 0 << QStringLiteral("cat") << 0 << 13;
    QTest::newRow("up, whole word") << 27 << 0 << QStringLiteral("cat") << int(foWholeWord) << 4;
    QTest::newRow("up ends before the start") << 15 << 0 << QStringLiteral("cat") << 0 << 4;
    QTest::newRow("range end") << 5 << 14 << QStringLiteral("cat") << 0 << -1;
    QTest::newRow("across a paragraph end") << 0 << -1 << QStringLiteral(".\nThe") << 0 << 7;
    QTest::newRow("none") << 0 << -1 << QStringLiteral("dog") << 0 << -1;
}

void RichEditTest::findText()
{
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QString, text);
    QFETCH(int, options);
    QFETCH(int, found);
    RichEdit edit;
    edit.StreamIn(Rtf("The cat.\\par The Category. the cat"), sfRichText);
    QCOMPARE(edit.FindText(text, from, to, static_cast<FindOptions>(options)), found);
}

void RichEditTest::findDialog()
{
    ShownEditor shown;
    RichEdit& edit = shown.edit;
    edit.StreamIn(Rtf("alpha beta alphabet beta"), sfRichText);
    QVERIFY(!edit.ExistingFindDialog());
    Select(edit, 0, 5);
    FindDialog* dialog = edit.ShowFindDialog(edit.SelText());
    QVERIFY(dialog && dialog->isVisible() && !dialog->isModal());
    QCOMPARE(dialog->FindWhat(), QStringLiteral("alpha"));
    QVERIFY(dialog->Down() && !dialog->MatchCase() && !dialog->WholeWord());
    QVERIFY(dialog->FindNext());
    QCOMPARE(edit.SelStart(), 11);
    QCOMPARE(edit.SelLength(), 5);
    dialog->SetWholeWord(true);
    QVERIFY(!dialog->FindNext()); // "alphabet" is no whole word; the selection stays
    QCOMPARE(edit.SelStart(), 11);
    dialog->SetDown(false);
    QVERIFY(dialog->FindNext());
    QCOMPARE(edit.SelStart(), 0);

    // Reused, keeping its text when the selection is empty; a long selection gives 255.
    edit.SetSelStart(3);
    QCOMPARE(edit.ShowFindDialog(edit.SelText()), dialog);
    QCOMPARE(dialog->FindWhat(), QStringLiteral("alpha"));
    edit.ShowFindDialog(QString(300, u'x'));
    QCOMPARE(dialog->FindWhat(), QString(255, u'x'));
}

void RichEditTest::advancedTypographyShowsJustifiedParagraphs()
{
    RichEdit edit;
    edit.StreamIn(Rtf("\\qj justified\\par"), sfRichText);
    const auto shownAlignment = [&edit] {
        return edit.document()->begin().blockFormat().alignment() & Qt::AlignHorizontal_Mask;
    };
    QCOMPARE(edit.Paragraph().Alignment(), TextAlignment::Justify);
    QCOMPARE(shownAlignment(), Qt::AlignLeft);
    edit.SetAdvancedTypography(true);
    QCOMPARE(shownAlignment(), Qt::AlignJustify);
    QCOMPARE(edit.Paragraph().Alignment(), TextAlignment::Justify);
    QVERIFY(!edit.Modified());
    QVERIFY(!edit.CanUndo());
    QVERIFY(edit.StreamOut(sfRichText).find("\\qj") != std::string::npos);
    edit.SetAdvancedTypography(false);
    QCOMPARE(shownAlignment(), Qt::AlignLeft);
    QVERIFY(edit.StreamOut(sfRichText).find("\\qj") != std::string::npos);
    edit.Paragraph().SetAlignment(TextAlignment::Center);
    QCOMPARE(shownAlignment(), Qt::AlignHCenter);
}

void RichEditTest::selectionBarSelectsALine()
{
    ShownEditor shown;
    RichEdit& edit = shown.edit;
    edit.StreamIn(Rtf("first line\\par second line\\par"), sfRichText);
    const int y = CharacterCentre(edit, 3).y();
    QTest::mouseClick(edit.viewport(), Qt::LeftButton, {}, QPoint(2, y));
    QCOMPARE(edit.SelStart(), 0);
    QCOMPARE(edit.SelLength(), 11);
    QCOMPARE(edit.SelText(), QStringLiteral("first line\n"));
}

void RichEditTest::tabTypesATabInLists()
{
    ShownEditor shown;
    RichEdit& edit = shown.edit;
    edit.StreamIn(Sample("paragraphs.rtf"), sfRichText);
    edit.SetSelStart(PositionOf(edit, QStringLiteral("First bullet")));
    QTest::keyClick(edit.viewport(), Qt::Key_Tab);
    QVERIFY(edit.Text().contains(QStringLiteral("\tFirst bullet")));
    QCOMPARE(edit.Paragraph().Numbering(), NumberingStyle::Bullet);
}

void RichEditTest::clearEmptiesEverything()
{
    RichEdit edit;
    edit.StreamIn(Sample("picture-png.rtf"), sfRichText);
    edit.SelectAll();
    edit.SelAttributes().SetStyle(fsBold);
    edit.SetModified(true);
    edit.Clear();
    QCOMPARE(edit.TextLength(), 0);
    QVERIFY(!edit.Modified());
    QVERIFY(!edit.CanUndo());
    QCOMPARE(edit.SelAttributes().Style(), FontStyles(0));
    QCOMPARE(edit.SelAttributes().Size(), 11);
}

void RichEditTest::linksFollowEdits()
{
    ShownEditor shown;
    RichEdit& edit = shown.edit;
    edit.StreamIn(Rtf("see www.example.org now\\par plain words\\par "
                      "{\\field{\\*\\fldinst{HYPERLINK \"http://a.b/\"}}{\\fldrslt{named}}} and http://c.d"),
                  sfRichText);
    const QTextDocument& doc = *edit.document();
    auto links = [&doc](int paragraph) { return ShownLinks(doc.findBlockByNumber(paragraph)); };
    QCOMPARE(links(0), QStringList{QStringLiteral("www.example.org")});
    QCOMPARE(links(1), QStringList{});
    QCOMPARE(links(2), (QStringList{QStringLiteral("named"), QStringLiteral("http://c.d")}));

    // An address typed into a paragraph is shown at once.
    edit.SetSelStart(doc.findBlockByNumber(1).position() + 5);
    QTest::keyClicks(edit.viewport(), QStringLiteral(" ftp://f.g"));
    QCOMPARE(doc.findBlockByNumber(1).text(), QStringLiteral("plain ftp://f.g words"));
    QCOMPARE(links(1), QStringList{QStringLiteral("ftp://f.g")});

    // Splitting the paragraph inside the address, and joining it again.
    edit.SetSelStart(doc.findBlockByNumber(1).position() + 13);
    QTest::keyClick(edit.viewport(), Qt::Key_Return);
    QCOMPARE(links(1), QStringList{QStringLiteral("ftp://f")});
    QCOMPARE(links(2), QStringList{});
    QTest::keyClick(edit.viewport(), Qt::Key_Backspace);
    QCOMPARE(links(1), QStringList{QStringLiteral("ftp://f.g")});
    QCOMPARE(links(2), (QStringList{QStringLiteral("named"), QStringLiteral("http://c.d")}));

    // An address broken by a space, then deleted.
    Select(edit, PositionOf(edit, QStringLiteral("example")), 0);
    QTest::keyClick(edit.viewport(), Qt::Key_Space);
    QCOMPARE(links(0), QStringList{});
    Select(edit, 0, doc.findBlockByNumber(0).length() - 1);
    QTest::keyClick(edit.viewport(), Qt::Key_Delete);
    QCOMPARE(links(0), QStringList{});
    QCOMPARE(links(1), QStringList{QStringLiteral("ftp://f.g")});

    // Undo brings the address and its look back.
    edit.Undo();
    edit.Undo();
    QCOMPARE(links(0), QStringList{QStringLiteral("www.example.org")});
}

void RichEditTest::shortEntryIsLaidOutWhenLoaded()
{
    ShownEditor shown;
    RichEdit& edit = shown.edit;
    std::string body;
    for (int n = 0; n < 300; ++n)
        body += "Paragraph " + std::to_string(n) + " of an entry of a few pages.\\par ";
    edit.StreamIn(Rtf(body.c_str()), sfRichText);
    // Laid out whole, its scroll bar right before anything else runs.
    QVERIFY(LaidOut(edit));
    QVERIFY(!WaitCursorShown());
    const int range = edit.verticalScrollBar()->maximum();
    QVERIFY(range > edit.viewport()->height());
    QCoreApplication::processEvents();
    QCOMPARE(edit.verticalScrollBar()->maximum(), range);
}

void RichEditTest::hugeEntryShowsWhileTheEventLoopRuns_data()
{
    QTest::addColumn<QByteArray>("body");
    const std::string text = HugeText(20000000);
    const std::string rtf = HugeRtf(20000000);
    QTest::newRow("text file") << QByteArray(text.data(), static_cast<qsizetype>(text.size()));
    QTest::newRow("RTF") << QByteArray(rtf.data(), static_cast<qsizetype>(rtf.size()));
}

void RichEditTest::hugeEntryShowsWhileTheEventLoopRuns()
{
    QFETCH(QByteArray, body);
    const std::string_view bytes(body.constData(), static_cast<std::size_t>(body.size()));
    ShownEditor shown;
    RichEdit& edit = shown.edit;
    edit.SetModified(true);
    QSignalSpy changes(&edit, &RichEdit::OnChange);

    // Set before the load, due at the first turn of the event loop after it.
    bool answered = false;
    bool laidOutWhenAnswered = true;
    bool waitCursorWhenAnswered = false;
    QImage screen;
    QTimer::singleShot(0, &edit, [&] {
        answered = true;
        laidOutWhenAnswered = LaidOut(edit);
        waitCursorWhenAnswered = WaitCursorShown();
        screen = edit.viewport()->grab().toImage();
    });
    edit.StreamIn(bytes, sfRichText);
    QVERIFY(!answered);
    QVERIFY(!LaidOut(edit));
    QTRY_VERIFY_WITH_TIMEOUT(LaidOut(edit), 600000);

    QVERIFY(answered);
    QVERIFY(!laidOutWhenAnswered);
    QVERIFY(waitCursorWhenAnswered);
    // Meanwhile the control painted its first screen: text in black on white.
    int dark = 0;
    for (int y = 0; y < screen.height(); y += 2)
        for (int x = 0; x < screen.width(); x += 2)
            dark += qGray(screen.pixel(x, y)) < 96 ? 1 : 0;
    QVERIFY(dark > 100);
    QTRY_VERIFY(!WaitCursorShown());

    // All the text is there, the addresses to the end shown as links, and the control is as
    // after any load.
    const QString expected = BodyPlainText(bytes);
    QCOMPARE(edit.TextLength(), static_cast<int>(expected.size()));
    QVERIFY(edit.Text() == expected);
    QTextBlock last = edit.document()->lastBlock();
    while (!last.text().contains(QStringLiteral("www.")))
        last = last.previous();
    QVERIFY(last.blockNumber() > edit.document()->blockCount() - 60);
    QCOMPARE(ShownLinks(last).size(), 1);
    QCOMPARE(changes.count(), 1);
    QVERIFY(!edit.Modified());
    QVERIFY(!edit.CanUndo());
    QCOMPARE(edit.SelStart(), 0);
    QCOMPARE(edit.verticalScrollBar()->value(), 0);
}

void RichEditTest::waitCursorOnlyWhileALongEntryIsLaidOut()
{
    const std::string longEntry = HugeText(2000000);
    {
        ShownEditor shown;
        RichEdit& edit = shown.edit;
        edit.StreamIn(longEntry, sfRichText);
        QVERIFY(WaitCursorShown());
        // A short entry in its place is laid out at once.
        edit.StreamIn(Rtf("short"), sfRichText);
        QVERIFY(!WaitCursorShown());
        edit.StreamIn(longEntry, sfRichText);
        QVERIFY(WaitCursorShown());
        edit.Clear();
        QVERIFY(!WaitCursorShown());
        edit.StreamIn(longEntry, sfRichText);
        QTRY_VERIFY_WITH_TIMEOUT(LaidOut(edit), 300000);
        QTRY_VERIFY(!WaitCursorShown());
        // A load that fails leaves the text, which is laid out.
        edit.SetStreamMode(smUnicode);
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, edit.StreamIn(std::string(1000001, 'x'), sfPlainText));
        QVERIFY(!WaitCursorShown());
        edit.StreamIn(longEntry, sfRichText);
        QVERIFY(WaitCursorShown());
    }
    // The control going away takes the wait cursor with it; a control never shown never
    // shows it.
    QVERIFY(!WaitCursorShown());
    RichEdit hidden;
    hidden.StreamIn(longEntry, sfRichText);
    QVERIFY(!WaitCursorShown());
}

void RichEditTest::longListsKeepTheirItems_data()
{
    QTest::addColumn<bool>("numbered");
    QTest::newRow("bullets") << false;
    QTest::newRow("numbered") << true;
}

// Paragraphs with the same numbering next to each other, a few hundred of them, read as one
// list and are written back as they were.
void RichEditTest::longListsKeepTheirItems()
{
    QFETCH(bool, numbered);
    std::string rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0\\fswiss Arial;}{\\f2\\fnil\\fcharset2 Symbol;}}\\f0\\fs22 intro\\par ";
    const int items = 300;
    for (int k = 1; k <= items; ++k) {
        rtf += numbered ? "\\pard{\\pntext 1.\\tab}{\\*\\pn\\pnlvlbody\\pnf0\\pnindent0\\pnstart1\\pndec{\\pntxta.}}"
                        : "\\pard{\\pntext\\f2\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf2\\pnindent0{\\pntxtb\\'B7}}";
        rtf += "\\fi-200\\li200 item " + std::to_string(k) + "\\par\r\n";
    }
    rtf += "\\pard after\\par}";
    RichEdit edit;
    edit.StreamIn(rtf, sfRichText);
    const QTextDocument& doc = *edit.document();
    QCOMPARE(doc.blockCount(), items + 2);
    for (int k = 1; k <= items; ++k) {
        const QTextBlock block = doc.findBlockByNumber(k);
        QVERIFY(block.textList());
        Select(edit, block.position(), 0);
        QCOMPARE(edit.Paragraph().Numbering(), numbered ? NumberingStyle::Other : NumberingStyle::Bullet);
        if (numbered)
            QCOMPARE(block.textList()->itemText(block), QString::number(k) + u'.');
    }
    QVERIFY(!doc.lastBlock().textList());

    // One list as RTF has it: its numbering given once, every item's text as it reads.
    const std::string written = edit.StreamOut(sfRichText);
    auto count = [&written](const std::string& what) {
        int n = 0;
        for (std::size_t at = written.find(what); at != std::string::npos; at = written.find(what, at + 1))
            ++n;
        return n;
    };
    QCOMPARE(count("{\\*\\pn"), 1);
    QCOMPARE(count("{\\pntext"), items);
    if (numbered)
        QCOMPARE(count("{\\pntext " + std::to_string(items) + ".\\tab}"), 1);
    edit.StreamIn(written, sfRichText);
    QCOMPARE(edit.StreamOut(sfRichText), written);
}

QTEST_MAIN(RichEditTest)
#include "tst_richedit.moc"
