// Enhanced metafiles through libemf2svg.
#include "metafile_svg.h"

#include "metafile_records.h"
#include "picture.h"

#include <emf2svg.h>

#include <cstdlib>
#include <memory>

namespace quill {

MetafileSvg EnhancedMetafileToSvg(QByteArrayView bytes)
{
    const EmfFrame frame = CheckEnhancedMetafile(bytes);
    generatorOptions options{};
    options.nameSpace = const_cast<char*>("");
    options.svgDelimiter = true;
    options.emfplus = false; // the plain records that every EMF+ file carries as well
    char* out = nullptr;
    std::size_t outLength = 0;
    // emf2svg takes a pointer to writable bytes but only reads them: the fuzz target hands it
    // read-only memory.
    const int converted = emf2svg(const_cast<char*>(bytes.data()), static_cast<std::size_t>(frame.length), &out,
                                  &outLength, &options);
    const std::unique_ptr<char, decltype(&std::free)> owned(out, &std::free);
    if (!converted || !out || outLength == 0)
        throw PictureError("Metafile is not valid");

    // The SVG's origin is the top-left of what was drawn; the picture is the header's frame,
    // or what was drawn when the frame says nothing.
    MetafileSvg result{QByteArray(out, static_cast<qsizetype>(outLength)), {}};
    const QPointF origin = frame.bounds.topLeft();
    result.frame = frame.frame.isEmpty() ? QRectF(QPointF(), frame.bounds.size()) : frame.frame.translated(-origin);
    if (result.frame.isEmpty())
        throw PictureError("Metafile is not valid");
    return result;
}

} // namespace quill
