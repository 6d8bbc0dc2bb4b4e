// Insert Picture, Insert Link and clicking links, through the toolbar and the mouse.
#include "editor_fixture.h"

#include "editor/picture_commands.h"
#include "platform/richedit/picture_object.h"
#include "platform/shell.h"

#include <QBuffer>
#include <QClipboard>
#include <QImageWriter>
#include <QMimeData>
#include <QtTest>

using namespace quill;
using namespace quill::testing;

namespace {

// A GIF of `width` × `height` pixels, palette red, green, blue, and index 3 transparent.
// LZW codes of three bits, with a clear code before every pair of pixels so that the code
// width never grows.
QByteArray Gif(int width, int height, const std::function<int(int, int)>& index)
{
    QByteArray gif("GIF89a");
    auto word = [&gif](int v) { gif.append(char(v & 0xFF)).append(char(v >> 8)); };
    word(width);
    word(height);
    gif.append(char(0x81)).append('\0').append('\0'); // global table of 4 colours
    gif.append("\xff\x00\x00\x00\xff\x00\x00\x00\xff\xff\xff\xff", 12);
    gif.append("\x21\xf9\x04\x01\x00\x00\x03\x00", 8); // transparent index 3
    gif.append(',');
    word(0);
    word(0);
    word(width);
    word(height);
    gif.append('\0');
    gif.append(char(2)); // minimum code size
    QByteArray data;
    quint32 bits = 0;
    int count = 0;
    auto put = [&](int code) {
        bits |= quint32(code) << count;
        count += 3;
        while (count >= 8) {
            data.append(char(bits & 0xFF));
            bits >>= 8;
            count -= 8;
        }
    };
    int n = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            if (n++ % 2 == 0)
                put(4); // clear
            put(index(x, y));
        }
    put(5); // end
    if (count > 0)
        data.append(char(bits & 0xFF));
    for (qsizetype i = 0; i < data.size(); i += 255) {
        const QByteArray block = data.mid(i, 255);
        gif.append(char(block.size())).append(block);
    }
    gif.append('\0').append(';');
    return gif;
}

QByteArray Encoded(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.write(image);
    return bytes;
}

// The picture at `position` in the editor, as the document keeps it.
richtext::EmbeddedPicture PictureAt(int position)
{
    QTextCursor cursor(Editor()->document());
    cursor.setPosition(position + 1);
    return richtext::PictureOf(cursor.charFormat());
}

} // namespace

class TestPicturesLinks : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        run_ = std::make_unique<ProgramRun>();
        run_->start();
        opened_.clear();
        quill::testing::SetShellOpenRecorder(&opened_);
        QApplication::clipboard()->setText("earlier");
    }
    void cleanup()
    {
        quill::testing::SetShellOpenRecorder(nullptr);
        run_->finish();
        run_.reset();
    }

    void insertPicture_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QSize>("size");
        QImage photo(800, 600, QImage::Format_RGB32);
        photo.fill(QColor(30, 120, 200));
        QImage bitmap(5, 3, QImage::Format_RGB32);
        bitmap.fill(Qt::darkGreen);
        QTest::newRow("800 x 600 JPEG keeps its bytes") << "photo.jpg" << Encoded(photo, "jpeg")
                                                       << int(richtext::PictureKind::Jpeg) << QSize(800, 600);
        QTest::newRow(".JPEG") << "photo.JPEG" << Encoded(photo, "jpeg") << int(richtext::PictureKind::Jpeg)
                               << QSize(800, 600);
        QTest::newRow("bitmap as PNG") << "small.bmp" << Encoded(bitmap, "bmp") << int(richtext::PictureKind::Png)
                                       << QSize(5, 3);
        QTest::newRow("GIF as PNG") << "tiny.gif" << Gif(4, 2, [](int x, int) { return x % 3; })
                                    << int(richtext::PictureKind::Png) << QSize(4, 2);
    }
    void insertPicture()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(int, kind);
        QFETCH(QSize, size);
        WriteBytes(run_->path(name), bytes);
        Load(Rtf("before WORD after"));
        Select(PositionOf("WORD"), 4);
        run_->dialogs().openAnswers.push_back(run_->path(name));
        Click(frmMain->btnInsertPicture);
        QVERIFY2(run_->dialogs().boxes.empty(), qPrintable(run_->dialogs().texts().join('\n')));
        QCOMPARE(Editor()->Text(), QString("before  after"));
        QCOMPARE(Editor()->TextLength(), 14); // the picture counts as one character
        const richtext::EmbeddedPicture picture = PictureAt(7);
        QCOMPARE(int(picture.kind), kind);
        QCOMPARE(QSize(picture.width, picture.height), size);
        QCOMPARE(richtext::ShownSizeTwips(picture).toSize(), size * 15);
        if (picture.kind == richtext::PictureKind::Jpeg)
            QCOMPARE(picture.bytes, bytes);
        QVERIFY(Editor()->Modified());
        // The clipboard holds the inserted picture, not what it held before.
        const QMimeData* clip = QApplication::clipboard()->mimeData();
        QVERIFY(clip->hasImage());
        QCOMPARE(qvariant_cast<QImage>(clip->imageData()).size(), size);
        QVERIFY(clip->hasFormat("text/rtf"));
        QVERIFY(QApplication::clipboard()->text().isEmpty());
        // The dialog offered the picture files, with a preview.
        const FileDialogOptions& asked = run_->dialogs().fileRequests.at(0);
        QCOMPARE(asked.filters.size(), 7);
        QVERIFY(asked.picturePreview);
    }

    void transparentGifShowsTheBackground()
    {
        // Transparent in its left column, which holds the bottom-left pixel; red elsewhere.
        // The blue opaque pixel keeps its colour.
        WriteBytes(run_->path("t.gif"), Gif(4, 4, [](int x, int y) { return x == 0 ? 3 : (x == 3 && y == 0 ? 2 : 0); }));
        Load(Rtf(""));
        run_->dialogs().openAnswers.push_back(run_->path("t.gif"));
        Click(frmMain->btnInsertPicture);
        const QImage stored = QImage::fromData(PictureAt(0).bytes);
        QCOMPARE(stored.size(), QSize(4, 4));
        QCOMPARE(qAlpha(stored.pixel(0, 3)), 0);
        QCOMPARE(qAlpha(stored.pixel(0, 0)), 0);
        QCOMPARE(stored.pixel(1, 1), qRgb(255, 0, 0));
        QCOMPARE(stored.pixel(3, 0), qRgb(0, 0, 255));
        // Drawn on the editor, the transparent column shows its white background.
        const QImage shown = Editor()->viewport()->grab().toImage();
        QTextCursor at(Editor()->document());
        const QRect caret = Editor()->cursorRect(at);
        const QPoint topLeft(caret.left(), caret.bottom() - 3);
        QCOMPARE(shown.pixel(topLeft + QPoint(0, 1)), qRgb(255, 255, 255));
        QCOMPARE(shown.pixel(topLeft + QPoint(2, 1)), qRgb(255, 0, 0));
    }

    void opaqueBitmapsLeaveNothingOut()
    {
        QImage image(3, 3, QImage::Format_ARGB32);
        image.fill(qRgba(10, 20, 30, 255));
        image.setPixel(1, 1, qRgba(200, 0, 0, 0));
        const QImage inserted = InsertedBitmap(image, false);
        QVERIFY(!inserted.hasAlphaChannel());
        QCOMPARE(inserted.pixel(0, 2), qRgb(10, 20, 30));
    }

    void rejectedPictures_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown extension") << "notes.xyz" << QByteArray("x") << "Unknown picture file extension (.xyz)";
        QTest::newRow("damaged bitmap") << "bad.bmp" << QByteArray("BMnonsense") << "Bitmap image is not valid";
        QTest::newRow("not a metafile") << "bad.emf" << QByteArray("nothing") << "Metafile is not valid";
        QTest::newRow("damaged JPEG") << "bad.jpg" << QByteArray("\xff\xd8\xff\xe0garbage", 11) << "JPEG error #";
    }
    void rejectedPictures()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        WriteBytes(run_->path(name), bytes);
        Load(Rtf("unchanged"));
        Select(0, 3);
        run_->dialogs().openAnswers.push_back(run_->path(name));
        Click(frmMain->btnInsertPicture);
        QCOMPARE(run_->dialogs().boxes.size(), std::size_t(1));
        QVERIFY2(run_->dialogs().boxes[0].text.startsWith(message), qPrintable(run_->dialogs().boxes[0].text));
        QCOMPARE(run_->dialogs().boxes[0].title, QString("Quillmere"));
        QCOMPARE(Editor()->Text(), QString("unchanged"));
        QVERIFY(!Editor()->Modified());
        QCOMPARE(QApplication::clipboard()->text(), QString("earlier"));
    }

    void cancelledPictureChangesNothing()
    {
        Load(Rtf("text"));
        run_->dialogs().openAnswers.push_back(QString());
        Click(frmMain->btnInsertPicture);
        QCOMPARE(Editor()->Text(), QString("text"));
        QCOMPARE(QApplication::clipboard()->text(), QString("earlier"));
    }

    void insertLink_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("text");
        QTest::newRow("spaces") << "/home/me/My Files/day one.txt" << "file:/home/me/My%Files/day%one.txt";
        QTest::newRow("a percent sign stays") << "/tmp/100%/a b.png" << "file:/tmp/100%/a%b.png";
    }
    void insertLink()
    {
        QFETCH(QString, path);
        QFETCH(QString, text);
        Load(Rtf("see WORD now"));
        Select(PositionOf("WORD"), 4);
        run_->dialogs().openAnswers.push_back(path);
        Click(frmMain->btnInsertLink);
        const FileDialogOptions& asked = run_->dialogs().fileRequests.at(0);
        QCOMPARE(asked.title, QString("Link To Selected File"));
        QCOMPARE(asked.filters.size(), 2);
        QVERIFY(!asked.mustExist);
        QCOMPARE(Editor()->Text(), "see " + text + " now");
        QCOMPARE(Editor()->SelStart(), 4 + int(text.size()));
        QCOMPARE(Editor()->SelLength(), 0);
        QVERIFY(!Editor()->CanUndo());
        QVERIFY(Editor()->Modified());
        QVERIFY(Editor()->SelAttributes().Link());
        QVERIFY(run_->dialogs().boxes.empty());
    }

    void clickingALinkOpensIt_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("opened");
        QTest::newRow("file link, left button") << "file:/home/me/My%Files/day%one.txt" << int(Qt::LeftButton)
                                                << "file:/home/me/My Files/day one.txt";
        QTest::newRow("file link, right button") << "file:/tmp/a%b" << int(Qt::RightButton) << "file:/tmp/a b";
        QTest::newRow("a web address is opened as written")
            << "http://example.org/a%20b" << int(Qt::LeftButton) << "http://example.org/a%20b";
    }
    void clickingALinkOpensIt()
    {
        QFETCH(QString, text);
        QFETCH(int, button);
        Load(Rtf("go " + text.toStdString() + " here"));
        QApplication::processEvents();
        QTextCursor at(Editor()->document());
        at.setPosition(PositionOf(text) + 6);
        const QPoint point = Editor()->cursorRect(at).center();
        QTest::mousePress(Editor()->viewport(), Qt::MouseButton(button), {}, point);
        QTest::mouseRelease(Editor()->viewport(), Qt::MouseButton(button), {}, point);
        frmMain->PopupMenu1->close();
        QTEST(opened_.value(0), "opened");
        QCOMPARE(opened_.size(), 1);
        QVERIFY(run_->dialogs().boxes.empty());
    }

    void linkTargets_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("target");
        QTest::newRow("file") << "file:C:\\My%Files\\day%one.txt" << "file:C:\\My Files\\day one.txt";
        QTest::newRow("FILE in capitals") << "FILE:/a%b" << "FILE:/a b";
        QTest::newRow("address") << "www.example.org/100%" << "www.example.org/100%";
    }
    void linkTargets()
    {
        QFETCH(QString, link);
        QTEST(LinkTarget(link), "target");
    }

private:
    std::unique_ptr<ProgramRun> run_;
    QStringList opened_;
};

QUILLMERE_APP_TEST_MAIN(TestPicturesLinks)
#include "tst_pictureslinks.moc"
