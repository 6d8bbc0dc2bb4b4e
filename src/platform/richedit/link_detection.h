#pragma once

// Automatic address detection: text that has the form of an address is shown and reported
// as a link while it is displayed, and never stored as formatting.

#include <QStringView>
#include <QSyntaxHighlighter>
#include <QTextCharFormat>

#include <vector>

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

// Shows detected addresses and link text (HYPERLINK fields, the link attribute) as links.
class LinkHighlighter : public QSyntaxHighlighter {
    Q_OBJECT

public:
    explicit LinkHighlighter(QTextDocument* document);
    void SetDetection(bool on);
    bool Detection() const { return detection_; }

protected:
    void highlightBlock(const QString& text) override;

private:
    QTextCharFormat linkFormat_;
    bool detection_ = true;
};

} // namespace quill::richtext
