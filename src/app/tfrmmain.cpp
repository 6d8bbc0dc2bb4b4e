#include "app/tfrmmain.h"

#include "app/safekeeping.h"

#include "app/appstyle.h"
#include "app/settingsstore.h"
#include "app/tfrmcalendar.h"
#include "app/tfrmlogin.h"
#include "app/tfrmsettings.h"
#include "editor/clipboard_commands.h"
#include "editor/find_commands.h"
#include "editor/import_export.h"
#include "editor/picker_commands.h"
#include "editor/picture_commands.h"
#include "editor/printing.h"
#include "editor/tdllform.h"
#include "editor/tfrmemoticons.h"
#include "platform/datadir.h"
#include "platform/dialogs.h"
#include "platform/regional.h"
#include "platform/shell.h"
#include "platform/waitcursor.h"
#include "search/tfrmdbsearch.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QPrinter>
#include <QScreen>
#include <QWindow>

#include <algorithm>
#include <cmath>

namespace quill {

TfrmMain* frmMain = nullptr;

namespace {

QString What(const std::exception& e)
{
    return QString::fromUtf8(e.what());
}

QString FontSettingsPath()
{
    return DataDirectory() + QStringLiteral("FontSettings.Ini");
}

} // namespace

TfrmMain::TfrmMain(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setWindowTitle(QStringLiteral("Quillmere"));
    setWindowIcon(QIcon(QStringLiteral(":/app/quillmere")));
    setFont(PixelFont(QStringLiteral("MS Sans Serif"), 11));
    resize(770, 565);

    for (int i = 0; i < 32; ++i)
        ImageList1.Add(ProgramPicture(QStringLiteral(":/icons/imagelist/%1").arg(i, 2, 10, QLatin1Char('0'))));

    BuildHeader();
    BuildToolbar();
    BuildEditor();
    BuildBottomBar();
    BuildPopupMenu();
    BuildShortcuts();
    LayoutPanels();

    connect(qApp, &QGuiApplication::focusWindowChanged, this, &TfrmMain::FocusWindowChanged);
    FormCreate();
}

TfrmMain::~TfrmMain()
{
    if (frmMain == this)
        frmMain = nullptr;
}

// ---------------------------------------------------------------------------
// Layout

void TfrmMain::BuildHeader()
{
    RbPanel1 = new TRbPanel(this);
    ApplyTitleBarLook(*RbPanel1, QStringLiteral("Quillmere"), 29);

    Image1 = new QLabel(RbPanel1);
    Image1->setGeometry(25, 7, 32, 32);
    Image1->setAttribute(Qt::WA_TranslucentBackground);
    Image1->setPixmap(QPixmap::fromImage(ProgramPicture(QStringLiteral(":/app/quillmere"), 32)));

    btnHeaderFont = MakeButton(RbPanel1, QRect(715, 10, 25, 25), QStringLiteral("..."), QString());
    btnHeaderFont->setFont(PixelFont(QStringLiteral("Arial"), 13, true));
    btnHeaderFont->setToolTip(QStringLiteral("Change Header Font.."));
    connect(btnHeaderFont, &TRbButton::OnClick, this, &TfrmMain::btnHeaderFontClick);
}

QToolButton* TfrmMain::AddToolButton(int x, const QString& hint, int image, void (TfrmMain::*handler)())
{
    auto* button = new QToolButton(ToolBar1);
    button->setGeometry(x, 0, 23, 23);
    button->setAutoRaise(true);
    button->setIconSize(QSize(16, 16));
    button->setIcon(QIcon(QPixmap::fromImage(ImageList1.Image(image))));
    button->setToolTip(hint);
    button->setFocusPolicy(Qt::NoFocus);
    connect(button, &QToolButton::clicked, this, handler);
    return button;
}

void TfrmMain::BuildToolbar()
{
    RbPanel8 = new TRbPanel(this);
    ApplyFramePanelLook(*RbPanel8, 25, 3);

    ToolBar1 = new QWidget(RbPanel8);
    ToolBar1->setGeometry(10, 10, 631, 23);
    btnNoteBookOpen = AddToolButton(0, QStringLiteral("Import..."), 26, &TfrmMain::btnNoteBookOpenClick);
    btnNoteBookSaveAs = AddToolButton(23, QStringLiteral("Export..."), 21, &TfrmMain::btnNoteBookSaveAsClick);
    ToolButton13 = AddToolButton(46, QStringLiteral("Print..."), 13, &TfrmMain::ToolButton13Click);
    btnBold = AddToolButton(77, QStringLiteral("Bold"), 4, &TfrmMain::btnBoldClick);
    btnItalic = AddToolButton(100, QStringLiteral("Italic"), 5, &TfrmMain::btnItalicClick);
    btnUnderline = AddToolButton(123, QStringLiteral("Underline"), 6, &TfrmMain::btnUnderlineClick);
    btnLeft = AddToolButton(154, QStringLiteral("Align Left"), 7, &TfrmMain::btnLeftClick);
    btnCenter = AddToolButton(177, QStringLiteral("Align Center"), 8, &TfrmMain::btnCenterClick);
    btnRight = AddToolButton(200, QStringLiteral("Align Right"), 9, &TfrmMain::btnRightClick);
    btnJustify = AddToolButton(223, QString(), 31, &TfrmMain::btnJustifyClick);
    btnCut = AddToolButton(254, QStringLiteral("Cut"), 10, &TfrmMain::btnCutClick);
    btnCopy = AddToolButton(277, QStringLiteral("Copy"), 11, &TfrmMain::btnCopyClick);
    btnPaste = AddToolButton(300, QStringLiteral("Paste"), 12, &TfrmMain::btnPasteClick);
    btnFind = AddToolButton(331, QStringLiteral("Find Text..."), 27, &TfrmMain::btnFindClick);
    btnDBSearch = AddToolButton(354, QStringLiteral("Full Database Text Search..."), 28, &TfrmMain::btnDBSearchClick);
    btnFont = AddToolButton(377, QStringLiteral("Font..."), 15, &TfrmMain::btnFontClick);
    btnBullet = AddToolButton(400, QStringLiteral("Bullets"), 14, &TfrmMain::btnBulletClick);
    btnUndo = AddToolButton(431, QStringLiteral("Undo"), 17, &TfrmMain::btnUndoClick);
    btnRedo = AddToolButton(454, QStringLiteral("Redo"), 16, &TfrmMain::btnRedoClick);
    btnNoteBookFillColour = AddToolButton(485, QStringLiteral("Highlight Colour..."), 23, &TfrmMain::btnNoteBookFillColourClick);
    btnNoteBookFontColour = AddToolButton(508, QStringLiteral("Font Colour..."), 22, &TfrmMain::btnNoteBookFontColourClick);
    btnInsertChar = AddToolButton(539, QStringLiteral("Insert Special Characters..."), 25, &TfrmMain::btnInsertCharClick);
    btnInsertEmoticon = AddToolButton(562, QStringLiteral("Insert Emoticon..."), 24, &TfrmMain::btnInsertEmoticonClick);
    btnInsertPicture = AddToolButton(585, QStringLiteral("Insert Picture..."), 29, &TfrmMain::btnInsertPictureClick);
    btnInsertLink = AddToolButton(608, QStringLiteral("Insert Link..."), 30, &TfrmMain::btnInsertLinkClick);
    // The style and paragraph buttons show the selection's state as pressed.
    for (QToolButton* b : {btnBold, btnItalic, btnUnderline, btnLeft, btnCenter, btnRight, btnJustify, btnBullet})
        b->setCheckable(true);
}

void TfrmMain::BuildEditor()
{
    RbPanel5 = new TRbPanel(this);
    ApplyFramePanelLook(*RbPanel5, 0, 7);

    Editor = new RichEdit(RbPanel5);
    Editor->setFrameShape(QFrame::NoFrame);
    Editor->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Editor->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Editor->setLineWrapMode(QTextEdit::WidgetWidth);
    Editor->setTabChangesFocus(false);
    QPalette palette = Editor->palette();
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Text, Qt::black);
    Editor->setPalette(palette);
    const QFont base = PixelFont(QStringLiteral("Arial"), 15);
    Editor->setFont(base);
    Editor->document()->setDefaultFont(base);
    Editor->SetAutoURLDetect(true);
    Editor->SetStreamFormat(sfRichText);
    Editor->SetStreamMode(smUnicode);
    connect(Editor, &RichEdit::OnChange, this, &TfrmMain::EditorChange);
    connect(Editor, &RichEdit::OnSelectionChange, this, &TfrmMain::EditorSelectionChange);
    connect(Editor, &RichEdit::OnURLClick, this, &TfrmMain::EditorURLClick);
    connect(Editor, &RichEdit::OnMouseDown, this, &TfrmMain::EditorMouseDown);
}

TRbButton* TfrmMain::AddBarButton(int x, int width, const QString& caption, const QString& picture, int spacing,
                                  void (TfrmMain::*handler)())
{
    TRbButton* button = MakeButton(RbPanel3, QRect(x, 10, width, 25), caption, picture);
    button->SetSpacing(spacing);
    connect(button, &TRbButton::OnClick, this, handler);
    return button;
}

void TfrmMain::BuildBottomBar()
{
    RbPanel3 = new TRbPanel(this);
    ApplyGradientBarLook(*RbPanel3, RGBColor(0, 159, 0), RGBColor(3, 199, 82));

    btnPrevious = AddBarButton(19, 75, QStringLiteral("Previous"), QStringLiteral(":/buttons/previous"), 5, &TfrmMain::btnPreviousClick);
    btnToday = AddBarButton(107, 75, QStringLiteral("Today"), QStringLiteral(":/buttons/today"), 10, &TfrmMain::btnTodayClick);
    btnNext = AddBarButton(195, 75, QStringLiteral("Next"), QStringLiteral(":/buttons/next"), 10, &TfrmMain::btnNextClick);
    btnNext->SetLayout(blGlyphRight);
    btnCalendar = AddBarButton(395, 75, QStringLiteral("Calendar"), QStringLiteral(":/buttons/calendar"), 5, &TfrmMain::btnCalendarClick);
    btnSettings = AddBarButton(499, 25, QStringLiteral("..."), QString(), 5, &TfrmMain::btnSettingsClick);
    btnSettings->setFont(PixelFont(QStringLiteral("Arial"), 13, true));
    btnSettings->setToolTip(QStringLiteral("Settings..."));
    btnExit = AddBarButton(659, 75, QStringLiteral("Exit"), QStringLiteral(":/buttons/exit"), 10, &TfrmMain::btnExitClick);
}

void TfrmMain::BuildPopupMenu()
{
    PopupMenu1 = new TStyledMenu(&ImageList1, this);
    auto bind = [this](QAction* action, void (TfrmMain::*handler)()) {
        // The shortcuts act while the editor has the keyboard focus.
        action->setShortcutContext(Qt::WidgetShortcut);
        Editor->addAction(action);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    Cut1 = bind(PopupMenu1->AddItem(QStringLiteral("Cut"), QKeySequence(QStringLiteral("Ctrl+X")), 10), &TfrmMain::btnCutClick);
    Copy1 = bind(PopupMenu1->AddItem(QStringLiteral("Copy"), QKeySequence(QStringLiteral("Ctrl+C")), 11), &TfrmMain::btnCopyClick);
    Paste1 = bind(PopupMenu1->AddItem(QStringLiteral("Paste"), QKeySequence(QStringLiteral("Ctrl+V")), 12), &TfrmMain::btnPasteClick);
    PopupMenu1->AddSeparator(QStringLiteral("Text Selection"));
    SelectAll1 = bind(PopupMenu1->AddItem(QStringLiteral("Select All"), QKeySequence(QStringLiteral("Ctrl+A"))), &TfrmMain::SelectAll1Click);
    PopupMenu1->AddSeparator(QStringLiteral("Text Deletion"));
    ClearSelection1 = bind(PopupMenu1->AddItem(QStringLiteral("Clear Selection"), QKeySequence(QStringLiteral("Ctrl+D")), 19),
                           &TfrmMain::ClearSelection1Click);
    ClearAll1 = bind(PopupMenu1->AddItem(QStringLiteral("Clear All"), QKeySequence(), 19), &TfrmMain::ClearAll1Click);
    PopupMenu1->AddSeparator(QStringLiteral("Text Formatting"));
    Formatting1 = PopupMenu1->AddSubMenu(QStringLiteral("Formatting"));
    Bold1 = bind(Formatting1->AddItem(QStringLiteral("Bold"), QKeySequence(QStringLiteral("Ctrl+B")), 4), &TfrmMain::btnBoldClick);
    Italic1 = bind(Formatting1->AddItem(QStringLiteral("Italic"), QKeySequence(QStringLiteral("Ctrl+I")), 5), &TfrmMain::btnItalicClick);
    Underline1 = bind(Formatting1->AddItem(QStringLiteral("Underline"), QKeySequence(QStringLiteral("Ctrl+U")), 6),
                      &TfrmMain::btnUnderlineClick);
    for (QAction* a : {Bold1, Italic1, Underline1})
        a->setCheckable(true);
}

void TfrmMain::BuildShortcuts()
{
    auto add = [this](QWidget* owner, Qt::ShortcutContext context, const QList<QKeySequence>& keys,
                      void (TfrmMain::*handler)()) {
        auto* action = new QAction(owner); // owned by `owner`
        action->setShortcuts(keys);
        action->setShortcutContext(context);
        owner->addAction(action);
        connect(action, &QAction::triggered, this, handler);
    };
    // Undo and redo as every editor has them.
    add(Editor, Qt::WidgetShortcut, {QKeySequence(QStringLiteral("Ctrl+Z"))}, &TfrmMain::btnUndoClick);
    add(Editor, Qt::WidgetShortcut, {QKeySequence(QStringLiteral("Ctrl+Y")), QKeySequence(QStringLiteral("Ctrl+Shift+Z"))},
        &TfrmMain::btnRedoClick);
    // The toolbar's commands that are reached by key anywhere in the window.
    add(this, Qt::WindowShortcut, {QKeySequence(QStringLiteral("Ctrl+F"))}, &TfrmMain::btnFindClick);
    add(this, Qt::WindowShortcut, {QKeySequence(QStringLiteral("F3"))}, &TfrmMain::FindNextClick);
    add(this, Qt::WindowShortcut, {QKeySequence(QStringLiteral("Ctrl+P"))}, &TfrmMain::ToolButton13Click);
    add(this, Qt::WindowShortcut, {QKeySequence(QStringLiteral("Ctrl+Shift+F"))}, &TfrmMain::btnDBSearchClick);
}

void TfrmMain::LayoutPanels()
{
    const int w = width();
    const int h = height();
    RbPanel1->setGeometry(0, 0, w, 45);
    RbPanel8->setGeometry(0, 45, w, 44);
    RbPanel3->setGeometry(0, h - 45, w, 45);
    RbPanel5->setGeometry(0, 89, w, std::max(0, h - 89 - 45));
    Editor->setGeometry(8, 8, std::max(0, RbPanel5->width() - 16), std::max(0, RbPanel5->height() - 16));
    FormResize();
}

void TfrmMain::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    LayoutPanels();
}

void TfrmMain::FormResize()
{
    const int W = frameGeometry().width();
    ToolBar1->move((W - 643) / 2, 10);
    btnHeaderFont->move(W - 50, 10);
    btnExit->move(W - 100, 10);
}

// ---------------------------------------------------------------------------
// Life cycle

void TfrmMain::FormCreate()
{
    Editor->SetAdvancedTypography(true);
    typingPause_ = new QTimer(this); // owned by this window
    typingPause_->setSingleShot(true);
    typingPause_->setInterval(kTypingPauseMs);
    connect(typingPause_, &QTimer::timeout, this, &TfrmMain::KeepTypedEntry);
    // A journal that cannot be read ends the run before anything could be typed into it.
    if (!OpenOrRestoreBackup(tblJournal, [this] { OpenJournal(tblJournal); }, this))
        return;
    try {
        ReplayRecoveryLog();
    } catch (const std::exception& e) {
        ShowError(this, What(e));
    }
}

void TfrmMain::ReplayRecoveryLog()
{
    const RecoveryLog log = JournalRecoveryLog();
    if (!log.Exists())
        return;
    const RecoveryLog::Contents contents = log.Read();
    if (contents.unreadable) {
        // Never deleted: it may hold what a person wrote.
        const std::string aside = log.SetAside(QDate::currentDate().toString(Qt::ISODate).toStdString());
        recoveryNotice_ = QStringLiteral("The recovery log of the last run could not be read; it is kept as %1.")
                              .arg(QString::fromStdString(aside));
        return;
    }
    recoveredEntries_ = quill::ReplayRecoveryLog(tblJournal, journalFields, contents);
    if (recoveredEntries_ > 0)
        recoveryNotice_ = QStringLiteral("Quillmere recovered %1 entries written after the last normal close.")
                              .arg(recoveredEntries_);
}

void TfrmMain::AppendToRecoveryLog(double date, std::string_view body)
{
    try {
        const RecoveryLog log = JournalRecoveryLog();
        log.Append(date, body);
        // Each pause in typing a large entry adds it whole: the log keeps only the last
        // record of each day once it has grown past a bound and twice its last compaction.
        const std::uint64_t size = log.Size();
        if (size > kRecoveryLogCompactionBytes && size > 2 * recoveryLogCompacted_)
            recoveryLogCompacted_ = log.Compact();
    } catch (const std::exception& e) {
        // Said once a run: the entries are still stored at the close.
        if (!recoveryFailureShown_) {
            recoveryFailureShown_ = true;
            ShowApplicationError(What(e));
        }
    }
}

void TfrmMain::KeepTypedEntry()
{
    if (!HasCurrentDate() || !Editor->Modified() || Editor->document()->revision() == keptRevision_)
        return;
    keptRevision_ = Editor->document()->revision();
    AppendToRecoveryLog(CurrentDate(), Editor->StreamOut(sfRichText));
}

void TfrmMain::DiscardRecoveryLog()
{
    JournalRecoveryLog().Remove();
}

QString TfrmMain::RecoveryLogKeptNotice() const
{
    const RecoveryLog log = JournalRecoveryLog();
    if (!log.Exists())
        return {};
    return QStringLiteral("What was written is kept in %1 and comes back the next time Quillmere starts.")
        .arg(QDir::toNativeSeparators(QString::fromStdString(log.Path())));
}

void TfrmMain::setVisible(bool visible)
{
    // The first showing runs before the window appears: a refused password ends the run
    // without it ever being shown.
    if (visible && !shownOnce_ && !closed_) {
        shownOnce_ = true;
        if (!FormShow())
            return;
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
        QWidget::setVisible(true);
        // The start size is the outer size, frame included, once the frame is known.
        const QSize frame = frameGeometry().size() - size();
        resize(770 - frame.width(), 565 - frame.height());
        return;
    }
    QWidget::setVisible(visible);
}

bool TfrmMain::FormShow()
{
    // Point A: the password gate.
    frmLogin->exec();
    if (!loginPassed_) {
        FormClose();
        return false;
    }
    if (!recoveryNotice_.isEmpty())
        ShowInformation(this, recoveryNotice_);
    try {
        SetCurrentDate(Today());
        LoadEntry();
        // Point B: an empty day takes the default font of the settings.
        if (Editor->TextLength() == 0)
            ApplyDefaultFont();
    } catch (const std::exception& e) {
        ShowApplicationError(What(e));
    }
    Editor->setFocus();
    return true;
}

void TfrmMain::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || !isActiveWindow() || closed_)
        return;
    // Activation counts once after start-up and on each return from the search window,
    // not when a modal dialog or another program hands the focus back.
    const bool fromSearch = frmDBSearch && lastOtherWindow_ && lastOtherWindow_ == frmDBSearch->windowHandle();
    if (!activatedOnce_ || fromSearch) {
        activatedOnce_ = true;
        FormActivate();
    }
}

void TfrmMain::FocusWindowChanged(QWindow* window)
{
    if (window && window != windowHandle())
        lastOtherWindow_ = window;
}

void TfrmMain::FormActivate()
{
    // Point C: the font settings are read again.
    try {
        LoadFontSettings();
    } catch (const std::exception& e) {
        ShowApplicationError(What(e));
    }
    Editor->setFocus();
}

void TfrmMain::closeEvent(QCloseEvent* event)
{
    if (FormClose())
        event->accept();
    else
        event->ignore();
}

bool TfrmMain::FormClose()
{
    if (closing_)
        return true;
    closing_ = true;
    // With a person to answer, every file is written while the window is still there, and
    // one that cannot be written lets them try again or go back. With nobody (a stop
    // signal) or no window shown (the password gate), the tables are written as the windows
    // go, and a failure is reported then.
    const bool attended = isVisible() && !Unattended();
    {
        WaitCursor wait;
        try {
            if (Editor->Modified())
                SaveEntry();
            QCoreApplication::processEvents();
        } catch (const std::exception& e) {
            ShowApplicationError(What(e));
        }
        // Point D. A run left at the password prompt never read the font settings, so it
        // leaves the stored ones alone.
        if (fontSettingsLoaded_ && !attended) {
            try {
                SaveFontSettings();
            } catch (const std::exception& e) {
                ShowApplicationError(What(e));
            }
        }
    }
    if (attended && !WriteFilesBeforeClosing()) {
        closing_ = false;
        Editor->setFocus();
        return false;
    }
    closed_ = true;
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    return true;
}

bool TfrmMain::WriteFilesBeforeClosing()
{
    struct Write {
        std::function<void()> run;
        bool journal;
    };
    std::vector<Write> writes{{[this] { tblJournal.Save(); }, true}};
    if (frmLogin && frmLogin->tblPassword.Active())
        writes.push_back({[] { frmLogin->tblPassword.Save(); }, false});
    if (fontSettingsLoaded_)
        writes.push_back({[this] { SaveFontSettings(); }, false});
    for (const Write& write : writes) {
        for (;;) {
            try {
                WaitCursor wait;
                write.run();
                break;
            } catch (const std::exception& e) {
                QString text = What(e);
                if (write.journal)
                    if (const QString kept = RecoveryLogKeptNotice(); !kept.isEmpty())
                        text += QStringLiteral("\n\n") + kept;
                text += QStringLiteral("\n\nChoose Retry to write it again, or Cancel to go back to the journal.");
                const QStringList buttons{QStringLiteral("Retry"), QStringLiteral("Cancel")};
                if (AskAboutError(this, text, buttons) != 0)
                    return false;
            }
        }
    }
    return true;
}

void TfrmMain::SetCurrentDate(double date)
{
    currentDate_ = date;
    RbPanel1->SetCaption(FormatLongDay(date));
}

// ---------------------------------------------------------------------------
// Journal and settings

void TfrmMain::LoadEntry()
{
    quill::LoadEntry(tblJournal, journalFields, *Editor, CurrentDate());
}

void TfrmMain::SaveEntry()
{
    quill::SaveEntry(tblJournal, journalFields, *Editor, CurrentDate(), this);
    if (!Editor->Modified()) // stored: the row is the current one
        AppendToRecoveryLog(CurrentDate(), tblJournalJournalEntry.BlobView());
}

void TfrmMain::ApplyDefaultFont()
{
    const auto stored = StoredDefaultFont(frmLogin->tblPassword, frmLogin->fields);
    if (!stored)
        return;
    Editor->SelAttributes().SetName(stored->face);
    Editor->SelAttributes().SetSize(stored->size);
    Editor->SelAttributes().SetColor(stored->color);
    Editor->SetModified(false);
}

void TfrmMain::LoadFontSettings()
{
    const FontSettings settings = ReadFontSettings(FontSettingsPath());
    QFont header = RbPanel1->font();
    header.setFamily(settings.name);
    RbPanel1->setFont(header);
    headerCharset_ = settings.charset;
    frmSettings->chkSkip->SetChecked(settings.skip);
    fontSettingsLoaded_ = true;
}

void TfrmMain::SaveFontSettings()
{
    WriteFontSettings(FontSettingsPath(), {RbPanel1->font().family(), headerCharset_, frmSettings->chkSkip->Checked()});
}

// ---------------------------------------------------------------------------
// Day navigation

void TfrmMain::NavigateFrame(Move move)
{
    if (move == Move::Calendar)
        frmCalendar->exec();
    WaitCursor wait;
    QString failure;
    try {
        if (Editor->Modified())
            SaveEntry();
        const bool skip = frmSettings->chkSkip->Checked();
        switch (move) {
        case Move::Previous:
            SetCurrentDate(CurrentDate() - 1);
            if (skip)
                SetCurrentDate(FindPreviousEntryDate());
            break;
        case Move::Next:
            SetCurrentDate(CurrentDate() + 1);
            if (skip)
                SetCurrentDate(FindNextEntryDate());
            break;
        case Move::Today:
            SetCurrentDate(Today());
            break;
        case Move::Calendar:
            SetCurrentDate(FromQDate(frmCalendar->MonthCalendar1->selectedDate()));
            break;
        }
        LoadEntry();
    } catch (const std::exception& e) {
        failure = What(e);
    }
    try {
        if (Editor->TextLength() == 0)
            ApplyDefaultFont();
    } catch (const std::exception& e) {
        if (failure.isEmpty())
            failure = What(e);
    }
    if (!failure.isEmpty())
        ShowApplicationError(failure);
}

// The walks go day by day from the current day, as a whole-day lookup finds the rows: a
// row stored with a time of day is never found, and one whose date is no day is passed over.
namespace {

bool WholeDaysApart(double a, double b)
{
    const double days = a - b;
    return days == std::floor(days);
}

} // namespace

double TfrmMain::FindPreviousEntryDate()
{
    try {
        const double D = CurrentDate();
        const std::vector<double> dates = ReadableEntryDates(tblJournal, journalFields);
        if (dates.empty() || dates.front() > D)
            return D;
        if (dates.back() < D)
            return dates.back();
        for (auto it = std::upper_bound(dates.begin(), dates.end(), D); it != dates.begin();) {
            --it;
            if (WholeDaysApart(D, *it))
                return *it;
        }
        return D;
    } catch (const std::exception& e) {
        ShowError(this, What(e));
        return CurrentDate();
    }
}

double TfrmMain::FindNextEntryDate()
{
    try {
        const double D = CurrentDate();
        const std::vector<double> dates = ReadableEntryDates(tblJournal, journalFields);
        if (dates.empty())
            return D;
        if (dates.front() > D)
            return dates.front();
        for (auto it = std::lower_bound(dates.begin(), dates.end(), D); it != dates.end(); ++it)
            if (WholeDaysApart(*it, D))
                return *it;
        return D;
    } catch (const std::exception& e) {
        ShowError(this, What(e));
        return CurrentDate();
    }
}

void TfrmMain::ShowDate(double date, const QString& match)
{
    if (Editor->Modified())
        SaveEntry();
    SetCurrentDate(date);
    LoadEntry();
    if (match.isEmpty())
        return;
    const int at = Editor->FindText(match, 0, -1, 0);
    if (at >= 0) {
        Editor->SetSelStart(at);
        Editor->SetSelLength(static_cast<int>(match.size()));
    }
}

void TfrmMain::btnPreviousClick()
{
    NavigateFrame(Move::Previous);
}

void TfrmMain::btnNextClick()
{
    NavigateFrame(Move::Next);
}

void TfrmMain::btnTodayClick()
{
    NavigateFrame(Move::Today);
}

void TfrmMain::btnCalendarClick()
{
    NavigateFrame(Move::Calendar);
}

// ---------------------------------------------------------------------------
// Window handlers

void TfrmMain::btnHeaderFontClick()
{
    FontChoice choice{RbPanel1->font(), ColorToRGB(RbPanel1->FontColor()), headerCharset_};
    if (!CurrentDialogs().ChooseFont(this, choice))
        return;
    RbPanel1->setFont(choice.font);
    RbPanel1->SetFontColor(choice.color);
    headerCharset_ = choice.charset;
    try {
        SaveFontSettings();
    } catch (const std::exception& e) {
        ShowApplicationError(What(e));
    }
}

void TfrmMain::EditorMouseDown(Qt::MouseButton button, const QPoint& position)
{
    if (button == Qt::RightButton)
        PopupMenu1->popup(Editor->viewport()->mapToGlobal(position));
}

void TfrmMain::btnDBSearchClick()
{
    frmDBSearch->show();
    frmDBSearch->raise();
    frmDBSearch->activateWindow();
}

void TfrmMain::btnSettingsClick()
{
    try {
        MemTable& settings = frmLogin->tblPassword;
        if (settings.IsEmpty())
            settings.Insert();
        else
            settings.Edit();
        frmSettings->exec();
    } catch (const std::exception& e) {
        ShowError(this, What(e));
    }
}

void TfrmMain::btnExitClick()
{
    close();
}

// ---------------------------------------------------------------------------
// Character map and emoticons

void TfrmMain::btnInsertCharClick()
{
    InsertFromCharacterMap(*DLLForm, *Editor);
}

void TfrmMain::btnInsertEmoticonClick()
{
    InsertFromEmoticonPicker(*frmEmoticons, *Editor);
}

// ---------------------------------------------------------------------------
// Editor commands

void TfrmMain::StyleClick(QToolButton* button, FontStyle flag)
{
    button->setChecked(ToggleStyle(*Editor, flag));
}

void TfrmMain::btnBoldClick()
{
    StyleClick(btnBold, fsBold);
}

void TfrmMain::btnItalicClick()
{
    StyleClick(btnItalic, fsItalic);
}

void TfrmMain::btnUnderlineClick()
{
    StyleClick(btnUnderline, fsUnderline);
}

void TfrmMain::AlignmentClick(QToolButton* clicked)
{
    for (QToolButton* b : {btnLeft, btnRight, btnCenter, btnJustify})
        b->setChecked(false);
    clicked->setChecked(true);
    const TextAlignment alignment = clicked == btnCenter  ? TextAlignment::Center
                                    : clicked == btnRight ? TextAlignment::Right
                                    : clicked == btnJustify ? TextAlignment::Justify
                                                            : TextAlignment::Left;
    ApplyAlignment(*Editor, alignment);
}

void TfrmMain::btnLeftClick()
{
    AlignmentClick(btnLeft);
}

void TfrmMain::btnCenterClick()
{
    AlignmentClick(btnCenter);
}

void TfrmMain::btnRightClick()
{
    AlignmentClick(btnRight);
}

void TfrmMain::btnJustifyClick()
{
    AlignmentClick(btnJustify);
}

void TfrmMain::btnBulletClick()
{
    btnBullet->setChecked(ToggleBullets(*Editor));
}

void TfrmMain::btnFontClick()
{
    FontChoice choice = SelectionFont(*Editor);
    if (CurrentDialogs().ChooseFont(this, choice))
        ApplyFont(*Editor, choice);
    Editor->setFocus();
}

void TfrmMain::ColourClick(ColourAttribute attribute)
{
    quint32 colour = SelectionColour(*Editor, attribute);
    if (CurrentDialogs().ChooseColor(this, colour))
        ApplyColour(*Editor, attribute, colour);
}

void TfrmMain::btnNoteBookFillColourClick()
{
    ColourClick(ColourAttribute::Highlight);
}

void TfrmMain::btnNoteBookFontColourClick()
{
    ColourClick(ColourAttribute::Text);
}

void TfrmMain::btnCutClick()
{
    CutToClipboard(*Editor);
}

void TfrmMain::btnCopyClick()
{
    CopyToClipboard(*Editor);
}

void TfrmMain::btnPasteClick()
{
    PasteFromClipboard(*Editor);
}

void TfrmMain::SelectAll1Click()
{
    Editor->SelectAll();
}

void TfrmMain::ClearSelection1Click()
{
    Editor->ClearSelection();
}

void TfrmMain::ClearAll1Click()
{
    ClearAll(*Editor);
}

void TfrmMain::btnUndoClick()
{
    Editor->Undo();
}

void TfrmMain::btnRedoClick()
{
    Editor->Redo();
}

void TfrmMain::btnFindClick()
{
    OpenFind(*Editor);
}

void TfrmMain::FindNextClick()
{
    FindAgain(*Editor);
}

void TfrmMain::EditorSelectionChange()
{
    const FormattingState state = ReadFormattingState(*Editor);
    btnBold->setChecked(state.bold);
    btnItalic->setChecked(state.italic);
    btnUnderline->setChecked(state.underline);
    Bold1->setChecked(btnBold->isChecked());
    Italic1->setChecked(btnItalic->isChecked());
    Underline1->setChecked(btnUnderline->isChecked());
    btnBullet->setChecked(state.bullet);
    btnLeft->setChecked(state.alignment == TextAlignment::Left);
    btnRight->setChecked(state.alignment == TextAlignment::Right);
    btnCenter->setChecked(state.alignment == TextAlignment::Center);
    btnJustify->setChecked(state.alignment == TextAlignment::Justify);
    btnCopy->setEnabled(state.hasSelection);
    btnCut->setEnabled(btnCopy->isEnabled());
}

void TfrmMain::EditorChange()
{
    btnUndo->setEnabled(Editor->CanUndo());
    btnRedo->setEnabled(Editor->CanRedo());
    if (typingPause_ && Editor->Modified())
        typingPause_->start();
}

void TfrmMain::btnNoteBookOpenClick()
{
    const QString path = CurrentDialogs().GetOpenFileName(this, OpenDialog1);
    if (path.isEmpty())
        return;
    try {
        ImportDocument(*Editor, path);
    } catch (const std::exception& e) {
        ShowApplicationError(What(e));
    }
}

void TfrmMain::btnNoteBookSaveAsClick()
{
    if (Editor->Text().isEmpty())
        return;
    const QString path = CurrentDialogs().GetSaveFileName(this, SaveDialog1);
    if (path.isEmpty())
        return;
    try {
        ExportDocument(*Editor, path);
    } catch (const std::exception& e) {
        ShowError(this, What(e));
    }
}

QPrinter& TfrmMain::Printer()
{
    if (!printer_)
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *printer_;
}

void TfrmMain::ToolButton13Click()
{
    QPrinter& printer = Printer();
    try {
        if (CurrentDialogs().ChoosePrinter(this, printer, PrintDialog1)) {
            Editor->SetPageRect(PrintMarginRect(printer));
            QCoreApplication::processEvents();
            const QString title = PrintJobTitle(RbPanel1->Caption());
            if (printer.printRange() == QPrinter::Selection)
                PrintSelection(*Editor, printer, title);
            else
                Editor->Print(printer, title);
        }
        WaitForPrintJob(printer);
    } catch (const std::exception& e) {
        ShowApplicationError(What(e));
    }
    Editor->setFocus();
}

// ---------------------------------------------------------------------------
// Pictures and links

void TfrmMain::btnInsertPictureClick()
{
    const QString path = CurrentDialogs().GetOpenFileName(this, OpenPictureDialog1);
    if (path.isEmpty())
        return;
    try {
        WaitCursor wait;
        InsertPictureFile(*Editor, path);
    } catch (const std::exception& e) {
        ShowApplicationError(What(e));
    }
}

void TfrmMain::btnInsertLinkClick()
{
    OpenDialog2.title = QStringLiteral("Link To Selected File");
    const QString path = CurrentDialogs().GetOpenFileName(this, OpenDialog2);
    if (path.isEmpty())
        return;
    try {
        QCoreApplication::processEvents();
        InsertFileLink(*Editor, QFileInfo(path).absoluteFilePath());
    } catch (const std::exception& e) {
        ShowError(this, What(e));
    }
}

void TfrmMain::EditorURLClick(const QString& text, Qt::MouseButton)
{
    // Either button opens the link; a link that cannot be opened says nothing.
    ShellOpen(LinkTarget(text));
}

} // namespace quill
