#include "page_renderer.h"

#include "picture_object.h"
#include "text_format.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>

namespace quill::richtext {

namespace {

constexpr double kUnitsPerInch = 1440.0 / kTwipsPerUnit;

int TextLength(const QTextDocument& document)
{
    return document.characterCount() - 1;
}

} // namespace

PageRenderer::PageRenderer(const QTextDocument& document) : source_(document) {}

PageRenderer::~PageRenderer() = default;

void PageRenderer::Discard()
{
    copy_.reset();
}

// A copy of the range [from, to) laid out at the given width, without the editor's margins.
void PageRenderer::Prepare(int from, int to, double width)
{
    copy_.reset(source_.clone());
    PictureObjectHandler::Register(copy_.get());
    copy_->setDocumentMargin(0);
    QTextFrameFormat root = copy_->rootFrame()->frameFormat();
    root.setMargin(0);
    copy_->rootFrame()->setFrameFormat(root);
    QTextCursor cursor(copy_.get());
    if (to < TextLength(*copy_)) {
        cursor.setPosition(to);
        cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    }
    if (from > 0) {
        // Removing the text before `from` leaves the first block's format; the range starts
        // with the paragraph `from` is in.
        const QTextBlockFormat format = copy_->findBlock(from).blockFormat();
        cursor.setPosition(0);
        cursor.setPosition(from, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        cursor.setBlockFormat(format);
    }
    copy_->setTextWidth(width);
    base_ = from;
    to_ = to;
    width_ = width;
}

// Draws the lines between `top` and `bottom` of the laid-out copy, and nothing else: every
// line drawn goes into the page's output, also where the painter clips it away, and the
// document layout also draws the line just above the area it is asked for. So a paragraph
// that began on an earlier page has its lines on this page drawn one by one, and the
// document layout draws from the paragraph after it.
void PageRenderer::DrawPage(QPainter* painter, const QTextBlock& firstBlock, int firstLine, double top, double bottom)
{
    constexpr double kEdge = 0.01;
    QAbstractTextDocumentLayout* layout = copy_->documentLayout();
    double rest = top;
    if (firstLine > 0) {
        const QTextLayout* blockLayout = firstBlock.layout();
        painter->setPen(Qt::black);
        for (int i = firstLine; i < blockLayout->lineCount(); ++i) {
            const QTextLine current = blockLayout->lineAt(i);
            if (blockLayout->position().y() + current.y() + current.height() > bottom + kEdge)
                break;
            current.draw(painter, blockLayout->position());
        }
        rest = layout->blockBoundingRect(firstBlock).bottom();
    }
    if (rest >= bottom)
        return;
    QAbstractTextDocumentLayout::PaintContext context;
    context.clip = QRectF(0, rest + kEdge, width_, bottom - rest - 2 * kEdge);
    context.palette.setColor(QPalette::Text, Qt::black);
    layout->draw(painter, context);
}

int PageRenderer::FormatRange(QPainter* painter, const QRect& area, int from, int to, bool render)
{
    if (!painter || !painter->device() || area.width() <= 0 || area.height() <= 0)
        return -1;
    const int length = TextLength(source_);
    if (to < 0 || to > length)
        to = length;
    if (from < 0 || from > to)
        return -1;
    if (from == to)
        return to;

    const double width = area.width() / kTwipsPerUnit;
    const double height = area.height() / kTwipsPerUnit;
    bool fresh = false;
    if (!copy_ || from < base_ || to != to_ || width != width_) {
        Prepare(from, to, width);
        fresh = true;
    }

    QAbstractTextDocumentLayout* layout = copy_->documentLayout();
    layout->documentSize(); // lays the whole copy out
    QTextBlock block = copy_->findBlock(from - base_);
    QTextLine line = block.layout()->lineForTextPosition(from - base_ - block.position());
    if (!fresh && (!line.isValid() || block.position() + line.textStart() != from - base_)) {
        // Not where an earlier page ended: lay the range out from here.
        Prepare(from, to, width);
        layout = copy_->documentLayout();
        layout->documentSize();
        block = copy_->findBlock(0);
        line = block.layout()->lineForTextPosition(0);
    }
    if (!line.isValid())
        return -1;

    const QTextBlock firstBlock = block;
    const int firstLine = line.lineNumber();
    const double top = block.layout()->position().y() + line.y();
    double bottom = top;
    int next = to;
    bool placed = false;
    int lineIndex = line.lineNumber();
    for (; block.isValid(); block = block.next(), lineIndex = 0) {
        const QTextLayout* blockLayout = block.layout();
        bool full = false;
        for (; lineIndex < blockLayout->lineCount(); ++lineIndex) {
            const QTextLine current = blockLayout->lineAt(lineIndex);
            const double lineBottom = blockLayout->position().y() + current.y() + current.height();
            if (placed && lineBottom - top > height) {
                next = base_ + block.position() + current.textStart();
                full = true;
                break;
            }
            bottom = lineBottom;
            placed = true;
        }
        if (full)
            break;
    }

    if (render) {
        const QPaintDevice* device = painter->device();
        painter->save();
        painter->translate(area.left() * device->logicalDpiX() / 1440.0, area.top() * device->logicalDpiY() / 1440.0);
        painter->scale(device->logicalDpiX() / kUnitsPerInch, device->logicalDpiY() / kUnitsPerInch);
        painter->setClipRect(QRectF(0, 0, width, bottom - top), Qt::IntersectClip);
        painter->translate(0, -top);
        DrawPage(painter, firstBlock, firstLine, top, bottom);
        painter->restore();
    }
    return next;
}

} // namespace quill::richtext
