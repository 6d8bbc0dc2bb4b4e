#include "search/tfrmdbsearch.h"

#include "platform/dialogs.h"
#include "platform/regional.h"
#include "platform/richedit/plain_text.h"
#include "search/match_snippet.h"
#include "ui/windowlook.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QPainter>
#include <QStyleOption>
#include <QStyledItemDelegate>
#include <QToolTip>

namespace quill {

TfrmDBSearch* frmDBSearch = nullptr;

namespace {

const QString kListHint = QStringLiteral("Double-Click to view journal entry");

QFont Arial13(bool bold = false)
{
    return PixelFont(QStringLiteral("Arial"), 13, bold);
}

// The shared button look, with the window's spacing and picture size.
TRbButton* MakeSearchButton(QWidget* parent, const QRect& geometry, const QString& caption, const QString& picture,
                            int pictureSize)
{
    auto* button = new TRbButton(parent); // owned by its parent
    button->setGeometry(geometry);
    button->SetCaption(caption);
    ApplyButtonLook(*button);
    button->SetSpacing(10);
    button->SetLayout(blGlyphLeft);
    button->SetTextShadow(false);
    button->SetGlyph(ProgramPicture(picture, pictureSize));
    return button;
}

QLabel* AddLabel(QWidget* parent, const QString& text, int x, int y)
{
    auto* label = new QLabel(text, parent); // owned by its parent
    label->setFont(Arial13());
    label->setStyleSheet(QStringLiteral("color: black; background: transparent;"));
    label->move(x, y);
    label->adjustSize();
    return label;
}

QGroupBox* AddGroupBox(QWidget* parent, const QString& caption, const QRect& geometry)
{
    auto* box = new QGroupBox(caption, parent); // owned by its parent
    box->setGeometry(geometry);
    box->setFont(Arial13(true));
    return box;
}

// Rows 25 pixels high, drawn by the window; the focused row gets the usual focus rectangle.
class ResultRowDelegate : public QStyledItemDelegate {
public:
    ResultRowDelegate(TfrmDBSearch& window, QObject* parent) : QStyledItemDelegate(parent), window_(window) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        window_.ListBox1DrawItem(*painter, index.row(), option.rect, option.state & QStyle::State_Selected);
        if (option.state & QStyle::State_HasFocus) {
            QStyleOptionFocusRect focus;
            focus.QStyleOption::operator=(option);
            focus.rect = option.rect;
            const QWidget* widget = option.widget;
            (widget ? widget->style() : QApplication::style())->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, widget);
        }
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override
    {
        return {option.rect.width(), 25};
    }

private:
    TfrmDBSearch& window_;
};

} // namespace

TfrmDBSearch::TfrmDBSearch(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::WindowStaysOnTopHint)
{
    setWindowTitle(QStringLiteral("Full Database Text Search"));
    setFixedSize(307, 445);
    setFont(PixelFont(QStringLiteral("MS Sans Serif"), 11));

    RbPanel8 = new TRbPanel(this); // owned by this window, as every control below by its parent
    RbPanel8->setGeometry(0, 0, 307, 445);
    ApplyDialogPanelLook(*RbPanel8, QStringLiteral("Database Text Search"));
    RbPanel8->BeginLoad();
    RbPanel8->SetDefaultFrom(clWhite);
    RbPanel8->SetDefaultTo(0x00E3DFDF);
    RbPanel8->SetGradientType(gtVertical);
    RbPanel8->EndLoad();

    BuildCriteria();
    BuildResults();
    btnClose = MakeSearchButton(RbPanel8, QRect(205, 400, 75, 25), QStringLiteral("Close"), QStringLiteral(":/buttons/close"), 16);
    connect(btnClose, &TRbButton::OnClick, this, &TfrmDBSearch::btnCloseClick);

    setTabOrder(DateEdit1, DateEdit2);
    setTabOrder(DateEdit2, edtText);
    setTabOrder(edtText, btnSearch);
    setTabOrder(btnSearch, btnStop);

    BodyTestFor = [](const QString& text) -> BodySearchWorkers::BodyTest {
        auto search = std::make_shared<const BodySearch>(text);
        return [search](std::string_view body) { return search->Matches(body); };
    };
}

void TfrmDBSearch::BuildCriteria()
{
    GroupBox1 = AddGroupBox(RbPanel8, QStringLiteral("Text Search Criteria"), QRect(24, 40, 257, 193));
    AddLabel(GroupBox1, QStringLiteral("From Date"), 16, 27);
    AddLabel(GroupBox1, QStringLiteral("To Date"), 16, 59);
    AddLabel(GroupBox1, QStringLiteral("Text to search for"), 16, 93);

    DateEdit1 = new TDateEdit(GroupBox1);
    DateEdit1->setGeometry(112, 24, 129, 21);
    DateEdit1->setFont(font());
    connect(DateEdit1, &TDateEdit::OnChange, this, &TfrmDBSearch::DateEdit1Change);
    DateEdit2 = new TDateEdit(GroupBox1);
    DateEdit2->setGeometry(112, 56, 129, 21);
    DateEdit2->setFont(font());
    connect(DateEdit2, &TDateEdit::OnChange, this, &TfrmDBSearch::DateEdit2Change);

    edtText = new QLineEdit(GroupBox1);
    edtText->setGeometry(16, 112, 225, 24);
    edtText->setFont(Arial13());
    edtText->installEventFilter(this);

    btnSearch = MakeSearchButton(GroupBox1, QRect(16, 152, 81, 33), QStringLiteral("Search"), QStringLiteral(":/buttons/search"), 24);
    connect(btnSearch, &TRbButton::OnClick, this, &TfrmDBSearch::btnSearchClick);
    btnStop = MakeSearchButton(GroupBox1, QRect(160, 152, 80, 33), QStringLiteral("Stop"), QStringLiteral(":/buttons/stop"), 24);
    btnStop->setEnabled(false);
    connect(btnStop, &TRbButton::OnClick, this, &TfrmDBSearch::btnStopClick);

    // Between the two buttons, blank unless a run goes on.
    lblProgress = new QLabel(GroupBox1);
    lblProgress->setGeometry(98, 152, 61, 33);
    lblProgress->setFont(font());
    lblProgress->setAlignment(Qt::AlignCenter);
    lblProgress->setStyleSheet(QStringLiteral("color: black; background: transparent;"));
}

void TfrmDBSearch::BuildResults()
{
    GroupBox2 = AddGroupBox(RbPanel8, QStringLiteral("Results"), QRect(24, 240, 257, 145));
    ListBox1 = new QListWidget(GroupBox2);
    ListBox1->setGeometry(16, 24, 225, 105);
    ListBox1->setFont(Arial13());
    ListBox1->setFrameShape(QFrame::Box);
    ListBox1->setFrameShadow(QFrame::Plain);
    ListBox1->setLineWidth(1);
    QPalette palette = ListBox1->palette();
    palette.setColor(QPalette::Base, Qt::white);
    ListBox1->setPalette(palette);
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBox1->setUniformItemSizes(true);
    ListBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff); // rows are cut at the right edge
    ListBox1->setItemDelegate(new ResultRowDelegate(*this, ListBox1)); // owned by the list box
    ListBox1->setToolTip(kListHint);
    ListBox1->viewport()->installEventFilter(this);
}

TfrmDBSearch::~TfrmDBSearch()
{
    delete run_; // its workers stop before the fields it reads go
    run_ = nullptr;
    if (frmDBSearch == this)
        frmDBSearch = nullptr;
}

void TfrmDBSearch::Connect(const JournalAccess& journal, const TImageList* images, ShowDateFunction showDate)
{
    journal_ = journal;
    rowPainter_ = images ? ResultRowPainter(*images) : ResultRowPainter();
    showDate_ = std::move(showDate);
}

void TfrmDBSearch::showEvent(QShowEvent* event)
{
    if (QWidget* main = parentWidget() ? parentWidget()->window() : nullptr)
        move(main->geometry().center() - rect().center());
    QWidget::showEvent(event);
    FormShow();
}

void TfrmDBSearch::closeEvent(QCloseEvent* event)
{
    // The close box, like Close, ends a run before the window goes.
    StopRun();
    QWidget::closeEvent(event);
}

bool TfrmDBSearch::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == edtText && event->type() == QEvent::KeyPress)
        return edtTextKeyDown(static_cast<QKeyEvent*>(event)->key());
    if (watched == ListBox1->viewport()) {
        if (event->type() == QEvent::MouseButtonDblClick) {
            ListBox1DblClick();
            return true;
        }
        if (event->type() == QEvent::ToolTip) {
            auto* help = static_cast<QHelpEvent*>(event);
            const QModelIndex index = ListBox1->indexAt(help->pos());
            QToolTip::showText(help->globalPos(), index.isValid() ? RowToolTip(index.row()) : kListHint, ListBox1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
// Handlers

void TfrmDBSearch::FormShow()
{
    StopRun(); // a window hidden by other means than closing may still run one
    DateEdit1->SetDate(QDate::currentDate());
    DateEdit2->SetDate(QDate::currentDate());
    ListBox1->clear();
    edtText->clear();
    btnStop->setEnabled(false);
    btnSearch->setEnabled(true);
    StopRequested = false;
}

void TfrmDBSearch::btnSearchClick()
{
    if (Running())
        return;
    if (!journal_.table || journal_.table->IsEmpty() || edtText->text().isEmpty())
        return;
    btnStop->setEnabled(true);
    btnSearch->setEnabled(false);
    // The run keeps its own results: Results are replaced only by a run that does not fail,
    // so that the list and the dates it opens always agree.
    if (run_)
        run_->deleteLater(); // it may be the sender of the signal being handled
    run_ = nullptr;
    runText_ = edtText->text();
    inRun_ = true;
    QCoreApplication::processEvents();

    run_ = new SearchRun(
        journal_, BodyTestFor(runText_),
        [this] { return SearchRun::DateRange{FromQDate(DateEdit1->Date()), FromQDate(DateEdit2->Date())}; }, this);
    connect(run_, &SearchRun::Progress, this, &TfrmDBSearch::ShowProgress);
    connect(run_, &SearchRun::Ended, this, &TfrmDBSearch::RunFinished);
    run_->Start();
    if (StopRequested && run_ && run_->Running())
        run_->Stop(); // Stop was pressed while the run was getting ready
}

void TfrmDBSearch::RunFinished()
{
    SearchRun& run = *run_;
    lblProgress->clear();
    if (run.Result() == SearchRun::Outcome::Failed) {
        inRun_ = false;
        btnStop->setEnabled(false);
        btnSearch->setEnabled(true);
        StopRequested = false;
        ShowError(this, run.Failure());
        Q_EMIT RunEnded();
        return;
    }
    if (run.Result() == SearchRun::Outcome::Stopped)
        DateEdit1->SetDate(ToQDate(run.StopDate()));
    Results = run.TakeResults();
    resultsText_ = runText_;

    ListBox1->clear();
    if (!Results->IsEmpty())
        ShowResults();
    inRun_ = false;
    btnStop->setEnabled(false);
    btnSearch->setEnabled(true);
    StopRequested = false;
    if (ListBox1->count() > 0) {
        ListBox1->setCurrentRow(0);
        ListBox1->setFocus();
    }
    QCoreApplication::processEvents();
    Q_EMIT RunEnded();
}

void TfrmDBSearch::ShowResults()
{
    QStringList rows;
    rows.reserve(Results->Count());
    Results->ForEach([&rows](double date) { rows.append(FormatLongDay(date)); });
    ListBox1->addItems(rows);
}

void TfrmDBSearch::ShowProgress(double examining)
{
    lblProgress->setText(QLocale().toString(ToQDate(examining), QLocale::ShortFormat));
}

void TfrmDBSearch::StopRun()
{
    if (!inRun_)
        return;
    StopRequested = true; // also seen by a run that is about to start
    if (run_ && run_->Running())
        run_->Stop();
}

void TfrmDBSearch::btnStopClick()
{
    StopRequested = true;
    if (run_ && run_->Running())
        run_->Stop(); // the run sees the request and ends with the rows it has examined
    QCoreApplication::processEvents();
    btnSearch->setEnabled(true);
    btnStop->setEnabled(false);
}

void TfrmDBSearch::btnCloseClick()
{
    StopRun();
    Results.reset();
    QCoreApplication::processEvents();
    close();
}

void TfrmDBSearch::DateEdit1Change()
{
    edtText->setFocus();
}

void TfrmDBSearch::DateEdit2Change()
{
    edtText->setFocus();
}

bool TfrmDBSearch::edtTextKeyDown(int key)
{
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return false;
    if (!Running())
        btnSearchClick();
    return true;
}

void TfrmDBSearch::ListBox1DrawItem(QPainter& canvas, int index, const QRect& R, bool selected)
{
    const QListWidgetItem* item = ListBox1->item(index);
    canvas.setFont(ListBox1->font());
    rowPainter_.Draw(canvas, R, item ? item->text() : QString(), selected);
}

void TfrmDBSearch::ListBox1DblClick()
{
    const QList<QListWidgetItem*> selected = ListBox1->selectedItems();
    if (selected.isEmpty())
        return;
    const int row = ListBox1->row(selected.front());
    if (!Results || row >= Results->Count() || !showDate_)
        return;
    const double date = Results->GetItem(row);
    const QString match = resultsText_;
    // A run ends first; the day picked is the one shown, though the run refills the list.
    StopRun();
    showDate_(date, match);
}

QString TfrmDBSearch::RowToolTip(int row) const
{
    if (!Results || row < 0 || row >= Results->Count() || !journal_.table || !journal_.table->Active())
        return kListHint;
    if (!journal_.table->FindKey(Results->GetItem(row)))
        return kListHint;
    const QString snippet = MatchSnippet(BodyPlainText(journal_.journalEntry->BlobView()), resultsText_);
    return snippet.isEmpty() ? kListHint : snippet + QStringLiteral("<br>") + kListHint;
}

} // namespace quill
