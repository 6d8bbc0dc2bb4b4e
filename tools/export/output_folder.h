#pragma once

// The folder an export writes into. Every failure throws std::runtime_error naming the path
// and the system's reason.

#include <set>
#include <string>
#include <string_view>

namespace quill::tool {

class OutputFolder {
public:
    // Creates the folder (with its parents) when there is none. A folder that holds anything
    // is refused unless `force`, so that an export never mixes with other files by mistake.
    OutputFolder(std::string path, bool force);

    // Writes a whole file at `relative` ("2024/2024-03.html"), replacing one that is there
    // and creating the folders on its way.
    void WriteFile(const std::string& relative, std::string_view bytes);

    const std::string& Path() const { return path_; }

private:
    void MakeFolders(const std::string& relative);

    std::string path_;
    std::set<std::string> made_; // relative folders known to be there
};

} // namespace quill::tool
