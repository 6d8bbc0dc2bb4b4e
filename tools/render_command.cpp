// render: draws a day's entry into a PNG. The drawing needs the GUI libraries, which the
// other commands must not load, so it is a program of its own (quillmere-render, beside
// this one) that the tool becomes.
#include "command.h"
#include "journal.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <unistd.h>

namespace quill::tool {

namespace {

int Render(const std::vector<std::string>& args)
{
    if (args.size() < 3 || args.size() > 4)
        throw UsageError{"expects JOURNAL DATE FILE.png [WIDTH]"};
    ParseDateArgument(args[1]);
    if (args.size() == 4)
        ParseWidthArgument(args[3]);

    std::error_code failure;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", failure);
    const std::string renderer = (self.parent_path() / "quillmere-render").string();
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(renderer.c_str()));
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(renderer.c_str(), argv.data());
    throw std::runtime_error("Cannot run " + renderer + ": " + std::strerror(errno));
}

const bool registered = RegisterCommand(
    {"render", "JOURNAL DATE FILE.png [WIDTH]",
     "draws that day's entry as the editor shows it into a PNG, WIDTH pixels wide (745 if not given)", Render});

} // namespace

} // namespace quill::tool
