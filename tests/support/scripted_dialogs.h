#pragma once

// Dialogs for tests: every box is recorded, every standard dialog answers from a queue.
// A dialog asked for with an empty queue is recorded as unexpected and cancelled.

#include "platform/dialogs.h"

#include <QPrinter>

#include <deque>
#include <functional>
#include <optional>
#include <vector>

namespace quill::testing {

class ScriptedDialogs : public Dialogs {
public:
    struct Box {
        MessageKind kind;
        QString title;
        QString text;
        QStringList buttons = {}; // a question's buttons
    };

    std::vector<Box> boxes;
    QStringList unexpected;

    std::deque<QString> questionAnswers;                     // the button pressed; none: the last
    std::deque<std::optional<FontChoice>> fontAnswers;       // nullopt: the user cancels
    std::deque<std::optional<quint32>> colorAnswers;
    std::deque<QString> openAnswers;                         // empty: the user cancels
    std::deque<QString> saveAnswers;
    std::deque<std::function<bool(QPrinter&)>> printAnswers; // sets the printer up, returns accepted

    std::vector<FontChoice> fontRequests;
    std::vector<quint32> colorRequests;
    std::vector<FileDialogOptions> fileRequests;
    std::vector<PrintChoice> printRequests;
    std::function<void(const Box&)> onMessage;

    QStringList texts() const
    {
        QStringList t;
        for (const Box& b : boxes)
            t << b.text;
        return t;
    }

    void ShowMessage(QWidget*, MessageKind kind, const QString& title, const QString& text) override
    {
        boxes.push_back({kind, title, text});
        if (onMessage)
            onMessage(boxes.back());
    }

    int Ask(QWidget*, MessageKind kind, const QString& title, const QString& text,
            const QStringList& buttons) override
    {
        boxes.push_back({kind, title, text, buttons});
        if (onMessage)
            onMessage(boxes.back());
        if (questionAnswers.empty()) {
            unexpected << "question: " + text;
            return static_cast<int>(buttons.size()) - 1;
        }
        const QString answer = take(questionAnswers);
        const int index = static_cast<int>(buttons.indexOf(answer));
        if (index < 0)
            unexpected << "no button " + answer + " in: " + text;
        return index < 0 ? static_cast<int>(buttons.size()) - 1 : index;
    }

    bool ChooseFont(QWidget*, FontChoice& choice) override
    {
        fontRequests.push_back(choice);
        if (fontAnswers.empty()) {
            unexpected << "font dialog";
            return false;
        }
        const auto answer = take(fontAnswers);
        if (answer)
            choice = *answer;
        return answer.has_value();
    }

    bool ChooseColor(QWidget*, quint32& color) override
    {
        colorRequests.push_back(color);
        if (colorAnswers.empty()) {
            unexpected << "colour dialog";
            return false;
        }
        const auto answer = take(colorAnswers);
        if (answer)
            color = *answer;
        return answer.has_value();
    }

    QString GetOpenFileName(QWidget*, const FileDialogOptions& options) override
    {
        fileRequests.push_back(options);
        if (openAnswers.empty()) {
            unexpected << "open dialog";
            return {};
        }
        return take(openAnswers);
    }

    QString GetSaveFileName(QWidget*, const FileDialogOptions& options) override
    {
        fileRequests.push_back(options);
        if (saveAnswers.empty()) {
            unexpected << "save dialog";
            return {};
        }
        return take(saveAnswers);
    }

    bool ChoosePrinter(QWidget*, QPrinter& printer, const PrintChoice& choice) override
    {
        printRequests.push_back(choice);
        if (printAnswers.empty()) {
            unexpected << "print dialog";
            return false;
        }
        return take(printAnswers)(printer);
    }

private:
    template <typename T>
    static T take(std::deque<T>& queue)
    {
        T value = std::move(queue.front());
        queue.pop_front();
        return value;
    }
};

// Installs scripted dialogs for its lifetime.
class ScopedDialogs {
public:
    ScopedDialogs()
    {
        auto owned = std::make_unique<ScriptedDialogs>();
        dialogs_ = owned.get();
        InstallDialogs(std::move(owned));
    }
    ~ScopedDialogs() { InstallDialogs(MakeStandardDialogs()); }
    ScopedDialogs(const ScopedDialogs&) = delete;
    ScopedDialogs& operator=(const ScopedDialogs&) = delete;

    ScriptedDialogs* operator->() const { return dialogs_; }
    ScriptedDialogs& operator*() const { return *dialogs_; }

private:
    ScriptedDialogs* dialogs_;
};

} // namespace quill::testing
