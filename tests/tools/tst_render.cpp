// quillmere-tool render, run as a user runs it: a day's entry drawn into a PNG as the editor
// shows it, pictures included.
#include "platform/pictures/metafile_fixtures.h"
#include "run_tool.h"

#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray PictureGroup(const char* kind, int width, int height, const QByteArray& bytes)
{
    return QByteArray("{\\pict\\") + kind + "\\picwgoal" + QByteArray::number(width * 15) + "\\pichgoal" +
           QByteArray::number(height * 15) + " " + bytes.toHex() + "}";
}

// The editor's text starts behind its margin and its selection bar.
constexpr int kLeft = 4 + 8;
constexpr int kTop = 4;

const QRgb kRedPixel = qRgb(255, 0, 0);
const QRgb kWhitePixel = qRgb(255, 255, 255);

} // namespace

class RenderTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void drawsTheEntryWithItsPictures();
    void widthOfTheEditorByDefault();
    void failures_data();
    void failures();
    void toolLoadsNoGuiLibrary();

private:
    // Stores `body` as the day 2024-05-06 of the journal.
    void Store(const QByteArray& body);

    QTemporaryDir dir_;
    QString journal_;
};

void RenderTest::init()
{
    QVERIFY(dir_.isValid());
    journal_ = dir_.filePath(QStringLiteral("Journal.cds"));
    QFile::remove(journal_);
}

void RenderTest::Store(const QByteArray& body)
{
    const QString file = dir_.filePath(QStringLiteral("body.rtf"));
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    out.write(body);
    out.close();
    QCOMPARE(Tool({QStringLiteral("put"), journal_, QStringLiteral("2024-05-06"), file}).exitCode, 0);
}

void RenderTest::drawsTheEntryWithItsPictures()
{
    // An enhanced metafile, a Windows metafile and a 4-bit bitmap on the first line, standing
    // on its baseline; text below.
    using namespace fixtures;
    const QByteArray dib = PaletteDib(4, 2, 4, {0xFF0000, 0x00FF00, 0x0000FF}, {0, 1, 2, 1, 2, 2, 0, 0});
    Store("{\\rtf1\\ansi{\\fonttbl{\\f0\\fswiss Arial;}}\\f0\\fs24 " + PictureGroup("emfblip", 100, 50, RedEllipseEmf()) +
          PictureGroup("wmetafile8", 100, 50, RedEllipseWmf(false)) + PictureGroup("dibitmap0", 4, 2, dib) +
          "\\par Words below the pictures.\\par}");
    const QString png = dir_.filePath(QStringLiteral("day.png"));
    const ToolRun run = Tool({QStringLiteral("render"), journal_, QStringLiteral("2024-05-06"), png, QStringLiteral("300")});
    QCOMPARE(run.exitCode, 0);
    QVERIFY(run.out.isEmpty());

    QImage image(png);
    QVERIFY(!image.isNull());
    image = image.convertToFormat(QImage::Format_RGB32);
    QCOMPARE(image.width(), 300);
    for (const int left : {kLeft, kLeft + 100}) {
        QCOMPARE(image.pixel(left + 50, kTop + 25), kRedPixel);
        QCOMPARE(image.pixel(left + 5, kTop + 25), kRedPixel);
        QCOMPARE(image.pixel(left + 2, kTop + 2), kWhitePixel);
        QCOMPARE(image.pixel(left + 97, kTop + 47), kWhitePixel);
    }
    const int dibLeft = kLeft + 200;
    const int dibTop = kTop + 50 - 2;
    const QList<QRgb> dibPixels{qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(0, 255, 0),
                                qRgb(0, 0, 255), qRgb(0, 0, 255), qRgb(255, 0, 0), qRgb(255, 0, 0)};
    for (int i = 0; i < dibPixels.size(); ++i)
        QCOMPARE(image.pixel(dibLeft + i % 4, dibTop + i / 4), dibPixels[i]);
    QCOMPARE(image.pixel(dibLeft + 4, dibTop), kWhitePixel);

    // The text below: dark pixels under the pictures' line, and white after it to the bottom.
    int darkRows = 0;
    for (int y = kTop + 50; y < image.height(); ++y) {
        for (int x = kLeft; x < 150; ++x) {
            if (qRed(image.pixel(x, y)) < 100) {
                ++darkRows;
                break;
            }
        }
    }
    QVERIFY(darkRows >= 8);
    QVERIFY(image.height() < kTop + 50 + 60);
    for (int x = 0; x < image.width(); ++x)
        QCOMPARE(image.pixel(x, image.height() - 1), kWhitePixel);
}

void RenderTest::widthOfTheEditorByDefault()
{
    Store("{\\rtf1\\ansi Hello.\\par}");
    const QString png = dir_.filePath(QStringLiteral("day.png"));
    QCOMPARE(Tool({QStringLiteral("render"), journal_, QStringLiteral("2024-05-06"), png}).exitCode, 0);
    QCOMPARE(QImage(png).width(), 745);
}

void RenderTest::failures_data()
{
    QTest::addColumn<QStringList>("arguments"); // behind "render JOURNAL"
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("message"); // the start of what is written to standard error
    QTest::newRow("no entry that day") << QStringList{QStringLiteral("2024-05-07"), QStringLiteral("x.png")} << 1
                                       << QByteArray("No entry for 2024-05-07\n");
    QTest::newRow("unwritable file") << QStringList{QStringLiteral("2024-05-06"), QStringLiteral("/nonexistent/x.png")} << 1
                                     << QByteArray("Cannot write /nonexistent/x.png\n");
    QTest::newRow("width of none") << QStringList{QStringLiteral("2024-05-06"), QStringLiteral("x.png"), QStringLiteral("0")} << 2
                                   << QByteArray("quillmere-tool render: not a width in pixels (1 to 10000): 0\n");
    QTest::newRow("width not a number") << QStringList{QStringLiteral("2024-05-06"), QStringLiteral("x.png"), QStringLiteral("12px")}
                                        << 2 << QByteArray("quillmere-tool render: not a width in pixels (1 to 10000): 12px\n");
    QTest::newRow("no file") << QStringList{QStringLiteral("2024-05-06")} << 2
                             << QByteArray("quillmere-tool render: expects JOURNAL DATE FILE.png [WIDTH]\n");
}

void RenderTest::failures()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, message);
    Store("{\\rtf1\\ansi Hello.\\par}");
    const ToolRun run = Tool(QStringList{QStringLiteral("render"), journal_} + arguments, dir_.path());
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.err.startsWith(message) || run.err.contains("\n" + message), run.err.constData());
    QVERIFY(!QFile::exists(dir_.filePath(QStringLiteral("x.png"))));
}

// list, text and search keep their speed: the tool itself loads no GUI library.
void RenderTest::toolLoadsNoGuiLibrary()
{
    QProcess ldd;
    ldd.start(QStringLiteral("ldd"), {QStringLiteral(QUILLMERE_TOOL)});
    QVERIFY(ldd.waitForFinished(30000));
    const QByteArray libraries = ldd.readAllStandardOutput();
    QVERIFY(libraries.contains("libQt6Core"));
    for (const char* gui : {"libQt6Gui", "libQt6Widgets", "libQt6Svg", "libwmf", "libemf2svg"})
        QVERIFY2(!libraries.contains(gui), gui);
}

QTEST_MAIN(RenderTest)
#include "tst_render.moc"
