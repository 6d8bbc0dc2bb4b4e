#include "editor/tfrmemoticons.h"

namespace quill {

TfrmEmoticons* frmEmoticons = nullptr;

TfrmEmoticons::TfrmEmoticons(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Emotional Icons"));
}

TfrmEmoticons::~TfrmEmoticons()
{
    if (frmEmoticons == this)
        frmEmoticons = nullptr;
}

} // namespace quill
