#pragma once

#include "platform/richedit/body_search_workers.h"
#include "search/dateedit.h"
#include "search/journal_walk.h"
#include "search/result_row.h"
#include "search/search_run.h"
#include "search/ttypelist.h"
#include "ui/rbbutton.h"
#include "ui/rbpanel.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QWidget>

#include <functional>
#include <memory>

namespace quill {

// The full-text search window, shown beside the main window without being modal: finds the
// days in a date range whose text holds a piece of text, lists them, and shows the day of a
// row in the main window on a double click. It reads the journal table and never writes it.
class TfrmDBSearch : public QWidget {
    Q_OBJECT

public:
    // Shows a day in the main window, with the first match of the text selected.
    using ShowDateFunction = std::function<void(double date, const QString& match)>;
    // How a body is tested for a search text (on worker threads).
    using BodyTestFactory = std::function<BodySearchWorkers::BodyTest(const QString& text)>;

    explicit TfrmDBSearch(QWidget* parent = nullptr);
    ~TfrmDBSearch() override;

    // What the window works with, given by the program once the main window exists: the
    // journal table, the shared image list (image 20 marks the rows) and the main window's
    // way to show a day.
    void Connect(const JournalAccess& journal, const TImageList* images, ShowDateFunction showDate);

    TRbPanel* RbPanel8;
    QGroupBox* GroupBox1;
    TDateEdit* DateEdit1;
    TDateEdit* DateEdit2;
    QLineEdit* edtText;
    TRbButton* btnSearch;
    TRbButton* btnStop;
    QLabel* lblProgress; // the date being examined during a run; empty otherwise
    QGroupBox* GroupBox2;
    QListWidget* ListBox1;
    TRbButton* btnClose;

    // The dates found by the latest run that ended without failure, or none.
    std::unique_ptr<TTypeList> Results;
    bool StopRequested = false;
    // The text Results were found for.
    QString ResultsText() const { return resultsText_; }
    // From the moment Search is taken until the run's end is shown.
    bool Running() const { return inRun_; }

    // Replaces the body test; tests use it to make a body fail.
    BodyTestFactory BodyTestFor;

    void FormShow();
    void btnSearchClick();
    void btnStopClick();
    void btnCloseClick();
    void DateEdit1Change();
    void DateEdit2Change();
    // Returns whether the key was taken.
    bool edtTextKeyDown(int key);
    void ListBox1DrawItem(QPainter& canvas, int index, const QRect& R, bool selected);
    void ListBox1DblClick();

    // The tooltip of a row: the text around its first match, then the list box's hint.
    QString RowToolTip(int row) const;

Q_SIGNALS:
    // A run has ended, whichever way.
    void RunEnded();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildCriteria();
    void BuildResults();
    void RunFinished();
    void ShowResults();
    void ShowProgress(double examining);
    void StopRun();

    JournalAccess journal_;
    ShowDateFunction showDate_;
    ResultRowPainter rowPainter_;
    SearchRun* run_ = nullptr; // owned by this window; the latest run
    bool inRun_ = false;
    QString runText_;
    QString resultsText_;
};

extern TfrmDBSearch* frmDBSearch;

} // namespace quill
