#pragma once

// The RTF reader: one pass over the bytes, reporting text, pictures and paragraph ends to a
// sink. It drives both the document builder of the rich-text control and the plain-text
// extraction, so the search sees exactly the text the control shows.
//
// The input comes from outside: every length is checked against the end of the input, groups
// are kept on an explicit stack whose depth is capped, numbers saturate, and broken escapes
// are dropped. Input that ends early keeps what was read.

#include "rtf_format.h"

#include <functional>
#include <string_view>

namespace quill::rtf {

// Groups nested deeper than this keep the state of the deepest one: their braces are counted
// and their text is read, in that group's formats, but the formats they set are not, and the
// destinations they open that hold no text are skipped.
constexpr int kMaxGroupDepth = 512;

// Reads `bytes` as RTF into `sink`, filling `tables` as the document declares them. Returns
// false, having reported nothing, when the bytes are not RTF: they do not begin with "{\rtf"
// after white space.
bool ReadRtf(std::string_view bytes, Sink& sink, Tables& tables);

// Told the plain text read so far (soft line breaks still U+2028), says whether that is enough.
using PlainTextCheck = std::function<bool(QStringView text)>;

// The same reading for plain text only, appended to `text` exactly as PlainTextSink collects
// it (paragraphs separated by "\n", soft line breaks as "\n", pictures left out), without
// the work formats take. With `enough`, reading stops at the end of the first paragraph
// after which it says yes; `stopped` then tells whether it did. `paragraphs` tells whether
// the document has any paragraph: an empty one has no text, but is one.
bool ReadRtfPlainText(std::string_view bytes, QString& text, const PlainTextCheck* enough = nullptr,
                      bool* stopped = nullptr, bool* paragraphs = nullptr);

// True when the bytes begin with "{\rtf" after white space.
bool LooksLikeRtf(std::string_view bytes);

enum class PlainEncoding { Windows1252, Utf16 };

// Reads plain text into `sink`: every line end (CR LF, LF or CR) ends a paragraph, and a
// final line end adds no empty paragraph, as the final \par of an RTF document does. UTF-16
// is little-endian, an initial byte-order mark is dropped, and an odd number of bytes is not
// UTF-16 text: the reader then returns false, having reported nothing.
bool ReadPlainText(std::string_view bytes, PlainEncoding encoding, Sink& sink);

} // namespace quill::rtf
