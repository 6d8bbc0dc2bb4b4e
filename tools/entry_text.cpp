#include "entry_text.h"

#include "platform/richedit/plain_text.h"

namespace quill::tool {

void AppendEntryText(std::string& out, const CivilDate& date, std::string_view body)
{
    out += FormatIsoDate(date);
    out += '\n';
    const QString text = BodyPlainText(body);
    if (!text.isEmpty()) {
        out += text.toStdString();
        out += '\n';
    }
}

} // namespace quill::tool
