// The character map through the toolbar: its grid, code label and preview, Insert, Add and
// Insert Line, Close, the face it opens in, and the format of the inserted characters.
#include "editor_fixture.h"

#include "editor/font_codes.h"
#include "editor/tdllform.h"

#include <QClipboard>
#include <QFontDatabase>
#include <QRawFont>
#include <QtTest>

using namespace quill;
using namespace quill::testing;

namespace {

constexpr TColor kRed = 0x000000C8;

// An entry with a plain start, a big red bold word, and a word in a face nobody has.
const std::string kBody =
    "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\froman Liberation Serif;}{\\f2 No Such Face;}}"
    "{\\colortbl;\\red200\\green0\\blue0;}\\f0\\fs22 one {\\b\\cf1\\fs32 word} two {\\f1 serif} {\\f2 ghost}\\par}";

void ClickCell(TDLLForm* map, int col, int row)
{
    QTableWidget* grid = map->StringGrid1;
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->model()->index(row, col)).center());
}

// Does in the open map what a user does: "C,R" clicks the cell of column C and row R, a
// button's caption clicks that button, "Escape" presses the key.
void Perform(TDLLForm* map, const QStringList& steps)
{
    for (const QString& step : steps) {
        if (step.contains(u',')) {
            ClickCell(map, step.section(u',', 0, 0).toInt(), step.section(u',', 1, 1).toInt());
        } else if (step == "Escape") {
            QTest::keyClick(map, Qt::Key_Escape);
        } else {
            TRbButton* button = step == "Insert"        ? map->btnInsert
                                : step == "Add"         ? map->btnAdd
                                : step == "Insert Line" ? map->btnInsertLine
                                                        : map->RbButton1;
            QTest::mouseClick(button, Qt::LeftButton);
        }
    }
}

// Opens the map with the toolbar button and hands it to `user` while it is open; a map that
// `user` leaves open is closed, and the test fails.
void UseCharacterMap(const std::function<void(TDLLForm*)>& user)
{
    WhenModal<TDLLForm>([user](TDLLForm* map) {
        user(map);
        if (map->isVisible()) {
            map->reject();
            QFAIL("the character map is still open");
        }
    });
    Click(frmMain->btnInsertChar);
}

void UseCharacterMap(const QStringList& steps)
{
    UseCharacterMap([steps](TDLLForm* map) { Perform(map, steps); });
}

// The character of a cell; U+FFFF for a cell that holds none.
QChar CellOf(TDLLForm* map, int col, int row)
{
    return map->CellCharacter(col, row).value_or(QChar(u'\uFFFF'));
}

QString Clipboard()
{
    return QApplication::clipboard()->text();
}

} // namespace

class TestCharacterMap : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        run_ = std::make_unique<ProgramRun>();
        run_->start();
        QApplication::clipboard()->setText("earlier");
        Load(kBody);
    }
    void cleanup()
    {
        run_->finish();
        run_.reset();
    }

    void firstOpeningShowsCodeA()
    {
        Editor()->SetSelStart(PositionOf("one"));
        UseCharacterMap([](TDLLForm* map) {
            QCOMPARE(map->size(), QSize(718, 538));
            QCOMPARE(map->FontComboBox1->SelectedFace(), QString("Arial"));
            QCOMPARE(map->GridFont().family(), QString("Arial"));
            QCOMPARE(map->GridFont().pointSize(), 12);
            QVERIFY(!map->StringGrid1->font().bold());
            QCOMPARE(map->Label2->text(), QString("ALT + "));
            QCOMPARE(map->Label4->text(), QString("065"));
            QCOMPARE(map->StringGrid1->currentRow(), 0);
            QCOMPARE(map->StringGrid1->currentColumn(), 0);
            QCOMPARE(CellOf(map, 5, 3), QChar(u'A'));
            QVERIFY(map->Edit1->text().isEmpty());

            // The preview: white inside a black frame one pixel wide, the navy letter centred.
            const QImage preview = map->Image1->Picture();
            QCOMPARE(preview.size(), QSize(121, 129));
            const QRgb black = qRgb(0, 0, 0);
            const QRgb white = qRgb(255, 255, 255);
            for (int x = 0; x < 121; ++x) {
                QCOMPARE(preview.pixel(x, 0), black);
                QCOMPARE(preview.pixel(x, 128), black);
            }
            for (int y = 0; y < 129; ++y) {
                QCOMPARE(preview.pixel(0, y), black);
                QCOMPARE(preview.pixel(120, y), black);
            }
            for (int i = 1; i < 120; ++i) {
                QCOMPARE(preview.pixel(i, 1), white);
                QCOMPARE(preview.pixel(i, 127), white);
                QCOMPARE(preview.pixel(1, i), white);
                QCOMPARE(preview.pixel(119, i), white);
            }
            QRect ink;
            for (int y = 1; y < 128; ++y)
                for (int x = 1; x < 120; ++x)
                    if (preview.pixel(x, y) == qRgb(0, 0, 128))
                        ink |= QRect(x, y, 1, 1);
            QVERIFY(ink.width() > 40 && ink.height() > 50); // a 70-point letter
            QVERIFY(std::abs(ink.center().x() - 60) <= 3);
            Perform(map, {"Insert"});
        });
        QCOMPARE(Editor()->Text(), QString("Aone word two serif ghost"));
        QCOMPARE(Clipboard(), QString("A"));
    }

    void codeLabelAndRepeatedCells_data()
    {
        QTest::addColumn<int>("col");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("label");
        QTest::addColumn<int>("code");
        QTest::newRow("code 65") << 5 << 3 << "065" << 65;
        QTest::newRow("code 7") << 7 << 0 << "07" << 7;
        QTest::newRow("code 200") << 0 << 10 << "0200" << 200;
        QTest::newRow("euro sign") << 8 << 6 << "0128" << 128;
        QTest::newRow("last row, code 0 again") << 16 << 12 << "00" << 0;
        QTest::newRow("last row, code 3 again") << 19 << 12 << "03" << 3;
    }
    void codeLabelAndRepeatedCells()
    {
        QFETCH(int, col);
        QFETCH(int, row);
        QFETCH(QString, label);
        QFETCH(int, code);
        UseCharacterMap([&](TDLLForm* map) {
            ClickCell(map, col, row);
            QCOMPARE(map->Label4->text(), label);
            QCOMPARE(map->InsertCol, col);
            QCOMPARE(map->InsertRow, row);
            QCOMPARE(CellOf(map, col, row), CellOf(map, code % 20, code / 20));
            Perform(map, {"Close"});
        });
    }

    void charactersOfATextFont_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("character");
        QTest::newRow("A") << 65 << "A";
        QTest::newRow("euro sign") << 128 << "\u20AC";
        QTest::newRow("Y with diaeresis") << 159 << "\u0178";
        QTest::newRow("e acute") << 233 << "\u00E9";
    }
    void charactersOfATextFont()
    {
        QFETCH(int, code);
        QFETCH(QString, character);
        QFont arial("Arial");
        QVERIFY(!IsSymbolFont(arial));
        QCOMPARE(CharactersOfCodes(arial).at(code), character.front());
    }

    void insert_data()
    {
        QTest::addColumn<QString>("selected"); // the selected word; empty: the caret before "word"
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<int>("size");
        QTest::addColumn<uint>("colour");
        QTest::newRow("Insert at the caret") << "" << QStringList{"8,6", "Insert"} << "one \u20ACword two serif ghost"
                                             << "\u20AC" << 11 << uint(clWindowText);
        QTest::newRow("Insert over a selected word")
            << "word" << QStringList{"1,3", "Insert"} << "one = two serif ghost" << "=" << 16 << uint(kRed);
        QTest::newRow("Add three times, then Insert Line")
            << "" << QStringList{"1,4", "Add", "2,4", "Add", "3,4", "Add", "Insert Line"} << "one QRSword two serif ghost"
            << "QRS" << 11 << uint(clWindowText);
        QTest::newRow("the same cell added twice") << "word" << QStringList{"Add", "Add", "Insert Line"}
                                                   << "one AA two serif ghost" << "AA" << 16 << uint(kRed);
        QTest::newRow("Insert Line with an empty box")
            << "word" << QStringList{"Insert Line"} << "one  two serif ghost" << "" << 16 << uint(kRed);
    }
    void insert()
    {
        QFETCH(QString, selected);
        QFETCH(QStringList, steps);
        QFETCH(QString, text);
        QFETCH(QString, clipboard);
        QFETCH(int, size);
        QFETCH(uint, colour);
        Select(PositionOf("word"), selected.isEmpty() ? 0 : int(selected.size()));
        UseCharacterMap(steps);
        QCOMPARE(Editor()->Text(), text);
        QCOMPARE(Clipboard(), clipboard);
        QVERIFY(Editor()->Modified());
        QCOMPARE(frmMain->focusWidget(), static_cast<QWidget*>(Editor()));
        const int start = PositionOf("one ") + 4;
        const int end = PositionOf(selected.isEmpty() ? "word" : " two");
        QCOMPARE(end - start, int(clipboard.size()));
        QCOMPARE(Editor()->SelStart(), end); // the caret behind the inserted text
        for (int i = start; i < end; ++i) {
            Select(i, 1);
            const TextAttributes& a = Editor()->SelAttributes();
            QCOMPARE(a.Name(), QString("Arial"));
            QCOMPARE(a.Charset(), TDLLForm::kDefaultCharset);
            QCOMPARE(a.Size(), size);
            QCOMPARE(a.Color(), TColor(colour));
            QCOMPARE(a.Style(), FontStyles(0));
            QCOMPARE(a.Weight(), 400);
        }
        // The neighbours keep their text and format.
        QCOMPARE(StyleAt(start - 1), FontStyles(0));
        QCOMPARE(StyleAt(PositionOf("two")), FontStyles(0));
        if (selected.isEmpty())
            QCOMPARE(StyleAt(PositionOf("word")), FontStyles(fsBold));
    }

    void closeInsertsNothing_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("labelWhenReopened");
        // Close remembers the grid's highlighted cell, which the first opening leaves at the
        // top left; Escape keeps the cell remembered before.
        QTest::newRow("Close") << QStringList{"Close"} << "00";
        QTest::newRow("Escape") << QStringList{"Escape"} << "065";
        QTest::newRow("Close after a cell and Add") << QStringList{"8,6", "Add", "Close"} << "0128";
    }
    void closeInsertsNothing()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, labelWhenReopened);
        Select(PositionOf("word"), 4);
        UseCharacterMap(steps);
        QCOMPARE(Editor()->Text(), QString("one word two serif ghost"));
        QCOMPARE(Editor()->SelStart(), PositionOf("word"));
        QCOMPARE(Editor()->SelLength(), 4);
        QVERIFY(!Editor()->Modified());
        QCOMPARE(Clipboard(), QString("earlier"));
        UseCharacterMap([&](TDLLForm* map) {
            QCOMPARE(map->Label4->text(), labelWhenReopened);
            QVERIFY(map->Edit1->text().isEmpty()); // emptied at every opening
            Perform(map, {"Escape"});
        });
    }

    void faceNotInstalledKeepsTheGridFace()
    {
        Select(PositionOf("serif"), 5);
        UseCharacterMap(QStringList{"5,3", "Close"});
        Select(PositionOf("ghost"), 5);
        UseCharacterMap([](TDLLForm* map) {
            QCOMPARE(map->FontComboBox1->currentIndex(), -1);
            QCOMPARE(map->GridFont().family(), QString("Liberation Serif"));
            QCOMPARE(map->GridFont().pointSize(), 12);
            QCOMPARE(CellOf(map, 5, 3), QChar(u'A'));
            Perform(map, {"Insert"});
        });
        QCOMPARE(Editor()->Text(), QString("one word two serif A"));
        Select(PositionOf(" A") + 1, 1);
        QCOMPARE(Editor()->SelAttributes().Name(), QString("Liberation Serif"));
    }

    void symbolFontKeepsItsFace()
    {
        // The faces as the font list names them.
        const TFontComboBox list;
        QStringList faces;
        for (int i = 0; i < list.count(); ++i)
            faces << list.itemText(i);
        const auto symbol = std::find_if(faces.begin(), faces.end(), [](const QString& face) {
            return IsSymbolFont(QFont(face));
        });
        if (symbol == faces.end())
            QSKIP("no symbol font is installed");
        const QString face = *symbol;
        Select(PositionOf("word"), 4);
        Editor()->SelAttributes().SetName(face);
        UseCharacterMap([&](TDLLForm* map) {
            QCOMPARE(map->FontComboBox1->SelectedFace(), face);
            const QString characters = CharactersOfCodes(map->GridFont());
            // Each code shows a glyph of the font itself, not one of a fallback face.
            const QRawFont raw = QRawFont::fromFont(map->GridFont());
            for (int code : {65, 97, 200})
                QVERIFY2(raw.supportsCharacter(characters.at(code)), qPrintable(QString::number(code)));
            QCOMPARE(CellOf(map, 17, 4), characters.at(97));
            Perform(map, {"17,4", "Insert"});
        });
        QCOMPARE(Editor()->Text(), QString("one ") + CharactersOfCodes(QFont(face)).at(97) + " two serif ghost");
        Select(PositionOf("one ") + 4, 1);
        QCOMPARE(Editor()->SelAttributes().Name(), face);
    }

    void ctrlCCopiesFromTheTextBox()
    {
        UseCharacterMap([](TDLLForm* map) {
            Perform(map, {"1,4", "Add", "2,4", "Add", "3,4", "Add"});
            map->Edit1->setFocus();
            map->Edit1->setSelection(1, 2);
            QTest::keySequence(map->Edit1, QKeySequence::Copy);
            QCOMPARE(Clipboard(), QString("RS"));
            map->StringGrid1->setFocus();
            QTest::keySequence(map->StringGrid1, QKeySequence::Copy); // not the grid's cell
            QCOMPARE(Clipboard(), QString("RS"));
            Perform(map, {"Close"});
        });
        QCOMPARE(Editor()->Text(), QString("one word two serif ghost"));
    }

    void titlePanelDragsTheWindow()
    {
        UseCharacterMap([](TDLLForm* map) {
            const QPoint before = map->pos();
            QTest::mousePress(map->RbPanel1, Qt::LeftButton, {}, QPoint(100, 20));
            QTest::mouseMove(map->RbPanel1, QPoint(150, 60));
            QTest::mouseRelease(map->RbPanel1, Qt::LeftButton, {}, QPoint(150, 60));
            QCOMPARE(map->pos(), before + QPoint(50, 40));
            Perform(map, {"Close"});
        });
    }

private:
    std::unique_ptr<ProgramRun> run_;
};

QUILLMERE_APP_TEST_MAIN(TestCharacterMap)
#include "tst_charmap.moc"
