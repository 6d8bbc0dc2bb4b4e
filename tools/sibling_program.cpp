#include "sibling_program.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <unistd.h>

namespace quill::tool {

void BecomeSibling(const std::string& name, const std::vector<std::string>& args)
{
    std::error_code failure;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", failure);
    const std::string program = (self.parent_path() / name).string();
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    throw std::runtime_error("Cannot run " + program + ": " + std::strerror(errno));
}

} // namespace quill::tool
