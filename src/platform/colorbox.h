#pragma once

#include "platform/syscolors.h"

#include <QComboBox>

namespace quill {

// A drop-down list of the sixteen standard and four extended named colours, each shown
// with a swatch and its name in bold. A value that is not in the list leaves the list
// without a selection, which reads as 0xFF000000.
class TColorBox : public QComboBox {
    Q_OBJECT

public:
    static constexpr TColor kNoSelection = 0xFF000000u;

    explicit TColorBox(QWidget* parent = nullptr);

    TColor Selected() const;
    void SetSelected(TColor color);
};

} // namespace quill
