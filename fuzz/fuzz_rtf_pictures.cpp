// Fuzzes the pictures of entries: an RTF body read into a document, written back, and the
// document drawn, so that every picture group (\pngblip, \jpegblip, \emfblip, \wmetafile,
// \dibitmap, \wbitmap) goes from the reader through its decoder to the drawing. Writing
// keeps each metafile's bytes as they were read.
#include "platform/richedit/document_builder.h"
#include "platform/richedit/picture_object.h"
#include "platform/richedit/rtf_writer.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>

#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace {

QGuiApplication& Application()
{
    static int argc = 1;
    static char name[] = "fuzz_rtf_pictures";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication application(argc, argv);
    return application;
}

// The bytes of the document's metafiles, in order.
std::vector<QByteArray> Metafiles(const QTextDocument& document)
{
    using namespace quill::richtext;
    std::vector<QByteArray> found;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (!IsPicture(format))
                continue;
            const EmbeddedPicture picture = PictureOf(format);
            if (picture.kind == PictureKind::Emf || picture.kind == PictureKind::Wmf)
                for (int i = 0; i < it.fragment().length(); ++i)
                    found.push_back(picture.bytes);
        }
    }
    return found;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Application();
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    QTextDocument document;
    if (!quill::richtext::LoadRtf(document, bytes, {}))
        return 0;
    document.setTextWidth(320);
    QImage image(320, 240, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    document.drawContents(&painter, QRectF(0, 0, 320, 240));
    painter.end();

    QTextDocument reread;
    if (!quill::richtext::LoadRtf(reread, quill::richtext::WriteRtf(document), {}) || Metafiles(reread) != Metafiles(document))
        std::abort();
    return 0;
}
