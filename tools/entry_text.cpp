#include "entry_text.h"

#include "platform/richedit/plain_text.h"

namespace quill::tool {

void AppendEntryText(std::string& out, const CivilDate& date, std::string_view body)
{
    out += FormatIsoDate(date);
    out += '\n';
    out += BodyPlainLines(body).toStdString();
}

} // namespace quill::tool
