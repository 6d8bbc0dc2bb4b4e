#include "platform/clipboard.h"

#include "platform/pictures/picture.h"
#include "platform/richedit/richedit.h"

#include <functional>

namespace quill {

namespace {

// A scratch editor holding only the picture copies it the way any selection is copied, so
// that a paste reads it back exactly as the editor writes pictures.
void CopyPicture(const std::function<void(RichEdit&)>& insert)
{
    RichEdit scratch;
    insert(scratch);
    scratch.SelectAll();
    scratch.copy();
}

} // namespace

void PutPictureOnClipboard(const Picture& picture)
{
    CopyPicture([&picture](RichEdit& edit) { edit.InsertPicture(picture); });
}

void PutImageOnClipboard(const QImage& image)
{
    CopyPicture([&image](RichEdit& edit) { edit.InsertImage(image); });
}

} // namespace quill
