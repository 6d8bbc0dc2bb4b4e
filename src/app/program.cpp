#include "app/program.h"

#include "app/application.h"
#include "app/appstyle.h"
#include "app/safekeeping.h"
#include "app/tfrmcalendar.h"
#include "app/tfrmlogin.h"
#include "app/tfrmmain.h"
#include "app/tfrmsettings.h"
#include "editor/tdllform.h"
#include "platform/datadir.h"
#include "editor/tfrmemoticons.h"
#include "platform/dialogs.h"
#include "platform/raise_requests.h"
#include "search/tfrmdbsearch.h"
#include "storage/fileio.h"

#include <QApplication>
#include <QTimer>

#include <sys/stat.h>

namespace quill {

namespace {

template <typename Window>
Window* Create(std::vector<std::unique_ptr<QWidget>>& windows, Window*& global, QWidget* parent)
{
    auto window = std::make_unique<Window>(parent);
    global = window.get();
    windows.push_back(std::move(window));
    return global;
}

// Closes a table before its window goes, so that a file that cannot be written is
// reported instead of passing unnoticed, with `afterFailure` below the reason. Returns
// whether the file is written.
bool CloseTable(MemTable& table, const QString& afterFailure = {})
{
    try {
        table.Close();
        return true;
    } catch (const std::exception& e) {
        QString text = QString::fromUtf8(e.what());
        if (!afterFailure.isEmpty())
            text += QStringLiteral("\n\n") + afterFailure;
        ShowApplicationError(text);
        return false;
    }
}

QString DataFile(const char* name)
{
    return DataDirectory() + QString::fromLatin1(name);
}

// A second start asked for this run: its window (or the prompt in front of it) comes up.
void BringToFront()
{
    QWidget* window = QApplication::activeModalWidget();
    if (!window)
        window = frmMain;
    if (!window || !window->isVisible())
        return;
    if (window->isMinimized())
        window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->raise();
    window->activateWindow();
}

} // namespace

Program::Program()
{
    InitProgramResources();
    // The user's own data folder: every file the program makes is for the user alone.
    if (PrivateDataDirectory())
        ::umask(::umask(0) | 077);
    lock_ = std::make_unique<JournalLock>(DataFile("Journal.cds").toStdString());
    if (lock_->HeldByAnother()) {
        RaiseRequests::Ask(DataFile("Journal.cds"));
        ShowInformation(nullptr, QStringLiteral("Quillmere is already open with this journal."));
        return;
    }
    raiseRequests_ = std::make_unique<RaiseRequests>(DataFile("Journal.cds"));
    QObject::connect(raiseRequests_.get(), &RaiseRequests::raiseRequested, [] { BringToFront(); });
    // Said now, before anything is written that could not be saved.
    if (const QString notice = DataFolderWritabilityNotice(); !notice.isEmpty())
        ShowError(nullptr, notice);
    // New files of a run killed while it wrote them; with the lock held nobody writes them.
    for (const char* name : {"Journal.cds", "Settings.cds"})
        RemoveUnfinishedReplacements(DataFile(name).toStdString());
    // The run ends when the main window's close sequence says so, not when some window
    // (the password prompt, say) happens to be the last one shown.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    TfrmMain* main = Create(windows_, frmMain, nullptr);
    // Data files that cannot be read (and were not replaced by a backup) end the run here:
    // no editor is shown whose entries could not be stored, no gate opens without its
    // password.
    if (!main->tblJournal.Active() || !Create(windows_, frmLogin, nullptr)->tblPassword.Active()) {
        unreadable_ = true;
        DestroyWindows();
        return;
    }
    Create(windows_, frmEmoticons, main);
    Create(windows_, DLLForm, main);
    Create(windows_, frmCalendar, main);
    Create(windows_, frmSettings, main);
    Create(windows_, frmDBSearch, main);
    // The search window reads the main window's journal and asks it to show a day.
    frmDBSearch->Connect({&main->tblJournal, &main->tblJournalJournalDate, &main->tblJournalJournalEntry},
                         &main->ImageList1, [](double date, const QString& match) { frmMain->ShowDate(date, match); });
}

Program::~Program()
{
    DestroyWindows();
}

int Program::Run()
{
    if (windows_.empty())
        return unreadable_ ? 1 : 0;
    QTimer::singleShot(0, frmMain, [] { frmMain->show(); });
    return QApplication::exec();
}

int Program::Finish(int loopResult)
{
    const bool written = DestroyWindows();
    const auto* app = qobject_cast<QuillmereApplication*>(QCoreApplication::instance());
    if (app && app->StopSignal() != 0)
        return 128 + app->StopSignal();
    return written ? loopResult : 1;
}

bool Program::DestroyWindows()
{
    raiseRequests_.reset();
    bool written = true;
    while (!windows_.empty()) {
        QWidget* window = windows_.back().get();
        if (window == frmLogin) {
            written = CloseTable(frmLogin->tblPassword) && written;
        } else if (window == frmMain) {
            if (CloseTable(frmMain->tblJournal, frmMain->RecoveryLogKeptNotice()))
                frmMain->DiscardRecoveryLog(); // everything it held is in the journal now
            else
                written = false;
        }
        windows_.pop_back();
    }
    return written;
}

} // namespace quill
