#pragma once

// A day's entry drawn as the main window's editor shows it.

#include <QImage>

#include <string_view>

namespace quill::tool {

// The entry's body laid out in a text area `width` pixels wide, on white, as tall as its
// text needs. Fails for an entry whose drawing would take more pixels than a picture may.
QImage DrawEntry(std::string_view body, int width);

} // namespace quill::tool
