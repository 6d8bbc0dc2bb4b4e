#pragma once

// Import and export of whole documents: a file's extension decides its format (".txt" is
// plain text, anything else rich text), compared without regard to letter case.

#include <QString>

namespace quill {

class RichEdit;

bool IsPlainTextFile(const QString& path);

// Replaces the editor's content by the file's. The file is read first: one that cannot be
// read ("Cannot open file %s") leaves the editor as it was. A ".txt" file switches the
// editor to plain-text mode and reads it as 8-bit text; any other switches it back to rich
// text with Unicode plain text. The imported document counts as modified, so that it is
// stored like anything typed.
void ImportDocument(RichEdit& editor, const QString& path);

// Writes the editor's whole content to the file, as plain text for ".txt" names and rich
// text otherwise. The file is replaced only once the new one is complete, so a failure
// ("Failed to Save Stream", "Cannot create file %s") leaves an existing file as it was.
void ExportDocument(const RichEdit& editor, const QString& path);

} // namespace quill
