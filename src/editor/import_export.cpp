#include "editor/import_export.h"

#include "platform/richedit/richedit.h"
#include "storage/fileio.h"

#include <QFile>
#include <QFileInfo>

namespace quill {

namespace {

std::string LocalPath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

} // namespace

bool IsPlainTextFile(const QString& path)
{
    return QFileInfo(path).suffix().compare(QLatin1String("txt"), Qt::CaseInsensitive) == 0;
}

void ImportDocument(RichEdit& editor, const QString& path)
{
    const Bytes bytes = ReadWholeFile(LocalPath(path));
    const bool plain = IsPlainTextFile(path);
    editor.SetPlainText(plain);
    editor.SetStreamMode(plain ? TStreamMode() : TStreamMode(smUnicode));
    editor.StreamIn(bytes.view(), plain ? sfPlainText : editor.StreamFormat());
    editor.SetModified(true);
}

void ExportDocument(const RichEdit& editor, const QString& path)
{
    const std::string bytes = editor.StreamOut(IsPlainTextFile(path) ? sfPlainText : editor.StreamFormat());
    ReplaceFile(LocalPath(path), {bytes});
}

} // namespace quill
