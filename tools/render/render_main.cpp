// quillmere-render: what `quillmere-tool render` runs. It takes the command's arguments, which
// the tool has checked: JOURNAL DATE FILE.png [WIDTH].
#include "entry_image.h"

#include "command.h"
#include "journal.h"

#include "storage/stream.h"

#include <QApplication>

#include <cstdio>
#include <exception>
#include <stdexcept>

namespace {

constexpr int kEditorWidth = 745;

int Run(int argc, char** argv)
{
    using namespace quill::tool;
    if (argc < 4 || argc > 5)
        throw UsageError{"expects JOURNAL DATE FILE.png [WIDTH]"};
    const std::string date = argv[2];
    const std::string file = argv[3];
    const int width = argc == 5 ? ParseWidthArgument(argv[4]) : kEditorWidth;
    const double day = ParseDateArgument(date);

    JournalTable journal(argv[1]);
    journal.Open();
    if (journal.table.IsEmpty() || !journal.table.FindKey(day))
        throw std::runtime_error("No entry for " + date);
    quill::MemoryStream body;
    journal.journalEntry.SaveToStream(body);

    // Drawn the same whatever display there is, or none.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QImage image = DrawEntry(body.bytes(), width);
    if (!image.save(QString::fromLocal8Bit(file.c_str()), "PNG"))
        throw std::runtime_error("Cannot write " + file);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    try {
        return Run(argc, argv);
    } catch (const quill::tool::UsageError& e) {
        std::fprintf(stderr, "quillmere-render: %s\n", e.message.c_str());
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
