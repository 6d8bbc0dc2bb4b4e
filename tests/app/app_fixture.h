#pragma once

// Runs the whole program in the test's process: its own data folder, scripted dialogs, the
// seven windows, and the user's actions on modal windows scheduled before they open.

#include "app/application.h"
#include "app/program.h"
#include "app/tfrmcalendar.h"
#include "app/tfrmlogin.h"
#include "app/tfrmmain.h"
#include "app/tfrmsettings.h"
#include "platform/datadir.h"
#include "platform/regional.h"
#include "platform/richedit/find_dialog.h"
#include "platform/richedit/richedit.h"
#include "storage/datetime.h"
#include "storage/memtable.h"
#include "support/scripted_dialogs.h"

#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

namespace quill::testing {

inline QByteArray ReadBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}

// Types any text, also characters that have no key of their own.
inline void TypeText(QWidget* widget, const QString& text)
{
    for (QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(widget, &release);
    }
}

// Runs `action` on the modal window of type W as soon as it is open.
template <typename W>
void WhenModal(std::function<void(W*)> action)
{
    QTimer::singleShot(0, [action] {
        if (auto* w = qobject_cast<W*>(QApplication::activeModalWidget()))
            action(w);
        else
            QFAIL("the expected window is not open");
    });
}

// Types a password into the login window and presses Login (or Exit).
inline void AnswerLogin(const QString& password, bool pressExit = false)
{
    WhenModal<TfrmLogin>([password, pressExit](TfrmLogin* login) {
        login->edtPassword->clear();
        QTest::keyClicks(login->edtPassword, password);
        QTest::mouseClick(pressExit ? login->btnExit : login->btnLogin, Qt::LeftButton);
        // A refused password leaves the window open: leave it for good.
        if (login->isVisible())
            QTest::mouseClick(login->btnExit, Qt::LeftButton);
    });
}

// The plain text of each stored day, read back from a journal file.
inline QMap<QDate, QString> JournalTexts(const QString& path)
{
    QMap<QDate, QString> texts;
    if (!QFile::exists(path))
        return texts;
    MemTable table("tblJournal");
    const JournalFields f = DeclareJournalFields(table);
    table.SetFileName(path.toStdString());
    table.Open();
    RichEdit reader;
    for (table.First(); !table.Eof(); table.Next()) {
        MemoryStream body;
        f.JournalEntry.SaveToStream(body);
        reader.StreamIn(body.bytes(), sfRichText);
        texts.insert(ToQDate(f.JournalDate.AsDateTime()), reader.Text());
    }
    return texts;
}

// A run of the program in a temporary data folder.
class ProgramRun {
public:
    // In a folder of its own, or in `folder` when given (which then stays).
    explicit ProgramRun(const QString& folder = {}) : folder_(folder.isEmpty() ? dir_.path() : folder)
    {
        testing::SetDataDirectory(folder_);
        dialogs_ = std::make_unique<ScopedDialogs>();
    }
    ~ProgramRun()
    {
        program_.reset();
        dialogs_.reset();
        testing::SetDataDirectory({});
        SetUnattended(false); // a run ended by a stop signal leaves it set

    }

    QString path(const QString& name) const { return QDir(folder_).filePath(name); }
    ScriptedDialogs& dialogs() { return **dialogs_; }

    // Creates the windows (opening the tables) without showing anything.
    void create() { program_ = std::make_unique<Program>(); }
    Program* program() const { return program_.get(); }

    // Creates the windows and shows the main window, answering the password prompt.
    void start(const QString& password = QString())
    {
        if (!program_)
            create();
        AnswerLogin(password);
        frmMain->show();
        QApplication::processEvents();
    }

    void type(const QString& text) { QTest::keyClicks(frmMain->Editor, text); }

    // Ends the run as the program does: the main window closes, the windows go in reverse
    // order and the tables write their files.
    void finish()
    {
        if (frmMain && !frmMain->Closed())
            frmMain->close();
        QApplication::processEvents();
        program_.reset();
    }

private:
    QTemporaryDir dir_;
    QString folder_;
    std::unique_ptr<ScopedDialogs> dialogs_;
    std::unique_ptr<Program> program_;
};

} // namespace quill::testing

// A test main that runs under the program's own application object.
#define QUILLMERE_APP_TEST_MAIN(TestClass)                                                                             \
    int main(int argc, char** argv)                                                                                    \
    {                                                                                                                  \
        quill::QuillmereApplication app(argc, argv);                                                                   \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                                       \
        TestClass test;                                                                                                \
        return QTest::qExec(&test, argc, argv);                                                                        \
    }
