// The HTML export of the samples journal opened in a browser (headless Chromium): every
// entry's text is on its month's page as the browser lays it out, and every picture loads.
#include "run_tool.h"
#include "samples_journal.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Run by the browser once a page and its pictures have loaded: the text of each entry as it
// is shown, and what became of each picture, as JSON in a <pre id="check"> that the dump of
// the page's DOM then holds.
constexpr char kCheckScript[] = R"(<script>
window.addEventListener("load", function () {
  var result = {entries: {}, images: []};
  document.querySelectorAll("article.entry").forEach(function (entry) {
    result.entries[entry.id] = entry.querySelector(".body").innerText;
  });
  Array.prototype.forEach.call(document.images, function (image) {
    result.images.push({src: image.getAttribute("src"), complete: image.complete,
                        width: image.naturalWidth, height: image.naturalHeight});
  });
  var pre = document.createElement("pre");
  pre.id = "check";
  pre.textContent = JSON.stringify(result);
  document.body.appendChild(pre);
});
</script>
)";

QStringList Lines(const QString& text)
{
    return text.split(u'\n', Qt::SkipEmptyParts);
}

} // namespace

class ExportBrowserTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void entriesAndPicturesAsTheBrowserShowsThem();

private:
    // What the check script found on a page of the export, shown by the browser.
    QJsonObject Check(const QString& page);

    QString chromium_;
    QTemporaryDir dir_;
};

void ExportBrowserTest::initTestCase()
{
    chromium_ = QStandardPaths::findExecutable(QStringLiteral("chromium"));
    if (chromium_.isEmpty())
        QSKIP("chromium is not installed (Debian package chromium): the exported pages are not opened in a browser");
    QVERIFY(dir_.isValid());
}

QJsonObject ExportBrowserTest::Check(const QString& page)
{
    // A copy of the page beside it, so that its relative links lead where the page's do.
    QFile original(page);
    if (!original.open(QIODevice::ReadOnly))
        return {};
    QByteArray html = original.readAll();
    html.replace("</body>", QByteArray(kCheckScript) + "</body>");
    const QString checked = page.chopped(5) + QStringLiteral("-check.html");
    QFile copy(checked);
    if (!copy.open(QIODevice::WriteOnly) || copy.write(html) != html.size())
        return {};
    copy.close();

    QProcess browser;
    browser.start(chromium_, {QStringLiteral("--headless"), QStringLiteral("--disable-gpu"), QStringLiteral("--no-sandbox"),
                              QStringLiteral("--no-first-run"), QStringLiteral("--disable-extensions"),
                              QStringLiteral("--user-data-dir=") + dir_.filePath(QStringLiteral("profile")),
                              QStringLiteral("--virtual-time-budget=10000"), QStringLiteral("--dump-dom"),
                              QUrl::fromLocalFile(checked).toString()});
    if (!browser.waitForFinished(120000))
        browser.kill();
    QFile::remove(checked);
    const QString dom = QString::fromUtf8(browser.readAllStandardOutput());
    const qsizetype start = dom.indexOf(QLatin1String("<pre id=\"check\">"));
    const qsizetype end = dom.indexOf(QLatin1String("</pre>"), start);
    if (start < 0 || end < 0)
        return {};
    QString json = dom.sliced(start + 16, end - start - 16);
    json.replace(QLatin1String("&lt;"), QLatin1String("<")).replace(QLatin1String("&gt;"), QLatin1String(">"));
    json.replace(QLatin1String("&nbsp;"), QStringLiteral("\u00A0")).replace(QLatin1String("&amp;"), QLatin1String("&"));
    return QJsonDocument::fromJson(json.toUtf8()).object();
}

void ExportBrowserTest::entriesAndPicturesAsTheBrowserShowsThem()
{
    const QString out = dir_.filePath(QStringLiteral("out"));
    QCOMPARE(Tool({QStringLiteral("export"), SamplesJournal(), out}).exitCode, 0);

    QJsonObject entries;
    QJsonArray images;
    for (const QString& year : QDir(out).entryList({QStringLiteral("20*")}, QDir::Dirs, QDir::Name)) {
        for (const QString& month : QDir(out + u'/' + year).entryList({QStringLiteral("*.html")}, QDir::Files)) {
            const QJsonObject check = Check(out + u'/' + year + u'/' + month);
            QVERIFY2(!check.isEmpty(), qPrintable(month + QStringLiteral(": the browser showed no result")));
            const QJsonObject shown = check[QLatin1String("entries")].toObject();
            for (auto it = shown.begin(); it != shown.end(); ++it)
                entries.insert(it.key(), it.value());
            for (const QJsonValue image : check[QLatin1String("images")].toArray())
                images.append(image);
        }
    }

    for (const auto& [day, sample] : kSampleEntries) {
        QVERIFY2(entries.contains(QLatin1String(day)), day);
        QCOMPARE(Lines(entries[QLatin1String(day)].toString()), Lines(QString::fromUtf8(SampleText(sample))));
    }

    QCOMPARE(images.size(), 2);
    for (const QJsonValue image : images) {
        QVERIFY2(image[QLatin1String("complete")].toBool() && image[QLatin1String("width")].toInt() > 0,
                 qPrintable(image[QLatin1String("src")].toString() + QStringLiteral(" did not load")));
    }
    const QJsonObject png = images[0].toObject();
    QCOMPARE(png[QLatin1String("src")].toString(), QStringLiteral("../pictures/2022-07-04-1.png"));
    QCOMPARE(png[QLatin1String("width")].toInt(), 8);
    QCOMPARE(png[QLatin1String("height")].toInt(), 6);
}

QTEST_GUILESS_MAIN(ExportBrowserTest)
#include "tst_export_browser.moc"
