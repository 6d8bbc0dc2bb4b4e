#pragma once

#include "editor/timage.h"
#include "platform/fontcombobox.h"
#include "ui/rbbutton.h"
#include "ui/rbpanel.h"

#include <QDialog>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>

#include <cstdint>
#include <optional>

class QAction;

namespace quill {

class WindowDrag;

// The character map: the 256 character codes of a font in a grid, a large preview of the
// chosen character with the code that types it with the Alt key, and a text box in which
// characters are collected. Insert and Insert Line put their text on the clipboard and close
// with the OK result; the main window pastes it in the map's font. Created once at start;
// the font and the remembered cell live for the whole run.
class TDLLForm : public QDialog {
    Q_OBJECT

public:
    static constexpr int kColumns = 20;
    static constexpr int kRows = 13;
    // The character set of the window's fonts: the default one.
    static constexpr int kDefaultCharset = 1;

    explicit TDLLForm(QWidget* parent = nullptr);
    ~TDLLForm() override;

    TRbPanel* RbPanel1;
    TRbPanel* RbPanel3;
    TFontComboBox* FontComboBox1;
    QTableWidget* StringGrid1;
    TImage* Image1;
    QLabel* Label2;
    QLabel* Label4;
    TRbButton* btnInsert;
    TRbButton* btnAdd;
    TRbButton* btnInsertLine;
    QLineEdit* Edit1;
    TRbPanel* RbPanel2;
    TRbButton* RbButton1;
    QAction* EditCopy1;

    // The remembered cell (one byte each) and the cell whose character Insert takes.
    std::uint8_t SelectedRow = 3;
    std::uint8_t SelectedCol = 5;
    int InsertCol = 5;
    int InsertRow = 3;

    // The grid's font: its face, 12 points once a face was chosen (Arial at 24 pixels
    // before), navy, in the window's default character set.
    const QFont& GridFont() const { return gridFont_; }
    int GridCharset() const { return kDefaultCharset; }
    // The character of a cell; none for a cell that holds none yet.
    std::optional<QChar> CellCharacter(int col, int row) const;

    // Gives the font box a face as the chosen font: a face other than the one shown is
    // selected (letter case aside), or no face when none of that name is installed, and
    // the font change follows; the face shown already changes nothing.
    void SetChosenFace(const QString& face);

    void FormCreate();
    void FormActivate();
    void FontComboBox1Change();
    bool StringGrid1SelectCell(int col, int row);
    void dxButton2Click();
    void btnAddClick();
    void btnInsertLineClick();
    void dxButton1Click();
    void RbPanel1MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildTitle();
    void BuildMiddle();
    void BuildBottom();
    void FillGrid();
    void DrawPreview(QChar character);

    QFont gridFont_;
    WindowDrag* drag_; // owned by RbPanel1
};

extern TDLLForm* DLLForm;

} // namespace quill
