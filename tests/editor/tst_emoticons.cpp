// The emoticon picker through the toolbar: its 29 pictures, the name shown on pointing, a
// click inserting the picture through the clipboard, and Close inserting nothing.
#include "editor_fixture.h"

#include "editor/tfrmemoticons.h"
#include "platform/richedit/picture_object.h"

#include <QClipboard>
#include <QMimeData>
#include <QSvgRenderer>
#include <QtTest>

using namespace quill;
using namespace quill::testing;

namespace {

// Opens the picker with the toolbar button and hands it to `user` while it is open; a picker
// that `user` leaves open is closed, and the test fails.
void UseEmoticonPicker(const std::function<void(TfrmEmoticons*)>& user)
{
    WhenModal<TfrmEmoticons>([user](TfrmEmoticons* picker) {
        user(picker);
        if (picker->isVisible()) {
            picker->reject();
            QFAIL("the emoticon picker is still open");
        }
    });
    Click(frmMain->btnInsertEmoticon);
}

// Moves the mouse to a point of a control of the open picker, as the pointer does.
void Point(TfrmEmoticons* picker, QWidget* control, const QPoint& at)
{
    QTest::mouseMove(picker->windowHandle(), control->mapTo(picker, at));
}

// The picture at `position` in the editor, as the document keeps it.
richtext::EmbeddedPicture PictureAt(int position)
{
    QTextCursor cursor(Editor()->document());
    cursor.setPosition(position + 1);
    return richtext::PictureOf(cursor.charFormat());
}

} // namespace

class TestEmoticons : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        run_ = std::make_unique<ProgramRun>();
        run_->start();
        QApplication::clipboard()->setText("earlier");
        Load(Rtf("one word two"));
    }
    void cleanup()
    {
        run_->finish();
        run_.reset();
    }

    void picturesSitWhereTheLayoutPutsThem_data()
    {
        QTest::addColumn<int>("tag");
        QTest::addColumn<QString>("control");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QString>("name");
        const struct {
            const char* control;
            QRect geometry;
            const char* name;
        } layout[] = {
            {"Image2", {24, 24, 21, 21}, "Angry   :x"},
            {"Image23", {56, 24, 21, 21}, "Smiley   :)"},
            {"Image5", {88, 24, 21, 21}, "Tongue   :p or :P"},
            {"Image7", {120, 24, 21, 21}, "Laugh out Loud   :lol:"},
            {"Image26", {152, 24, 20, 20}, "Puke or Sick   +o("},
            {"Image9", {184, 24, 21, 21}, "Oh My!   :o"},
            {"Image10", {216, 24, 21, 21}, "Unsure or Confused   :s or :?"},
            {"Image11", {248, 24, 21, 21}, "Wacko   x)"},
            {"Image13", {280, 24, 21, 21}, "ph34r"},
            {"Image27", {344, 24, 20, 22}, "Crying   :'("},
            {"Image29", {312, 24, 21, 21}, "Mellow or Uninterested   :|"},
            {"Image28", {376, 24, 20, 20}, "Question"},
            {"Image3", {24, 72, 22, 26}, "Sad   :("},
            {"Image4", {56, 72, 22, 26}, "Big Smile!   :D"},
            {"Image6", {88, 72, 23, 22}, "Cool   8)"},
            {"Image8", {120, 72, 22, 26}, "Wink   ;)"},
            {"Image12", {152, 72, 22, 30}, "Crazy   8x)"},
            {"Image14", {184, 72, 22, 26}, "Nea"},
            {"Image15", {216, 72, 23, 25}, "Sarcastic"},
            {"Image16", {252, 72, 31, 26}, "Bye-Bye"},
            {"Image25", {285, 72, 40, 27}, "Dancing"},
            {"Image24", {333, 72, 36, 26}, "Pardon"},
            {"Image1", {376, 72, 22, 26}, "Happy Smile   :)"},
            {"Image17", {48, 128, 45, 27}, "Hello"},
            {"Image18", {104, 128, 54, 30}, "Let's drink on that"},
            {"Image20", {168, 128, 43, 26}, "Praise"},
            {"Image22", {224, 128, 27, 25}, "Bomb"},
            {"Image21", {264, 128, 34, 24}, "Yahoo!"},
            {"Image19", {320, 128, 51, 45}, "Truce or Surrender"},
        };
        int tag = 0;
        for (const auto& entry : layout) {
            ++tag;
            QTest::addRow("tag %d", tag) << tag << QString(entry.control) << entry.geometry << QString(entry.name);
        }
    }
    void picturesSitWhereTheLayoutPutsThem()
    {
        QFETCH(int, tag);
        QFETCH(QString, control);
        QFETCH(QRect, geometry);
        QFETCH(QString, name);
        TfrmEmoticons* picker = frmEmoticons;
        QCOMPARE(picker->size(), QSize(427, 312));
        TImage* image = picker->EmoticonOfTag(tag);
        QVERIFY(image);
        QCOMPARE(image->Tag(), tag);
        QCOMPARE(image->parentWidget(), static_cast<QWidget*>(picker->RbPanel1));
        QCOMPARE(image->geometry(), geometry);
        QCOMPARE(image->Picture().size(), geometry.size());
        QCOMPARE(QSvgRenderer(QStringLiteral(":/emoticons/%1").arg(tag, 2, 10, QLatin1Char('0'))).defaultSize(),
                 geometry.size()); // drawn for that size, not stretched to it
        QCOMPARE(image->cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(TfrmEmoticons::EmoticonName(tag), name);
        // The named control is the one of the tag.
        const std::map<QString, TImage*> controls{
            {"Image1", picker->Image1}, {"Image2", picker->Image2}, {"Image3", picker->Image3},
            {"Image4", picker->Image4}, {"Image5", picker->Image5}, {"Image6", picker->Image6},
            {"Image7", picker->Image7}, {"Image8", picker->Image8}, {"Image9", picker->Image9},
            {"Image10", picker->Image10}, {"Image11", picker->Image11}, {"Image12", picker->Image12},
            {"Image13", picker->Image13}, {"Image14", picker->Image14}, {"Image15", picker->Image15},
            {"Image16", picker->Image16}, {"Image17", picker->Image17}, {"Image18", picker->Image18},
            {"Image19", picker->Image19}, {"Image20", picker->Image20}, {"Image21", picker->Image21},
            {"Image22", picker->Image22}, {"Image23", picker->Image23}, {"Image24", picker->Image24},
            {"Image25", picker->Image25}, {"Image26", picker->Image26}, {"Image27", picker->Image27},
            {"Image28", picker->Image28}, {"Image29", picker->Image29}};
        QCOMPARE(controls.at(control), image);
    }

    void pointingShowsTheNameAndKeepsIt_data()
    {
        QTest::addColumn<int>("tag");
        QTest::addColumn<QString>("name");
        QTest::newRow("tag 25") << 25 << "Let's drink on that";
        QTest::newRow("tag 1, with its shorthand") << 1 << "Angry   :x";
        QTest::newRow("tag 7, two shorthands") << 7 << "Unsure or Confused   :s or :?";
    }
    void pointingShowsTheNameAndKeepsIt()
    {
        QFETCH(int, tag);
        QFETCH(QString, name);
        QVERIFY(frmEmoticons->Label1->text().isEmpty());
        UseEmoticonPicker([&](TfrmEmoticons* picker) {
            TImage* image = picker->EmoticonOfTag(tag);
            Point(picker, image, image->rect().center());
            QCOMPARE(picker->Label1->text(), name);
            Point(picker, picker->RbPanel1, QPoint(12, 60)); // between the pictures
            QCOMPARE(picker->Label1->text(), name);
            QTest::mouseClick(picker->btnClose, Qt::LeftButton);
        });
        QCOMPARE(frmEmoticons->Label1->text(), name); // also between openings
        QVERIFY(!Editor()->Modified());
    }

    void clickInsertsThePicture_data()
    {
        QTest::addColumn<int>("tag");
        QTest::addColumn<int>("selected"); // characters of "word" selected; 0: the caret before it
        QTest::addColumn<QString>("text");
        QTest::addColumn<QSize>("size");
        QTest::newRow("tag 1 at the caret") << 1 << 0 << "one word two" << QSize(21, 21);
        QTest::newRow("tag 1 over a selected word") << 1 << 4 << "one  two" << QSize(21, 21);
        QTest::newRow("tag 29, the largest") << 29 << 0 << "one word two" << QSize(51, 45);
    }
    void clickInsertsThePicture()
    {
        QFETCH(int, tag);
        QFETCH(int, selected);
        QFETCH(QString, text);
        QFETCH(QSize, size);
        const int at = PositionOf("word");
        Select(at, selected);
        UseEmoticonPicker([tag](TfrmEmoticons* picker) {
            QTest::mouseClick(picker->EmoticonOfTag(tag), Qt::LeftButton);
            QVERIFY(!picker->isVisible()); // a click closes the picker
            QVERIFY(picker->EmoticonChosen);
        });
        QVERIFY(!frmEmoticons->EmoticonChosen);
        QCOMPARE(Editor()->Text(), text); // the picture is not text
        QCOMPARE(Editor()->TextLength(), int(text.size()) + 1);
        QCOMPARE(Editor()->SelStart(), at + 1);
        QVERIFY(Editor()->Modified());
        const richtext::EmbeddedPicture picture = PictureAt(at);
        QCOMPARE(int(picture.kind), int(richtext::PictureKind::Png));
        QCOMPARE(QSize(picture.width, picture.height), size);
        QCOMPARE(richtext::ShownSizeTwips(picture).toSize(), size * 15);
        const QImage stored = QImage::fromData(picture.bytes);
        QCOMPARE(stored.convertToFormat(QImage::Format_ARGB32),
                 TfrmEmoticons::EmoticonPicture(tag).convertToFormat(QImage::Format_ARGB32));
        // The clipboard holds the picture afterwards; the earlier text is gone.
        const QMimeData* clipboard = QApplication::clipboard()->mimeData();
        QVERIFY(clipboard->hasImage());
        QCOMPARE(qvariant_cast<QImage>(clipboard->imageData()).size(), size);
        QVERIFY(QApplication::clipboard()->text().isEmpty());
    }

    void closeInsertsNothing_data()
    {
        QTest::addColumn<bool>("escape");
        QTest::newRow("Close") << false;
        QTest::newRow("Escape") << true;
    }
    void closeInsertsNothing()
    {
        QFETCH(bool, escape);
        Select(PositionOf("word"), 4);
        UseEmoticonPicker([escape](TfrmEmoticons* picker) {
            Point(picker, picker->Image2, QPoint(5, 5));
            if (escape)
                QTest::keyClick(picker, Qt::Key_Escape);
            else
                QTest::mouseClick(picker->btnClose, Qt::LeftButton);
        });
        QVERIFY(!frmEmoticons->EmoticonChosen);
        QCOMPARE(Editor()->Text(), QString("one word two"));
        QCOMPARE(Editor()->TextLength(), 12);
        QCOMPARE(Editor()->SelLength(), 4);
        QVERIFY(!Editor()->Modified());
        QCOMPARE(QApplication::clipboard()->text(), QString("earlier"));
    }

    void titlePanelDragsTheWindow()
    {
        UseEmoticonPicker([](TfrmEmoticons* picker) {
            const QPoint before = picker->pos();
            QTest::mousePress(picker->RbPanel3, Qt::LeftButton, {}, QPoint(30, 20));
            QTest::mouseMove(picker->RbPanel3, QPoint(10, 45));
            QTest::mouseRelease(picker->RbPanel3, Qt::LeftButton, {}, QPoint(10, 45));
            QCOMPARE(picker->pos(), before + QPoint(-20, 25));
            QTest::mouseClick(picker->btnClose, Qt::LeftButton);
        });
    }

private:
    std::unique_ptr<ProgramRun> run_;
};

QUILLMERE_APP_TEST_MAIN(TestEmoticons)
#include "tst_emoticons.moc"
