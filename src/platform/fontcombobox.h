#pragma once

#include <QComboBox>

namespace quill {

// A drop-down list of the installed font faces, each drawn in its own face. The faces that
// stored settings and documents name most (Arial, Times New Roman, Courier New) are listed
// too where the system stands in for them with metric-compatible faces, so that a setting
// made on another desktop stays selectable. Selection only from the list.
class TFontComboBox : public QComboBox {
    Q_OBJECT

public:
    explicit TFontComboBox(QWidget* parent = nullptr);

    // The selected face; empty when none is selected.
    QString SelectedFace() const;
    // Selects the face (letter case aside); a face not in the list leaves no selection.
    void SelectFace(const QString& face);
};

} // namespace quill
