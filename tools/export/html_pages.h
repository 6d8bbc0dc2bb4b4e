#pragma once

// The pages of an HTML export: an index of the years and months, a page a month with its
// entries, and the style sheet they share.

#include "storage/datetime.h"

#include <QString>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quill::tool {

struct YearMonth {
    int year = 0;
    int month = 0;
    friend bool operator==(const YearMonth&, const YearMonth&) = default;
};

// Where a month's page is in the export folder: "2024/2024-03.html".
std::string MonthPagePath(const YearMonth& month);

class MonthPage {
public:
    explicit MonthPage(const YearMonth& month) : month_(month) {}

    const YearMonth& Month() const { return month_; }
    int Entries() const { return entries_; }
    // Adds a day's entry, headed by its date, with `id` as its anchor; `bodyHtml` is the
    // entry as an HTML element, in UTF-8.
    void AddEntry(const CivilDate& date, const std::string& id, std::string_view bodyHtml);
    // The whole page, with links to the index and to the months before and after it.
    std::string Text(const std::optional<YearMonth>& previous, const std::optional<YearMonth>& next) const;

private:
    YearMonth month_;
    int entries_ = 0;
    std::string articles_; // UTF-8
};

struct MonthSummary {
    YearMonth month;
    int entries = 0;
};

// The index page: the months that have entries, by year, each a link to its page.
// `journalName` says where the entries came from.
std::string IndexPage(const std::vector<MonthSummary>& months, const QString& journalName);

// style.css, beside the index.
std::string StyleSheet();

} // namespace quill::tool
