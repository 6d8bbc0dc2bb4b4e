#pragma once

#include <QString>

class QFont;

namespace quill {

// The characters a font shows for the 256 8-bit character codes, as the programs of the
// 8-bit world typed them; character i is the one of code i. Text fonts read the codes in
// windows-1252 (128 is the euro sign). A symbol font shows the glyphs it keeps under the
// codes themselves: symbol fonts whose character map puts them at U+F000 + code (the usual
// encoding of symbol fonts made for Windows) give those characters, the others (whose own
// 8-bit encoding the font engine reads) the codes.
QString CharactersOfCodes(const QFont& font);

// Whether the font's face is a symbol font: its glyphs are pictures or signs, not letters.
bool IsSymbolFont(const QFont& font);

} // namespace quill
