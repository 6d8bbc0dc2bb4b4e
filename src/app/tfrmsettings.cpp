#include "app/tfrmsettings.h"

#include "app/appstyle.h"
#include "app/tfrmlogin.h"
#include "platform/ansi.h"
#include "platform/dialogs.h"

#include <QAbstractItemView>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>

namespace quill {

TfrmSettings* frmSettings = nullptr;

namespace {

QLabel* AddLabel(QWidget* parent, const QString& text, int x, int y, bool bold = false)
{
    auto* label = new QLabel(text, parent);
    label->setFont(PixelFont(QStringLiteral("Arial"), 13, bold));
    label->setStyleSheet(QStringLiteral("color: black; background: transparent;"));
    label->move(x, y);
    label->adjustSize();
    return label;
}

void AddBevel(QWidget* parent, int x, int y, int width, int height)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(x, y, width, height);
}

} // namespace

TfrmSettings::TfrmSettings(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setWindowTitle(QStringLiteral("Edit Password"));
    setFixedSize(231, 405);
    const QFont arial13 = PixelFont(QStringLiteral("Arial"), 13);

    RbPanel8 = new TRbPanel(this);
    RbPanel8->setGeometry(0, 0, 231, 405);
    ApplyDialogPanelLook(*RbPanel8, QStringLiteral("Enter Password"));

    DBEdit1 = new TDBEdit(frmLogin->tblPassword, frmLogin->tblPasswordPassword, RbPanel8);
    DBEdit1->setGeometry(32, 48, 169, 24);
    DBEdit1->setFont(arial13);
    DBEdit1->installEventFilter(this);

    AddBevel(RbPanel8, 24, 88, 185, 10);
    QLabel* heading = AddLabel(RbPanel8, QStringLiteral("Default Font Settings"), 8, 104, true);
    heading->setGeometry(8, 104, 217, 16);
    heading->setAlignment(Qt::AlignCenter);

    AddLabel(RbPanel8, QStringLiteral("Font Name"), 32, 128);
    FontComboBox1 = new TFontComboBox(RbPanel8);
    FontComboBox1->setGeometry(32, 144, 169, 23);
    FontComboBox1->setFont(arial13);
    FontComboBox1->installEventFilter(this);

    AddLabel(RbPanel8, QStringLiteral("Font Size"), 32, 176);
    SpinEdit1 = new QSpinBox(RbPanel8);
    SpinEdit1->setGeometry(32, 192, 75, 26);
    SpinEdit1->setRange(6, 200);
    SpinEdit1->setValue(11);
    SpinEdit1->setFont(arial13);
    SpinEdit1->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);

    AddLabel(RbPanel8, QStringLiteral("Font Color"), 32, 228);
    ColorBox1 = new TColorBox(RbPanel8);
    ColorBox1->setGeometry(32, 244, 169, 22);

    AddBevel(RbPanel8, 24, 278, 185, 10);
    chkSkip = new TRbCheckBox(RbPanel8);
    chkSkip->setGeometry(32, 304, 169, 17);
    chkSkip->SetCaption(QStringLiteral("Skip empty entries"));
    chkSkip->SetCheckColor(clGreen);
    chkSkip->setFont(arial13);
    chkSkip->SetFontColor(clBlack);

    btnSave = MakeButton(RbPanel8, QRect(32, 346, 75, 25), QStringLiteral("Save"), QStringLiteral(":/buttons/save"));
    connect(btnSave, &TRbButton::OnClick, this, &TfrmSettings::btnSaveClick);

    btnCancel = MakeButton(RbPanel8, QRect(125, 346, 75, 25), QStringLiteral("Cancel"), QStringLiteral(":/buttons/cancel"));
    connect(btnCancel, &TRbButton::OnClick, this, &TfrmSettings::btnCancelClick);

    setTabOrder(DBEdit1, FontComboBox1);
    setTabOrder(FontComboBox1, SpinEdit1);
    setTabOrder(SpinEdit1, btnSave);
    setTabOrder(btnSave, btnCancel);
    setTabOrder(btnCancel, chkSkip);
    setTabOrder(chkSkip, ColorBox1);

    FormCreate();
}

TfrmSettings::~TfrmSettings()
{
    if (frmSettings == this)
        frmSettings = nullptr;
}

QString TfrmSettings::SelectedFace() const
{
    return FontComboBox1->SelectedFace();
}

void TfrmSettings::SelectFace(const QString& face)
{
    FontComboBox1->SelectFace(face);
}

void TfrmSettings::FormCreate()
{
    const auto stored = StoredDefaultFont(frmLogin->tblPassword, frmLogin->fields);
    SelectFace(stored ? stored->face : QStringLiteral("Arial"));
    SpinEdit1->setValue(stored ? stored->size : 11);
    ColorBox1->SetSelected(stored ? stored->color : clBlack);
}

void TfrmSettings::showEvent(QShowEvent* event)
{
    if (QWidget* main = parentWidget() ? parentWidget()->window() : nullptr)
        move(main->geometry().center() - rect().center());
    QDialog::showEvent(event);
    FormActivate();
}

void TfrmSettings::FormActivate()
{
    DBEdit1->setFocus();
}

void TfrmSettings::FontComboBox1Enter()
{
    FontComboBox1->view()->setMinimumWidth(250);
}

void TfrmSettings::btnSaveClick()
{
    try {
        MemTable& table = frmLogin->tblPassword;
        const auto face = ToAnsi(SelectedFace());
        frmLogin->tblPasswordFontName.SetAsString(face ? *face : std::string());
        SpinEdit1->interpretText();
        frmLogin->tblPasswordFontSize.SetAsInteger(SpinEdit1->value());
        frmLogin->tblPasswordFontColor.SetAsInteger(static_cast<std::int32_t>(ColorBox1->Selected()));
        table.Post();
        accept();
    } catch (const std::exception& e) {
        ShowError(this, QString::fromUtf8(e.what()));
    }
}

void TfrmSettings::btnCancelClick()
{
    try {
        frmLogin->tblPassword.Cancel();
        QDialog::reject();
    } catch (const std::exception& e) {
        ShowError(this, QString::fromUtf8(e.what()));
    }
}

void TfrmSettings::reject()
{
    // Escape leaves the window as Cancel does, so the row never stays in editing behind it.
    btnCancelClick();
}

bool TfrmSettings::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == FontComboBox1 && event->type() == QEvent::FocusIn)
        FontComboBox1Enter();
    // DBEdit1KeyDown: Enter saves like the button.
    if (watched == DBEdit1 && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            btnSaveClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace quill
