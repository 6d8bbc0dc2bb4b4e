#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>

#include <memory>

class QPrinter;
class QWidget;

namespace quill {

enum class MessageKind { Error, Information };

// A file type offered by a file dialog: "Rich Text File (*.rtf)" with its patterns.
struct FileFilter {
    QString name;
    QStringList patterns;
};

struct FileDialogOptions {
    QString title;                // empty: the system's default title
    QList<FileFilter> filters;
    int selectedFilter = 0;
    QString defaultSuffix;        // without the dot
    bool mustExist = false;
    bool confirmOverwrite = false;
    bool picturePreview = false;  // show a preview of the selected picture
};

// A font as the font dialog edits it: face, size, style, colour and character set.
struct FontChoice {
    QFont font;
    quint32 color = 0; // 0x00BBGGRR
    int charset = 1;
};

struct PrintChoice {
    bool selectionAvailable = false;
    bool printToFileAvailable = true;
};

// Every message box and standard dialog of the program goes through this one interface.
// The program installs the real one; tests install a scripted one that records each box
// and answers from a queue, so that no test waits on a real modal dialog.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // A box with a single OK button.
    virtual void ShowMessage(QWidget* parent, MessageKind kind, const QString& title, const QString& text) = 0;
    // A box with the given buttons, the first the default; returns the index of the one
    // pressed. The last one answers Escape and the box's close button.
    virtual int Ask(QWidget* parent, MessageKind kind, const QString& title, const QString& text,
                    const QStringList& buttons) = 0;
    // Returns false when the user cancels; `choice` is the starting point and the result.
    virtual bool ChooseFont(QWidget* parent, FontChoice& choice) = 0;
    virtual bool ChooseColor(QWidget* parent, quint32& color) = 0;
    // Return the chosen path, or an empty text when the user cancels.
    virtual QString GetOpenFileName(QWidget* parent, const FileDialogOptions& options) = 0;
    virtual QString GetSaveFileName(QWidget* parent, const FileDialogOptions& options) = 0;
    // Sets up `printer` (range, copies, file) and returns false when the user cancels.
    virtual bool ChoosePrinter(QWidget* parent, QPrinter& printer, const PrintChoice& choice) = 0;
};

Dialogs& CurrentDialogs();
// Replaces the dialogs in use (the program installs the real ones at start; tests their own).
void InstallDialogs(std::unique_ptr<Dialogs> dialogs);

// The real dialogs, on Qt's standard dialogs.
std::unique_ptr<Dialogs> MakeStandardDialogs();

// While the program ends without a person to answer (a stop signal, the end of the desktop
// session), the real dialogs write their messages to standard error instead of waiting on
// a box, and questions take their last answer.
void SetUnattended(bool unattended);
bool Unattended();

// Shorthands for the two boxes the program shows: "Error" and "Information".
void ShowError(QWidget* parent, const QString& text);
void ShowInformation(QWidget* parent, const QString& text);
// The application's general error report: a box titled with the application's title.
void ShowApplicationError(const QString& text);
// An error the user decides about: a box titled like the general report, with `buttons`.
int AskAboutError(QWidget* parent, const QString& text, const QStringList& buttons);

} // namespace quill
