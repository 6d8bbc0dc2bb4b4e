#include "entry_image.h"

#include "platform/pictures/picture.h"
#include "platform/richedit/richedit.h"

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QPainter>
#include <QTextDocument>

#include <cmath>
#include <stdexcept>
#include <string>

namespace quill::tool {

QImage DrawEntry(std::string_view body, int width)
{
    // The editor as the main window sets it up and loads an entry into it: links shown,
    // justified paragraphs justified, a body that is no RTF read as 8-bit text.
    RichEdit editor;
    editor.SetAutoURLDetect(true);
    editor.SetAdvancedTypography(true);
    editor.SetStreamMode({});
    editor.StreamIn(body, sfRichText);
    QCoreApplication::processEvents(); // lets the link detection finish

    QTextDocument* document = editor.document();
    document->setTextWidth(width);
    const auto height = static_cast<qint64>(std::ceil(document->size().height()));
    if (width * height > kMaxPicturePixels)
        throw std::runtime_error("The entry is too long to draw at this width (" + std::to_string(height) + " pixels)");
    QImage image(width, static_cast<int>(height), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette = editor.palette();
    document->documentLayout()->draw(&painter, context);
    return image;
}

} // namespace quill::tool
