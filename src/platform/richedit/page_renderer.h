#pragma once

// Page rendering: lays a character range of a document out into a rectangle of a page given
// in twips, page by page, as printing needs it.

#include <QRect>

#include <memory>

class QPainter;
class QTextBlock;
class QTextDocument;

namespace quill::richtext {

class PageRenderer {
public:
    explicit PageRenderer(const QTextDocument& document);
    ~PageRenderer();

    // Renders the characters from `from` up to `to` (-1: the end of the text) that fit into
    // `area` (twips, relative to the top-left of the painter's device), or only measures them
    // when `render` is false. Returns the first character that did not fit, `to` when all
    // did, or -1 when there is nothing to render on or the range is invalid. A page always
    // takes at least one line, so a loop over pages always ends.
    int FormatRange(QPainter* painter, const QRect& area, int from, int to, bool render);

    // Drops the laid-out copy of the document; the next FormatRange lays it out afresh.
    void Discard();

private:
    void Prepare(int from, int to, double width);
    void DrawPage(QPainter* painter, const QTextBlock& firstBlock, int firstLine, double top, double bottom);

    const QTextDocument& source_;
    std::unique_ptr<QTextDocument> copy_;
    int base_ = 0; // the source position the copy starts at
    int to_ = 0;
    double width_ = 0;
};

} // namespace quill::richtext
