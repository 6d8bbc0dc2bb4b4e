#pragma once

// An entry body as the rich-text control's plain text, without a control: the text the
// control shows, with paragraphs and soft line breaks as "\n" and pictures left out.
// QtCore only, so that command-line tools stay light.

#include "rtf_format.h"

#include <QString>

#include <array>
#include <string_view>

namespace quill {

// Collects the plain text of a document: paragraphs separated by "\n" (the last one has
// none), soft line breaks as "\n", tabs kept, pictures left out.
class PlainTextSink : public rtf::Sink {
public:
    void Text(QStringView text, const rtf::CharFormat& format) override;
    void InsertPicture(rtf::Picture&& picture, const rtf::CharFormat& format) override;
    void EndParagraph(const rtf::ParaFormat& format, const rtf::CharFormat& mark) override;

    // The text so far; soft line breaks become "\n" here.
    QString TakeText();
    // A paragraph was read, empty or not.
    bool HadParagraphs() const { return hadParagraphs_; }

private:
    void StartContent();

    QString text_;
    bool paragraphEnded_ = false;
    bool hadParagraphs_ = false;
};

// The plain text of an entry body: read as RTF, or, when the bytes are not RTF, as plain
// windows-1252 text, as the control loads a body.
QString BodyPlainText(std::string_view body);

// The same text with every paragraph followed by "\n", as the samples' texts and
// quillmere-tool text have it: nothing for a body without paragraphs, and "\n" for one whose
// only paragraph is empty.
QString BodyPlainLines(std::string_view body);

// Case-insensitive search for one text in many bodies, matching anywhere, also inside
// longer words: characters compare by their simple case folding.
class BodySearch {
public:
    explicit BodySearch(const QString& text);
    bool Matches(std::string_view body) const;
    // The same test on plain text.
    bool Contains(QStringView text) const;
    // Only matches that begin at `from` or later.
    bool ContainsFrom(QStringView text, qsizetype from) const;

private:
    QString folded_;
    std::array<qsizetype, 256> shift_{}; // Horspool shifts by the low byte of a folded character
};

} // namespace quill
