// export: the journal as files a person opens without Quillmere. The documents are made with
// the GUI libraries, which the other commands must not load, so the work is done by a
// program of its own (quillmere-export, beside this one) that the tool becomes.
#include "command.h"
#include "export_options.h"
#include "sibling_program.h"

namespace quill::tool {

namespace {

int Export(const std::vector<std::string>& args)
{
    ParseExportArguments(args);
    BecomeSibling("quillmere-export", args);
}

const bool registered = RegisterCommand(
    {"export", kExportUsage,
     "writes the entries (or the range's) into DIR, which must be empty: HTML pages by month, or a file a day",
     Export});

} // namespace

} // namespace quill::tool
