// Pictures: libjpeg decoding, device-independent and device bitmaps, metafile headers and
// picture files loaded by their extension, with the loaders' failures; metafiles drawn through
// their libraries, pictures of entries drawn, and size fields that are refused.
#include "metafile_fixtures.h"

#include "platform/pictures/metafile_records.h"
#include "platform/pictures/metafile_renderer.h"
#include "platform/pictures/metafile_svg.h"
#include "platform/pictures/picture.h"
#include "platform/richedit/document_builder.h"
#include "platform/richedit/rtf_writer.h"

#include <QBuffer>
#include <QPainter>
#include <QPicture>
#include <QTemporaryDir>
#include <QTextDocument>
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

// The CRC of a PNG chunk (type and data).
std::uint32_t PngCrc(QByteArrayView bytes)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const char c : bytes) {
        crc ^= static_cast<unsigned char>(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void PutBig16(QByteArray& bytes, qsizetype at, int value)
{
    qToBigEndian(static_cast<std::uint16_t>(value), bytes.data() + at);
}

// Small pictures whose headers are made to claim `width` x `height` pixels.
QByteArray ClaimingJpeg(int width, int height)
{
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::gray);
    QByteArray bytes = Encoded(image, "JPG");
    const qsizetype frame = bytes.indexOf("\xff\xc0");
    PutBig16(bytes, frame + 5, height);
    PutBig16(bytes, frame + 7, width);
    return bytes;
}

QByteArray ClaimingPng(int width, int height)
{
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::gray);
    QByteArray bytes = Encoded(image, "PNG");
    qToBigEndian(static_cast<std::uint32_t>(width), bytes.data() + 16);
    qToBigEndian(static_cast<std::uint32_t>(height), bytes.data() + 20);
    qToBigEndian(PngCrc(QByteArrayView(bytes).sliced(12, 17)), bytes.data() + 29);
    return bytes;
}

QByteArray ClaimingBmp(int width, int height)
{
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::gray);
    QByteArray bytes = Encoded(image, "BMP");
    Put32(bytes, 18, static_cast<std::uint32_t>(width));
    Put32(bytes, 22, static_cast<std::uint32_t>(height));
    return bytes;
}

QByteArray ClaimingGif(int width, int height)
{
    QByteArray bytes = TransparentGif();
    qToLittleEndian(static_cast<std::uint16_t>(width), bytes.data() + 6);
    qToLittleEndian(static_cast<std::uint16_t>(height), bytes.data() + 8);
    return bytes;
}

QByteArray ClaimingDib(int width, int height)
{
    QByteArray bytes = fixtures::PaletteDib(2, 1, 8, {0xFF0000}, {0, 0});
    Put32(bytes, 4, static_cast<std::uint32_t>(width));
    Put32(bytes, 8, static_cast<std::uint32_t>(height));
    return bytes;
}

// An enhanced metafile that stretches a bitmap claiming `width` x `height` pixels.
QByteArray EmfWithBitmap(int width, int height)
{
    const QByteArray dib = ClaimingDib(width, height);
    fixtures::Fields record;
    record.Bytes(fixtures::Emf::Box(QRect(0, 0, 10, 10)).Data()); // bounds
    record.I32(0).I32(0).I32(0).I32(0).I32(2).I32(1);            // destination, source
    constexpr std::uint32_t kInfo = 44; // the header and one colour
    record.U32(80).U32(kInfo).U32(80 + kInfo).U32(static_cast<std::uint32_t>(dib.size() - kInfo)); // header, bits
    record.U32(0).U32(0x00CC0020).I32(10).I32(10).Bytes(dib);  // DIB_RGB_COLORS, SRCCOPY, destination size
    return fixtures::Emf().Record(81, record).Finish(QRect(0, 0, 10, 10), QRect(0, 0, 264, 264));
}

// A picture group of an entry.
QByteArray PictureGroup(const char* kind, int goalWidth, int goalHeight, const QByteArray& bytes)
{
    return QByteArray("{\\pict\\") + kind + "\\picwgoal" + QByteArray::number(goalWidth * 15) + "\\pichgoal" +
           QByteArray::number(goalHeight * 15) + " " + bytes.toHex() + "}";
}

// An entry holding only the picture, drawn on white at the top-left of `size`.
QImage DrawEntry(const QByteArray& pictureGroup, const QSize& size, std::string* written = nullptr)
{
    QTextDocument document;
    const QByteArray rtf = "{\\rtf1\\ansi " + pictureGroup + "}";
    if (!richtext::LoadRtf(document, rtf.toStdString(), {}))
        return {};
    document.setDocumentMargin(0);
    document.setTextWidth(size.width());
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    document.drawContents(&painter);
    painter.end();
    if (written)
        *written = richtext::WriteRtf(document);
    return image;
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
    void pngChunkLongerThanTheFileRefused();
    void loaderFailures_data();
    void loaderFailures();
    void dibColourTables_data();
    void dibColourTables();
    void metafilesDrawn_data();
    void metafilesDrawn();
    void entryPicturesDrawn_data();
    void entryPicturesDrawn();
    void damagedMetafilesRefused_data();
    void damagedMetafilesRefused();
    void tooLargePicturesRefused_data();
    void tooLargePicturesRefused();
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
    QVERIFY(DecodeDeviceBitmap(QByteArray(64, '\0'), 30000, 2000, 0, 0).isNull()); // no depth, no bitmap made
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

void PicturesTest::pngChunkLongerThanTheFileRefused()
{
    QImage photo(8, 6, QImage::Format_RGB32);
    photo.fill(Qt::green);
    const QByteArray png = Encoded(photo, "PNG");
    QCOMPARE(DecodeRaster(PictureFormat::Png, png).size(), QSize(8, 6));
    // A text chunk in front of the end that claims 1.8 GB: refused before libpng reserves it.
    QByteArray damaged = png.left(png.size() - 12);
    damaged.append(QByteArray::fromHex("6c6970f5") + "tEXt" + QByteArray(20, 'a'));
    try {
        DecodeRaster(PictureFormat::Png, damaged);
        QFAIL("decoded");
    } catch (const PictureError& failure) {
        QCOMPARE(QString::fromUtf8(failure.what()), QStringLiteral("Bitmap image is not valid"));
    }
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
    QImage photo(8, 6, QImage::Format_RGB32);
    photo.fill(Qt::green);
    QTest::newRow("bitmap without its bits") << QStringLiteral("b.bmp") << Encoded(photo, "BMP").chopped(4)
                                             << QStringLiteral("Bitmap image is not valid");
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

void PicturesTest::dibColourTables_data()
{
    QTest::addColumn<QByteArray>("dib");
    QTest::addColumn<QList<QRgb>>("pixels"); // the top row, left to right
    // Fewer colours than the depth allows: the bits start behind the colours there are.
    QTest::newRow("4 bits, 3 colours") << fixtures::PaletteDib(4, 1, 4, {0xFF0000, 0x00FF00, 0x0000FF}, {2, 1, 0, 1})
                                       << QList<QRgb>{qRgb(0, 0, 255), qRgb(0, 255, 0), qRgb(255, 0, 0), qRgb(0, 255, 0)};
    QTest::newRow("8 bits, 200 colours") << [] {
        QByteArray dib = fixtures::PaletteDib(3, 1, 8, {}, {0, 199, 7});
        QByteArray colours;
        for (int i = 0; i < 200; ++i)
            colours += fixtures::Fields().U32(static_cast<std::uint32_t>(i * 0x010101)).Data();
        Put32(dib, 32, 200);
        return dib.left(40) + colours + dib.mid(40);
    }() << QList<QRgb>{qRgb(0, 0, 0), qRgb(199, 199, 199), qRgb(7, 7, 7)};
    // A core header: colours of three bytes, all 2^bits of them.
    QTest::newRow("core header, 1 bit") << fixtures::Fields().U32(12).U16(3).U16(1).U16(1).U16(1)
                                                .Bytes(QByteArray::fromHex("0000ff" "ffffff")).Bytes(QByteArray::fromHex("a0000000"))
                                                .Data()
                                        << QList<QRgb>{qRgb(255, 255, 255), qRgb(255, 0, 0), qRgb(255, 255, 255)};
}

void PicturesTest::dibColourTables()
{
    QFETCH(QByteArray, dib);
    QFETCH(QList<QRgb>, pixels);
    const QImage image = DecodeDib(dib);
    QCOMPARE(image.size(), QSize(static_cast<int>(pixels.size()), 1));
    for (int x = 0; x < pixels.size(); ++x)
        QCOMPARE(image.pixel(x, 0), pixels[x]);
    // Colours or bits that the bytes do not hold are no bitmap.
    QVERIFY(DecodeDib(dib.left(qFromLittleEndian<std::uint32_t>(dib.constData()) + 2)).isNull());
    QVERIFY(DecodeDib(dib.chopped(1)).isNull());
}

void PicturesTest::metafilesDrawn_data()
{
    using namespace fixtures;
    QTest::addColumn<int>("format");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("mappingMode");
    QTest::addColumn<QList<QPoint>>("red");
    QTest::addColumn<QList<QPoint>>("blue");
    QTest::addColumn<QList<QPoint>>("white");
    // Drawn at 200 x 100: an ellipse filling the picture, or one in the middle half of a
    // picture with a blue square at its top-left.
    const QList<QPoint> filledRed{{100, 50}, {10, 50}, {190, 50}, {100, 5}, {100, 95}};
    const QList<QPoint> filledWhite{{3, 3}, {196, 3}, {3, 96}, {196, 96}};
    const QList<QPoint> middleRed{{100, 50}, {60, 50}, {140, 50}, {100, 30}};
    const QList<QPoint> middleBlue{{2, 2}, {17, 8}};
    const QList<QPoint> middleWhite{{30, 50}, {170, 50}, {100, 15}, {100, 85}, {196, 96}, {25, 5}};
    const int emf = static_cast<int>(PictureFormat::Emf);
    const int wmf = static_cast<int>(PictureFormat::Wmf);

    QTest::newRow("emf") << emf << RedEllipseEmf() << 8 << filledRed << QList<QPoint>{} << filledWhite;
    QTest::newRow("emf, frame around the drawing")
        << emf
        << Emf().SolidBrush(1, kRed).SolidBrush(2, kBlue).Select(kNullPen).Select(1).Ellipse(QRect(50, 25, 100, 50))
               .Select(2).Rectangle(QRect(0, 0, 20, 10)).Finish(QRect(0, 0, 150, 75), QRect(0, 0, Himetric(200), Himetric(100)))
        << 8 << middleRed << middleBlue << middleWhite;
    QTest::newRow("wmf, placeable") << wmf << RedEllipseWmf(true) << 8 << filledRed << QList<QPoint>{} << filledWhite;
    QTest::newRow("wmf, anisotropic window") << wmf << RedEllipseWmf(false) << 8 << filledRed << QList<QPoint>{} << filledWhite;
    QTest::newRow("wmf, window around the drawing")
        << wmf
        << Wmf().Window(QRect(0, 0, 200, 100)).SolidBrush(kRed).Select(0).NullPen().Select(1).Ellipse(QRect(50, 25, 100, 50))
               .SolidBrush(kBlue).Select(2).Rectangle(QRect(0, 0, 20, 10)).Finish()
        << 8 << middleRed << middleBlue << middleWhite;
    // Bitmaps inside: 2 x 2 pixels, red and blue crosswise, stretched smoothly over the
    // picture, so that each colour is pure up to the middle of its quarter.
    const QByteArray checker = PaletteDib(2, 2, 8, {0xFF0000, 0x0000FF}, {0, 1, 1, 0});
    const QList<QPoint> redQuarters{{5, 5}, {30, 20}, {195, 95}, {170, 80}};
    const QList<QPoint> blueQuarters{{195, 5}, {170, 20}, {5, 95}, {30, 80}};
    fixtures::Fields stretch; // EMR_STRETCHDIBITS: bounds, destination, source, header, bits
    stretch.Bytes(Emf::Box(QRect(0, 0, 20, 10)).Data()).I32(0).I32(0).I32(0).I32(0).I32(2).I32(2);
    stretch.U32(80).U32(48).U32(80 + 48).U32(8).U32(0).U32(0x00CC0020).I32(20).I32(10).Bytes(checker);
    QTest::newRow("emf, bitmap") << emf << Emf().Record(81, stretch).Finish(QRect(0, 0, 20, 10), QRect(0, 0, Himetric(20), Himetric(10)))
                                 << 8 << redQuarters << blueQuarters << QList<QPoint>{};
    fixtures::Fields stretchDib; // META_STRETCHDIB: raster operation, colour use, source, destination (y before x)
    stretchDib.U32(0x00CC0020).U16(0).I16(2).I16(2).I16(0).I16(0).I16(100).I16(200).I16(0).I16(0).Bytes(checker);
    QTest::newRow("wmf, bitmap") << wmf << Wmf().Window(QRect(0, 0, 200, 100)).Record(0x0F43, stretchDib).Finish() << 8
                                 << redQuarters << blueQuarters << QList<QPoint>{};
    // Without MM_ISOTROPIC or MM_ANISOTROPIC the window does not frame the picture: what is drawn does.
    QTest::newRow("wmf, MM_TEXT")
        << wmf
        << Wmf().Window(QRect(0, 0, 400, 400)).SolidBrush(kRed).Select(0).NullPen().Select(1).Ellipse(QRect(50, 25, 100, 50)).Finish()
        << 1 << filledRed << QList<QPoint>{} << filledWhite;
}

void PicturesTest::metafilesDrawn()
{
    QFETCH(int, format);
    QFETCH(QByteArray, bytes);
    QFETCH(int, mappingMode);
    QFETCH(QList<QPoint>, red);
    QFETCH(QList<QPoint>, blue);
    QFETCH(QList<QPoint>, white);
    const QRectF rect(0, 0, 200, 100);
    auto blank = [] {
        QImage image(200, 100, QImage::Format_RGB32);
        image.fill(Qt::white);
        return image;
    };
    // Drawn directly, and through the cache on a vector device (as printing draws), replayed.
    const auto drawing = MetafileDrawing::Make(static_cast<PictureFormat>(format), bytes, mappingMode);
    QVERIFY(drawing);
    QImage direct = blank();
    QPainter painter(&direct);
    drawing->Draw(painter, rect);
    painter.end();
    static qlonglong id = 1000000;
    QPicture vectors;
    painter.begin(&vectors);
    QVERIFY(MetafileCache::Shared().Draw(painter, rect, ++id, static_cast<PictureFormat>(format), bytes, mappingMode));
    painter.end();
    QImage replayed = blank();
    painter.begin(&replayed);
    vectors.play(&painter);
    painter.end();

    for (const QImage* image : {&direct, &replayed}) {
        const char* how = image == &direct ? "drawn" : "replayed";
        for (const QPoint& point : red)
            QVERIFY2(image->pixel(point) == qRgb(255, 0, 0), qPrintable(QStringLiteral("%1: red at %2,%3").arg(how).arg(point.x()).arg(point.y())));
        for (const QPoint& point : blue)
            QVERIFY2(image->pixel(point) == qRgb(0, 0, 255), qPrintable(QStringLiteral("%1: blue at %2,%3").arg(how).arg(point.x()).arg(point.y())));
        for (const QPoint& point : white)
            QVERIFY2(image->pixel(point) == qRgb(255, 255, 255),
                     qPrintable(QStringLiteral("%1: white at %2,%3").arg(how).arg(point.x()).arg(point.y())));
    }
}

void PicturesTest::entryPicturesDrawn_data()
{
    using namespace fixtures;
    QTest::addColumn<QByteArray>("group");
    QTest::addColumn<QList<QPoint>>("points");
    QTest::addColumn<QList<QRgb>>("colours");
    QTest::addColumn<QByteArray>("keptBytes"); // bytes the written entry holds as they were read
    const QRgb red = qRgb(255, 0, 0);
    const QRgb white = qRgb(255, 255, 255);
    const QRgb frame = qRgb(0x80, 0x80, 0x80);
    const QRgb inside = qRgb(0xF0, 0xF0, 0xF0);
    const QByteArray emf = RedEllipseEmf();
    const QByteArray wmf = RedEllipseWmf(false);
    QTest::newRow("emfblip") << PictureGroup("emfblip", 200, 100, emf) << QList<QPoint>{{100, 50}, {10, 50}, {3, 3}, {196, 96}}
                             << QList<QRgb>{red, red, white, white} << emf;
    QTest::newRow("wmetafile8") << PictureGroup("wmetafile8", 200, 100, wmf) << QList<QPoint>{{100, 50}, {190, 50}, {196, 3}, {3, 96}}
                                << QList<QRgb>{red, red, white, white} << wmf;
    // Each bitmap pixel shown as one screen pixel: the palette's colours exactly.
    QTest::newRow("dibitmap, 4 bits")
        << PictureGroup("dibitmap0", 4, 2, PaletteDib(4, 2, 4, {0xFF0000, 0x00FF00, 0x0000FF, 0x808000}, {0, 1, 2, 3, 3, 2, 1, 0}))
        << QList<QPoint>{{0, 0}, {1, 0}, {2, 0}, {3, 0}, {0, 1}, {3, 1}}
        << QList<QRgb>{red, qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(0x80, 0x80, 0), qRgb(0x80, 0x80, 0), red} << QByteArray();
    QTest::newRow("dibitmap, 8 bits")
        << PictureGroup("dibitmap0", 3, 1, PaletteDib(3, 1, 8, {0x123456, 0xFEDCBA, 0x00FF00}, {1, 2, 0}))
        << QList<QPoint>{{0, 0}, {1, 0}, {2, 0}} << QList<QRgb>{qRgb(0xFE, 0xDC, 0xBA), qRgb(0, 255, 0), qRgb(0x12, 0x34, 0x56)}
        << QByteArray();
    // A record running past the end: the library never sees it, the entry keeps it.
    QByteArray damaged = emf;
    Put32(damaged, 88 + 4, 4096);
    QTest::newRow("rejected metafile") << PictureGroup("emfblip", 60, 30, damaged) << QList<QPoint>{{0, 0}, {59, 29}, {30, 15}, {61, 15}}
                                       << QList<QRgb>{frame, frame, inside, white} << damaged;
}

void PicturesTest::entryPicturesDrawn()
{
    QFETCH(QByteArray, group);
    QFETCH(QList<QPoint>, points);
    QFETCH(QList<QRgb>, colours);
    QFETCH(QByteArray, keptBytes);
    std::string written;
    const QImage image = DrawEntry(group, QSize(240, 120), &written);
    QVERIFY(!image.isNull());
    for (qsizetype i = 0; i < points.size(); ++i)
        QVERIFY2(image.pixel(points[i]) == colours[i],
                 qPrintable(QStringLiteral("%1 at %2,%3").arg(image.pixel(points[i]), 6, 16).arg(points[i].x()).arg(points[i].y())));
    if (!keptBytes.isEmpty())
        QVERIFY(QByteArray::fromStdString(written).replace("\r\n", "").contains(keptBytes.toHex()));
}

void PicturesTest::damagedMetafilesRefused_data()
{
    using namespace fixtures;
    QTest::addColumn<int>("format");
    QTest::addColumn<QByteArray>("bytes");
    const int emf = static_cast<int>(PictureFormat::Emf);
    const int wmf = static_cast<int>(PictureFormat::Wmf);
    const QByteArray ellipse = RedEllipseEmf();
    auto patched = [](QByteArray bytes, qsizetype at, std::uint32_t value) {
        Put32(bytes, at, value);
        return bytes;
    };
    QTest::newRow("emf without its end") << emf << ellipse.left(ellipse.size() - 20);
    QTest::newRow("emf record of an odd length") << emf << patched(ellipse, 88 + 4, 26);
    QTest::newRow("emf header longer than the file") << emf << patched(ellipse, 4, 4096);
    const QRect small(0, 0, 9, 9);
    const QRect smallFrame(0, 0, 99, 99);
    const QByteArray smallBox = Emf::Box(small).Data();
    QTest::newRow("emf object beyond the table") << emf << Emf().SolidBrush(9, kRed).Finish(small, smallFrame);
    // EMR_POLYLINE of 1000 points holding one.
    QTest::newRow("emf points beyond the record")
        << emf << Emf().Record(4, Fields().Bytes(smallBox).U32(1000).I32(0).I32(0)).Finish(small, smallFrame);
    // EMR_EXTTEXTOUTW of 500 characters holding two.
    QTest::newRow("emf text beyond the record")
        << emf
        << Emf().Record(84, Fields().Bytes(smallBox).U32(1).U32(0).U32(0).I32(0).I32(0).U32(500).U32(76).U32(0)
                                .Bytes(smallBox).U32(0).U32(0x41004100))
               .Finish(small, smallFrame);
    QTest::newRow("emf bitmap header beyond the record") << emf << patched(EmfWithBitmap(2, 1), 88 + 48, 400);
    // The bitmap's bits lie 88 + 80 + 44 bytes in, its compression 88 + 80 + 16.
    QTest::newRow("emf bitmap naming a colour it has not") << emf << patched(EmfWithBitmap(2, 1), 88 + 80 + 44, 1);
    QTest::newRow("emf bitmap run-length encoded") << emf << patched(EmfWithBitmap(2, 1), 88 + 80 + 16, 1);
    const QByteArray window = RedEllipseWmf(false);
    QTest::newRow("wmf record past the end") << wmf << patched(window, 18, 4096);
    QTest::newRow("wmf record shorter than its parameters") << wmf << Wmf().Record(0x0418, Fields().I16(5)).Finish();
    QTest::newRow("wmf object never created") << wmf << Wmf().Select(2).Finish();
    Wmf fiveBrushes; // for a table of four
    for (int i = 0; i < 5; ++i)
        fiveBrushes.SolidBrush(kRed);
    QTest::newRow("wmf more objects than the table") << wmf << fiveBrushes.Finish();
    QTest::newRow("wmf polygon beyond the record") << wmf << Wmf().Record(0x0324, Fields().I16(50).I16(0).I16(0)).Finish();
    QTest::newRow("wmf without a header") << wmf << QByteArray(64, '\0');
}

void PicturesTest::damagedMetafilesRefused()
{
    QFETCH(int, format);
    QFETCH(QByteArray, bytes);
    try {
        if (format == static_cast<int>(PictureFormat::Emf))
            CheckEnhancedMetafile(bytes);
        else
            CheckWindowsMetafile(bytes);
        QFAIL("accepted");
    } catch (const PictureError& failure) {
        QCOMPARE(QString::fromUtf8(failure.what()), QStringLiteral("Metafile is not valid"));
    }
    QVERIFY(!MetafileDrawing::Make(static_cast<PictureFormat>(format), bytes, 8));
}

void PicturesTest::tooLargePicturesRefused_data()
{
    using namespace fixtures;
    QTest::addColumn<QString>("reader");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message");
    const QString claim = QStringLiteral("Picture is too large (100000 x 100000 pixels)");
    QTest::newRow("png") << QStringLiteral("png") << ClaimingPng(100000, 100000) << claim;
    QTest::newRow("bmp") << QStringLiteral("bmp") << ClaimingBmp(100000, 100000) << claim;
    QTest::newRow("dib") << QStringLiteral("dib") << ClaimingDib(100000, 100000) << claim;
    QTest::newRow("device bitmap") << QStringLiteral("ddb") << QByteArray(64, '\0') << claim;
    QTest::newRow("emf frame") << QStringLiteral("emf file")
                               << Emf().Finish(QRect(0, 0, 10, 10), QRect(0, 0, 2645835, 2645835)) << claim;
    QTest::newRow("emf bitmap") << QStringLiteral("emf") << EmfWithBitmap(100000, 100000) << claim;
    QTest::newRow("wmf placeable box") << QStringLiteral("wmf file") << Wmf().Finish(true, QRect(0, 0, 25000, 25000), 24) << claim;
    // Formats whose sizes have 16 bits.
    const QString sides = QStringLiteral("Picture is too large (40000 x 40000 pixels)");
    QTest::newRow("jpeg") << QStringLiteral("jpeg") << ClaimingJpeg(40000, 40000) << sides;
    QTest::newRow("gif") << QStringLiteral("gif") << ClaimingGif(40000, 40000) << sides;
    QTest::newRow("jpeg of many pixels") << QStringLiteral("jpeg") << ClaimingJpeg(10000, 10000)
                                         << QStringLiteral("Picture is too large (10000 x 10000 pixels)");
}

void PicturesTest::tooLargePicturesRefused()
{
    QFETCH(QString, reader);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    QTemporaryDir folder;
    try {
        if (reader == u"png")
            DecodeRaster(PictureFormat::Png, bytes);
        else if (reader == u"bmp")
            DecodeRaster(PictureFormat::Bmp, bytes);
        else if (reader == u"gif")
            DecodeRaster(PictureFormat::Gif, bytes);
        else if (reader == u"jpeg")
            DecodeJpeg(bytes);
        else if (reader == u"dib")
            DecodeDib(bytes);
        else if (reader == u"ddb")
            DecodeDeviceBitmap(bytes, 100000, 100000, 0, 24);
        else if (reader == u"emf")
            EnhancedMetafileToSvg(bytes);
        else if (reader == u"emf file")
            Picture::LoadFromFile(WriteFile(folder, QStringLiteral("big.emf"), bytes));
        else
            Picture::LoadFromFile(WriteFile(folder, QStringLiteral("big.wmf"), bytes));
        QFAIL("accepted");
    } catch (const PictureError& failure) {
        QCOMPARE(QString::fromUtf8(failure.what()), message);
    }
}

QTEST_MAIN(PicturesTest)
#include "tst_pictures.moc"
