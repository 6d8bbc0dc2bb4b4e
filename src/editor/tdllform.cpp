#include "editor/tdllform.h"

namespace quill {

TDLLForm* DLLForm = nullptr;

TDLLForm::TDLLForm(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Character Map"));
}

TDLLForm::~TDLLForm()
{
    if (DLLForm == this)
        DLLForm = nullptr;
}

} // namespace quill
