#pragma once

#include <QString>

#include <optional>
#include <string>
#include <string_view>

namespace quill {

// The program's 8-bit text (table strings, plain-text bodies) is windows-1252.
QString FromAnsi(std::string_view bytes);
// Nothing when a character has no place in windows-1252.
std::optional<std::string> ToAnsi(const QString& text);

} // namespace quill
