#include "export_options.h"

#include "command.h"

namespace quill::tool {

namespace {

ExportFormat ParseFormat(const std::string& name)
{
    if (name == "html")
        return ExportFormat::Html;
    if (name == "markdown")
        return ExportFormat::Markdown;
    if (name == "text")
        return ExportFormat::Text;
    if (name == "rtf")
        return ExportFormat::Rtf;
    throw UsageError{"not a format (html, markdown, text or rtf): " + name};
}

} // namespace

ExportOptions ParseExportArguments(const std::vector<std::string>& args)
{
    ExportOptions options;
    std::vector<std::string> operands;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (TakeDateRangeOption(args, i, options.range))
            continue;
        if (arg == "--force") {
            options.force = true;
        } else if (arg == "--format") {
            if (i + 1 >= args.size())
                throw UsageError{"missing the format after --format"};
            options.format = ParseFormat(args[++i]);
        } else if (arg.size() > 1 && arg[0] == '-') {
            throw UsageError{"unknown option " + arg};
        } else {
            operands.push_back(arg);
        }
    }
    if (operands.size() != 2)
        throw UsageError{std::string("expects ") + kExportUsage};
    options.journal = operands[0];
    options.folder = operands[1];
    return options;
}

} // namespace quill::tool
