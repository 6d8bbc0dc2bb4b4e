#include "app/tfrmlogin.h"

#include "app/safekeeping.h"

#include "app/appstyle.h"
#include "app/tfrmmain.h"
#include "platform/ansi.h"
#include "platform/dialogs.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>

namespace quill {

TfrmLogin* frmLogin = nullptr;

TfrmLogin::TfrmLogin(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setWindowTitle(QStringLiteral("Login Window"));
    setFixedSize(250, 138);

    RbPanel8 = new TRbPanel(this);
    RbPanel8->setGeometry(0, 0, 250, 138);
    ApplyDialogPanelLook(*RbPanel8, QStringLiteral("Enter Password"));

    edtPassword = new QLineEdit(RbPanel8);
    edtPassword->setGeometry(25, 45, 202, 30);
    edtPassword->setEchoMode(QLineEdit::Password);
    edtPassword->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; color: black; }"));
    edtPassword->setFont(PixelFont(QStringLiteral("MS Sans Serif"), 19, true));
    edtPassword->installEventFilter(this);

    btnLogin = MakeButton(RbPanel8, QRect(24, 90, 75, 25), QStringLiteral("Login"), QStringLiteral(":/buttons/login"));
    connect(btnLogin, &TRbButton::OnClick, this, &TfrmLogin::btnLoginClick);

    btnExit = MakeButton(RbPanel8, QRect(152, 90, 75, 25), QStringLiteral("Exit"), QStringLiteral(":/buttons/exit"));
    connect(btnExit, &TRbButton::OnClick, this, &TfrmLogin::btnExitClick);

    setTabOrder(btnLogin, btnExit);
    setTabOrder(btnExit, edtPassword);

    FormCreate();
}

TfrmLogin::~TfrmLogin()
{
    if (frmLogin == this)
        frmLogin = nullptr;
}

void TfrmLogin::FormCreate()
{
    OpenOrRestoreBackup(tblPassword, [this] { OpenSettingsTable(tblPassword); }, this);
}

void TfrmLogin::showEvent(QShowEvent* event)
{
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    QDialog::showEvent(event);
    FormActivate();
}

void TfrmLogin::FormActivate()
{
    if (frmMain)
        frmMain->SetLoginPassed(false);
    edtPassword->setFocus();
}

void TfrmLogin::btnLoginClick()
{
    try {
        // Settings that could not be read never let anyone in.
        if (!tblPassword.Active()) {
            ShowError(this, QStringLiteral("The settings could not be read, so the password cannot be checked."));
            return;
        }
        if (!tblPassword.IsEmpty() && FromAnsi(tblPasswordPassword.AsString()) != edtPassword->text()) {
            ShowInformation(this, QStringLiteral("Invalid Password."));
            edtPassword->setFocus();
            return;
        }
        if (frmMain)
            frmMain->SetLoginPassed(true);
        accept();
    } catch (const std::exception& e) {
        ShowError(this, QString::fromUtf8(e.what()));
    }
}

void TfrmLogin::btnExitClick()
{
    QDialog::reject();
}

void TfrmLogin::reject()
{
    btnExitClick();
}

bool TfrmLogin::eventFilter(QObject* watched, QEvent* event)
{
    // edtPasswordKeyDown: Enter logs in like the button.
    if (watched == edtPassword && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            btnLoginClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace quill
