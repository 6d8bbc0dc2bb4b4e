// Pictures: libjpeg decoding, device-independent and device bitmaps, metafile headers and
// picture files loaded by their extension, with the loaders' failures.
#include "platform/pictures/picture.h"

#include <QBuffer>
#include <QPainter>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

using namespace quill;

namespace {

QByteArray Encoded(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, 100);
    return bytes;
}

void Put32(QByteArray& bytes, qsizetype at, std::uint32_t value)
{
    qToLittleEndian(value, bytes.data() + at);
}

// An enhanced metafile header whose frame is `width` x `height` in 0.01 mm.
QByteArray EmfHeader(int width, int height)
{
    QByteArray bytes(88, '\0');
    Put32(bytes, 0, 1);  // EMR_HEADER
    Put32(bytes, 4, 88); // record size
    Put32(bytes, 32, static_cast<std::uint32_t>(width));
    Put32(bytes, 36, static_cast<std::uint32_t>(height));
    Put32(bytes, 40, 0x464D4520); // " EMF"
    return bytes;
}

// A placeable Windows metafile: its box in units of `inch` per inch, then a metafile header.
QByteArray PlaceableWmf(int width, int height, int inch)
{
    QByteArray bytes(22 + 18, '\0');
    Put32(bytes, 0, 0x9AC6CDD7);
    qToLittleEndian<std::uint16_t>(static_cast<std::uint16_t>(width), bytes.data() + 10);
    qToLittleEndian<std::uint16_t>(static_cast<std::uint16_t>(height), bytes.data() + 12);
    qToLittleEndian<std::uint16_t>(static_cast<std::uint16_t>(inch), bytes.data() + 14);
    qToLittleEndian<std::uint16_t>(1, bytes.data() + 22); // in memory
    qToLittleEndian<std::uint16_t>(9, bytes.data() + 24); // header size in words
    return bytes;
}

// A 2 x 1 GIF: a red pixel and a transparent blue one.
QByteArray TransparentGif()
{
    return QByteArray::fromHex("474946383961" "02000100" "800000" "ff0000" "0000ff"
                               "21f90401000001" "00" "2c0000000002000100" "00" "02" "02440a" "00" "3b");
}

QString WriteFile(const QTemporaryDir& folder, const QString& name, const QByteArray& bytes)
{
    const QString path = folder.filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    return path;
}

} // namespace

class PicturesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void jpegThroughLibjpeg();
    void jpegFailures_data();
    void jpegFailures();
    void deviceIndependentBitmaps();
    void deviceBitmaps();
    void metafileHeaders();
    void placeholderPixels();
    void loadsFilesByExtension();
    void loaderFailures_data();
    void loaderFailures();
};

void PicturesTest::jpegThroughLibjpeg()
{
    QImage colour(20, 10, QImage::Format_RGB32);
    colour.fill(QColor(200, 30, 40));
    const QImage decoded = DecodeJpeg(Encoded(colour, "JPG"));
    QCOMPARE(decoded.size(), QSize(20, 10));
    const QColor pixel = decoded.pixelColor(10, 5);
    QVERIFY(qAbs(pixel.red() - 200) < 6 && qAbs(pixel.green() - 30) < 6 && qAbs(pixel.blue() - 40) < 6);

    QImage grey(8, 8, QImage::Format_Grayscale8);
    grey.fill(QColor(90, 90, 90));
    const QColor greyPixel = DecodeJpeg(Encoded(grey, "JPG")).pixelColor(4, 4);
    QVERIFY(qAbs(greyPixel.red() - 90) < 4 && greyPixel.red() == greyPixel.green() && greyPixel.green() == greyPixel.blue());

    // A JPEG whose data is cut short still gives its size.
    const QByteArray whole = Encoded(colour, "JPG");
    QCOMPARE(DecodeJpeg(whole.left(whole.size() - 8)).size(), QSize(20, 10));
}

void PicturesTest::jpegFailures_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("not a jpeg") << QByteArray("GIF89a and more");
    QTest::newRow("start only") << QByteArray("\xff\xd8\xff", 3);
}

void PicturesTest::jpegFailures()
{
    QFETCH(QByteArray, bytes);
    try {
        DecodeJpeg(bytes);
        QFAIL("decoded");
    } catch (const PictureError& failure) {
        QVERIFY2(QRegularExpression(QStringLiteral("^JPEG error #\\d+$")).match(QString::fromUtf8(failure.what())).hasMatch(),
                 failure.what());
    }
}

void PicturesTest::deviceIndependentBitmaps()
{
    // Eight bits a pixel with a palette of two colours; rows bottom-up, padded to four bytes.
    const QByteArray header = QByteArray::fromHex("28000000" "02000000" "02000000" "0100" "0800" "00000000"
                                                  "08000000" "00000000" "00000000" "02000000" "00000000");
    const QByteArray palette = QByteArray::fromHex("ff000000" "00ff0000"); // blue, green
    const QByteArray bits = QByteArray::fromHex("00010000" "01000000");
    const QImage image = DecodeDib(header + palette + bits);
    QCOMPARE(image.size(), QSize(2, 2));
    QCOMPARE(image.pixel(0, 1), qRgb(0, 0, 255));
    QCOMPARE(image.pixel(1, 1), qRgb(0, 255, 0));
    QCOMPARE(image.pixel(0, 0), qRgb(0, 255, 0));
    QVERIFY(DecodeDib(header.left(20)).isNull());
    QVERIFY(DecodeDib(QByteArray(64, '\xff')).isNull());
}

void PicturesTest::deviceBitmaps()
{
    const QImage mono = DecodeDeviceBitmap(QByteArray::fromHex("a000" "4000"), 3, 2, 2, 1);
    QCOMPARE(mono.size(), QSize(3, 2));
    QCOMPARE(mono.pixel(0, 0), qRgb(255, 255, 255));
    QCOMPARE(mono.pixel(1, 0), qRgb(0, 0, 0));
    QCOMPARE(mono.pixel(2, 0), qRgb(255, 255, 255));
    QCOMPARE(mono.pixel(1, 1), qRgb(255, 255, 255));
    const QImage colour = DecodeDeviceBitmap(QByteArray::fromHex("0000ff00ff00"), 2, 1, 6, 24);
    QCOMPARE(colour.pixel(0, 0), qRgb(255, 0, 0));
    QCOMPARE(colour.pixel(1, 0), qRgb(0, 255, 0));
    QVERIFY(DecodeDeviceBitmap(QByteArray(5, '\0'), 2, 1, 6, 24).isNull());
    QVERIFY(DecodeDeviceBitmap(QByteArray(64, '\0'), 2, 1, 8, 8).isNull());
    QVERIFY(DecodeDeviceBitmap(QByteArray(64, '\0'), 0, 1, 8, 24).isNull());
}

void PicturesTest::metafileHeaders()
{
    QVERIFY(IsValidMetafile(PictureFormat::Emf, EmfHeader(2540, 1270)));
    QCOMPARE(MetafileSizeHimetric(PictureFormat::Emf, EmfHeader(2540, 1270)), QSize(2540, 1270));
    QVERIFY(!IsValidMetafile(PictureFormat::Emf, EmfHeader(1, 1).left(60)));
    QVERIFY(MetafileSizeHimetric(PictureFormat::Emf, EmfHeader(-5, 10)).isEmpty());

    const QByteArray wmf = PlaceableWmf(1440, 720, 1440);
    QVERIFY(IsValidMetafile(PictureFormat::Wmf, wmf));
    QCOMPARE(MetafileSizeHimetric(PictureFormat::Wmf, wmf), QSize(2540, 1270));
    QVERIFY(IsValidMetafile(PictureFormat::Wmf, wmf.mid(22))); // without the placeable header
    QVERIFY(MetafileSizeHimetric(PictureFormat::Wmf, wmf.mid(22)).isEmpty());
    QVERIFY(!IsValidMetafile(PictureFormat::Wmf, QByteArray(40, 'x')));
    QVERIFY(!IsValidMetafile(PictureFormat::Png, wmf));
}

void PicturesTest::placeholderPixels()
{
    QImage image(10, 8, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    DrawPicturePlaceholder(painter, QRectF(2, 1, 6, 5));
    painter.end();
    const QRgb frame = qRgb(0x80, 0x80, 0x80);
    const QRgb inside = qRgb(0xF0, 0xF0, 0xF0);
    for (int x = 2; x <= 7; ++x) {
        QCOMPARE(image.pixel(x, 1), frame);
        QCOMPARE(image.pixel(x, 5), frame);
    }
    for (int y = 1; y <= 5; ++y) {
        QCOMPARE(image.pixel(2, y), frame);
        QCOMPARE(image.pixel(7, y), frame);
    }
    QCOMPARE(image.pixel(4, 3), inside);
    QCOMPARE(image.pixel(1, 3), qRgb(255, 255, 255));
    QCOMPARE(image.pixel(8, 3), qRgb(255, 255, 255));
    QCOMPARE(image.pixel(4, 6), qRgb(255, 255, 255));
}

void PicturesTest::loadsFilesByExtension()
{
    QTemporaryDir folder;
    QImage photo(8, 6, QImage::Format_RGB32);
    photo.fill(Qt::green);

    const Picture jpeg = Picture::LoadFromFile(WriteFile(folder, QStringLiteral("photo.JPEG"), Encoded(photo, "JPG")));
    QCOMPARE(jpeg.Format(), PictureFormat::Jpeg);
    QCOMPARE(jpeg.Size(), QSize(8, 6));
    QVERIFY(!jpeg.Transparent());

    const Picture bmp = Picture::LoadFromFile(WriteFile(folder, QStringLiteral("b.bmp"), Encoded(photo, "BMP")));
    QCOMPARE(bmp.Format(), PictureFormat::Bmp);
    QCOMPARE(bmp.Bitmap().pixel(3, 3), qRgb(0, 255, 0));
    QVERIFY(!bmp.Transparent());

    const Picture gif = Picture::LoadFromFile(WriteFile(folder, QStringLiteral("t.gif"), TransparentGif()));
    QCOMPARE(gif.Format(), PictureFormat::Gif);
    QCOMPARE(gif.Size(), QSize(2, 1));
    QVERIFY(gif.Transparent());
    QCOMPARE(qAlpha(gif.Bitmap().pixel(1, 0)), 0);
    QCOMPARE(gif.Bitmap().pixel(0, 0), qRgb(255, 0, 0));

    const Picture emf = Picture::LoadFromFile(WriteFile(folder, QStringLiteral("m.emf"), EmfHeader(2540, 1270)));
    QCOMPARE(emf.Format(), PictureFormat::Emf);
    QVERIFY(emf.Bitmap().isNull());
    QCOMPARE(emf.Size(), QSize(96, 48));
    QCOMPARE(emf.Bytes(), EmfHeader(2540, 1270));

    const Picture wmf = Picture::LoadFromFile(WriteFile(folder, QStringLiteral("m.wmf"), PlaceableWmf(720, 720, 1440)));
    QCOMPARE(wmf.Size(), QSize(48, 48));
}

void PicturesTest::loaderFailures_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message");
    QTest::newRow("unknown extension") << QStringLiteral("p.png") << QByteArray("x")
                                       << QStringLiteral("Unknown picture file extension (.png)");
    QTest::newRow("no extension") << QStringLiteral("picture") << QByteArray("x")
                                  << QStringLiteral("Unknown picture file extension (.)");
    QTest::newRow("bad bitmap") << QStringLiteral("b.bmp") << QByteArray("BM nonsense")
                                << QStringLiteral("Bitmap image is not valid");
    QTest::newRow("bad metafile") << QStringLiteral("m.emf") << QByteArray(100, 'x')
                                  << QStringLiteral("Metafile is not valid");
    QTest::newRow("bad windows metafile") << QStringLiteral("m.wmf") << QByteArray(4, '\0')
                                          << QStringLiteral("Metafile is not valid");
    QTest::newRow("bad gif") << QStringLiteral("g.gif") << QByteArray("GIF89a") << QStringLiteral("GIF encoded data is corrupt");
    QTest::newRow("bad jpeg") << QStringLiteral("j.jpg") << QByteArray("not a jpeg") << QStringLiteral("JPEG error #");
}

void PicturesTest::loaderFailures()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    QTemporaryDir folder;
    try {
        Picture::LoadFromFile(WriteFile(folder, name, bytes));
        QFAIL("loaded");
    } catch (const PictureError& failure) {
        QVERIFY2(QString::fromUtf8(failure.what()).startsWith(message), failure.what());
    }
    const QString missing = folder.filePath(QStringLiteral("missing.jpg"));
    try {
        Picture::LoadFromFile(missing);
        QFAIL("loaded");
    } catch (const PictureError& failure) {
        QCOMPARE(QString::fromUtf8(failure.what()), QStringLiteral("Cannot open file ") + missing);
    }
}

QTEST_MAIN(PicturesTest)
#include "tst_pictures.moc"
