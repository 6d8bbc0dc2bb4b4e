#pragma once

// Pictures on the clipboard, as the editor pastes them: rich text holding the picture, and a
// bitmap beside it for other programs.

class QImage;

namespace quill {

class Picture;

// Replaces the clipboard's content by a loaded picture file: a JPEG keeps its bytes and a
// metafile its bytes and kind; other bitmaps go as PNG.
void PutPictureOnClipboard(const Picture& picture);
// Replaces the clipboard's content by a bitmap, kept as PNG (transparency included).
void PutImageOnClipboard(const QImage& image);

} // namespace quill
