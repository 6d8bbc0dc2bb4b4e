#pragma once

// Automatic address detection: text that has the form of an address is shown and reported
// as a link while it is displayed, and never stored as formatting.

#include <QObject>
#include <QStringView>
#include <QTextCharFormat>

#include <vector>

class QTextBlock;
class QTextDocument;

namespace quill::richtext {

struct LinkRange {
    qsizetype start = 0;
    qsizetype length = 0;
    friend bool operator==(const LinkRange&, const LinkRange&) = default;
};

// The addresses in one paragraph's text: a known scheme ("http:", "https:", "ftp:",
// "mailto:", "file:", "news:", ...) or "www." at the start of a word, up to the next white
// space, without trailing punctuation.
std::vector<LinkRange> DetectLinks(QStringView text);

// Shows detected addresses and link text (HYPERLINK fields, the link attribute) as links:
// additional formats of the paragraphs' layouts, which are drawn and never stored. Every
// change of the document refreshes the paragraphs it touches. A whole new document is
// refreshed in one pass over its paragraphs that makes a layout only for paragraphs with
// links, so that the load stays cheap and Qt's layout still sees one change to lay out in
// steps.
class LinkHighlighter : public QObject {
    Q_OBJECT

public:
    explicit LinkHighlighter(QTextDocument* document);
    void SetDetection(bool on);
    bool Detection() const { return detection_; }

private:
    void Refresh(int from, int removed, int added);
    void RefreshBlock(const QTextBlock& block, bool fresh);

    QTextDocument* document_;
    QTextCharFormat linkFormat_;
    bool detection_ = true;
};

} // namespace quill::richtext
