#pragma once

// Commands whose work needs the GUI libraries run a program of their own, built beside the
// tool, so that the tool itself loads nothing but QtCore.

#include <string>
#include <vector>

namespace quill::tool {

// Replaces this process by the program `name` from the tool's own folder, given `args`.
// Returns only by throwing, when the program cannot be run.
[[noreturn]] void BecomeSibling(const std::string& name, const std::vector<std::string>& args);

} // namespace quill::tool
