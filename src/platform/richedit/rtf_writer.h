#pragma once

// Writes a document as RTF in the style of the earlier rich-text control: \ansicpg1252, a
// font table with character sets, a colour table, \pard paragraphs, bullets in the \pn form
// with \pntext for older readers, \uN? for characters outside a font's code page, and
// pictures as \pngblip (JPEG, EMF and WMF pictures keep their bytes and kind). The output
// is compact and depends on nothing but the document.

#include "rtf_reader.h"

#include <string>

class QTextDocument;

namespace quill::richtext {

std::string WriteRtf(const QTextDocument& document);

// The plain text: every paragraph followed by CR LF (nothing at all for an empty document),
// soft line breaks as CR LF, pictures left out. windows-1252 writes '?' for characters it
// does not have; UTF-16 is little-endian without a byte-order mark.
std::string WritePlainText(const QTextDocument& document, rtf::PlainEncoding encoding);

} // namespace quill::richtext
