#pragma once

#include "app/settingsstore.h"
#include "storage/memtable.h"
#include "ui/rbbutton.h"
#include "ui/rbpanel.h"

#include <QDialog>
#include <QLineEdit>

namespace quill {

// The password prompt shown once at start. It owns the settings table.
class TfrmLogin : public QDialog {
    Q_OBJECT

public:
    explicit TfrmLogin(QWidget* parent = nullptr);
    ~TfrmLogin() override;

    MemTable tblPassword{"tblPassword"};
    SettingsFields fields{DeclareSettingsFields(tblPassword)};
    Field& tblPasswordPassword = fields.Password;
    Field& tblPasswordFontName = fields.FontName;
    Field& tblPasswordFontSize = fields.FontSize;
    Field& tblPasswordFontColor = fields.FontColor;

    TRbPanel* RbPanel8;
    QLineEdit* edtPassword;
    TRbButton* btnLogin;
    TRbButton* btnExit;

    void FormCreate();
    void FormActivate();
    void btnLoginClick();
    void btnExitClick();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void reject() override;
};

extern TfrmLogin* frmLogin;

} // namespace quill
