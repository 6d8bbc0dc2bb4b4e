// The editor's commands through the toolbar, the popup menu and the keyboard: styles,
// alignment, bullets, font and colours, the clipboard and deletion, undo and redo, find,
// and the toolbar following the caret.
#include "editor_fixture.h"

#include "editor/formatting.h"
#include "search/tfrmdbsearch.h"

#include <QClipboard>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace quill;
using namespace quill::testing;

namespace {

QDate Day(int d)
{
    return QDate(2024, 3, d);
}

} // namespace

class TestEditorCommands : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        run_ = std::make_unique<ProgramRun>();
        run_->start();
        QApplication::clipboard()->clear();
    }
    void cleanup()
    {
        run_->finish();
        run_.reset();
    }

    // ---- the formatting state -------------------------------------------------------

    void formattingStateFollowsTheDocument_data()
    {
        QTest::addColumn<QString>("at");
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("bold");
        QTest::addColumn<bool>("italic");
        QTest::addColumn<bool>("underline");
        QTest::addColumn<bool>("bullet");
        QTest::addColumn<int>("alignment");
        QTest::newRow("caret in plain text") << "plain" << 0 << false << false << false << false
                                             << int(TextAlignment::Left);
        QTest::newRow("bold italic word") << "strong" << 3 << true << true << false << false << int(TextAlignment::Left);
        QTest::newRow("underlined, centred") << "under" << 2 << false << false << true << false
                                             << int(TextAlignment::Center);
        QTest::newRow("bullet, right") << "item" << 0 << false << false << false << true << int(TextAlignment::Right);
        QTest::newRow("justified") << "even" << 1 << false << false << false << false << int(TextAlignment::Justify);
    }
    void formattingStateFollowsTheDocument()
    {
        QFETCH(QString, at);
        QFETCH(int, length);
        // The state is a function of the editor alone: a bare control will do.
        RichEdit edit;
        edit.SetAdvancedTypography(true);
        edit.StreamIn(Rtf("plain {\\b\\i strong}\\par\\qc {\\ul under}\\par\\pard\\qr{\\pntext\\'b7\\tab}"
                          "{\\*\\pn\\pnlvlblt{\\pntxtb\\'b7}}\\fi-200\\li200 item\\par\\pard\\qj even\\par"),
                      sfRichText);
        edit.SetSelStart(static_cast<int>(edit.Text().indexOf(at)));
        edit.SetSelLength(length);
        const FormattingState state = ReadFormattingState(edit);
        QTEST(state.bold, "bold");
        QTEST(state.italic, "italic");
        QTEST(state.underline, "underline");
        QTEST(state.bullet, "bullet");
        QTEST(int(state.alignment), "alignment");
        QCOMPARE(state.hasSelection, length > 0);
    }

    void toolbarFollowsTheCaret()
    {
        Load(Rtf("plain {\\b bold}\\par\\qc centred\\par"));
        Editor()->SetSelStart(PositionOf("bold") + 1);
        QVERIFY(frmMain->btnBold->isChecked());
        QVERIFY(frmMain->Bold1->isChecked());
        QVERIFY(frmMain->btnLeft->isChecked());
        QVERIFY(!frmMain->btnCut->isEnabled());
        Select(PositionOf("centred"), 1);
        QVERIFY(!frmMain->btnBold->isChecked());
        QVERIFY(!frmMain->Bold1->isChecked());
        const QList<QToolButton*> alignments{frmMain->btnLeft, frmMain->btnCenter, frmMain->btnRight, frmMain->btnJustify};
        QCOMPARE(std::count_if(alignments.begin(), alignments.end(), [](QToolButton* b) { return b->isChecked(); }), 1);
        QVERIFY(frmMain->btnCenter->isChecked());
        // One character selected enables Cut and Copy; the menu's items stay enabled always.
        QVERIFY(frmMain->btnCut->isEnabled());
        QVERIFY(frmMain->btnCopy->isEnabled());
        Select(PositionOf("centred"), 0);
        QVERIFY(!frmMain->btnCut->isEnabled());
        QVERIFY(!frmMain->btnCopy->isEnabled());
        QVERIFY(frmMain->Cut1->isEnabled());
        QVERIFY(frmMain->Copy1->isEnabled());
        QVERIFY(frmMain->btnPaste->isEnabled());
    }

    // ---- styles ---------------------------------------------------------------------

    void styleToggles_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("button");
        QTest::addColumn<uint>("expected"); // the flags of every selected character afterwards
        QTest::addColumn<bool>("pressed");
        QTest::newRow("partly bold, reported bold: bold goes")
            << "{\\b bold}plain" << "bold" << "plain" << "btnBold" << 0u << false;
        QTest::newRow("partly bold, reported plain: all bold")
            << "plain{\\b bold}" << "plain" << "bold" << "btnBold" << uint(fsBold) << true;
        QTest::newRow("partly italic: bold with the reported italic")
            << "{\\i ital}plain" << "ital" << "plain" << "btnBold" << uint(fsBold | fsItalic) << true;
        QTest::newRow("italic off keeps a reported underline")
            << "{\\i\\ul both}{\\i only}" << "both" << "only" << "btnItalic" << uint(fsUnderline) << false;
        QTest::newRow("underline on a plain word")
            << "one two" << "one" << "two" << "btnUnderline" << uint(fsUnderline) << true;
    }
    void styleToggles()
    {
        QFETCH(QString, body);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, button);
        QFETCH(uint, expected);
        QFETCH(bool, pressed);
        Load(Rtf(body.toStdString()));
        const int start = PositionOf(from);
        const int end = PositionOf(to) + int(to.size());
        Select(start, end - start);
        const bool checkedBefore = frmMain->Bold1->isChecked();
        Click(ToolButton(button));
        QCOMPARE(ToolButton(button)->isChecked(), pressed);
        // The menu's check mark waits for the next selection change.
        QCOMPARE(frmMain->Bold1->isChecked(), checkedBefore);
        for (int i = start; i < end; ++i)
            QCOMPARE(StyleAt(i), FontStyles(expected));
        QCOMPARE(Editor()->SelStart(), start);
        QCOMPARE(Editor()->SelLength(), end - start);
    }

    void boldOnAnEmptySelectionSetsTheTypingFormat()
    {
        Load(Rtf("ab"));
        Editor()->SetSelStart(1);
        Click(frmMain->btnBold);
        QVERIFY(frmMain->btnBold->isChecked());
        QVERIFY(!Editor()->Modified());
        run_->type("X");
        QCOMPARE(Editor()->Text(), QString("aXb"));
        QCOMPARE(StyleAt(0), FontStyles(0));
        QCOMPARE(StyleAt(1), FontStyles(fsBold));
        QCOMPARE(StyleAt(2), FontStyles(0));
    }

    void shortcutsActAsTheirCommands()
    {
        Load(Rtf("one two three"));
        Editor()->setFocus();
        Select(0, 3);
        Key(QKeySequence("Ctrl+B"));
        QVERIFY(frmMain->btnBold->isChecked());
        QCOMPARE(StyleAt(0), FontStyles(fsBold));
        Key(QKeySequence("Ctrl+I"));
        Key(QKeySequence("Ctrl+U"));
        QCOMPARE(StyleAt(2), FontStyles(fsBold | fsItalic | fsUnderline));
        Key(QKeySequence("Ctrl+A"));
        QCOMPARE(Editor()->SelLength(), Editor()->TextLength());
        Key(QKeySequence("Ctrl+D"));
        QCOMPARE(Editor()->TextLength(), 0);
        QVERIFY(Editor()->Modified());
    }

    // ---- paragraphs -----------------------------------------------------------------

    void alignment_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("alignment");
        QTest::newRow("left") << "btnLeft" << int(TextAlignment::Left);
        QTest::newRow("centre") << "btnCenter" << int(TextAlignment::Center);
        QTest::newRow("right") << "btnRight" << int(TextAlignment::Right);
        QTest::newRow("justify") << "btnJustify" << int(TextAlignment::Justify);
    }
    void alignment()
    {
        QFETCH(QString, button);
        QFETCH(int, alignment);
        Load(Rtf("\\qc first\\par second\\par\\pard third\\par"));
        Editor()->SetAdvancedTypography(false);
        // The selection touches the first two paragraphs only.
        Select(PositionOf("irst"), PositionOf("sec") + 2 - PositionOf("irst"));
        Click(ToolButton(button));
        for (const char* name : {"btnLeft", "btnCenter", "btnRight", "btnJustify"})
            QCOMPARE(ToolButton(name)->isChecked(), name == button);
        QCOMPARE(int(Editor()->Paragraph().Alignment()), alignment);
        Editor()->SetSelStart(PositionOf("second"));
        QCOMPARE(int(Editor()->Paragraph().Alignment()), alignment);
        Editor()->SetSelStart(PositionOf("third"));
        QCOMPARE(Editor()->Paragraph().Alignment(), TextAlignment::Left);
        QCOMPARE(Editor()->AdvancedTypography(), alignment == int(TextAlignment::Justify));
        if (alignment == int(TextAlignment::Justify))
            QCOMPARE(Editor()->document()->findBlock(PositionOf("first")).blockFormat().alignment(), Qt::AlignJustify);
    }

    void bullets_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<bool>("pressedBefore");
        QTest::addColumn<bool>("pressedAfter");
        QTest::addColumn<int>("offsetAfter");
        QTest::newRow("on, 5 points raised to 10") << "\\fi-100\\li100 text\\par" << false << true << 10;
        QTest::newRow("on, 20 points kept") << "\\fi-400\\li400 text\\par" << false << true << 20;
        QTest::newRow("on, a numbered paragraph becomes a bullet")
            << "{\\pntext 1.\\tab}{\\*\\pn\\pnlvlbody\\pndec\\pnstart1{\\pntxta .}}\\fi-300\\li300 text\\par" << false
            << true << 15;
        QTest::newRow("off, 20 points to 0")
            << "{\\pntext\\'b7\\tab}{\\*\\pn\\pnlvlblt{\\pntxtb\\'b7}}\\fi-400\\li400 text\\par" << true << false << 0;
    }
    void bullets()
    {
        QFETCH(QString, body);
        QFETCH(bool, pressedBefore);
        QFETCH(bool, pressedAfter);
        QFETCH(int, offsetAfter);
        Load(Rtf(body.toStdString()));
        Editor()->SetSelStart(PositionOf("text") + 1);
        QCOMPARE(frmMain->btnBullet->isChecked(), pressedBefore);
        Click(frmMain->btnBullet);
        QCOMPARE(frmMain->btnBullet->isChecked(), pressedAfter);
        QCOMPARE(Editor()->Paragraph().Numbering(), pressedAfter ? NumberingStyle::Bullet : NumberingStyle::None);
        QCOMPARE(Editor()->Paragraph().HangingOffset(), offsetAfter);
    }

    // ---- font and colours -----------------------------------------------------------

    void fontDialogStartsFromTheSelectionAndWritesBack()
    {
        Load(Rtf("{\\fonttbl{\\f1\\fmodern\\fcharset238 Courier New;}}{\\f1\\fs28\\b\\strike\\cf1 word} rest"));
        Select(0, 4);
        FontChoice answer;
        answer.font = QFont("Liberation Serif");
        answer.font.setPointSize(18);
        answer.font.setItalic(true);
        answer.font.setUnderline(true);
        answer.color = RGBColor(0, 128, 0);
        answer.charset = 161;
        run_->dialogs().fontAnswers.push_back(answer);
        run_->dialogs().fontAnswers.push_back(std::nullopt);
        frmMain->btnBold->setFocus();
        Click(frmMain->btnFont);

        const FontChoice& asked = run_->dialogs().fontRequests.at(0);
        QCOMPARE(asked.font.family(), QString("Courier New"));
        QCOMPARE(asked.font.pointSize(), 14);
        QVERIFY(asked.font.bold());
        QVERIFY(asked.font.strikeOut());
        QVERIFY(!asked.font.italic());
        QCOMPARE(asked.charset, 238);
        QCOMPARE(asked.color, ColorToRGB(clWindowText)); // no colour table: automatic
        QCOMPARE(QApplication::focusWidget(), Editor());

        TextAttributes& a = Editor()->SelAttributes();
        QCOMPARE(a.Name(), QString("Liberation Serif"));
        QCOMPARE(a.Size(), 18);
        QCOMPARE(a.Style(), FontStyles(fsItalic | fsUnderline));
        QCOMPARE(a.Color(), RGBColor(0, 128, 0));
        QCOMPARE(a.Charset(), 161);
        QCOMPARE(StyleAt(PositionOf("rest")), FontStyles(0));

        // Cancelled: nothing changes, and the focus is back all the same.
        frmMain->btnBold->setFocus();
        Click(frmMain->btnFont);
        QCOMPARE(a.Name(), QString("Liberation Serif"));
        QCOMPARE(QApplication::focusWidget(), Editor());
        QVERIFY(run_->dialogs().unexpected.isEmpty());
    }

    void colours_data()
    {
        QTest::addColumn<bool>("highlight");
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<uint>("chosen");
        QTest::addColumn<uint>("shownFirst");
        QTest::addColumn<uint>("expected");
        const uint text = ColorToRGB(clWindowText);
        const uint window = ColorToRGB(clWindow);
        QTest::newRow("font colour confirmed") << false << true << uint(RGBColor(200, 0, 0)) << text
                                               << uint(RGBColor(200, 0, 0));
        QTest::newRow("font colour cancelled") << false << false << 0u << text << uint(clWindowText);
        QTest::newRow("highlight cancelled") << true << false << 0u << window << uint(clWindow);
        QTest::newRow("highlight confirmed white is explicit") << true << true << uint(clWhite) << window
                                                               << uint(clWhite);
    }
    void colours()
    {
        QFETCH(bool, highlight);
        QFETCH(bool, confirm);
        QFETCH(uint, chosen);
        QFETCH(uint, shownFirst);
        QFETCH(uint, expected);
        Load(Rtf("coloured text"));
        Select(0, 8);
        run_->dialogs().colorAnswers.push_back(confirm ? std::optional<quint32>(chosen) : std::nullopt);
        Click(highlight ? frmMain->btnNoteBookFillColour : frmMain->btnNoteBookFontColour);
        QCOMPARE(run_->dialogs().colorRequests.at(0), quint32(shownFirst));
        TextAttributes& a = Editor()->SelAttributes();
        QCOMPARE(highlight ? a.BackColor() : a.Color(), TColor(expected));
        // The text after the selection is untouched.
        Select(9, 1);
        QCOMPARE(a.BackColor(), clWindow);
        QCOMPARE(a.Color(), clWindowText);
        if (highlight && confirm) {
            // Explicit: it is written out as a colour of its own.
            const std::string rtf = Editor()->StreamOut(sfRichText);
            QVERIFY(rtf.find("\\red255\\green255\\blue255") != std::string::npos);
        }
    }

    // ---- clipboard and deletion -----------------------------------------------------

    void clipboardAndTheModifiedFlag_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("selected");
        QTest::addColumn<QString>("clipboard"); // before the command
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("clipboardAfter");
        QTest::addColumn<bool>("modified");
        QTest::newRow("cut") << "Ctrl+X" << 4 << "" << "two" << "one " << true;
        QTest::newRow("cut with nothing selected") << "Ctrl+X" << 0 << "" << "one two" << "" << true;
        QTest::newRow("copy") << "Ctrl+C" << 3 << "" << "one two" << "one" << false;
        QTest::newRow("paste over the selection") << "Ctrl+V" << 3 << "ONE" << "ONE two" << "ONE" << true;
        QTest::newRow("paste with an empty clipboard") << "Ctrl+V" << 0 << "" << "one two" << "" << true;
        QTest::newRow("cut button") << "btnCut" << 4 << "" << "two" << "one " << true;
        QTest::newRow("copy button") << "btnCopy" << 3 << "" << "one two" << "one" << false;
        QTest::newRow("paste button") << "btnPaste" << 0 << "x" << "xone two" << "x" << true;
    }
    void clipboardAndTheModifiedFlag()
    {
        QFETCH(QString, command);
        QFETCH(int, selected);
        QFETCH(QString, clipboard);
        Load(Rtf("one two"));
        if (!clipboard.isEmpty())
            QApplication::clipboard()->setText(clipboard);
        Editor()->setFocus();
        Select(0, selected);
        QVERIFY(!Editor()->Modified());
        if (command.startsWith("btn"))
            Click(ToolButton(command));
        else
            Key(QKeySequence(command));
        QTEST(Editor()->Text(), "text");
        QTEST(QApplication::clipboard()->text(), "clipboardAfter");
        QTEST(Editor()->Modified(), "modified");
    }

    void popupMenuItemsRunTheirCommands()
    {
        Load(Rtf("alpha beta"));
        frmMain->SelectAll1->trigger();
        QCOMPARE(Editor()->SelLength(), Editor()->TextLength());
        frmMain->Copy1->trigger();
        QCOMPARE(QApplication::clipboard()->text(), QString("alpha beta"));
        Select(0, 6);
        frmMain->ClearSelection1->trigger();
        QCOMPARE(Editor()->Text(), QString("beta"));
        QCOMPARE(QApplication::clipboard()->text(), QString("alpha beta")); // nothing went there
        Select(0, 4);
        frmMain->Bold1->trigger();
        QCOMPARE(StyleAt(0), FontStyles(fsBold));
        frmMain->ClearAll1->trigger();
        QCOMPARE(Editor()->TextLength(), 0);
        QVERIFY(!Editor()->Modified());
    }

    void clearAllKeepsTheStoredDay()
    {
        MemTable& journal = frmMain->tblJournal;
        frmMain->ShowDate(FromQDate(Day(3)));
        run_->type("stored words");
        frmMain->ShowDate(FromQDate(Day(4))); // stores the third
        frmMain->ShowDate(FromQDate(Day(3)));
        QCOMPARE(Editor()->Text(), QString("stored words"));
        run_->type(" more");
        QVERIFY(Editor()->Modified());
        frmMain->ClearAll1->trigger();
        QTest::mouseClick(frmMain->btnNext, Qt::LeftButton);
        QTest::mouseClick(frmMain->btnPrevious, Qt::LeftButton);
        QCOMPARE(Editor()->Text(), QString("stored words"));
        // A day that had no entry still has none.
        QTest::mouseClick(frmMain->btnNext, Qt::LeftButton);
        QVERIFY(!journal.FindKey(FromQDate(Day(4))));
        run_->type("brief");
        frmMain->ClearAll1->trigger();
        QTest::mouseClick(frmMain->btnNext, Qt::LeftButton);
        QVERIFY(!journal.FindKey(FromQDate(Day(4))));
        // Deleting everything by selection is an edit like any other, and is stored.
        frmMain->ShowDate(FromQDate(Day(3)));
        frmMain->SelectAll1->trigger();
        frmMain->ClearSelection1->trigger();
        frmMain->ShowDate(FromQDate(Day(4)));
        frmMain->ShowDate(FromQDate(Day(3)));
        QCOMPARE(Editor()->TextLength(), 0);
    }

    // ---- undo and redo --------------------------------------------------------------

    void undoAndRedo_data()
    {
        QTest::addColumn<QString>("undo");
        QTest::addColumn<QString>("redo");
        QTest::newRow("buttons") << "btnUndo" << "btnRedo";
        QTest::newRow("Ctrl+Z, Ctrl+Y") << "Ctrl+Z" << "Ctrl+Y";
        QTest::newRow("Ctrl+Z, Ctrl+Shift+Z") << "Ctrl+Z" << "Ctrl+Shift+Z";
    }
    void undoAndRedo()
    {
        QFETCH(QString, undo);
        QFETCH(QString, redo);
        auto act = [](const QString& how) {
            if (how.startsWith("btn"))
                Click(ToolButton(how));
            else
                Key(QKeySequence(how));
        };
        Editor()->setFocus();
        run_->type("word");
        QVERIFY(frmMain->btnUndo->isEnabled());
        QVERIFY(!frmMain->btnRedo->isEnabled());
        act(undo);
        QCOMPARE(Editor()->TextLength(), 0);
        QVERIFY(!frmMain->btnUndo->isEnabled());
        QVERIFY(frmMain->btnRedo->isEnabled());
        act(redo);
        QCOMPARE(Editor()->Text(), QString("word"));
        QVERIFY(frmMain->btnUndo->isEnabled());
        QVERIFY(!frmMain->btnRedo->isEnabled());
    }

    // ---- find -----------------------------------------------------------------------

    void findIsSeededFromTheSelection()
    {
        const QString longText = QString("abcdefghij").repeated(30);
        Load(Rtf(longText.toStdString() + " tail"));
        Select(0, 300);
        Click(frmMain->btnFind);
        FindDialog* dialog = Editor()->ExistingFindDialog();
        QVERIFY(dialog && dialog->isVisible());
        QVERIFY(!dialog->isModal());
        QCOMPARE(dialog->FindWhat(), longText.left(255));
        QVERIFY(dialog->Down());
        QVERIFY(!dialog->MatchCase());
        QVERIFY(!dialog->WholeWord());
        dialog->SetFindWhat("tail");
        dialog->hide();
        // No selection: the dialog keeps the previous text; it is the same dialog.
        Editor()->SetSelStart(0);
        Key(QKeySequence("Ctrl+F"));
        QCOMPARE(Editor()->ExistingFindDialog(), dialog);
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->FindWhat(), QString("tail"));
        dialog->hide();
    }

    void findNext_data()
    {
        QTest::addColumn<bool>("down");
        QTest::addColumn<bool>("matchCase");
        QTest::addColumn<bool>("wholeWord");
        QTest::addColumn<QString>("what");
        QTest::addColumn<int>("caret");
        QTest::addColumn<QList<int>>("matches"); // the selection's start after each press
        // Text: "cat Cat concat cat." at positions 0, 4, 8 (in "concat": 11), 15.
        QTest::newRow("down") << true << false << false << "cat" << 0 << QList<int>{0, 4, 11, 15, 15};
        QTest::newRow("match case") << true << true << false << "Cat" << 0 << QList<int>{4, 4};
        QTest::newRow("whole word skips concat") << true << false << true << "cat" << 1 << QList<int>{4, 15, 15};
        QTest::newRow("up") << false << false << false << "cat" << 19 << QList<int>{15, 11, 4, 0, 0};
    }
    void findNext()
    {
        QFETCH(bool, down);
        QFETCH(bool, matchCase);
        QFETCH(bool, wholeWord);
        QFETCH(QString, what);
        QFETCH(int, caret);
        QFETCH(QList<int>, matches);
        Load(Rtf("cat Cat concat cat."));
        Editor()->SetSelStart(caret);
        Click(frmMain->btnFind);
        FindDialog* dialog = Editor()->ExistingFindDialog();
        dialog->SetFindWhat(what);
        dialog->SetDown(down);
        dialog->SetMatchCase(matchCase);
        dialog->SetWholeWord(wholeWord);
        auto* findNext = dialog->findChildren<QPushButton*>().at(0);
        QCOMPARE(findNext->text(), QString("&Find Next"));
        for (int expected : matches) {
            QTest::mouseClick(findNext, Qt::LeftButton);
            QCOMPARE(Editor()->SelStart(), expected);
            QCOMPARE(Editor()->SelLength(), int(what.size()));
        }
        dialog->hide();
    }

    void findMovesTheDialogOffTheMatch_data()
    {
        QTest::addColumn<int>("line");   // the paragraph the match is in
        QTest::addColumn<bool>("cover"); // the dialog starts over the match
        QTest::addColumn<QString>("where");
        QTest::newRow("low match: the dialog goes above it") << 18 << true << "above";
        QTest::newRow("high match: the dialog goes below it") << 0 << true << "below";
        QTest::newRow("a dialog away from the match stays") << 18 << false << "stays";
    }
    void findMovesTheDialogOffTheMatch()
    {
        QFETCH(int, line);
        QFETCH(bool, cover);
        QFETCH(QString, where);
        std::string body;
        for (int i = 0; i < 20; ++i)
            body += (i == line ? "needle" : "hay") + std::string("\\par ");
        Load(Rtf(body));
        frmMain->move(frmMain->x(), 0); // the first line is then too high for the dialog above it
        Click(frmMain->btnFind);
        FindDialog* dialog = Editor()->ExistingFindDialog();
        dialog->SetFindWhat("needle");
        QTextCursor at(Editor()->document());
        at.setPosition(PositionOf("needle"));
        const QPoint match = Editor()->viewport()->mapToGlobal(Editor()->cursorRect(at).topLeft());
        const QPoint start = cover ? match - QPoint(10, 10) : match + QPoint(300, 60);
        dialog->move(start);
        const int height = dialog->frameGeometry().height();
        QVERIFY(where != "below" || height + 20 >= match.y());
        QVERIFY(where != "above" || height + 20 < match.y());
        QVERIFY(dialog->FindNext());
        QCOMPARE(Editor()->SelStart(), PositionOf("needle"));
        QCOMPARE(dialog->frameGeometry().x(), start.x());
        if (where == "above")
            QCOMPARE(dialog->frameGeometry().y() + height, match.y() - 20);
        else if (where == "below")
            QCOMPARE(dialog->frameGeometry().y(), match.y() + 40);
        else
            QCOMPARE(dialog->frameGeometry().topLeft(), start);
        dialog->hide();
    }

    void f3FindsTheNextMatch()
    {
        Load(Rtf("one fish two fish"));
        Editor()->setFocus();
        Select(PositionOf("fish"), 4);
        Key(QKeySequence("Ctrl+F"));
        FindDialog* dialog = Editor()->ExistingFindDialog();
        QCOMPARE(dialog->FindWhat(), QString("fish"));
        frmMain->activateWindow();
        Editor()->setFocus();
        QTest::keyClick(Editor(), Qt::Key_F3);
        QCOMPARE(Editor()->SelStart(), 13);
        // No further match: nothing happens, no message.
        QTest::keyClick(Editor(), Qt::Key_F3);
        QCOMPARE(Editor()->SelStart(), 13);
        QVERIFY(run_->dialogs().boxes.empty());
        dialog->hide();
    }

    void keysForPrintAndSearch()
    {
        Editor()->setFocus();
        Key(QKeySequence("Ctrl+P"));
        QCOMPARE(run_->dialogs().printRequests.size(), std::size_t(1)); // cancelled by the empty queue
        Key(QKeySequence("Ctrl+Shift+F"));
        QVERIFY(frmDBSearch->isVisible());
        frmDBSearch->hide();
    }

private:
    std::unique_ptr<ProgramRun> run_;
};

QUILLMERE_APP_TEST_MAIN(TestEditorCommands)
#include "tst_editorcommands.moc"
