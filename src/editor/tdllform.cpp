#include "editor/tdllform.h"

#include "editor/font_codes.h"
#include "editor/window_drag.h"
#include "platform/drawtext.h"
#include "ui/windowlook.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QPainter>

#include <algorithm>

namespace quill {

TDLLForm* DLLForm = nullptr;

namespace {

constexpr int kCellSize = 24;
constexpr int kPreviewPoints = 70;
constexpr int kGridPoints = 12;
const QColor kNavy(0, 0, 128);

int CodeOfCell(int col, int row)
{
    return (TDLLForm::kColumns * row + col) % 256;
}

// A font of the face without style. Every style property is set, so that nothing of the
// panel's font reaches the controls it is given to.
QFont PlainFont(const QString& face)
{
    QFont font(face);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    return font;
}

void SetTextColour(QWidget& widget, const QColor& colour)
{
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Text, colour);
    widget.setPalette(palette);
}

// The clipboard's plain text ends at a NUL character, as the 8-bit text of the platforms
// the journals come from does: the character of code 0 puts an empty text there.
void PutTextOnClipboard(const QString& text)
{
    const qsizetype end = text.indexOf(QChar(u'\0'));
    QApplication::clipboard()->setText(end < 0 ? text : text.left(end));
}

} // namespace

TDLLForm::TDLLForm(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setWindowTitle(QStringLiteral("Character Map"));
    setFixedSize(718, 538);
    BuildTitle();
    BuildMiddle();
    BuildBottom();

    // Ctrl+C copies the text box's selected part wherever the focus is in the window.
    EditCopy1 = new QAction(QStringLiteral("Copy"), this);
    EditCopy1->setShortcut(QKeySequence::Copy);
    EditCopy1->setShortcutContext(Qt::WindowShortcut);
    connect(EditCopy1, &QAction::triggered, Edit1, &QLineEdit::copy);
    addAction(EditCopy1);

    FormCreate();
}

TDLLForm::~TDLLForm()
{
    if (DLLForm == this)
        DLLForm = nullptr;
}

void TDLLForm::BuildTitle()
{
    RbPanel1 = new TRbPanel(this);
    RbPanel1->setGeometry(0, 0, 718, 45);
    ApplyTitleBarLook(*RbPanel1, QStringLiteral("Character Map"), 24);
    drag_ = new WindowDrag(RbPanel1);
    connect(RbPanel1, &TRbPanel::OnMouseDown, this, &TDLLForm::RbPanel1MouseDown);
}

void TDLLForm::BuildMiddle()
{
    RbPanel3 = new TRbPanel(this);
    RbPanel3->setGeometry(0, 45, 718, 448);
    ApplyDialogPanelLook(*RbPanel3, QStringLiteral("Current Font Selection"));
    RbPanel3->BeginLoad();
    RbPanel3->SetCaptionPosition(cpTopLeft);
    RbPanel3->setFont(PixelFont(QStringLiteral("Arial"), 13, true));
    RbPanel3->SetFontColor(RGBColor(0, 0, 128));
    RbPanel3->EndLoad();

    FontComboBox1 = new TFontComboBox(RbPanel3);
    FontComboBox1->setGeometry(24, 28, 240, 24);
    FontComboBox1->setFont(PixelFont(QStringLiteral("Arial"), 13));
    connect(FontComboBox1, &QComboBox::activated, this, &TDLLForm::FontComboBox1Change);

    StringGrid1 = new QTableWidget(kRows, kColumns, RbPanel3);
    StringGrid1->horizontalHeader()->hide();
    StringGrid1->verticalHeader()->hide();
    for (QHeaderView* header : {StringGrid1->horizontalHeader(), StringGrid1->verticalHeader()}) {
        header->setMinimumSectionSize(kCellSize);
        header->setDefaultSectionSize(kCellSize);
        header->setSectionResizeMode(QHeaderView::Fixed);
    }
    StringGrid1->setShowGrid(true);
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    StringGrid1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    StringGrid1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    StringGrid1->setTabKeyNavigation(false);
    StringGrid1->setWordWrap(false);
    StringGrid1->setTextElideMode(Qt::ElideNone); // a line break's cell stays empty
    const int frame = 2 * StringGrid1->frameWidth();
    StringGrid1->setGeometry(24, 62, kColumns * kCellSize + frame, kRows * kCellSize + frame);
    for (int row = 0; row < kRows; ++row) {
        for (int col = 0; col < kColumns; ++col) {
            auto* item = new QTableWidgetItem; // owned by the grid
            item->setTextAlignment(Qt::AlignCenter);
            StringGrid1->setItem(row, col, item);
        }
    }
    SetTextColour(*StringGrid1, kNavy);
    connect(StringGrid1, &QTableWidget::currentCellChanged, this, [this](int row, int col, int, int) {
        if (row >= 0 && col >= 0)
            StringGrid1SelectCell(col, row);
    });
    // A press on the cell that is already current selects it again.
    connect(StringGrid1, &QTableWidget::cellPressed, this, [this](int row, int col) { StringGrid1SelectCell(col, row); });

    Image1 = new TImage(RbPanel3);
    Image1->setGeometry(552, 62, 121, 129);

    Label2 = new QLabel(QStringLiteral("ALT + "), RbPanel3);
    Label4 = new QLabel(QStringLiteral("0"), RbPanel3);
    for (QLabel* label : {Label2, Label4}) {
        label->setFont(PixelFont(QStringLiteral("Arial"), 19, true));
        label->setStyleSheet(QStringLiteral("color: navy; background: transparent;"));
    }
    Label2->setGeometry(552, 200, 62, 24);
    Label4->setGeometry(614, 200, 59, 24);

    btnInsert = MakeButton(RbPanel3, QRect(552, 329, 121, 49), QStringLiteral("  Insert"),
                           QStringLiteral(":/icons/imagelist/25"));
    btnInsert->setFont(PixelFont(QStringLiteral("Arial"), 15, true));
    btnInsert->setStatusTip(QStringLiteral("Insert Selected Character"));
    btnInsert->SetModalResult(mrOk);
    connect(btnInsert, &TRbButton::OnClick, this, &TDLLForm::dxButton2Click);

    Edit1 = new QLineEdit(RbPanel3);
    Edit1->setGeometry(24, 392, 340, 30);
    SetTextColour(*Edit1, kNavy);

    btnAdd = MakeButton(RbPanel3, QRect(376, 392, 60, 30), QStringLiteral("Add"), QString());
    connect(btnAdd, &TRbButton::OnClick, this, &TDLLForm::btnAddClick);

    btnInsertLine = MakeButton(RbPanel3, QRect(448, 392, 60, 30), QStringLiteral("Insert Line"), QString());
    btnInsertLine->SetModalResult(mrOk);
    connect(btnInsertLine, &TRbButton::OnClick, this, &TDLLForm::btnInsertLineClick);
}

void TDLLForm::BuildBottom()
{
    RbPanel2 = new TRbPanel(this);
    RbPanel2->setGeometry(0, 493, 718, 45);
    ApplyGradientBarLook(*RbPanel2, RGBColor(0, 159, 0), RGBColor(3, 199, 82));

    RbButton1 = MakeButton(RbPanel2, QRect(619, 10, 75, 25), QStringLiteral("  Close"), QStringLiteral(":/buttons/close"));
    RbButton1->setStatusTip(QStringLiteral("Close"));
    RbButton1->SetModalResult(mrCancel);
    connect(RbButton1, &TRbButton::OnClick, this, &TDLLForm::dxButton1Click);
}

void TDLLForm::FormCreate()
{
    SelectedRow = 3;
    SelectedCol = 5;
    InsertRow = SelectedRow;
    InsertCol = SelectedCol;
    // Until a face is chosen the grid keeps the font it was laid out with.
    gridFont_ = PlainFont(QStringLiteral("Arial"));
    gridFont_.setPixelSize(24);
    StringGrid1->setFont(gridFont_);
    Edit1->setFont(gridFont_);
    const QSignalBlocker quiet(StringGrid1);
    StringGrid1->setCurrentCell(0, 0);
}

void TDLLForm::showEvent(QShowEvent* event)
{
    if (QWidget* main = parentWidget() ? parentWidget()->window() : nullptr)
        move(main->geometry().center() - rect().center());
    QDialog::showEvent(event);
    FormActivate();
    StringGrid1->setFocus();
}

void TDLLForm::FormActivate()
{
    StringGrid1SelectCell(SelectedCol, SelectedRow);
    Edit1->clear();
}

void TDLLForm::SetChosenFace(const QString& face)
{
    if (face == FontComboBox1->SelectedFace())
        return;
    FontComboBox1->SelectFace(face);
    FontComboBox1Change();
}

void TDLLForm::FontComboBox1Change()
{
    const QString face = FontComboBox1->SelectedFace();
    QFont font = PlainFont(face.isEmpty() ? gridFont_.family() : face);
    font.setPointSize(kGridPoints);
    gridFont_ = font;
    StringGrid1->setFont(gridFont_);
    Edit1->setFont(StringGrid1->font());
    FillGrid();
}

void TDLLForm::FillGrid()
{
    const QString characters = CharactersOfCodes(gridFont_);
    for (int row = 0; row < kRows; ++row)
        for (int col = 0; col < kColumns; ++col)
            StringGrid1->item(row, col)->setText(QString(characters[CodeOfCell(col, row)]));
}

std::optional<QChar> TDLLForm::CellCharacter(int col, int row) const
{
    const QTableWidgetItem* item = StringGrid1->item(row, col);
    if (!item || item->text().isEmpty())
        return std::nullopt;
    return item->text().front();
}

bool TDLLForm::StringGrid1SelectCell(int col, int row)
{
    const std::optional<QChar> character = CellCharacter(col, row);
    if (!character)
        return true;
    Label4->setText(QStringLiteral("0") + QString::number(CodeOfCell(col, row)));
    SelectedRow = static_cast<std::uint8_t>(row);
    SelectedCol = static_cast<std::uint8_t>(col);
    InsertCol = col;
    InsertRow = row;
    DrawPreview(*character);
    return true;
}

void TDLLForm::DrawPreview(QChar character)
{
    QImage preview(Image1->size(), QImage::Format_RGB888);
    QPainter painter(&preview);
    painter.fillRect(preview.rect(), Qt::white);
    painter.setPen(QPen(Qt::black, 0));
    painter.drawRect(0, 0, preview.width() - 1, preview.height() - 1);
    QFont font = gridFont_;
    font.setPointSize(kPreviewPoints);
    painter.setFont(font);
    painter.setPen(kNavy);
    QRect inside = preview.rect().adjusted(1, 1, -1, -1);
    DrawText(painter, QString(character), inside, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    painter.end();
    Image1->SetPicture(preview);
}

void TDLLForm::dxButton2Click()
{
    if (const std::optional<QChar> character = CellCharacter(InsertCol, InsertRow))
        PutTextOnClipboard(QString(*character));
}

void TDLLForm::btnAddClick()
{
    if (const std::optional<QChar> character = CellCharacter(SelectedCol, SelectedRow))
        Edit1->setText(Edit1->text() + *character);
}

void TDLLForm::btnInsertLineClick()
{
    PutTextOnClipboard(Edit1->text());
}

void TDLLForm::dxButton1Click()
{
    SelectedRow = static_cast<std::uint8_t>(std::max(StringGrid1->currentRow(), 0));
    SelectedCol = static_cast<std::uint8_t>(std::max(StringGrid1->currentColumn(), 0));
}

void TDLLForm::RbPanel1MouseDown(Qt::MouseButton, Qt::KeyboardModifiers, int x, int y)
{
    drag_->Begin(QPoint(x, y));
}

} // namespace quill
