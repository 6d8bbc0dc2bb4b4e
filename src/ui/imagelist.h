#pragma once

#include "platform/syscolors.h"

#include <QImage>
#include <QList>

class QPainter;

namespace quill {

// A list of equally sized pictures (16 x 16 unless told otherwise) indexed from 0, always
// drawn transparently.
class TImageList {
public:
    explicit TImageList(int width = 16, int height = 16);

    int Width() const { return width_; }
    int Height() const { return height_; }
    int Count() const { return static_cast<int>(images_.size()); }

    // Adds a picture, keeping its alpha channel; one of another size is scaled to fit.
    // Returns its index.
    int Add(const QImage& image);
    // Adds a picture whose pixels of the given colour are transparent.
    int AddMasked(const QImage& image, TColor transparentColor);
    void Clear() { images_.clear(); }

    // The picture at index (null when there is none).
    QImage Image(int index) const;

    // Draws the picture at index with its top-left corner at (x, y); disabled pictures are
    // drawn as faint grey. An index out of range draws nothing.
    void Draw(QPainter& canvas, int x, int y, int index, bool enabled = true) const;

private:
    int width_;
    int height_;
    QList<QImage> images_;
};

} // namespace quill
