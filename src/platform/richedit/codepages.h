#pragma once

// Windows code pages of 8-bit text in RTF and in plain-text streams, and the codes of
// symbol fonts.

#include <QString>

#include <array>
#include <memory>
#include <string_view>

namespace quill::rtf {

// The code page of a font's \fcharset (ANSI, 0, is windows-1252), or 0 when the document's
// own code page applies: for the default and symbol sets and unknown ones.
int CodePageOfCharset(int charset);

// The \fcharset that matches a code page (0 for windows-1252 and unknown pages).
int CharsetOfCodePage(int codePage);

bool IsDoubleByteCodePage(int codePage);

// Appends 8-bit text in a Windows code page. Single-byte pages go through a table;
// double-byte pages through the platform's converter, each call starting afresh.
// Unknown code pages read as windows-1252.
void AppendDecoded(QString& out, std::string_view bytes, int codePage);

// The character of one byte in a single-byte code page (windows-1252 for double-byte pages).
char16_t DecodeByte(unsigned char byte, int codePage);

// The characters of the bytes of a single-byte code page (unknown pages read as
// windows-1252); nullptr for double-byte pages.
const std::array<char16_t, 256>* SingleByteTable(int codePage);

// windows-1252, the system's 8-bit code page, as a table.
const std::array<char16_t, 256>& Windows1252();

// The characters the Symbol font draws for its codes (Adobe's Symbol encoding). A code it
// draws no character for reads as U+F000 + code, as the codes of other symbol fonts do.
const std::array<char16_t, 256>& SymbolFontTable();

// The codes of a symbol font other than Symbol (Wingdings and the like) as U+F000 + code:
// the font shows its glyph there where it is installed. Codes below 0x20 stay as they are.
const std::array<char16_t, 256>& PrivateSymbolTable();

// Encodes characters into one code page, reporting the ones it cannot hold exactly.
class CodePageEncoder {
public:
    // A code page of nothing but ASCII: every other character is reported.
    static constexpr int kAsciiOnly = -1;

    explicit CodePageEncoder(int codePage);
    ~CodePageEncoder();
    CodePageEncoder(CodePageEncoder&&) noexcept;
    CodePageEncoder& operator=(CodePageEncoder&&) noexcept;

    int codePage() const { return codePage_; }
    // The bytes of `ch` (one UTF-16 unit outside the surrogate range) in the code page, or
    // an empty string when it has none that reads back as the same character.
    std::string_view Encode(char16_t ch);

private:
    struct Impl;
    int codePage_;
    std::unique_ptr<Impl> impl_;
};

} // namespace quill::rtf
