#pragma once

// An entry body as the rich-text control loads it, made ready to be written out as HTML or
// Markdown by Qt's writers.

#include "picture_files.h"

#include <QString>
#include <QTextDocument>

#include <string>
#include <string_view>
#include <vector>

namespace quill::tool {

class EntryDocument {
public:
    // Read as RTF or, when the bytes are not RTF, as windows-1252 text, as the editor reads
    // a body; justified paragraphs stay justified.
    explicit EntryDocument(std::string_view body);

    // Qt's writers leave our picture objects out: each becomes an image that refers to its
    // file, `folderUrl` + "STEM-N.ext" (N counting from 1), shown at the editor's size.
    // Returns the pictures to be written under those names.
    std::vector<PictureFile> ReferToPictureFiles(const QString& folderUrl, const std::string& stem);

    // Addresses typed as text become links, as the editor shows them.
    void LinkDetectedAddresses();

    // The document as an HTML element to be put in a page: a div of class "body" whose
    // style gives the font the entry begins with (the page's own for an entry without
    // fonts, which the style sheet sets in sans-serif, 12 points).
    QString BodyHtml() const;

    // GitHub-flavoured Markdown with bold, italic, strike-out, lists and images; every other
    // format (fonts, colours, underline, links) is left out, its text kept.
    QString Markdown();

private:
    QTextDocument document_;
    bool ownFont_ = false; // the default font is the entry's, not the page's
};

} // namespace quill::tool
