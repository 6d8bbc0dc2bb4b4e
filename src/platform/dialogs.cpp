#include "platform/dialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QImageReader>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>

#include <cstdio>

namespace quill {

namespace {

QColor ToQColor(quint32 c)
{
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF));
}

quint32 FromQColor(const QColor& c)
{
    return static_cast<quint32>(c.red()) | (static_cast<quint32>(c.green()) << 8) |
           (static_cast<quint32>(c.blue()) << 16);
}

// The sixteen standard colours a font's colour is picked from, as the font dialogs of the
// desktop offer them.
const std::pair<const char*, quint32> kFontColors[] = {
    {"Black", 0x000000}, {"Maroon", 0x000080}, {"Green", 0x008000}, {"Olive", 0x008080},
    {"Navy", 0x800000},  {"Purple", 0x800080}, {"Teal", 0x808000},  {"Gray", 0x808080},
    {"Silver", 0xC0C0C0}, {"Red", 0x0000FF},   {"Lime", 0x00FF00},  {"Yellow", 0x00FFFF},
    {"Blue", 0xFF0000},  {"Fuchsia", 0xFF00FF}, {"Aqua", 0xFFFF00}, {"White", 0xFFFFFF},
};

// Adds a colour list below the font dialog's own controls.
QComboBox* AddColorRow(QFontDialog& dialog, quint32 current)
{
    auto* colors = new QComboBox(&dialog);
    bool found = false;
    for (const auto& [name, value] : kFontColors) {
        QPixmap swatch(16, 16);
        swatch.fill(ToQColor(value));
        colors->addItem(QIcon(swatch), QString::fromLatin1(name), value);
        found = found || value == current;
    }
    if (!found) {
        QPixmap swatch(16, 16);
        swatch.fill(ToQColor(current));
        colors->addItem(QIcon(swatch), QStringLiteral("Custom"), current);
    }
    colors->setCurrentIndex(colors->findData(current));
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
        // The colour row goes above the OK and Cancel buttons, which move down one row.
        auto* buttons = dialog.findChild<QDialogButtonBox*>();
        if (buttons)
            grid->removeWidget(buttons);
        const int row = grid->rowCount();
        auto* label = new QLabel(QStringLiteral("&Color:"), &dialog);
        label->setBuddy(colors);
        grid->addWidget(label, row, 0);
        grid->addWidget(colors, row, 1, 1, 2);
        if (buttons)
            grid->addWidget(buttons, row + 1, 0, 1, grid->columnCount());
    }
    return colors;
}

QString FilterText(const FileFilter& f)
{
    return f.name + " (" + f.patterns.join(' ') + ")";
}

// A file dialog whose side shows the selected picture, scaled down to fit.
void AddPicturePreview(QFileDialog& dialog)
{
    auto* preview = new QLabel(&dialog);
    preview->setFixedSize(160, 160);
    preview->setAlignment(Qt::AlignCenter);
    preview->setFrameShape(QFrame::StyledPanel);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
        grid->addWidget(preview, 0, grid->columnCount(), grid->rowCount(), 1);
    QObject::connect(&dialog, &QFileDialog::currentChanged, preview, [preview](const QString& path) {
        QImageReader reader(path);
        reader.setAutoTransform(true);
        const QImage image = reader.read();
        preview->setPixmap(image.isNull() ? QPixmap()
                                          : QPixmap::fromImage(image.scaled(preview->size(), Qt::KeepAspectRatio,
                                                                            Qt::SmoothTransformation)));
    });
}

QString RunFileDialog(QWidget* parent, const FileDialogOptions& options, QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(parent, options.title);
    dialog.setOption(QFileDialog::DontUseNativeDialog, options.picturePreview);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen && options.mustExist ? QFileDialog::ExistingFile
                                                                           : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !options.confirmOverwrite);
    QStringList filters;
    for (const FileFilter& f : options.filters)
        filters << FilterText(f);
    dialog.setNameFilters(filters);
    if (options.selectedFilter >= 0 && options.selectedFilter < filters.size())
        dialog.selectNameFilter(filters[options.selectedFilter]);
    dialog.setDefaultSuffix(options.defaultSuffix);
    if (options.picturePreview)
        AddPicturePreview(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

bool g_unattended = false;

void WriteToStandardError(const QString& title, const QString& text)
{
    std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
}

class StandardDialogs final : public Dialogs {
public:
    void ShowMessage(QWidget* parent, MessageKind kind, const QString& title, const QString& text) override
    {
        if (g_unattended) {
            WriteToStandardError(title, text);
            return;
        }
        QMessageBox box(kind == MessageKind::Error ? QMessageBox::Critical : QMessageBox::Information, title, text,
                        QMessageBox::Ok, parent);
        box.exec();
    }

    int Ask(QWidget* parent, MessageKind kind, const QString& title, const QString& text,
            const QStringList& buttons) override
    {
        if (g_unattended || buttons.isEmpty()) {
            WriteToStandardError(title, text);
            return static_cast<int>(buttons.size()) - 1;
        }
        QMessageBox box(kind == MessageKind::Error ? QMessageBox::Critical : QMessageBox::Question, title, text,
                        QMessageBox::NoButton, parent);
        QList<QAbstractButton*> pushButtons;
        for (qsizetype i = 0; i < buttons.size(); ++i) {
            const bool last = i + 1 == buttons.size();
            pushButtons << box.addButton(buttons[i], last ? QMessageBox::RejectRole : QMessageBox::AcceptRole);
        }
        box.setDefaultButton(qobject_cast<QPushButton*>(pushButtons.constFirst()));
        box.setEscapeButton(pushButtons.constLast());
        box.exec();
        const qsizetype pressed = pushButtons.indexOf(box.clickedButton());
        return static_cast<int>(pressed < 0 ? buttons.size() - 1 : pressed);
    }

    bool ChooseFont(QWidget* parent, FontChoice& choice) override
    {
        QFontDialog dialog(choice.font, parent);
        dialog.setOption(QFontDialog::DontUseNativeDialog);
        QComboBox* colors = AddColorRow(dialog, choice.color);
        if (dialog.exec() != QDialog::Accepted)
            return false;
        choice.font = dialog.selectedFont();
        choice.color = colors->currentData().toUInt();
        return true;
    }

    bool ChooseColor(QWidget* parent, quint32& color) override
    {
        const QColor chosen = QColorDialog::getColor(ToQColor(color), parent);
        if (!chosen.isValid())
            return false;
        color = FromQColor(chosen);
        return true;
    }

    QString GetOpenFileName(QWidget* parent, const FileDialogOptions& options) override
    {
        return RunFileDialog(parent, options, QFileDialog::AcceptOpen);
    }

    QString GetSaveFileName(QWidget* parent, const FileDialogOptions& options) override
    {
        return RunFileDialog(parent, options, QFileDialog::AcceptSave);
    }

    bool ChoosePrinter(QWidget* parent, QPrinter& printer, const PrintChoice& choice) override
    {
        QPrintDialog dialog(&printer, parent);
        QAbstractPrintDialog::PrintDialogOptions options = QAbstractPrintDialog::PrintShowPageSize;
        if (choice.selectionAvailable)
            options |= QAbstractPrintDialog::PrintSelection;
        if (choice.printToFileAvailable)
            options |= QAbstractPrintDialog::PrintToFile;
        dialog.setOptions(options);
        return dialog.exec() == QDialog::Accepted;
    }
};

std::unique_ptr<Dialogs>& Installed()
{
    static std::unique_ptr<Dialogs> dialogs;
    return dialogs;
}

} // namespace

Dialogs& CurrentDialogs()
{
    auto& installed = Installed();
    if (!installed)
        installed = MakeStandardDialogs();
    return *installed;
}

void InstallDialogs(std::unique_ptr<Dialogs> dialogs)
{
    Installed() = std::move(dialogs);
}

std::unique_ptr<Dialogs> MakeStandardDialogs()
{
    return std::make_unique<StandardDialogs>();
}

void SetUnattended(bool unattended)
{
    g_unattended = unattended;
}

bool Unattended()
{
    return g_unattended;
}

void ShowError(QWidget* parent, const QString& text)
{
    CurrentDialogs().ShowMessage(parent, MessageKind::Error, QStringLiteral("Error"), text);
}

void ShowInformation(QWidget* parent, const QString& text)
{
    CurrentDialogs().ShowMessage(parent, MessageKind::Information, QStringLiteral("Information"), text);
}

void ShowApplicationError(const QString& text)
{
    CurrentDialogs().ShowMessage(QApplication::activeWindow(), MessageKind::Error,
                                 QGuiApplication::applicationDisplayName(), text);
}

int AskAboutError(QWidget* parent, const QString& text, const QStringList& buttons)
{
    return CurrentDialogs().Ask(parent, MessageKind::Error, QGuiApplication::applicationDisplayName(), text, buttons);
}

} // namespace quill
