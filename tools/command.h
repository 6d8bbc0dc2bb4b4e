#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quill::tool {

// A failure that is the caller's: the usage is printed and the tool exits with 2.
struct UsageError {
    std::string message;
};

struct Command {
    std::string name;
    std::string usage;   // arguments, as shown in the usage text
    std::string summary; // one line
    std::function<int(const std::vector<std::string>& args)> run;
};

// Commands register themselves from their own source files.
bool RegisterCommand(Command command);

// Writes a command's output to standard output; fails when it cannot.
void WriteOut(std::string_view bytes);

} // namespace quill::tool
