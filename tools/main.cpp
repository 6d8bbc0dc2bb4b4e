// quillmere-tool: inspect, export and script a Quillmere journal from the command line.
#include "command.h"

#include <cstdio>
#include <exception>
#include <map>
#include <stdexcept>

namespace quill::tool {

namespace {
std::map<std::string, Command>& Commands()
{
    static std::map<std::string, Command> commands;
    return commands;
}

void PrintUsage(std::FILE* out)
{
    std::fprintf(out, "Usage: quillmere-tool COMMAND ARGUMENTS\n\nCommands:\n");
    for (const auto& [name, command] : Commands())
        std::fprintf(out, "  %s %s\n      %s\n", name.c_str(), command.usage.c_str(), command.summary.c_str());
    std::fprintf(out, "\nDATE is YYYY-MM-DD. A failure prints its message and exits with 1;\n"
                      "wrong usage prints this text and exits with 2.\n");
}
} // namespace

void WriteOut(std::string_view bytes)
{
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size())
        throw std::runtime_error("Cannot write to standard output");
}

bool RegisterCommand(Command command)
{
    std::string name = command.name;
    Commands().emplace(std::move(name), std::move(command));
    return true;
}

} // namespace quill::tool

int main(int argc, char** argv)
{
    using namespace quill::tool;
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h" || args[0] == "help")) {
        PrintUsage(stdout);
        return 0;
    }
    const auto found = args.empty() ? Commands().end() : Commands().find(args[0]);
    if (found == Commands().end()) {
        PrintUsage(stderr);
        return 2;
    }
    try {
        return found->second.run(std::vector<std::string>(args.begin() + 1, args.end()));
    } catch (const UsageError& e) {
        std::fprintf(stderr, "quillmere-tool %s: %s\n\n", found->first.c_str(), e.message.c_str());
        PrintUsage(stderr);
        return 2;
    } catch (const std::exception& e) {
        std::fflush(stdout);
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
