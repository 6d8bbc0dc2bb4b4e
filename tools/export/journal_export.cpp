#include "journal_export.h"

#include "entry_document.h"
#include "entry_text.h"
#include "html_pages.h"
#include "journal.h"
#include "ordered_tasks.h"
#include "output_folder.h"
#include "picture_files.h"

#include <QFileInfo>

#include <cstdio>
#include <memory>
#include <optional>

namespace quill::tool {

namespace {

// Where an entry's files go: the pictures folder beside the years' folders.
constexpr const char* kPicturesFolder = "pictures/";
const QString kPicturesFromYear = QStringLiteral("../pictures/");

struct DayJob {
    CivilDate date;
    std::string stem; // the entry's files are named after it: "2024-03-05", "2024-03-05-2" for a second entry
    std::string body;
};

struct DayOutput {
    CivilDate date;
    std::string stem;
    std::string content; // the day's file, or its part of the month's page
    std::vector<PictureFile> pictures;
};

// What one format makes of the entries.
class FormatWriter {
public:
    virtual ~FormatWriter() = default;
    // Turns an entry into what is written for it; runs on worker threads and touches nothing
    // shared.
    virtual DayOutput Convert(DayJob job) const = 0;
    // Writes it; runs on the export's thread, in date order.
    virtual void Write(DayOutput&& day) = 0;
    // Writes what follows the last entry.
    virtual void Finish() {}
};

void WritePictures(OutputFolder& folder, const std::vector<PictureFile>& pictures)
{
    for (const PictureFile& picture : pictures) {
        const QByteArray bytes = PictureFileBytes(picture);
        folder.WriteFile(kPicturesFolder + picture.name, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    }
}

// A file a day in the year's folder: "2024/2024-03-05.md".
class DayFilesWriter : public FormatWriter {
public:
    using Converter = std::function<DayOutput(DayJob)>;
    DayFilesWriter(OutputFolder& folder, std::string extension, Converter convert)
        : folder_(folder), extension_(std::move(extension)), convert_(std::move(convert))
    {
    }
    DayOutput Convert(DayJob job) const override { return convert_(std::move(job)); }
    void Write(DayOutput&& day) override
    {
        folder_.WriteFile(std::to_string(day.date.year) + '/' + day.stem + extension_, day.content);
        WritePictures(folder_, day.pictures);
    }

private:
    OutputFolder& folder_;
    const std::string extension_;
    const Converter convert_;
};

DayOutput AsRtf(DayJob job)
{
    return {job.date, std::move(job.stem), std::move(job.body), {}};
}

DayOutput AsText(DayJob job)
{
    DayOutput day{job.date, std::move(job.stem), {}, {}};
    AppendEntryText(day.content, job.date, job.body);
    return day;
}

DayOutput AsMarkdown(DayJob job)
{
    EntryDocument document(job.body);
    std::vector<PictureFile> pictures = document.ReferToPictureFiles(kPicturesFromYear, job.stem);
    DayOutput day{job.date, std::move(job.stem), {}, std::move(pictures)};
    day.content = "# " + FormatIsoDate(job.date) + "\n\n" + document.Markdown().toStdString();
    return day;
}

// The index, a page a month and the style sheet.
class HtmlWriter : public FormatWriter {
public:
    HtmlWriter(OutputFolder& folder, QString journalName) : folder_(folder), journalName_(std::move(journalName)) {}

    DayOutput Convert(DayJob job) const override
    {
        EntryDocument document(job.body);
        std::vector<PictureFile> pictures = document.ReferToPictureFiles(kPicturesFromYear, job.stem);
        document.LinkDetectedAddresses();
        DayOutput day{job.date, std::move(job.stem), {}, std::move(pictures)};
        day.content = document.BodyHtml().toStdString();
        return day;
    }

    void Write(DayOutput&& day) override
    {
        const YearMonth month{day.date.year, day.date.month};
        if (page_ && !(page_->Month() == month))
            WritePage(month);
        if (!page_)
            page_ = std::make_unique<MonthPage>(month);
        page_->AddEntry(day.date, day.stem, day.content);
        WritePictures(folder_, day.pictures);
    }

    void Finish() override
    {
        if (page_)
            WritePage(std::nullopt);
        folder_.WriteFile("style.css", StyleSheet());
        folder_.WriteFile("index.html", IndexPage(months_, journalName_));
    }

private:
    // Writes the page being filled, now that the month after it is known.
    void WritePage(const std::optional<YearMonth>& next)
    {
        folder_.WriteFile(MonthPagePath(page_->Month()), page_->Text(previous_, next));
        months_.push_back({page_->Month(), page_->Entries()});
        previous_ = page_->Month();
        page_.reset();
    }

    OutputFolder& folder_;
    const QString journalName_;
    std::unique_ptr<MonthPage> page_;
    std::optional<YearMonth> previous_;
    std::vector<MonthSummary> months_;
};

std::unique_ptr<FormatWriter> MakeWriter(ExportFormat format, OutputFolder& folder, const std::string& journal)
{
    switch (format) {
    case ExportFormat::Markdown: return std::make_unique<DayFilesWriter>(folder, ".md", AsMarkdown);
    case ExportFormat::Text: return std::make_unique<DayFilesWriter>(folder, ".txt", AsText);
    case ExportFormat::Rtf: return std::make_unique<DayFilesWriter>(folder, ".rtf", AsRtf);
    case ExportFormat::Html: break;
    }
    return std::make_unique<HtmlWriter>(folder, QFileInfo(QString::fromStdString(journal)).fileName());
}

// Names the entries' files after their day; a second entry of the same day gets "-2".
class DayStems {
public:
    std::string Next(const CivilDate& date)
    {
        sameDay_ = last_ && last_->year == date.year && last_->month == date.month && last_->day == date.day ? sameDay_ + 1 : 1;
        last_ = date;
        const std::string iso = FormatIsoDate(date);
        return sameDay_ == 1 ? iso : iso + '-' + std::to_string(sameDay_);
    }

private:
    std::optional<CivilDate> last_;
    int sameDay_ = 0;
};

// A line on standard error for every year written.
class YearProgress {
public:
    void Count(int year)
    {
        if (entries_ > 0 && year != year_)
            Say();
        year_ = year;
        ++entries_;
    }
    void Done()
    {
        if (entries_ > 0)
            Say();
    }

private:
    void Say()
    {
        std::fprintf(stderr, "%d: %d %s written\n", year_, entries_, entries_ == 1 ? "entry" : "entries");
        entries_ = 0;
    }

    int year_ = 0;
    int entries_ = 0;
};

// Results waiting to be written: enough to keep the workers busy while a month's page or a
// picture is written.
constexpr std::size_t kWaitingResults = 64;

} // namespace

int ExportJournal(const ExportOptions& options)
{
    RequireExistingFile(options.journal);
    JournalTable journal(options.journal);
    journal.Open();
    OutputFolder folder(options.folder, options.force);
    const std::unique_ptr<FormatWriter> writer = MakeWriter(options.format, folder, options.journal);

    YearProgress progress;
    OrderedTasks<DayOutput> tasks(std::thread::hardware_concurrency(), kWaitingResults, [&](DayOutput&& day) {
        const int year = day.date.year;
        writer->Write(std::move(day));
        progress.Count(year); // a year's line once the writes of the next have begun
    });
    BadEntries bad(options.journal);
    DayStems stems;
    for (journal.table.First(); !journal.table.Eof(); journal.table.Next()) {
        std::optional<DayJob> job;
        bad.Take([&] {
            const double date = journal.journalDate.AsDateTime();
            if (options.range.Contains(date))
                job = DayJob{DecodeEntryDate(date), {}, std::string(journal.journalEntry.BlobView())};
        });
        if (!job)
            continue;
        job->stem = stems.Next(job->date);
        tasks.Add([&writer, job = std::move(*job)]() mutable { return writer->Convert(std::move(job)); });
    }
    tasks.Finish();
    writer->Finish();
    progress.Done();
    return bad.ExitCode();
}

} // namespace quill::tool
