// render: draws a day's entry into a PNG. The drawing needs the GUI libraries, which the
// other commands must not load, so it is a program of its own (quillmere-render, beside
// this one) that the tool becomes.
#include "command.h"
#include "journal.h"
#include "sibling_program.h"

namespace quill::tool {

namespace {

int Render(const std::vector<std::string>& args)
{
    if (args.size() < 3 || args.size() > 4)
        throw UsageError{"expects JOURNAL DATE FILE.png [WIDTH]"};
    ParseDateArgument(args[1]);
    if (args.size() == 4)
        ParseWidthArgument(args[3]);

    BecomeSibling("quillmere-render", args);
}

const bool registered = RegisterCommand(
    {"render", "JOURNAL DATE FILE.png [WIDTH]",
     "draws that day's entry as the editor shows it into a PNG, WIDTH pixels wide (745 if not given)", Render});

} // namespace

} // namespace quill::tool
