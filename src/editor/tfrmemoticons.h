#pragma once

#include <QDialog>

namespace quill {

// The emoticon picker. It is created at start with the other windows; its pictures and
// their commands come with the emoticon feature.
class TfrmEmoticons : public QDialog {
    Q_OBJECT

public:
    explicit TfrmEmoticons(QWidget* parent = nullptr);
    ~TfrmEmoticons() override;
};

extern TfrmEmoticons* frmEmoticons;

} // namespace quill
