#pragma once

#include <QDialog>

namespace quill {

// The character map window. It is created at start with the other windows; its grid and
// commands come with the character map feature.
class TDLLForm : public QDialog {
    Q_OBJECT

public:
    explicit TDLLForm(QWidget* parent = nullptr);
    ~TDLLForm() override;
};

extern TDLLForm* DLLForm;

} // namespace quill
