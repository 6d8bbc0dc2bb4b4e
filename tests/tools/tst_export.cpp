// quillmere-tool export, run as a user runs it: the samples journal as HTML pages, Markdown,
// plain text and RTF files, with the pictures beside them.
#include "platform/pictures/metafile_fixtures.h"
#include "run_tool.h"
#include "samples_journal.h"
#include "tables.h"
#include "unreadable_date_journal.h"

#include "storage/stream.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <map>

namespace {

QString ReadText(const QString& path)
{
    return QString::fromUtf8(ReadFile(path));
}

// Text of HTML as a reader sees it: line breaks for <br>, no tags, entities resolved.
QString HtmlText(QString html)
{
    html.replace(QRegularExpression(QStringLiteral("<br\\s*/?>")), QStringLiteral("\n"));
    html.remove(QRegularExpression(QStringLiteral("<[^>]*>")));
    static const QRegularExpression entity(QStringLiteral("&(#x[0-9a-fA-F]+|#[0-9]+|[a-z]+);"));
    QString text;
    qsizetype last = 0;
    for (const QRegularExpressionMatch& match : entity.globalMatch(html)) {
        text += QStringView(html).sliced(last, match.capturedStart() - last);
        const QString name = match.captured(1);
        if (name.startsWith(QLatin1String("#x")))
            text += QChar(name.sliced(2).toUInt(nullptr, 16));
        else if (name.startsWith(u'#'))
            text += QChar(name.sliced(1).toUInt());
        else
            text += name == QLatin1String("amp") ? u"&" : name == QLatin1String("lt") ? u"<" : name == QLatin1String("gt") ? u">"
                  : name == QLatin1String("quot") ? u"\"" : name == QLatin1String("nbsp") ? u"\u00A0" : u"?";
        last = match.capturedEnd();
    }
    return text + html.sliced(last);
}

// The non-empty lines of a text.
QStringList Lines(const QString& text)
{
    return text.split(u'\n', Qt::SkipEmptyParts);
}

// The HTML of one day's entry in its month page (the day's heading left out).
QString EntryHtml(const QString& page, const QString& id)
{
    const QRegularExpression article(QStringLiteral("<article class=\"entry\" id=\"%1\">\\n<h2>[^<]*</h2>(.*?)</article>").arg(id),
                                     QRegularExpression::DotMatchesEverythingOption);
    return article.match(page).captured(1);
}

QString MonthPageOf(const QString& folder, const QString& day)
{
    return folder + QStringLiteral("/%1/%2.html").arg(day.left(4), day.left(7));
}

// Whitespace runs as one space, so that text wrapped at other places compares equal.
QString Simplified(const QString& text)
{
    return QString(text).replace(u'\t', u' ').simplified();
}

// The plain text of Markdown: the day's heading, images and the marks of bold, italic and
// strike-out taken away.
QString MarkdownText(QString markdown)
{
    markdown.remove(QRegularExpression(QStringLiteral("^# [0-9-]+\\n")));
    markdown.remove(QRegularExpression(QStringLiteral("!\\[[^\\]]*\\]\\([^)]*\\)")));
    markdown.remove(QRegularExpression(QStringLiteral("\\*+|~~")));
    markdown.remove(QRegularExpression(QStringLiteral("^- "), QRegularExpression::MultilineOption));
    return markdown;
}

// The bytes of the picture an RTF sample holds, written there as hex after `kind`.
QByteArray PictureBytesOfSample(const char* sample, const char* kind)
{
    const QByteArray rtf = QByteArray::fromStdString(
        testsupport::ReadFile(testsupport::SampleRtfDir() + u'/' + QLatin1String(sample) + QLatin1String(".rtf")));
    const QRegularExpression hex(QStringLiteral("\\\\%1(?:\\\\[a-z]+-?\\d*)*\\s+([0-9a-fA-F\\s]+)\\}").arg(QLatin1String(kind)));
    const QString digits = hex.match(QString::fromLatin1(rtf)).captured(1).remove(QRegularExpression(QStringLiteral("\\s")));
    return QByteArray::fromHex(digits.toLatin1());
}

QStringList FilesBelow(const QString& folder)
{
    QStringList files;
    QDir dir(folder);
    for (const QString& sub : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
        for (const QString& file : QDir(dir.filePath(sub)).entryList(QDir::Files, QDir::Name))
            files << sub + u'/' + file;
    for (const QString& file : dir.entryList(QDir::Files, QDir::Name))
        files << file;
    return files;
}

} // namespace

class ExportTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void htmlHoldsEveryEntrysText_data();
    void htmlHoldsEveryEntrysText();
    void htmlKeepsTheFormats_data();
    void htmlKeepsTheFormats();
    void htmlPagesAreUtf8AndLinked();
    void picturesAreWrittenAndReferredTo_data();
    void picturesAreWrittenAndReferredTo();
    void metafilesAndDamagedPicturesBecomePng();
    void markdownHoldsEveryEntrysText_data();
    void markdownHoldsEveryEntrysText();
    void markdownKeepsSomeFormats_data();
    void markdownKeepsSomeFormats();
    void textIsWhatTheTextCommandPrints();
    void rtfIsEachBodyByteForByte();
    void rangeOptions_data();
    void rangeOptions();
    void entriesOfTheSameDay();
    void progressLineForEachYear();
    void aRowWithABadDateIsLeftOut();
    void forceWritesIntoAFolderThatIsNotEmpty();
    void failures_data();
    void failures();
    void wrongUse_data();
    void wrongUse();

private:
    // Exports the samples journal into out/ of the test's folder.
    ToolRun Export(const QStringList& options = {});
    // The samples journal exported in `format` once for all the tests that only read it.
    struct SharedExport {
        ToolRun run;
        QString folder;
    };
    const SharedExport& Shared(const QString& format);
    QString Out() const { return dir_.filePath(QStringLiteral("out")); }
    // Stores `body` as the day 2024-05-06 of a journal of the test's own; returns its path.
    QString JournalWith(const QByteArray& body);

    QTemporaryDir dir_;
    std::map<QString, SharedExport> shared_;
};

void ExportTest::init()
{
    QVERIFY(dir_.isValid());
    QDir(Out()).removeRecursively();
    QFile::remove(Out()); // a file that a test put in the folder's place
}

ToolRun ExportTest::Export(const QStringList& options)
{
    return Tool(QStringList{QStringLiteral("export"), SamplesJournal(), Out()} + options);
}

const ExportTest::SharedExport& ExportTest::Shared(const QString& format)
{
    auto found = shared_.find(format);
    if (found == shared_.end()) {
        const QString folder = dir_.filePath(QStringLiteral("shared-") + format);
        found = shared_.emplace(format, SharedExport{Tool({QStringLiteral("export"), SamplesJournal(), folder,
                                                           QStringLiteral("--format"), format}),
                                                      folder})
                    .first;
    }
    return found->second;
}

QString ExportTest::JournalWith(const QByteArray& body)
{
    const QString journal = dir_.filePath(QStringLiteral("Journal.cds"));
    const QString file = dir_.filePath(QStringLiteral("body.rtf"));
    QFile::remove(journal);
    if (!WriteFile(file, body) || Tool({QStringLiteral("put"), journal, QStringLiteral("2024-05-06"), file}).exitCode != 0)
        return {};
    return journal;
}

void ExportTest::htmlHoldsEveryEntrysText_data()
{
    QTest::addColumn<QString>("day");
    QTest::addColumn<QByteArray>("text");
    for (const auto& [day, sample] : kSampleEntries)
        QTest::newRow(day) << QString::fromLatin1(day) << SampleText(sample);
}

// Every paragraph of every entry, in order, in its month's page under its day.
void ExportTest::htmlHoldsEveryEntrysText()
{
    QFETCH(QString, day);
    QFETCH(QByteArray, text);
    const SharedExport& html = Shared(QStringLiteral("html"));
    QCOMPARE(html.run.exitCode, 0);
    const QString page = ReadText(MonthPageOf(html.folder, day));
    QVERIFY2(page.contains(QStringLiteral("<h2>")) && page.contains(QStringLiteral(", %1</h2>").arg(day)), qPrintable(day));
    const QString entry = EntryHtml(page, day);
    QVERIFY(entry.contains(QLatin1String("<div class=\"body\"")));
    QCOMPARE(Lines(HtmlText(entry)), Lines(QString::fromUtf8(text)));
}

void ExportTest::htmlKeepsTheFormats_data()
{
    QTest::addColumn<QString>("day");
    QTest::addColumn<QString>("pattern"); // a regular expression the entry's HTML matches
    const QString formatting = QStringLiteral("2021-03-14");
    const QString paragraphs = QStringLiteral("2019-12-31");
    const QString links = QStringLiteral("2020-02-29");
    auto span = [](const char* style, const char* text) {
        return QStringLiteral("<span style=\"[^\"]*%1[^\"]*\">%2</span>").arg(QLatin1String(style), QLatin1String(text));
    };
    QTest::newRow("bold") << formatting << span("font-weight:700;", "bold");
    QTest::newRow("italic") << formatting << span("font-style:italic;", "italic");
    QTest::newRow("underline") << formatting << span("text-decoration: underline;", "underline");
    QTest::newRow("strike-out") << formatting << span("text-decoration: line-through;", "struck");
    QTest::newRow("all three") << formatting
                               << span("font-weight:700; font-style:italic; text-decoration: underline;", "All three");
    QTest::newRow("colour") << formatting << span("color:#ff0000;", "Red text");
    QTest::newRow("highlight") << formatting << span("background-color:#ffff00;", "yellow highlight");
    QTest::newRow("face and size") << formatting << span("font-family:'Times New Roman'; font-size:16pt;", "Times 16pt");
    QTest::newRow("another face") << formatting << span("font-family:'Courier New';", "Courier");
    QTest::newRow("the entry's own font") << formatting
                                          << QStringLiteral("<div class=\"body\" style=\"[^\"]*font-family:'Arial'; font-size:11pt;");
    QTest::newRow("centred") << paragraphs << QStringLiteral("<p align=\"center\"[^>]*>(<span[^>]*>)?Centred.");
    QTest::newRow("right") << paragraphs << QStringLiteral("<p align=\"right\"[^>]*>(<span[^>]*>)?Right aligned.");
    QTest::newRow("justified") << paragraphs << QStringLiteral("<p align=\"justify\"[^>]*>(<span[^>]*>)?Justified text");
    QTest::newRow("bullets") << paragraphs
                             << QStringLiteral("<ul[^>]*>\\s*<li style=\"[^\"]*\">First bullet</li>\\s*<li style=\"[^\"]*\">Second bullet</li></ul>");
    QTest::newRow("hanging paragraph") << paragraphs
                                       << QStringLiteral("<p style=\"[^\"]*margin-left:26.6667px;[^\"]*text-indent:-26.6667px;[^\"]*\">Hanging");
    QTest::newRow("tab and soft break") << paragraphs << QStringLiteral("Tab\tseparated<br />soft break");
    QTest::newRow("link field") << links << QStringLiteral("<a href=\"https://example.com/\">(<span[^>]*>)?Example site");
    QTest::newRow("address typed as text") << links
                                           << QStringLiteral("<a href=\"http://www.example.org/page\\?x=1\">http://www.example.org/page\\?x=1</a> for");
    QTest::newRow("file link") << links
                               << QStringLiteral("<a href=\"file:C:%5CMy%25Files%5Cday%25one.txt\">file:C:\\\\My%Files\\\\day%one.txt</a> later");
}

void ExportTest::htmlKeepsTheFormats()
{
    QFETCH(QString, day);
    QFETCH(QString, pattern);
    const SharedExport& html = Shared(QStringLiteral("html"));
    QCOMPARE(html.run.exitCode, 0);
    const QString entry = EntryHtml(ReadText(MonthPageOf(html.folder, day)), day);
    QVERIFY2(QRegularExpression(pattern).match(entry).hasMatch(), qPrintable(entry));
}

// The index links every month's page, the pages link each other, and all of it is UTF-8
// that says so.
void ExportTest::htmlPagesAreUtf8AndLinked()
{
    QCOMPARE(Export().exitCode, 0);
    const QString index = ReadText(Out() + QStringLiteral("/index.html"));
    QVERIFY(index.contains(QLatin1String("<meta charset=\"utf-8\">")));
    QVERIFY(QFile::exists(Out() + QStringLiteral("/style.css")));
    QStringList linked;
    for (const QRegularExpressionMatch& link : QRegularExpression(QStringLiteral("<a href=\"([^\"]+)\">")).globalMatch(index))
        linked << link.captured(1);
    const QStringList months{"2018/2018-06.html", "2019/2019-12.html", "2020/2020-02.html",
                             "2021/2021-03.html", "2022/2022-07.html", "2023/2023-01.html"};
    QCOMPARE(linked, months);
    for (const char* year : {"2018", "2019", "2020", "2021", "2022", "2023"})
        QVERIFY2(index.contains(QStringLiteral("<h2>%1</h2>").arg(QLatin1String(year))), year);

    for (const QString& month : months) {
        const QString path = Out() + u'/' + month;
        const QByteArray bytes = ReadFile(path);
        QVERIFY2(QString::fromUtf8(bytes).toUtf8() == bytes, qPrintable(month)); // valid UTF-8
        QVERIFY(bytes.contains("<meta charset=\"utf-8\">"));
        QVERIFY(bytes.contains("<link rel=\"stylesheet\" href=\"../style.css\">"));
        for (const QRegularExpressionMatch& link :
             QRegularExpression(QStringLiteral("<a href=\"(\\.\\./[^\"]+)\">")).globalMatch(QString::fromUtf8(bytes)))
            QVERIFY2(QFileInfo::exists(QFileInfo(path).dir().filePath(link.captured(1))), qPrintable(link.captured(1)));
    }
    QVERIFY(ReadText(Out() + QStringLiteral("/2021/2021-03.html")).contains(QStringLiteral("Привет and γεια")));
    // Each month links the one before and the one after.
    const QString july = ReadText(Out() + QStringLiteral("/2022/2022-07.html"));
    QVERIFY(july.contains(QLatin1String("<a href=\"../2021/2021-03.html\">")));
    QVERIFY(july.contains(QLatin1String("<a href=\"../2023/2023-01.html\">")));
}

void ExportTest::picturesAreWrittenAndReferredTo_data()
{
    QTest::addColumn<QString>("day");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QSize>("shown");
    QTest::newRow("PNG") << QStringLiteral("2022-07-04") << PictureBytesOfSample("picture-png", "pngblip") << QSize(8, 6);
    QTest::newRow("JPEG") << QStringLiteral("2022-07-05") << PictureBytesOfSample("picture-jpeg", "jpegblip") << QSize(16, 12);
}

// The picture's own bytes in a file of the pictures folder, which the entry's <img> and
// Markdown image name by a path relative to the page that leads to it.
void ExportTest::picturesAreWrittenAndReferredTo()
{
    QFETCH(QString, day);
    QFETCH(QByteArray, bytes);
    QFETCH(QSize, shown);
    QVERIFY(bytes.size() > 100);

    QCOMPARE(Export().exitCode, 0);
    const QString page = MonthPageOf(Out(), day);
    const QRegularExpressionMatch img =
        QRegularExpression(QStringLiteral("<img src=\"([^\"]+)\"[^>]* width=\"(\\d+)\" height=\"(\\d+)\"")).match(EntryHtml(ReadText(page), day));
    QVERIFY(img.hasMatch());
    QVERIFY(QDir::isRelativePath(img.captured(1)));
    QCOMPARE(QSize(img.captured(2).toInt(), img.captured(3).toInt()), shown);
    const QString file = QFileInfo(page).dir().filePath(img.captured(1));
    QCOMPARE(QFileInfo(file).canonicalPath(), QFileInfo(Out() + QStringLiteral("/pictures")).canonicalFilePath());
    QCOMPARE(ReadFile(file), bytes);
    QVERIFY(!QImage(file).isNull());

    QDir(Out()).removeRecursively();
    QCOMPARE(Export({QStringLiteral("--format"), QStringLiteral("markdown")}).exitCode, 0);
    const QString markdown = Out() + QStringLiteral("/%1/%2.md").arg(day.left(4), day);
    const QRegularExpressionMatch image = QRegularExpression(QStringLiteral("!\\[[^\\]]*\\]\\(([^)]+)\\)")).match(ReadText(markdown));
    QVERIFY(image.hasMatch());
    QVERIFY(image.captured(1).startsWith(QLatin1String("../pictures/")));
    QCOMPARE(ReadFile(QFileInfo(markdown).dir().filePath(image.captured(1))), bytes);
}

// A metafile is drawn into a PNG of twice its shown size; a bitmap that cannot be read and
// a metafile that cannot be drawn become the editor's placeholder at their shown size.
void ExportTest::metafilesAndDamagedPicturesBecomePng()
{
    auto group = [](const char* kind, int width, int height, const QByteArray& bytes) {
        return QByteArray("{\\pict\\") + kind + "\\picwgoal" + QByteArray::number(width * 15) + "\\pichgoal" +
               QByteArray::number(height * 15) + " " + bytes.toHex() + "}";
    };
    const QString journal = JournalWith("{\\rtf1\\ansi " + group("emfblip", 100, 50, fixtures::RedEllipseEmf()) +
                                        group("wmetafile8", 60, 30, fixtures::RedEllipseWmf(false)) +
                                        group("dibitmap0", 20, 10, "00112233") + group("emfblip", 30, 40, "0badc0de") +
                                        " After.\\par}");
    QVERIFY(!journal.isEmpty());
    QCOMPARE(Tool({QStringLiteral("export"), journal, Out()}).exitCode, 0);
    const QString page = ReadText(Out() + QStringLiteral("/2024/2024-05.html"));
    const struct {
        const char* file;
        QSize shown;
        QSize pixels;
        bool red;
    } pictures[] = {
        {"2024-05-06-1.png", {100, 50}, {200, 100}, true},
        {"2024-05-06-2.png", {60, 30}, {120, 60}, true},
        {"2024-05-06-3.png", {20, 10}, {20, 10}, false},
        {"2024-05-06-4.png", {30, 40}, {30, 40}, false},
    };
    for (const auto& picture : pictures) {
        QVERIFY2(page.contains(QStringLiteral("<img src=\"../pictures/%1\" alt=\"Picture\" width=\"%2\" height=\"%3\"")
                                   .arg(QLatin1String(picture.file))
                                   .arg(picture.shown.width())
                                   .arg(picture.shown.height())),
                 picture.file);
        const QByteArray bytes = ReadFile(Out() + QStringLiteral("/pictures/") + QLatin1String(picture.file));
        QVERIFY2(bytes.startsWith("\x89PNG"), picture.file);
        const QImage image = QImage::fromData(bytes).convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(image.size(), picture.pixels);
        const QRgb centre = image.pixel(image.width() / 2, image.height() / 2);
        QCOMPARE(qRed(centre) == 255 && qGreen(centre) == 0 && qBlue(centre) == 0, picture.red);
    }
    QVERIFY(HtmlText(page).contains(QLatin1String(" After.")));
}

void ExportTest::markdownHoldsEveryEntrysText_data()
{
    htmlHoldsEveryEntrysText_data();
}

// A file a day, headed by its date, holding the entry's text.
void ExportTest::markdownHoldsEveryEntrysText()
{
    QFETCH(QString, day);
    QFETCH(QByteArray, text);
    const SharedExport& markdownExport = Shared(QStringLiteral("markdown"));
    QCOMPARE(markdownExport.run.exitCode, 0);
    const QString markdown = ReadText(markdownExport.folder + QStringLiteral("/%1/%2.md").arg(day.left(4), day));
    QVERIFY(markdown.startsWith(QStringLiteral("# %1\n\n").arg(day)));
    QCOMPARE(Simplified(MarkdownText(markdown)), Simplified(QString::fromUtf8(text)));
}

void ExportTest::markdownKeepsSomeFormats_data()
{
    QTest::addColumn<QString>("day");
    QTest::addColumn<QString>("expected"); // a line of the file
    const QString formatting = QStringLiteral("2021-03-14");
    QTest::newRow("bold, italic and strike-out; underline as text")
        << formatting << QStringLiteral("Plain, **bold**, *italic*, underline, ~~struck~~.");
    QTest::newRow("faces as text") << formatting << QStringLiteral("Times 16pt and Courier.");
    QTest::newRow("colours as text") << formatting << QStringLiteral("Red text and yellow highlight.");
    QTest::newRow("all three") << formatting << QStringLiteral("***All three***");
    QTest::newRow("bullets") << QStringLiteral("2019-12-31") << QStringLiteral("- First bullet");
    QTest::newRow("link field as its text") << QStringLiteral("2020-02-29") << QStringLiteral("Example site link field.");
    QTest::newRow("picture") << QStringLiteral("2022-07-04")
                             << QStringLiteral("Before ![Picture](../pictures/2022-07-04-1.png) after.");
}

void ExportTest::markdownKeepsSomeFormats()
{
    QFETCH(QString, day);
    QFETCH(QString, expected);
    const SharedExport& markdownExport = Shared(QStringLiteral("markdown"));
    QCOMPARE(markdownExport.run.exitCode, 0);
    const QString markdown = ReadText(markdownExport.folder + QStringLiteral("/%1/%2.md").arg(day.left(4), day));
    QVERIFY2(Lines(markdown).contains(expected), qPrintable(markdown));
    QVERIFY(!markdown.contains(u'<'));
}

void ExportTest::textIsWhatTheTextCommandPrints()
{
    QCOMPARE(Export({QStringLiteral("--format"), QStringLiteral("text")}).exitCode, 0);
    QStringList expected;
    for (const auto& [day, sample] : kSampleEntries) {
        const QString file = QStringLiteral("%1/%2.txt").arg(QLatin1String(day).left(4), QLatin1String(day));
        expected << file;
        QCOMPARE(ReadFile(Out() + u'/' + file), Tool({QStringLiteral("text"), SamplesJournal(), QLatin1String(day)}).out);
        QCOMPARE(ReadFile(Out() + u'/' + file), QByteArray(day) + '\n' + SampleText(sample));
    }
    QCOMPARE(FilesBelow(Out()), expected);
}

void ExportTest::rtfIsEachBodyByteForByte()
{
    QCOMPARE(Export({QStringLiteral("--format"), QStringLiteral("rtf")}).exitCode, 0);
    for (const auto& [day, sample] : kSampleEntries) {
        const QByteArray file = ReadFile(Out() + QStringLiteral("/%1/%2.rtf").arg(QLatin1String(day).left(4), QLatin1String(day)));
        QCOMPARE(file, Tool({QStringLiteral("get"), SamplesJournal(), QLatin1String(day)}).out);
        if (sample && QLatin1String(sample) != QLatin1String("plain-body"))
            QCOMPARE(file, Sample(QStringLiteral("rtf/%1.rtf").arg(QLatin1String(sample))));
    }
    QCOMPARE(ReadFile(Out() + QStringLiteral("/2023/2023-01-01.rtf")), QByteArray()); // the null body
}

void ExportTest::rangeOptions_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QStringList>("days");
    QTest::newRow("from") << QStringList{"--from", "2022-07-04"} << QStringList{"2022-07-04", "2022-07-05", "2023-01-01"};
    QTest::newRow("to") << QStringList{"--to", "2019-12-31"} << QStringList{"2018-06-01", "2019-12-31"};
    QTest::newRow("both ends count") << QStringList{"--to", "2021-03-15", "--from", "2020-02-29"}
                                     << QStringList{"2020-02-29", "2021-03-14", "2021-03-15"};
    QTest::newRow("one day") << QStringList{"--from", "2021-03-14", "--to", "2021-03-14"} << QStringList{"2021-03-14"};
    QTest::newRow("days without entries") << QStringList{"--from", "2019-01-01", "--to", "2019-12-30"} << QStringList{};
    QTest::newRow("from after to") << QStringList{"--from", "2022-01-01", "--to", "2021-01-01"} << QStringList{};
}

void ExportTest::rangeOptions()
{
    QFETCH(QStringList, options);
    QFETCH(QStringList, days);
    QCOMPARE(Export(options + QStringList{"--format", "rtf"}).exitCode, 0);
    QStringList files;
    for (const QString& day : days)
        files << day.left(4) + u'/' + day + QStringLiteral(".rtf");
    QCOMPARE(FilesBelow(Out()), files);

    // The HTML index names the months of the range only.
    QDir(Out()).removeRecursively();
    QCOMPARE(Export(options).exitCode, 0);
    const QString index = ReadText(Out() + QStringLiteral("/index.html"));
    QStringList months;
    for (const QString& day : days)
        if (!months.contains(day.left(7)))
            months << day.left(7);
    QStringList linked;
    for (const QRegularExpressionMatch& link : QRegularExpression(QStringLiteral("<a href=\"\\d+/([\\d-]+).html\">")).globalMatch(index))
        linked << link.captured(1);
    QCOMPARE(linked, months);
    QVERIFY(index.contains(QStringLiteral("<p class=\"about\">%1 ").arg(days.size())));
}

// Two rows of one day (at different times) are both exported, the second under "-2".
void ExportTest::entriesOfTheSameDay()
{
    const QString path = dir_.filePath(QStringLiteral("J.cds"));
    {
        JournalTable journal(path);
        OpenLikeTheProgram(journal.table);
        const char* bodies[] = {"{\\rtf1 morning}", "{\\rtf1 evening}"};
        for (int i = 0; i < 2; ++i) {
            journal.table.Insert();
            journal.JournalDate.SetAsDateTime(kDay20100908 + 0.25 + 0.5 * i);
            quill::MemoryStream body{std::string(bodies[i])};
            journal.JournalEntry.LoadFromStream(body);
            journal.table.Post();
        }
        journal.table.Close();
    }
    QCOMPARE(Tool({QStringLiteral("export"), path, Out(), QStringLiteral("--format"), QStringLiteral("text")}).exitCode, 0);
    QCOMPARE(FilesBelow(Out()), (QStringList{"2010/2010-09-08-2.txt", "2010/2010-09-08.txt"}));
    QCOMPARE(ReadFile(Out() + QStringLiteral("/2010/2010-09-08.txt")), QByteArray("2010-09-08\nmorning\n"));
    QCOMPARE(ReadFile(Out() + QStringLiteral("/2010/2010-09-08-2.txt")), QByteArray("2010-09-08\nevening\n"));

    QDir(Out()).removeRecursively();
    QCOMPARE(Tool({QStringLiteral("export"), path, Out()}).exitCode, 0);
    const QString page = ReadText(Out() + QStringLiteral("/2010/2010-09.html"));
    QCOMPARE(Lines(HtmlText(EntryHtml(page, QStringLiteral("2010-09-08")))), QStringList{"morning"});
    QCOMPARE(Lines(HtmlText(EntryHtml(page, QStringLiteral("2010-09-08-2")))), QStringList{"evening"});
}

void ExportTest::progressLineForEachYear()
{
    const ToolRun run = Export();
    QCOMPARE(run.exitCode, 0);
    QVERIFY(run.out.isEmpty());
    const QByteArray expected = "2018: 1 entry written\n2019: 1 entry written\n2020: 1 entry written\n"
                                "2021: 2 entries written\n2022: 2 entries written\n2023: 1 entry written\n";
    QVERIFY2(run.err.endsWith(expected), run.err.constData());
}

// A row whose date cannot be read is said on standard error and left out; the others are
// exported, and the tool ends with 1.
void ExportTest::aRowWithABadDateIsLeftOut()
{
    QVERIFY(WriteJournalWithAnUnreadableDate(dir_.filePath(QStringLiteral("J"))));

    for (const QString format : {"html", "text"}) {
        QDir(Out()).removeRecursively();
        const ToolRun run = Tool({QStringLiteral("export"), QStringLiteral("J"), Out(), QStringLiteral("--format"), format}, dir_.path());
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains("J: an entry is left out: '0.0' is not a valid timestamp\n"), run.err.constData());
        QVERIFY(run.err.endsWith("2010: 2 entries written\n"));
        if (format == QLatin1String("text")) {
            QCOMPARE(FilesBelow(Out()), (QStringList{"2010/2010-09-08.txt", "2010/2010-09-10.txt"}));
        } else {
            const QString page = ReadText(Out() + QStringLiteral("/2010/2010-09.html"));
            QCOMPARE(Lines(HtmlText(EntryHtml(page, QStringLiteral("2010-09-10")))), QStringList{"three"});
            QVERIFY(!page.contains(QLatin1String("two")));
        }
    }
}

// --force writes into a folder that holds files, replacing those of the export and keeping
// the others.
void ExportTest::forceWritesIntoAFolderThatIsNotEmpty()
{
    QVERIFY(QDir().mkpath(Out() + QStringLiteral("/2021")));
    QVERIFY(WriteFile(Out() + QStringLiteral("/notes.txt"), "mine"));
    QVERIFY(WriteFile(Out() + QStringLiteral("/2021/2021-03.html"), "an older export"));
    QCOMPARE(Export({QStringLiteral("--force")}).exitCode, 0);
    QCOMPARE(ReadFile(Out() + QStringLiteral("/notes.txt")), QByteArray("mine"));
    QVERIFY(ReadText(Out() + QStringLiteral("/2021/2021-03.html")).contains(QLatin1String("Red text")));
}

void ExportTest::failures_data()
{
    QTest::addColumn<QString>("setUp"); // what is in the way
    QTest::addColumn<QStringList>("arguments"); // behind "export", with OUT for the folder
    QTest::addColumn<QString>("message"); // the line on standard error, with OUT for the folder
    QTest::newRow("folder not empty")
        << "file in folder" << QStringList{SamplesJournal(), "OUT"}
        << "Cannot export into OUT: the folder is not empty (--force writes into it, replacing the files of an earlier export)";
    QTest::newRow("a file where the folder goes")
        << "file" << QStringList{SamplesJournal(), "OUT"} << "Cannot export into OUT: it is not a folder";
    QTest::newRow("folder below a file")
        << "file" << QStringList{SamplesJournal(), "OUT/export"} << "Cannot create the folder OUT/export: Not a directory";
    QTest::newRow("a year's folder that is a file")
        << "file as year" << QStringList{SamplesJournal(), "OUT", "--force"} << "Cannot create the folder OUT/2020: Not a directory";
    QTest::newRow("full disk") << "full month page" << QStringList{SamplesJournal(), "OUT", "--force"}
                               << "Cannot write OUT/2021/2021-03.html: No space left on device";
    QTest::newRow("full disk, day file")
        << "full day file" << QStringList{SamplesJournal(), "OUT", "--force", "--format", "markdown"}
        << "Cannot write OUT/2021/2021-03-14.md: No space left on device";
    QTest::newRow("full disk, picture")
        << "full picture" << QStringList{SamplesJournal(), "OUT", "--force"}
        << "Cannot write OUT/pictures/2022-07-04-1.png: No space left on device";
    QTest::newRow("no journal") << "" << QStringList{dir_.filePath("none.cds"), "OUT"}
                                << QStringLiteral("No such file: ") + dir_.filePath("none.cds");
    QTest::newRow("not a journal") << "" << QStringList{QUILLMERE_SAMPLES_DIR "/rtf/links.rtf", "OUT"} << QString();
}

void ExportTest::failures()
{
    QFETCH(QString, setUp);
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    // Writes into /dev/full fail as writes to a full disk do, whatever the user's rights.
    auto fullFile = [this](const QString& relative) {
        QVERIFY(QDir().mkpath(QFileInfo(Out() + u'/' + relative).path()));
        QVERIFY(QFile::link(QStringLiteral("/dev/full"), Out() + u'/' + relative));
    };
    if (setUp == QLatin1String("file"))
        QVERIFY(WriteFile(Out(), "a file"));
    if (setUp == QLatin1String("file in folder")) {
        QVERIFY(QDir().mkpath(Out()));
        QVERIFY(WriteFile(Out() + QStringLiteral("/keep.txt"), "mine"));
    }
    if (setUp == QLatin1String("file as year")) {
        QVERIFY(QDir().mkpath(Out()));
        QVERIFY(WriteFile(Out() + QStringLiteral("/2020"), "mine"));
    }
    if (setUp == QLatin1String("full month page"))
        fullFile(QStringLiteral("2021/2021-03.html"));
    if (setUp == QLatin1String("full day file"))
        fullFile(QStringLiteral("2021/2021-03-14.md"));
    if (setUp == QLatin1String("full picture"))
        fullFile(QStringLiteral("pictures/2022-07-04-1.png"));

    arguments.replaceInStrings(QStringLiteral("OUT"), Out());
    const ToolRun run = Tool(QStringList{QStringLiteral("export")} + arguments);
    QCOMPARE(run.exitCode, 1);
    QVERIFY(run.out.isEmpty());
    if (message.isEmpty())
        QVERIFY(!run.err.isEmpty());
    else
        QVERIFY2(run.err.endsWith(message.replace(QStringLiteral("OUT"), Out()).toUtf8() + '\n'), run.err.constData());
    if (setUp == QLatin1String("file in folder")) {
        QCOMPARE(QDir(Out()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList{"keep.txt"});
        QCOMPARE(ReadFile(Out() + QStringLiteral("/keep.txt")), QByteArray("mine"));
    }
    if (setUp.isEmpty())
        QVERIFY(!QFileInfo::exists(Out())); // nothing made for a journal that cannot be read
}

void ExportTest::wrongUse_data()
{
    QTest::addColumn<QStringList>("arguments"); // behind "export"
    QTest::addColumn<QByteArray>("message");
    const QByteArray expects = "expects JOURNAL DIR [--from DATE] [--to DATE] [--format html|markdown|text|rtf] [--force]";
    QTest::newRow("no folder") << QStringList{SamplesJournal()} << expects;
    QTest::newRow("three operands") << QStringList{SamplesJournal(), "OUT", "more"} << expects;
    QTest::newRow("unknown format") << QStringList{SamplesJournal(), "OUT", "--format", "pdf"}
                                    << QByteArray("not a format (html, markdown, text or rtf): pdf");
    QTest::newRow("no format") << QStringList{SamplesJournal(), "OUT", "--format"} << QByteArray("missing the format after --format");
    QTest::newRow("bad date") << QStringList{SamplesJournal(), "OUT", "--from", "2021-02-30"}
                              << QByteArray("not a date (YYYY-MM-DD): 2021-02-30");
    QTest::newRow("no date") << QStringList{SamplesJournal(), "OUT", "--to"} << QByteArray("missing the date after --to");
    QTest::newRow("unknown option") << QStringList{SamplesJournal(), "OUT", "--since", "2020-01-01"}
                                    << QByteArray("unknown option --since");
}

void ExportTest::wrongUse()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, message);
    arguments.replaceInStrings(QStringLiteral("OUT"), Out());
    const ToolRun run = Tool(QStringList{QStringLiteral("export")} + arguments);
    QCOMPARE(run.exitCode, 2);
    QVERIFY(run.out.isEmpty());
    QVERIFY2(run.err.startsWith("quillmere-tool export: " + message + "\n\nUsage: quillmere-tool"), run.err.constData());
    QVERIFY(run.err.contains("\n  export JOURNAL DIR [--from DATE] [--to DATE] [--format html|markdown|text|rtf] [--force]\n"));
    QVERIFY(!QFileInfo::exists(Out()));
}

QTEST_MAIN(ExportTest)
#include "tst_export.moc"
