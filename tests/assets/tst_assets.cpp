// The program's pictures: the resource file lists every drawing, each one is read by the
// SVG renderer without a complaint, shows something at the size it is drawn for and stays
// inside its canvas; the image list and the button pictures the windows ask for exist.
// Emoticons are drawn on canvases of their own sizes; the rest are square.
// The test also leaves a contact sheet of every picture in the build folder
// (assets-contact-sheet.png) for a person to look at.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QSet>
#include <QSvgRenderer>
#include <QXmlStreamReader>
#include <QtTest>

namespace {

struct Resource {
    QString path;  // ":/prefix/alias"
    QString file;  // the drawing on disk
};

// Reads assets/quillmere.qrc as the resource compiler does: each <file> under its
// <qresource prefix>, named by its alias (or by its file name when it has none).
QList<Resource> ReadResourceFile(QString* error)
{
    const QString qrcPath = QStringLiteral(QUILLMERE_ASSETS_DIR "/quillmere.qrc");
    QFile qrc(qrcPath);
    if (!qrc.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot open ") + qrcPath;
        return {};
    }
    QList<Resource> list;
    QString prefix;
    QXmlStreamReader xml(&qrc);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("qresource")) {
            prefix = xml.attributes().value(QLatin1String("prefix")).toString();
            if (!prefix.endsWith(u'/'))
                prefix += u'/';
        } else if (xml.name() == QLatin1String("file")) {
            QString alias = xml.attributes().value(QLatin1String("alias")).toString();
            const QString file = xml.readElementText();
            if (alias.isEmpty())
                alias = file;
            list.append({QStringLiteral(":") + prefix + alias,
                         QStringLiteral(QUILLMERE_ASSETS_DIR "/") + file});
        }
    }
    if (xml.hasError())
        *error = xml.errorString();
    return list;
}

QList<Resource> Resources()
{
    QString error;
    return ReadResourceFile(&error);
}

// The emoticon picker's pictures, each drawn on a canvas of its own size in pixels.
bool IsEmoticon(const QString& path)
{
    return path.startsWith(QLatin1String(":/emoticons/"));
}

// The sizes a picture is shown at: the program's icon in the header (32) and as the
// window icon (256); an emoticon at the size of its canvas, in the picker and in an
// entry; everything else is a 16 x 16 toolbar, menu or button picture.
QList<QSize> IntendedSizes(const QString& path)
{
    if (path.startsWith(QLatin1String(":/app/")))
        return {QSize(32, 32), QSize(256, 256)};
    if (IsEmoticon(path))
        return {QSvgRenderer(path).defaultSize()};
    return {QSize(16, 16)};
}

QImage Render(QSvgRenderer& renderer, const QSize& size, const QRectF& viewBox = {})
{
    if (!viewBox.isNull())
        renderer.setViewBox(viewBox);
    const QSize canvas = renderer.defaultSize();
    const QSize side = viewBox.isNull()
        ? size
        : QSize(qRound(size.width() * viewBox.width() / canvas.width()),
                qRound(size.height() * viewBox.height() / canvas.height()));
    QImage image(side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter, QRectF(QPointF(0, 0), side));
    painter.end();
    return image;
}

QImage Render(QSvgRenderer& renderer, int size, const QRectF& viewBox = {})
{
    return Render(renderer, QSize(size, size), viewBox);
}

// Collects the SVG renderer's warnings: an element or attribute it cannot read is
// silently left out of the picture, so any warning means the drawing is not what it says.
QStringList* g_warnings = nullptr;

void CollectWarning(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (g_warnings && type != QtDebugMsg && type != QtInfoMsg)
        g_warnings->append(message);
}

struct WarningCollector {
    QStringList warnings;
    QtMessageHandler previous;
    WarningCollector()
    {
        g_warnings = &warnings;
        previous = qInstallMessageHandler(CollectWarning);
    }
    ~WarningCollector()
    {
        qInstallMessageHandler(previous);
        g_warnings = nullptr;
    }
};

// The header's gradient and the styled buttons' normal gradient, the two coloured
// grounds the pictures are shown on.
void FillHeaderBlue(QPainter& p, const QRect& r)
{
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, QColor(16, 132, 208));
    g.setColorAt(1, QColor(113, 184, 255));
    p.fillRect(r, g);
}

void FillButtonFace(QPainter& p, const QRect& r)
{
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, Qt::white);
    g.setColorAt(1, QColor(175, 190, 209));
    p.fillRect(r, g);
}

QImage Magnified(const QImage& image, int factor)
{
    return image.scaled(image.size() * factor, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

}  // namespace

class TestAssets : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void resourceFileListsEveryDrawing();
    void imageListHasAllEntries();
    void buttonPicturesExist_data();
    void buttonPicturesExist();
    void drawingsUseOnlyWhatTheRendererDraws_data();
    void drawingsUseOnlyWhatTheRendererDraws();
    void picturesRenderCleanly_data();
    void picturesRenderCleanly();
    void iconsScaleFromTheDrawing();
    void writeContactSheet();
};

void TestAssets::resourceFileListsEveryDrawing()
{
    QString error;
    const QList<Resource> list = ReadResourceFile(&error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QVERIFY(!list.isEmpty());

    QSet<QString> listedFiles;
    QSet<QString> paths;
    for (const Resource& r : list) {
        QVERIFY2(QFileInfo::exists(r.file), qPrintable(r.file + " is listed but missing"));
        QVERIFY2(QFile::exists(r.path), qPrintable(r.path + " is not compiled in"));
        QVERIFY2(!paths.contains(r.path), qPrintable(r.path + " is listed twice"));
        paths.insert(r.path);
        listedFiles.insert(QFileInfo(r.file).canonicalFilePath());
    }
    QDirIterator it(QStringLiteral(QUILLMERE_ASSETS_DIR), {QStringLiteral("*.svg")},
                    QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = QFileInfo(it.next()).canonicalFilePath();
        QVERIFY2(listedFiles.contains(file), qPrintable(file + " is not in quillmere.qrc"));
    }
}

void TestAssets::imageListHasAllEntries()
{
    // Image n of the list is ":/icons/imagelist/NN" and its file is named after its index.
    for (const Resource& r : Resources()) {
        if (!r.path.startsWith(QLatin1String(":/icons/imagelist/")))
            continue;
        const QString index = r.path.section(u'/', -1);
        QVERIFY2(QFileInfo(r.file).fileName().startsWith(QStringLiteral("imagelist-") + index + u'-'),
                 qPrintable(r.path + " is drawn by " + r.file));
    }
    for (int i = 0; i < 32; ++i) {
        const QString path = QStringLiteral(":/icons/imagelist/%1").arg(i, 2, 10, QLatin1Char('0'));
        QVERIFY2(QFile::exists(path), qPrintable(path + " is missing"));
    }
    QVERIFY(!QFile::exists(QStringLiteral(":/icons/imagelist/32")));
}

void TestAssets::buttonPicturesExist_data()
{
    QTest::addColumn<QString>("path");
    for (const char* name : {"login", "exit", "save", "cancel", "ok", "previous", "today", "next",
                             "calendar", "search", "stop", "close"})
        QTest::newRow(name) << QStringLiteral(":/buttons/") + QLatin1String(name);
    QTest::newRow("program icon") << QStringLiteral(":/app/quillmere");
}

void TestAssets::buttonPicturesExist()
{
    QFETCH(QString, path);
    QVERIFY2(QFile::exists(path), qPrintable(path + " is missing"));
}

void TestAssets::drawingsUseOnlyWhatTheRendererDraws_data()
{
    QTest::addColumn<QString>("file");
    for (const Resource& r : Resources())
        QTest::newRow(qPrintable(r.path)) << r.file;
}

// Qt's SVG renderer reads the tiny profile and passes over other elements and the
// clipping, masking and filter attributes without a word; a drawing that used them would
// look different in the program than in an editor.
void TestAssets::drawingsUseOnlyWhatTheRendererDraws()
{
    QFETCH(QString, file);
    static const QSet<QString> elements = {
        QStringLiteral("svg"), QStringLiteral("g"), QStringLiteral("defs"),
        QStringLiteral("title"), QStringLiteral("desc"), QStringLiteral("path"),
        QStringLiteral("rect"), QStringLiteral("circle"), QStringLiteral("ellipse"),
        QStringLiteral("line"), QStringLiteral("polyline"), QStringLiteral("polygon"),
        QStringLiteral("linearGradient"), QStringLiteral("radialGradient"),
        QStringLiteral("stop")};
    static const QSet<QString> ignoredAttributes = {
        QStringLiteral("clip-path"), QStringLiteral("mask"), QStringLiteral("filter")};

    QFile svg(file);
    QVERIFY(svg.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&svg);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QString name = xml.name().toString();
        QVERIFY2(elements.contains(name), qPrintable(QStringLiteral("<%1> at line %2").arg(name).arg(xml.lineNumber())));
        for (const QXmlStreamAttribute& a : xml.attributes())
            QVERIFY2(!ignoredAttributes.contains(a.name().toString()),
                     qPrintable(QStringLiteral("%1= at line %2").arg(a.name()).arg(xml.lineNumber())));
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
}

void TestAssets::picturesRenderCleanly_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    for (const Resource& r : Resources())
        for (const QSize& size : IntendedSizes(r.path))
            QTest::addRow("%s@%dx%d", qPrintable(r.path), size.width(), size.height()) << r.path << size;
}

void TestAssets::picturesRenderCleanly()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);

    WarningCollector collector;
    QSvgRenderer renderer(path);
    QVERIFY(renderer.isValid());
    const QSize canvas = renderer.defaultSize();
    if (IsEmoticon(path)) {
        // No larger than the picker's largest picture.
        QVERIFY(canvas.width() <= 54 && canvas.height() <= 45);
    } else {
        QCOMPARE(canvas.width(), canvas.height());
        if (!path.startsWith(QLatin1String(":/app/")))
            QCOMPARE(canvas, QSize(16, 16));
    }

    const QImage image = Render(renderer, size);
    QVERIFY(!image.isNull());
    QCOMPARE(image.size(), size);

    // Something is drawn, and the picture is not an opaque block: the toolbar and the
    // buttons show their own ground around it.
    int visible = 0;
    int transparent = 0;
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            const int alpha = qAlpha(image.pixel(x, y));
            if (alpha >= 128)
                ++visible;
            else if (alpha == 0)
                ++transparent;
        }
    }
    const int area = size.width() * size.height();
    QVERIFY2(visible * 10 >= area, qPrintable(QStringLiteral("only %1 of %2 pixels drawn").arg(visible).arg(area)));
    QVERIFY2(transparent > 0, "no transparent pixel around the picture");

    // Nothing is drawn outside the canvas, where it would be cut off.
    const QRectF box(-canvas.width(), -canvas.height(), 3 * canvas.width(), 3 * canvas.height());
    const QImage wide = Render(renderer, size, box);
    QCOMPARE(wide.size(), 3 * size);
    const QRect inside(QPoint(size.width(), size.height()), size);
    for (int y = 0; y < wide.height(); ++y)
        for (int x = 0; x < wide.width(); ++x)
            if (!inside.contains(x, y) && qAlpha(wide.pixel(x, y)) != 0)
                QFAIL(qPrintable(QStringLiteral("drawn outside the canvas at %1,%2").arg(x - size.width()).arg(y - size.height())));

    QVERIFY2(collector.warnings.isEmpty(), qPrintable(collector.warnings.join(u'\n')));
}

// The aliases carry no file suffix, so QIcon must recognise the drawing by its content
// and use the SVG engine: the window icon is then drawn at 256 pixels, not blown up from 32.
void TestAssets::iconsScaleFromTheDrawing()
{
    const QIcon icon(QStringLiteral(":/app/quillmere"));
    QVERIFY(!icon.isNull());
    const QPixmap big = icon.pixmap(QSize(256, 256));
    QCOMPARE(big.size(), QSize(256, 256));
    QSvgRenderer renderer(QStringLiteral(":/app/quillmere"));
    QCOMPARE(big.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied),
             Render(renderer, 256));

    const QPixmap button = QIcon(QStringLiteral(":/buttons/ok")).pixmap(QSize(16, 16));
    QCOMPARE(button.size(), QSize(16, 16));
}

void TestAssets::writeContactSheet()
{
    const QList<Resource> list = Resources();
    QVERIFY(!list.isEmpty());

    // One cell a picture: the vector drawing at 4x on white; the real 16 x 16 pixels,
    // magnified four times, on white and on the header's blue; then the picture at its
    // real size on white, blue and the button face.
    const int columns = 6;
    const int cellW = 216;
    const int cellH = 112;
    QList<Resource> small;
    QList<Resource> app;
    QList<Resource> emoticons;
    for (const Resource& r : list)
        (r.path.startsWith(QLatin1String(":/app/")) ? app : IsEmoticon(r.path) ? emoticons : small).append(r);
    const int rows = (small.size() + columns - 1) / columns;
    const int appBand = 300;
    const int toolbarBand = 100;
    const int emoticonCellH = 4 * 45 + 8 + 2 * 45 + 20;
    const int emoticonBand = (emoticons.size() + columns - 1) / columns * emoticonCellH;
    QImage sheet(columns * cellW + 16, rows * cellH + 16 + appBand + toolbarBand + emoticonBand,
                 QImage::Format_RGB32);
    sheet.fill(QColor(236, 238, 242));
    QPainter p(&sheet);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(11);
    p.setFont(font);

    for (int i = 0; i < small.size(); ++i) {
        const Resource& r = small[i];
        const int x0 = 8 + (i % columns) * cellW;
        const int y0 = 8 + (i / columns) * cellH;
        QSvgRenderer renderer(r.path);
        const QImage one = Render(renderer, 16);
        const QImage four = Render(renderer, 64);

        p.fillRect(QRect(x0, y0, 64, 64), Qt::white);
        p.drawImage(x0, y0, four);
        p.fillRect(QRect(x0 + 68, y0, 64, 64), Qt::white);
        p.drawImage(x0 + 68, y0, Magnified(one, 4));
        FillHeaderBlue(p, QRect(x0 + 136, y0, 64, 64));
        p.drawImage(x0 + 136, y0, Magnified(one, 4));

        const int y1 = y0 + 68;
        p.fillRect(QRect(x0, y1, 20, 20), Qt::white);
        p.drawImage(x0 + 2, y1 + 2, one);
        FillHeaderBlue(p, QRect(x0 + 22, y1, 20, 20));
        p.drawImage(x0 + 24, y1 + 2, one);
        FillButtonFace(p, QRect(x0 + 44, y1, 20, 20));
        p.drawImage(x0 + 46, y1 + 2, one);
        p.setPen(Qt::black);
        p.drawText(QRect(x0 + 70, y1, cellW - 74, 20), Qt::AlignLeft | Qt::AlignVCenter,
                   r.path.mid(2));
        const QString file = QFileInfo(r.file).completeBaseName();
        p.setPen(QColor(90, 90, 100));
        p.drawText(QRect(x0, y1 + 22, cellW - 8, 14), Qt::AlignLeft | Qt::AlignVCenter, file);
    }

    // The program's icon at 256 on white and on blue, and at 32 in a header strip.
    int x = 8;
    const int y = 8 + rows * cellH + 8;
    for (const Resource& r : app) {
        QSvgRenderer renderer(r.path);
        const QImage big = Render(renderer, 256);
        p.fillRect(QRect(x, y, 256, 256), Qt::white);
        p.drawImage(x, y, big);
        FillHeaderBlue(p, QRect(x + 264, y, 256, 256));
        p.drawImage(x + 264, y, big);
        const QImage icon = Render(renderer, 32);
        FillHeaderBlue(p, QRect(x + 528, y, 300, 45));
        p.drawImage(x + 528 + 25, y + 7, icon);
        FillHeaderBlue(p, QRect(x + 528, y + 53, 160, 180));
        p.drawImage(x + 528, y + 53, Magnified(icon, 5));
        p.fillRect(QRect(x + 700, y + 53, 160, 180), Qt::white);
        p.drawImage(x + 700, y + 53, Magnified(icon, 5));
        x += 880;
    }

    // The main window's toolbar as the program lays it out: 23-pixel buttons (separators
    // 8 pixels) on white, at real size and magnified three times.
    const int toolbarY = y + appBand - 8;
    QImage toolbar(631, 23, QImage::Format_RGB32);
    toolbar.fill(Qt::white);
    {
        QPainter t(&toolbar);
        int bx = 0;
        for (int index : {26, 21, 13, -1, 4, 5, 6, -1, 7, 8, 9, 31, -1, 10, 11, 12, -1, 27, 28,
                          15, 14, -1, 17, 16, -1, 23, 22, -1, 25, 24, 29, 30}) {
            if (index < 0) {
                t.fillRect(QRect(bx + 3, 3, 1, 17), QColor(200, 205, 212));
                bx += 8;
                continue;
            }
            QSvgRenderer renderer(QStringLiteral(":/icons/imagelist/%1").arg(index, 2, 10, QLatin1Char('0')));
            t.drawImage(bx + 3, 3, Render(renderer, 16));
            bx += 23;
        }
    }
    p.drawImage(8, toolbarY, toolbar);
    p.drawImage(8, toolbarY + 28, Magnified(toolbar, 2));

    // The emoticons: the vector drawing at 4x on white, and below it the real pixels on
    // white and magnified twice.
    const int emoticonY = toolbarY + toolbarBand;
    for (int i = 0; i < emoticons.size(); ++i) {
        const Resource& r = emoticons[i];
        const int x0 = 8 + (i % columns) * cellW;
        const int y0 = emoticonY + (i / columns) * emoticonCellH;
        QSvgRenderer renderer(r.path);
        const QSize real = renderer.defaultSize();
        p.fillRect(QRect(QPoint(x0, y0), 4 * real), Qt::white);
        p.drawImage(x0, y0, Render(renderer, 4 * real));
        const QImage one = Render(renderer, real);
        const int y1 = y0 + 4 * 45 + 8;
        p.fillRect(QRect(QPoint(x0, y1), real), Qt::white);
        p.drawImage(x0, y1, one);
        p.fillRect(QRect(QPoint(x0 + real.width() + 8, y1), 2 * real), Qt::white);
        p.drawImage(x0 + real.width() + 8, y1, Magnified(one, 2));
        p.setPen(QColor(90, 90, 100));
        p.drawText(QRect(x0, y1 + 2 * real.height() + 2, cellW - 8, 14), Qt::AlignLeft | Qt::AlignVCenter,
                   QFileInfo(r.file).completeBaseName());
    }
    p.end();

    const QString out = QStringLiteral(QUILLMERE_BINARY_DIR "/assets-contact-sheet.png");
    QVERIFY2(sheet.save(out), qPrintable(out));
    qInfo("contact sheet: %s", qPrintable(out));
}

QTEST_MAIN(TestAssets)
#include "tst_assets.moc"
