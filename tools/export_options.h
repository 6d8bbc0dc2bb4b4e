#pragma once

// The arguments of `quillmere-tool export`, read alike by the tool (which checks them before
// it runs quillmere-export) and by quillmere-export.

#include "journal.h"

#include <string>
#include <vector>

namespace quill::tool {

enum class ExportFormat { Html, Markdown, Text, Rtf };

struct ExportOptions {
    std::string journal;
    std::string folder;
    DateRange range;
    ExportFormat format = ExportFormat::Html;
    bool force = false; // writes into a folder that is not empty
};

inline constexpr const char* kExportUsage =
    "JOURNAL DIR [--from DATE] [--to DATE] [--format html|markdown|text|rtf] [--force]";

// Reads the arguments behind "export"; wrong ones throw UsageError.
ExportOptions ParseExportArguments(const std::vector<std::string>& args);

} // namespace quill::tool
