#pragma once

// Pictures and links in an entry: a picture file inserted at the caret through the
// clipboard, a link to a file typed at the caret, and a clicked link opened.

#include <QString>

class QImage;

namespace quill {

class RichEdit;

// Loads the picture file (the decoder chosen by its extension), puts it on the clipboard
// in place of what was there and pastes it over the selection; the entry counts as
// modified. A GIF with a transparent colour leaves out the colour of its bottom-left pixel;
// other bitmaps are drawn opaque. A file the loader rejects fails with its message before
// the clipboard is touched.
void InsertPictureFile(RichEdit& editor, const QString& path);

// The bitmap as inserted: 24 bits per pixel, or, when `transparent` is set, with the colour
// of its bottom-left pixel (and its own transparent pixels) left out.
QImage InsertedBitmap(const QImage& bitmap, bool transparent);

// "file:" and the path with every space written as "%".
QString FileLinkText(const QString& path);
// Replaces the selection by the link to `path`, as a step that cannot be undone, and
// switches the link attribute on at the caret behind it.
void InsertFileLink(RichEdit& editor, const QString& path);

// What a clicked link opens: a "file:" link with every "%" turned back into a space; any
// other address as it is written, so that percent-encoded addresses keep working.
QString LinkTarget(const QString& linkText);

} // namespace quill
