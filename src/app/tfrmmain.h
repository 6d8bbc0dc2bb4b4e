#pragma once

#include "app/journalstore.h"
#include "editor/formatting.h"
#include "platform/dialogs.h"
#include "platform/richedit/find_dialog.h"
#include "platform/richedit/richedit.h"
#include "storage/memtable.h"
#include "ui/imagelist.h"
#include "ui/menudrawing.h"
#include "ui/rbbutton.h"
#include "ui/rbpanel.h"

#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QToolButton>
#include <QWidget>

#include <memory>
#include <optional>
#include <string_view>

class QPrinter;
class QWindow;

namespace quill {

// The main window: the header with the current day, the formatting toolbar, the editor
// holding the day's entry, and the bottom bar with the day buttons. It owns the journal.
class TfrmMain : public QWidget {
    Q_OBJECT

public:
    explicit TfrmMain(QWidget* parent = nullptr);
    ~TfrmMain() override;

    // The journal table and its fields.
    MemTable tblJournal{"tblJournal"};
    JournalFields journalFields{DeclareJournalFields(tblJournal)};
    Field& tblJournalJournalDate = journalFields.JournalDate;
    Field& tblJournalJournalEntry = journalFields.JournalEntry;

    TImageList ImageList1;

    // Header.
    TRbPanel* RbPanel1;
    QLabel* Image1;
    TRbButton* btnHeaderFont;
    // Toolbar.
    TRbPanel* RbPanel8;
    QWidget* ToolBar1;
    QToolButton *btnNoteBookOpen, *btnNoteBookSaveAs, *ToolButton13, *btnBold, *btnItalic, *btnUnderline, *btnLeft,
        *btnCenter, *btnRight, *btnJustify, *btnCut, *btnCopy, *btnPaste, *btnFind, *btnDBSearch, *btnFont, *btnBullet,
        *btnUndo, *btnRedo, *btnNoteBookFillColour, *btnNoteBookFontColour, *btnInsertChar, *btnInsertEmoticon,
        *btnInsertPicture, *btnInsertLink;
    // Editor.
    TRbPanel* RbPanel5;
    RichEdit* Editor;
    // Bottom bar.
    TRbPanel* RbPanel3;
    TRbButton *btnPrevious, *btnToday, *btnNext, *btnCalendar, *btnSettings, *btnExit;
    // Popup menu.
    TStyledMenu* PopupMenu1;
    QAction *Cut1, *Copy1, *Paste1, *SelectAll1, *ClearSelection1, *ClearAll1, *Bold1, *Italic1, *Underline1;
    TStyledMenu* Formatting1;

    // The standard dialogs the window carries for the editor's commands; they open through
    // the dialog seam.
    FileDialogOptions OpenDialog1{QStringLiteral("Import Document"),
                                  {{QStringLiteral("All Supported Documents"), {QStringLiteral("*.rtf"), QStringLiteral("*.txt")}},
                                   {QStringLiteral("Rich Text File"), {QStringLiteral("*.rtf")}},
                                   {QStringLiteral("Plain Text File"), {QStringLiteral("*.txt")}}},
                                  0, QStringLiteral("rtf"), true, false, false};
    FileDialogOptions SaveDialog1{QString(), {{QStringLiteral("Rich Text Format"), {QStringLiteral("*.rtf")}}}, 0,
                                  QStringLiteral("rtf"), false, true, false};
    FileDialogOptions OpenPictureDialog1{
        QString(),
        {{QStringLiteral("All"), {QStringLiteral("*.gif"), QStringLiteral("*.jpg"), QStringLiteral("*.jpeg"), QStringLiteral("*.bmp"),
                                  QStringLiteral("*.emf"), QStringLiteral("*.wmf")}},
         {QStringLiteral("CompuServe GIF Image"), {QStringLiteral("*.gif")}},
         {QStringLiteral("JPEG Image File"), {QStringLiteral("*.jpg")}},
         {QStringLiteral("JPEG Image File"), {QStringLiteral("*.jpeg")}},
         {QStringLiteral("Bitmaps"), {QStringLiteral("*.bmp")}},
         {QStringLiteral("Enhanced Metafiles"), {QStringLiteral("*.emf")}},
         {QStringLiteral("Metafiles"), {QStringLiteral("*.wmf")}}},
        0, QString(), true, false, true};
    FileDialogOptions OpenDialog2{QString(),
                                  {{QStringLiteral("All Files"), {QStringLiteral("*.*")}},
                                   {QStringLiteral("Images"), {QStringLiteral("*.bmp"), QStringLiteral("*.jpg"), QStringLiteral("*.jpeg"),
                                                                QStringLiteral("*.png"), QStringLiteral("*.gif")}}},
                                  0, QString(), false, false, false};
    PrintChoice PrintDialog1{true, true};

    // The day shown; none before the first showing.
    double CurrentDate() const { return currentDate_.value_or(0); }
    bool HasCurrentDate() const { return currentDate_.has_value(); }
    void SetCurrentDate(double date);

    bool LoginPassed() const { return loginPassed_; }
    void SetLoginPassed(bool passed) { loginPassed_ = passed; }

    // The header font's character set (a font has none of its own here).
    int HeaderCharset() const { return headerCharset_; }

    // Life cycle. FormShow returns false when the password gate ended the run; FormClose
    // returns false when the user chose to stay after the files could not be written.
    void FormCreate();
    bool FormShow();
    void FormActivate();
    bool FormClose();
    bool Closed() const { return closed_; }

    // Journal and settings.
    void LoadEntry();
    // Stores the entry, and appends it to the recovery log so that a crash cannot lose it.
    void SaveEntry();
    // After the journal is written at the close: what the log held is in the journal.
    void DiscardRecoveryLog();
    // What a failed close of the journal adds to its message: where the run's entries wait.
    QString RecoveryLogKeptNotice() const;
    // How many entries the start took back from the recovery log of a run that did not close.
    int RecoveredEntries() const { return recoveredEntries_; }
    void ApplyDefaultFont();
    void LoadFontSettings();
    void SaveFontSettings();

    // Day navigation.
    double FindPreviousEntryDate();
    double FindNextEntryDate();
    // With `match`, its first occurrence in the day's text (letter case aside) is selected
    // and scrolled into view; otherwise the caret stays at the start.
    void ShowDate(double date, const QString& match = QString());
    void btnPreviousClick();
    void btnNextClick();
    void btnTodayClick();
    void btnCalendarClick();

    // Window handlers.
    void FormResize();
    void btnHeaderFontClick();
    void EditorMouseDown(Qt::MouseButton button, const QPoint& position);
    void btnDBSearchClick();
    void btnSettingsClick();
    void btnExitClick();

    // Editor commands.
    void btnNoteBookOpenClick();
    void btnNoteBookSaveAsClick();
    void ToolButton13Click();
    void btnBoldClick();
    void btnItalicClick();
    void btnUnderlineClick();
    void btnLeftClick();
    void btnCenterClick();
    void btnRightClick();
    void btnJustifyClick();
    void btnCutClick();
    void btnCopyClick();
    void btnPasteClick();
    void btnFindClick();
    void btnFontClick();
    void btnBulletClick();
    void btnUndoClick();
    void btnRedoClick();
    void btnNoteBookFillColourClick();
    void btnNoteBookFontColourClick();
    void btnInsertCharClick();
    void btnInsertEmoticonClick();
    void btnInsertPictureClick();
    void btnInsertLinkClick();
    void SelectAll1Click();
    void ClearSelection1Click();
    void ClearAll1Click();
    void EditorChange();
    void EditorSelectionChange();
    // F3: the next match of the find dialog's text.
    void FindNextClick();
    void EditorURLClick(const QString& text, Qt::MouseButton button);

    // The printer of the Print command, kept for the run so that the print dialog opens
    // with the range confirmed last.
    QPrinter& Printer();

    void setVisible(bool visible) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    enum class Move { Previous, Next, Today, Calendar };
    void NavigateFrame(Move move);
    void BuildHeader();
    void BuildToolbar();
    void BuildEditor();
    void BuildBottomBar();
    void BuildPopupMenu();
    void LayoutPanels();
    QToolButton* AddToolButton(int x, const QString& hint, int image, void (TfrmMain::*handler)());
    TRbButton* AddBarButton(int x, int width, const QString& caption, const QString& picture, int spacing,
                            void (TfrmMain::*handler)());
    void FocusWindowChanged(QWindow* window);
    void BuildShortcuts();
    void StyleClick(QToolButton* button, FontStyle flag);
    void AlignmentClick(QToolButton* clicked);
    void ColourClick(ColourAttribute attribute);

    std::optional<double> currentDate_;
    bool loginPassed_ = false;
    int headerCharset_ = 1;
    bool shownOnce_ = false;
    bool activatedOnce_ = false;
    bool fontSettingsLoaded_ = false;
    bool closing_ = false;
    bool closed_ = false;
    QPointer<QWindow> lastOtherWindow_;
    std::unique_ptr<QPrinter> printer_;

    // Writes the journal and the settings while the window is still there; when a file
    // cannot be written, asks whether to try again. False when the user chose to stay.
    bool WriteFilesBeforeClosing();

    // Recovery: every stored entry, and the entry being written after a pause in typing.
    void ReplayRecoveryLog();
    void AppendToRecoveryLog(double date, std::string_view body);
    void KeepTypedEntry();
    static constexpr int kTypingPauseMs = 5000;
    QTimer* typingPause_ = nullptr;
    int keptRevision_ = -1;
    int recoveredEntries_ = 0;
    QString recoveryNotice_;
    bool recoveryFailureShown_ = false;
    static constexpr std::uint64_t kRecoveryLogCompactionBytes = 64ull << 20;
    std::uint64_t recoveryLogCompacted_ = 0; // the log's size after its last compaction
};

extern TfrmMain* frmMain;

} // namespace quill
