#pragma once

// Pictures inside the rich text: an object replacement character whose character format
// carries the picture's bytes and sizes, drawn by a handler registered on each document.

#include "rtf_format.h"

#include "platform/pictures/picture.h"

#include <QObject>
#include <QSizeF>
#include <QTextCharFormat>
#include <QTextObjectInterface>

class QTextDocument;

namespace quill::richtext {

// Kinds a document keeps: device-independent and device bitmaps become PNG when read.
enum class PictureKind { Png = 0, Jpeg = 1, Emf = 2, Wmf = 3 };
static_assert(static_cast<int>(rtf::PictureKind::Png) == static_cast<int>(PictureKind::Png) &&
              static_cast<int>(rtf::PictureKind::Wmf) == static_cast<int>(PictureKind::Wmf));

struct EmbeddedPicture {
    PictureKind kind = PictureKind::Png;
    QByteArray bytes;
    int width = 0;  // \picw: pixels for bitmaps, 0.01 mm for metafiles
    int height = 0; // \pich
    int goalWidth = 0; // twips
    int goalHeight = 0;
    int scaleX = 100;
    int scaleY = 100;
    int mapping = 8;
};

// The picture's character format (on top of `base`), with a fresh identity.
QTextCharFormat PictureCharFormat(const EmbeddedPicture& picture, const QTextCharFormat& base = {});
bool IsPicture(const QTextFormat& format);
EmbeddedPicture PictureOf(const QTextFormat& format);

// A picture read from RTF as a document keeps it.
EmbeddedPicture FromRtf(rtf::Picture&& picture);
// An image pasted or inserted: PNG at its size in pixels at 96 per inch.
EmbeddedPicture FromImage(const QImage& image);
// A metafile pasted or inserted, at the size it declares.
EmbeddedPicture FromMetafile(quill::PictureFormat format, const QByteArray& bytes);

// The shown size in twips: the goal size (or the native size) times the scale.
QSizeF ShownSizeTwips(const EmbeddedPicture& picture);

// Draws pictures for a document's layout.
class PictureObjectHandler : public QObject, public QTextObjectInterface {
    Q_OBJECT
    Q_INTERFACES(QTextObjectInterface)

public:
    using QObject::QObject;
    QSizeF intrinsicSize(QTextDocument* document, int position, const QTextFormat& format) override;
    void drawObject(QPainter* painter, const QRectF& rect, QTextDocument* document, int position,
                    const QTextFormat& format) override;

    // Makes the document's layout draw pictures; the handler is owned by the document.
    static void Register(QTextDocument* document);
};

} // namespace quill::richtext
