#pragma once

#include "storage/datetime.h"

#include <string>
#include <string_view>

namespace quill::tool {

// An entry as `quillmere-tool text` prints it: the date line, then the plain text the
// program's search sees with every paragraph followed by "\n" (nothing for a body without
// paragraphs, one "\n" for a body of one empty paragraph).
void AppendEntryText(std::string& out, const CivilDate& date, std::string_view body);

} // namespace quill::tool
