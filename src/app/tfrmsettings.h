#pragma once

#include "platform/colorbox.h"
#include "platform/dbedit.h"
#include "platform/fontcombobox.h"
#include "ui/rbbutton.h"
#include "ui/rbcheckbox.h"
#include "ui/rbpanel.h"

#include <QDialog>
#include <QSpinBox>

namespace quill {

// Edits the password and the default editor font of the settings row, and carries the
// "Skip empty entries" switch. The main window puts the row into editing before showing it.
class TfrmSettings : public QDialog {
    Q_OBJECT

public:
    explicit TfrmSettings(QWidget* parent = nullptr);
    ~TfrmSettings() override;

    TRbPanel* RbPanel8;
    TDBEdit* DBEdit1;
    TFontComboBox* FontComboBox1;
    QSpinBox* SpinEdit1;
    TColorBox* ColorBox1;
    TRbCheckBox* chkSkip;
    TRbButton* btnSave;
    TRbButton* btnCancel;

    // The face selected in the font list; empty when none is.
    QString SelectedFace() const;
    void SelectFace(const QString& face);

    void FormCreate();
    void FormActivate();
    void FontComboBox1Enter();
    void btnSaveClick();
    void btnCancelClick();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void reject() override;
};

extern TfrmSettings* frmSettings;

} // namespace quill
