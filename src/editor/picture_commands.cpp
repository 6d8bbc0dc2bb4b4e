#include "editor/picture_commands.h"

#include "editor/clipboard_commands.h"
#include "platform/clipboard.h"
#include "platform/pictures/picture.h"
#include "platform/richedit/richedit.h"

#include <QCoreApplication>
#include <QImage>

namespace quill {

namespace {

const QString kFileScheme = QStringLiteral("file:");

} // namespace

QImage InsertedBitmap(const QImage& bitmap, bool transparent)
{
    if (!transparent || bitmap.isNull())
        return bitmap.convertToFormat(QImage::Format_RGB888);
    // The colour of the bottom-left pixel is the one left out. It is compared with its
    // transparency, so that where that pixel is transparent exactly the picture's own
    // transparent pixels go, and an opaque pixel of the same colour stays.
    QImage image = bitmap.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = image.pixel(0, image.height() - 1);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (line[x] == key || qAlpha(line[x]) == 0)
                line[x] = qRgba(0, 0, 0, 0);
    }
    return image;
}

void InsertPictureFile(RichEdit& editor, const QString& path)
{
    QCoreApplication::processEvents();
    const Picture picture = Picture::LoadFromFile(path);
    if (IsMetafile(picture.Format()) || picture.Format() == PictureFormat::Jpeg)
        PutPictureOnClipboard(picture); // their own bytes: a photo stays a JPEG
    else
        PutImageOnClipboard(InsertedBitmap(picture.Bitmap(), picture.Transparent()));
    QCoreApplication::processEvents();
    PasteFromClipboard(editor);
}

QString FileLinkText(const QString& path)
{
    QString text = path;
    text.replace(u' ', u'%');
    return kFileScheme + text;
}

void InsertFileLink(RichEdit& editor, const QString& path)
{
    editor.ReplaceSelection(FileLinkText(path));
    editor.SelAttributes().SetLink(true);
}

QString LinkTarget(const QString& linkText)
{
    if (!linkText.startsWith(kFileScheme, Qt::CaseInsensitive))
        return linkText;
    QString target = linkText;
    target.replace(u'%', u' ');
    return target;
}

} // namespace quill
