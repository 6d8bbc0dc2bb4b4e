#pragma once

// An entry's pictures as files of their own, which any browser or Markdown viewer shows.

#include "platform/richedit/picture_object.h"

#include <QByteArray>
#include <QSize>

#include <string>

namespace quill::tool {

struct PictureFile {
    std::string name;                    // in the pictures folder
    QSize shown;                         // the size the editor shows it at, in pixels
    richtext::EmbeddedPicture picture;
};

// The extension of a picture's file: a JPEG keeps its bytes, everything else becomes PNG.
const char* PictureFileExtension(const richtext::EmbeddedPicture& picture);

// The size in pixels the editor shows a picture at.
QSize ShownPixels(const richtext::EmbeddedPicture& picture);

// The bytes of a picture's file: a bitmap's bytes as stored; a metafile drawn into a PNG of
// twice its shown size, sharp on dense screens; the editor's placeholder for a picture with
// no bytes or a metafile that cannot be drawn. Draws metafiles through libraries that may
// not be used from two threads at once: call it from one thread.
QByteArray PictureFileBytes(const PictureFile& file);

} // namespace quill::tool
