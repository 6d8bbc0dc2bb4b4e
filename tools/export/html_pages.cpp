#include "html_pages.h"

#include <QDate>
#include <QLocale>

#include <cstdio>

namespace quill::tool {

namespace {

// The document's head; `root` leads from the page to the export folder.
std::string PageStart(const QString& title, const char* root)
{
    return "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>" + title.toHtmlEscaped().toStdString() +
           "</title>\n<link rel=\"stylesheet\" href=\"" + root + "style.css\">\n</head>\n<body>\n";
}

constexpr const char* kPageEnd = "</body>\n</html>\n";

// "March 2024", in the month names of the regional settings, as the program names months.
QString MonthTitle(const YearMonth& month)
{
    return QLocale::system().standaloneMonthName(month.month) + u' ' + QString::number(month.year);
}

std::string MonthLink(const YearMonth& month, const char* root, const QString& text)
{
    return std::string("<a href=\"") + root + MonthPagePath(month) + "\">" + text.toHtmlEscaped().toStdString() + "</a>";
}

std::string EntriesCount(int entries)
{
    return std::to_string(entries) + (entries == 1 ? " entry" : " entries");
}

} // namespace

std::string MonthPagePath(const YearMonth& month)
{
    char path[32];
    std::snprintf(path, sizeof path, "%04d/%04d-%02d.html", month.year, month.year, month.month);
    return path;
}

void MonthPage::AddEntry(const CivilDate& date, const std::string& id, std::string_view bodyHtml)
{
    const std::string iso = FormatIsoDate(date);
    const QString weekday = QLocale::system().dayName(QDate(date.year, date.month, date.day).dayOfWeek());
    articles_ += "<article class=\"entry\" id=\"" + id + "\">\n<h2>" + weekday.toHtmlEscaped().toStdString() + ", " + iso +
                 "</h2>\n";
    articles_ += bodyHtml;
    articles_ += "\n</article>\n";
    ++entries_;
}

std::string MonthPage::Text(const std::optional<YearMonth>& previous, const std::optional<YearMonth>& next) const
{
    // The page sits in the year's folder, one below the index.
    std::string page = PageStart(MonthTitle(month_), "../");
    page += "<nav><a href=\"../index.html\">All months</a>";
    if (previous)
        page += " | " + MonthLink(*previous, "../", QStringLiteral("« ") + MonthTitle(*previous));
    if (next)
        page += " | " + MonthLink(*next, "../", MonthTitle(*next) + QStringLiteral(" »"));
    page += "</nav>\n<h1>" + MonthTitle(month_).toHtmlEscaped().toStdString() + "</h1>\n";
    page += articles_;
    page += kPageEnd;
    return page;
}

std::string IndexPage(const std::vector<MonthSummary>& months, const QString& journalName)
{
    std::string page = PageStart(QStringLiteral("Journal"), "");
    int total = 0;
    for (const MonthSummary& summary : months)
        total += summary.entries;
    page += "<h1>Journal</h1>\n<p class=\"about\">" + EntriesCount(total) + " from " +
            journalName.toHtmlEscaped().toStdString() + "</p>\n";
    for (std::size_t i = 0; i < months.size(); ++i) {
        const int year = months[i].month.year;
        if (i == 0 || months[i - 1].month.year != year)
            page += "<section class=\"year\">\n<h2>" + std::to_string(year) + "</h2>\n<ul class=\"months\">\n";
        page += "<li>" + MonthLink(months[i].month, "", QLocale::system().standaloneMonthName(months[i].month.month)) +
                " <span class=\"count\">" + EntriesCount(months[i].entries) + "</span></li>\n";
        if (i + 1 == months.size() || months[i + 1].month.year != year)
            page += "</ul>\n</section>\n";
    }
    page += kPageEnd;
    return page;
}

std::string StyleSheet()
{
    return R"(/* Pages of a journal exported by Quillmere. */
body {
  max-width: 48em;
  margin: 2em auto;
  padding: 0 1em;
  font-family: sans-serif;
  line-height: 1.4;
  color: #222;
  background: #fff;
}
nav { font-size: 0.9em; }
h1 { font-size: 1.6em; }
ul.months { list-style: none; padding: 0; }
ul.months li { display: inline-block; min-width: 12em; margin: 0.2em 0; }
.count, .about { color: #666; font-size: 0.9em; }
article.entry { border-top: 1px solid #ccc; margin-top: 1.5em; }
article.entry h2 { font-size: 1.1em; color: #555; }
/* The entry as the editor shows it: spaces and tabs kept, in its fonts. */
.body { font-size: 12pt; overflow-wrap: break-word; }
.body p, .body li { white-space: pre-wrap; }
.body img { max-width: 100%; height: auto; vertical-align: baseline; }
)";
}

} // namespace quill::tool
