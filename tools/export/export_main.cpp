// quillmere-export: what `quillmere-tool export` runs. It takes the command's arguments, which
// the tool has checked.
#include "journal_export.h"

#include "command.h"

#include <QGuiApplication>

#include <cstdio>
#include <exception>

int main(int argc, char** argv)
{
    using namespace quill::tool;
    try {
        const ExportOptions options = ParseExportArguments(std::vector<std::string>(argv + 1, argv + argc));
        // Documents and pictures are made the same whatever display there is, or none.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QGuiApplication application(argc, argv);
        return ExportJournal(options);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "quillmere-export: %s\n", e.message.c_str());
        return 2;
    } catch (const std::exception& e) {
        std::fflush(stdout);
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
