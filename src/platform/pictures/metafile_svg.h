#pragma once

// Metafiles as SVG: enhanced metafiles through libemf2svg, Windows metafiles through libwmf.
// Every record is checked before a library sees the bytes.

#include <QByteArray>
#include <QByteArrayView>
#include <QRectF>

namespace quill {

struct MetafileSvg {
    QByteArray svg;
    QRectF frame; // the picture's rectangle in the SVG's user units
};

// Fails with "Metafile is not valid" for a metafile the library does not take, or with the
// too-large message.
MetafileSvg EnhancedMetafileToSvg(QByteArrayView bytes);

// `mappingMode` is the mapping mode a document gives the metafile (MM_TEXT 1 to
// MM_ANISOTROPIC 8): with MM_ISOTROPIC and MM_ANISOTROPIC the picture is the metafile's window.
MetafileSvg WindowsMetafileToSvg(QByteArrayView bytes, int mappingMode);

} // namespace quill
