#include "richedit.h"

#include "document_builder.h"
#include "find_dialog.h"
#include "link_detection.h"
#include "page_renderer.h"
#include "picture_object.h"
#include "rtf_writer.h"
#include "text_format.h"

#include "platform/pictures/picture.h"
#include "platform/waitcursor.h"

#include "storage/rounding.h"
#include "storage/stream.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QContextMenuEvent>
#include <QFont>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPrinter>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextFrame>
#include <QTextLayout>
#include <QTextList>

#include <functional>
#include <stdexcept>
#include <vector>

namespace quill {

using namespace richtext;

namespace {

constexpr int kDocumentMargin = 4;
// Entries up to this many characters (a few dozen pages) are laid out whole when they are
// loaded, in a few milliseconds; longer ones are laid out in steps between events.
constexpr int kLayOutAtOnce = 100000;
constexpr const char* kRtfMimeTypes[] = {"text/rtf", "application/rtf", "text/richtext"};
constexpr std::pair<const char*, PictureFormat> kMetafileMimeTypes[] = {
    {"image/x-emf", PictureFormat::Emf}, {"image/emf", PictureFormat::Emf},
    {"image/x-wmf", PictureFormat::Wmf}, {"image/wmf", PictureFormat::Wmf}};

rtf::PlainEncoding EncodingOf(TStreamMode mode)
{
    return mode.testFlag(smUnicode) ? rtf::PlainEncoding::Utf16 : rtf::PlainEncoding::Windows1252;
}

QString PlainOf(QString text)
{
    text.replace(QChar::ParagraphSeparator, u'\n').replace(QChar::LineSeparator, u'\n');
    text.remove(QChar::ObjectReplacementCharacter);
    return text;
}

// The blocks the selection touches: from the one its start is in through the one its end is
// in (not counting a block the selection only reaches the start of).
std::vector<QTextBlock> TouchedBlocks(const QTextCursor& cursor)
{
    const QTextDocument* document = cursor.document();
    const int start = cursor.selectionStart();
    const int end = cursor.selectionEnd();
    std::vector<QTextBlock> blocks;
    for (QTextBlock block = document->findBlock(start); block.isValid(); block = block.next()) {
        if (!blocks.empty() && block.position() >= end)
            break;
        blocks.push_back(block);
    }
    return blocks;
}

QTextCharFormat WithoutPicture(QTextCharFormat format)
{
    if (!IsPicture(format))
        return format;
    format.setObjectType(QTextFormat::NoObject);
    for (int property = PictureKindProperty; property <= PictureMappingProperty; ++property)
        format.clearProperty(property);
    return format;
}

} // namespace

// ---- the control ----------------------------------------------------------------------

RichEdit::RichEdit(QWidget* parent) : QTextEdit(parent)
{
    setLineWrapMode(QTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameStyle(QFrame::NoFrame);
    setTabChangesFocus(false);
    setAcceptRichText(true);
    setUndoRedoEnabled(true);

    // White background, black text, and a selection that stays visible without the focus.
    QPalette colours = palette();
    colours.setColor(QPalette::Base, Qt::white);
    colours.setColor(QPalette::Text, Qt::black);
    for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        colours.setColor(QPalette::Inactive, role, colours.color(QPalette::Active, role));
    setPalette(colours);

    QFont base(QStringLiteral("Arial"));
    base.setPixelSize(15);
    document()->setDefaultFont(base);
    document()->setDocumentMargin(kDocumentMargin);
    highlighter_ = new LinkHighlighter(document());
    PrepareDocument();
    document()->clearUndoRedoStacks();
    document()->setModified(false);

    viewport()->setMouseTracking(true);
    connect(this, &QTextEdit::textChanged, this, [this] {
        if (!loading_)
            Q_EMIT OnChange();
    });
    connect(this, &QTextEdit::cursorPositionChanged, this, &RichEdit::SelectionMaybeChanged);
    connect(this, &QTextEdit::selectionChanged, this, &RichEdit::SelectionMaybeChanged);
    // The layout reports its size after each step and once more when it is done.
    connect(document()->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged, this,
            &RichEdit::WatchLayout);
}

RichEdit::~RichEdit() = default;

bool RichEdit::LaidOut() const
{
    // The layout goes through the document in order: the last paragraph is the last to get
    // its lines.
    const QTextLayout* last = document()->lastBlock().layout();
    return last && last->lineCount() > 0;
}

// The wait cursor shows while a long entry is read and laid out, as long as the control is
// shown: the layout's steps end it. While the entry is read, the layout reports only the
// emptied document.
void RichEdit::WatchLayout()
{
    if (loading_)
        return;
    if (LaidOut() || !isVisible())
        layoutWait_.reset();
}

// What every fresh content needs: the picture handler and the selection bar.
void RichEdit::PrepareDocument()
{
    QTextDocument* doc = document();
    PictureObjectHandler::Register(doc);
    QTextFrameFormat root = doc->rootFrame()->frameFormat();
    if (root.leftMargin() != kDocumentMargin + kSelectionBarWidth) {
        root.setLeftMargin(kDocumentMargin + kSelectionBarWidth);
        doc->rootFrame()->setFrameFormat(root);
    }
}

void RichEdit::SelectionMaybeChanged()
{
    const QTextCursor cursor = textCursor();
    if (cursor.anchor() == lastAnchor_ && cursor.position() == lastPosition_)
        return;
    lastAnchor_ = cursor.anchor();
    lastPosition_ = cursor.position();
    Q_EMIT OnSelectionChange();
}

bool RichEdit::AutoURLDetect() const
{
    return highlighter_->Detection();
}

void RichEdit::SetAutoURLDetect(bool on)
{
    highlighter_->SetDetection(on);
}

void RichEdit::SetAdvancedTypography(bool on)
{
    if (on == advancedTypography_)
        return;
    advancedTypography_ = on;
    // Justified paragraphs change how they are shown, not what they are: neither the undo
    // history nor the modified flag hear of it, unless paragraphs actually change.
    std::vector<std::pair<QTextBlock, QTextBlockFormat>> changes;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        QTextBlockFormat format = block.blockFormat();
        if (on && format.hasProperty(LogicalAlignmentProperty)) {
            format.clearProperty(LogicalAlignmentProperty);
            format.setAlignment(Qt::AlignJustify);
        } else if (!on && (format.alignment() & Qt::AlignJustify)) {
            format.setAlignment(Qt::AlignLeft);
            format.setProperty(LogicalAlignmentProperty, static_cast<int>(rtf::Alignment::Justify));
        } else {
            continue;
        }
        changes.emplace_back(block, format);
    }
    if (changes.empty())
        return;
    const bool modified = Modified();
    document()->setUndoRedoEnabled(false);
    QTextCursor cursor(document());
    for (const auto& [block, format] : changes) {
        cursor.setPosition(block.position());
        cursor.setBlockFormat(format);
    }
    document()->setUndoRedoEnabled(true);
    SetModified(modified);
}

// ---- selection ------------------------------------------------------------------------

int RichEdit::SelStart() const
{
    return textCursor().selectionStart();
}

void RichEdit::SetSelStart(int start)
{
    QTextCursor cursor = textCursor();
    cursor.setPosition(std::clamp(start, 0, TextLength()));
    setTextCursor(cursor);
}

int RichEdit::SelLength() const
{
    const QTextCursor cursor = textCursor();
    return cursor.selectionEnd() - cursor.selectionStart();
}

void RichEdit::SetSelLength(int length)
{
    QTextCursor cursor = textCursor();
    const int start = cursor.selectionStart();
    cursor.setPosition(start);
    cursor.setPosition(std::clamp(start + length, 0, TextLength()), QTextCursor::KeepAnchor);
    setTextCursor(cursor);
    ensureCursorVisible();
}

void RichEdit::SelectAll()
{
    selectAll();
}

void RichEdit::ClearSelection()
{
    QTextCursor cursor = textCursor();
    cursor.removeSelectedText();
    setTextCursor(cursor);
}

QString RichEdit::SelText() const
{
    return PlainOf(textCursor().selectedText());
}

void RichEdit::ReplaceSelection(const QString& text)
{
    document()->setUndoRedoEnabled(false);
    QTextCursor cursor = textCursor();
    cursor.insertText(text);
    setTextCursor(cursor);
    document()->setUndoRedoEnabled(true);
    document()->setModified(true);
}

QString RichEdit::Text() const
{
    return PlainOf(document()->toRawText());
}

int RichEdit::TextLength() const
{
    return document()->characterCount() - 1;
}

void RichEdit::Clear()
{
    {
        const QScopedValueRollback<bool> quiet(loading_, true);
        document()->setUndoRedoEnabled(false);
        document()->clear();
        PrepareDocument();
        document()->setUndoRedoEnabled(true);
    }
    layoutWait_.reset();
    document()->setModified(false);
    Q_EMIT OnChange();
}

bool RichEdit::CanUndo() const
{
    return document()->isUndoAvailable();
}

bool RichEdit::CanRedo() const
{
    return document()->isRedoAvailable();
}

bool RichEdit::Modified() const
{
    return document()->isModified();
}

void RichEdit::SetModified(bool modified)
{
    document()->setModified(modified);
}

// ---- whole document -------------------------------------------------------------------

bool RichEdit::TryLoad(std::string_view bytes, TStreamFormat format, rtf::PlainEncoding encoding)
{
    QTextDocument* doc = document();
    const BuildOptions options{false, advancedTypography_};
    if (bytes.size() > static_cast<std::size_t>(kLayOutAtOnce) && isVisible() && !layoutWait_)
        layoutWait_ = std::make_unique<WaitCursor>();
    bool loaded = false;
    {
        // The listeners hear of the new content once, when it is complete.
        const QScopedValueRollback<bool> quiet(loading_, true);
        doc->setUndoRedoEnabled(false);
        // The caret, which the insertions carried to the end, goes back to the start inside
        // the load's edit block, before the layout hears of the new content: moving it
        // afterwards would have the layout lay out everything up to the end at once.
        QTextCursor whole(doc);
        whole.beginEditBlock();
        loaded = format == sfRichText ? LoadRtf(*doc, bytes, options) : LoadPlainText(*doc, bytes, encoding, options);
        if (loaded) {
            PrepareDocument();
            moveCursor(QTextCursor::Start);
        }
        whole.endEditBlock();
        doc->setUndoRedoEnabled(true);
    }
    if (!loaded) {
        WatchLayout();
        return false;
    }
    doc->setModified(false);
    // Qt's layout took the new content as a whole new document: it has laid out the first
    // screen and goes on in steps between events. A short entry is finished now, so that it
    // is shown, scroll bar and all, as it always was; a long one is finished by those steps.
    if (doc->characterCount() <= kLayOutAtOnce) {
        // The layout would report the finished size only at the next turn of the event loop;
        // the scroll bar takes it now.
        QAbstractTextDocumentLayout* layout = doc->documentLayout();
        Q_EMIT layout->documentSizeChanged(layout->documentSize());
    }
    WatchLayout();
    ensureCursorVisible();
    Q_EMIT OnChange();
    return true;
}

void RichEdit::StreamIn(std::string_view bytes, TStreamFormat format)
{
    if (format == sfRichText ? TryLoad(bytes, sfRichText, rtf::PlainEncoding::Windows1252) ||
                                   TryLoad(bytes, sfPlainText, rtf::PlainEncoding::Windows1252)
                             : TryLoad(bytes, sfPlainText, EncodingOf(streamMode_)) ||
                                   TryLoad(bytes, sfRichText, rtf::PlainEncoding::Windows1252))
        return;
    throw std::runtime_error("Failed to Load Stream");
}

std::string RichEdit::StreamOut(TStreamFormat format) const
{
    try {
        if (format == sfRichText)
            return WriteRtf(*document());
        return WritePlainText(*document(), EncodingOf(streamMode_));
    } catch (const std::exception&) {
        throw std::runtime_error("Failed to Save Stream");
    }
}

void RichEdit::LoadFromStream(MemoryStream& stream)
{
    const std::string_view bytes = stream.read(stream.size() - stream.position());
    StreamIn(bytes, streamFormat_);
}

void RichEdit::SaveToStream(MemoryStream& stream) const
{
    stream.write(StreamOut(streamFormat_));
}

void RichEdit::SetPlainText(bool plain)
{
    if (plain == plainText_)
        return;
    // The text goes out and back in as UTF-16, so that no character is lost on the way.
    const bool modified = Modified();
    const std::string text = plain ? WritePlainText(*document(), rtf::PlainEncoding::Utf16) : WriteRtf(*document());
    plainText_ = plain;
    if (!TryLoad(text, plain ? sfPlainText : sfRichText, rtf::PlainEncoding::Utf16))
        throw std::runtime_error("Failed to Load Stream");
    SetModified(modified);
}

// ---- find -----------------------------------------------------------------------------

int RichEdit::FindText(const QString& text, int from, int to, FindOptions options) const
{
    const qsizetype n = text.size();
    if (n == 0)
        return -1;
    // Positions are the document's: paragraph ends and pictures count one character each.
    QString haystack = document()->toRawText();
    haystack.replace(QChar::ParagraphSeparator, u'\n').replace(QChar::LineSeparator, u'\n');
    const int length = static_cast<int>(haystack.size());
    from = std::clamp(from, 0, length);
    if (to < 0 || to > length)
        to = length;
    const Qt::CaseSensitivity sensitivity = (options & foMatchCase) ? Qt::CaseSensitive : Qt::CaseInsensitive;
    auto isWordChar = [&haystack](qsizetype i) {
        return i >= 0 && i < haystack.size() && (haystack[i].isLetterOrNumber() || haystack[i] == u'_');
    };
    auto accepts = [&](qsizetype at) {
        return !(options & foWholeWord) || (!isWordChar(at - 1) && !isWordChar(at + n));
    };
    if (to >= from) {
        for (qsizetype at = from; (at = haystack.indexOf(text, at, sensitivity)) >= 0 && at + n <= to; ++at)
            if (accepts(at))
                return static_cast<int>(at);
        return -1;
    }
    for (qsizetype at = from - n; at >= to; --at) {
        at = haystack.lastIndexOf(text, at, sensitivity);
        if (at < to)
            return -1;
        if (accepts(at))
            return static_cast<int>(at);
    }
    return -1;
}

FindDialog* RichEdit::ExistingFindDialog() const
{
    return findDialog_;
}

FindDialog* RichEdit::ShowFindDialog(const QString& text)
{
    if (!findDialog_)
        findDialog_ = new FindDialog(*this); // owned by this control
    if (!text.isEmpty())
        findDialog_->SetFindWhat(text);
    findDialog_->show();
    findDialog_->raise();
    findDialog_->activateWindow();
    return findDialog_;
}

// ---- page rendering -------------------------------------------------------------------

int RichEdit::FormatRange(QPainter* painter, const QRect& area, int from, int to, bool render)
{
    if (!renderer_)
        renderer_ = std::make_unique<PageRenderer>(*document());
    return renderer_->FormatRange(painter, area, from, to, render);
}

void RichEdit::FormatRangeDone()
{
    renderer_.reset();
}

QRect PixelsToTwips(const QRect& pixels, int dpiX, int dpiY)
{
    const int left = pixels.left() * 1440 / dpiX;
    const int top = pixels.top() * 1440 / dpiY;
    const int right = (pixels.left() + pixels.width()) * 1440 / dpiX;
    const int bottom = (pixels.top() + pixels.height()) * 1440 / dpiY;
    return QRect(left, top, right - left, bottom - top);
}

void BeginPrintJob(QPainter& painter, QPrinter& printer, const QString& title)
{
    printer.setDocName(title);
    if (!painter.begin(&printer))
        throw std::runtime_error("Printing failed: the printer cannot start the job");
}

void RichEdit::Print(QPrinter& printer, const QString& title)
{
    QPainter painter;
    BeginPrintJob(painter, printer, title);
    const QRect margins = pageRect_.isEmpty() ? QRect(0, 0, printer.width(), printer.height()) : pageRect_;
    const QRect area = PixelsToTwips(margins, printer.logicalDpiX(), printer.logicalDpiY());
    const int length = TextLength();
    FormatRangeDone();
    try {
        for (int from = 0;;) {
            const int next = FormatRange(&painter, area, from, length);
            if (next < 0 || next >= length || next <= from)
                break;
            printer.newPage();
            from = next;
        }
    } catch (...) {
        FormatRangeDone();
        painter.end();
        throw;
    }
    FormatRangeDone();
    painter.end();
}

// ---- clipboard ------------------------------------------------------------------------

void RichEdit::InsertEmbedded(const EmbeddedPicture& picture)
{
    QTextCursor cursor = textCursor();
    cursor.insertText(QString(QChar::ObjectReplacementCharacter),
                      PictureCharFormat(picture, WithoutPicture(cursor.charFormat())));
    setTextCursor(cursor);
    ensureCursorVisible();
}

void RichEdit::InsertImage(const QImage& image)
{
    InsertEmbedded(FromImage(image));
}

void RichEdit::InsertPicture(const Picture& picture)
{
    if (IsMetafile(picture.Format())) {
        InsertEmbedded(FromMetafile(picture.Format(), picture.Bytes()));
    } else if (picture.Format() == PictureFormat::Jpeg) {
        // A photo keeps its own, smaller, bytes; its sizes are those of a bitmap.
        EmbeddedPicture jpeg;
        jpeg.kind = PictureKind::Jpeg;
        jpeg.bytes = picture.Bytes();
        jpeg.width = picture.Bitmap().width();
        jpeg.height = picture.Bitmap().height();
        jpeg.goalWidth = jpeg.width * static_cast<int>(kTwipsPerUnit);
        jpeg.goalHeight = jpeg.height * static_cast<int>(kTwipsPerUnit);
        InsertEmbedded(jpeg);
    } else {
        InsertImage(picture.Bitmap());
    }
}

QMimeData* RichEdit::createMimeDataFromSelection() const
{
    auto mime = std::make_unique<QMimeData>();
    const QTextCursor cursor = textCursor();
    if (!cursor.hasSelection())
        return mime.release(); // the caller owns it
    mime->setText(SelText());
    if (!plainText_) {
        QTextDocument scratch;
        scratch.setDefaultFont(document()->defaultFont());
        PictureObjectHandler::Register(&scratch);
        QTextCursor(&scratch).insertFragment(cursor.selection());
        const std::string rtf = WriteRtf(scratch);
        const QByteArray bytes(rtf.data(), static_cast<qsizetype>(rtf.size()));
        for (const char* type : kRtfMimeTypes)
            mime->setData(QString::fromLatin1(type), bytes);
        if (cursor.selectionEnd() - cursor.selectionStart() == 1) {
            QTextCursor one(document());
            one.setPosition(cursor.selectionEnd());
            const QTextCharFormat format = one.charFormat();
            if (IsPicture(format)) {
                const EmbeddedPicture picture = PictureOf(format);
                if (picture.kind == PictureKind::Png || picture.kind == PictureKind::Jpeg) {
                    const QImage image = QImage::fromData(picture.bytes);
                    if (!image.isNull())
                        mime->setImageData(image);
                }
            }
        }
    }
    return mime.release(); // the caller owns it
}

bool RichEdit::canInsertFromMimeData(const QMimeData* source) const
{
    if (source->hasText())
        return true;
    if (plainText_)
        return false;
    for (const char* type : kRtfMimeTypes)
        if (source->hasFormat(QString::fromLatin1(type)))
            return true;
    for (const auto& [type, format] : kMetafileMimeTypes)
        if (source->hasFormat(QString::fromLatin1(type)))
            return true;
    return source->hasImage();
}

void RichEdit::insertFromMimeData(const QMimeData* source)
{
    QTextCursor cursor = textCursor();
    if (!plainText_) {
        for (const char* type : kRtfMimeTypes) {
            const QString name = QString::fromLatin1(type);
            if (!source->hasFormat(name))
                continue;
            const QByteArray bytes = source->data(name);
            if (InsertRtf(cursor, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                          BuildOptions{false, advancedTypography_})) {
                setTextCursor(cursor);
                ensureCursorVisible();
                return;
            }
        }
        for (const auto& [type, format] : kMetafileMimeTypes) {
            const QByteArray bytes = source->data(QString::fromLatin1(type));
            if (IsValidMetafile(format, bytes)) {
                InsertEmbedded(FromMetafile(format, bytes));
                return;
            }
        }
        if (source->hasImage()) {
            const QImage image = qvariant_cast<QImage>(source->imageData());
            if (!image.isNull()) {
                InsertImage(image);
                return;
            }
        }
    }
    if (!source->hasText())
        return;
    QString text = source->text();
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    cursor.insertText(text);
    setTextCursor(cursor);
    ensureCursorVisible();
}

// ---- keyboard and mouse ---------------------------------------------------------------

bool RichEdit::event(QEvent* event)
{
    // A shortcut of an action bound to this control (Cut, Copy, Paste, Select All, Undo, ...)
    // goes to that action, not to the text edit's own handling of the same keys.
    if (event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QKeySequence pressed(key->keyCombination());
        for (const QAction* action : actions()) {
            if (action->isEnabled() && action->shortcuts().contains(pressed)) {
                event->ignore();
                return true;
            }
        }
    }
    return QTextEdit::event(event);
}

void RichEdit::keyPressEvent(QKeyEvent* event)
{
    // Tab always types a tab, also at the start of a list item.
    if (event->key() == Qt::Key_Tab && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) &&
        !isReadOnly()) {
        QTextCursor cursor = textCursor();
        cursor.insertText(QStringLiteral("\t"));
        setTextCursor(cursor);
        ensureCursorVisible();
        event->accept();
        return;
    }
    QTextEdit::keyPressEvent(event);
}

bool RichEdit::InSelectionBar(const QPoint& position) const
{
    return position.x() + horizontalScrollBar()->value() < kDocumentMargin + kSelectionBarWidth;
}

int RichEdit::CharacterAt(const QPoint& position) const
{
    const QPointF point = QPointF(position) + QPointF(horizontalScrollBar()->value(), verticalScrollBar()->value());
    const int hit = document()->documentLayout()->hitTest(point, Qt::FuzzyHit);
    if (hit < 0)
        return -1;
    const QTextBlock block = document()->findBlock(hit);
    const QTextLayout* layout = block.layout();
    if (!layout)
        return -1;
    const QPointF inLayout = point - layout->position();
    for (int i = 0; i < layout->lineCount(); ++i) {
        const QTextLine line = layout->lineAt(i);
        const QRectF box = line.naturalTextRect();
        if (inLayout.y() < box.top() || inLayout.y() >= box.bottom())
            continue;
        if (inLayout.x() < box.left() || inLayout.x() >= box.right())
            return -1;
        const int offset = line.xToCursor(inLayout.x(), QTextLine::CursorOnCharacter);
        if (offset < line.textStart() || offset >= line.textStart() + line.textLength())
            return -1;
        return block.position() + offset;
    }
    return -1;
}

RichEdit::LinkHit RichEdit::LinkAt(const QPoint& position) const
{
    const int at = CharacterAt(position);
    if (at < 0)
        return {};
    const QTextBlock block = document()->findBlock(at);
    // Text with the link attribute: the run of link text around the point, reported by its
    // target when it has one.
    LinkHit hit;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const QTextCharFormat format = fragment.charFormat();
        const bool sameRun = hit.valid() && format.isAnchor() && format.anchorHref() == hit.text;
        if (sameRun) {
            hit.end = fragment.position() + fragment.length();
            continue;
        }
        if (hit.valid() && hit.end > at)
            break;
        hit = {};
        if (format.isAnchor()) {
            hit.start = fragment.position();
            hit.end = fragment.position() + fragment.length();
            hit.text = format.anchorHref();
        }
    }
    if (hit.valid() && hit.start <= at && at < hit.end) {
        if (hit.text.isEmpty())
            hit.text = PlainOf(block.text().mid(hit.start - block.position(), hit.end - hit.start));
        return hit;
    }
    if (!AutoURLDetect())
        return {};
    const QString text = block.text();
    const int offset = at - block.position();
    for (const LinkRange& link : DetectLinks(text)) {
        if (offset >= link.start && offset < link.start + link.length) {
            const int start = block.position() + static_cast<int>(link.start);
            return {start, start + static_cast<int>(link.length), text.mid(link.start, link.length)};
        }
    }
    return {};
}

void RichEdit::mousePressEvent(QMouseEvent* event)
{
    const QPoint position = event->position().toPoint();
    const Qt::MouseButton button = event->button();
    pressedLink_ = (button == Qt::LeftButton || button == Qt::RightButton) ? LinkAt(position) : LinkHit{};
    Q_EMIT OnMouseDown(button, position);
    if (button == Qt::LeftButton && InSelectionBar(position)) {
        // The selection bar: a click selects the whole line, its end included.
        QTextCursor cursor = cursorForPosition(QPoint(kDocumentMargin + kSelectionBarWidth + 1, position.y()));
        cursor.movePosition(QTextCursor::StartOfLine);
        cursor.movePosition(QTextCursor::EndOfLine, QTextCursor::KeepAnchor);
        if (cursor.atBlockEnd() && !cursor.atEnd())
            cursor.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
        setTextCursor(cursor);
        event->accept();
        return;
    }
    QTextEdit::mousePressEvent(event);
    event->accept(); // every button press is the control's: the program answers OnMouseDown
}

void RichEdit::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() == Qt::NoButton) {
        const QPoint position = event->position().toPoint();
        if (LinkAt(position).valid())
            viewport()->setCursor(Qt::PointingHandCursor);
        else if (InSelectionBar(position))
            viewport()->setCursor(Qt::ArrowCursor);
        else
            viewport()->setCursor(Qt::IBeamCursor);
    }
    QTextEdit::mouseMoveEvent(event);
}

void RichEdit::mouseReleaseEvent(QMouseEvent* event)
{
    QTextEdit::mouseReleaseEvent(event);
    const LinkHit pressed = pressedLink_;
    pressedLink_ = {};
    const Qt::MouseButton button = event->button();
    if (!pressed.valid() || (button != Qt::LeftButton && button != Qt::RightButton))
        return;
    const LinkHit released = LinkAt(event->position().toPoint());
    if (released.valid() && released.start == pressed.start && released.end == pressed.end)
        Q_EMIT OnURLClick(released.text, button);
}

void RichEdit::contextMenuEvent(QContextMenuEvent* event)
{
    // The program opens its own popup menu on the mouse-down event.
    event->accept();
}

// ---- character attributes -------------------------------------------------------------

namespace {

// The format of the selection's first character, or the caret's format.
QTextCharFormat SelectionFormat(const QTextEdit& edit)
{
    const QTextCursor cursor = edit.textCursor();
    if (!cursor.hasSelection())
        return cursor.charFormat();
    QTextCursor first(edit.document());
    first.setPosition(cursor.selectionStart() + 1);
    return first.charFormat();
}

// Changes the format of every character of the selection, one undo step; with an empty
// selection, the format of the text typed next.
void ChangeSelectionFormat(QTextEdit& edit, const std::function<void(QTextCharFormat&)>& change)
{
    const QTextCursor cursor = edit.textCursor();
    if (!cursor.hasSelection()) {
        QTextCharFormat format = WithoutPicture(cursor.charFormat());
        change(format);
        edit.setCurrentCharFormat(format);
        return;
    }
    const int start = cursor.selectionStart();
    const int end = cursor.selectionEnd();
    struct Piece {
        int start;
        int end;
        QTextCharFormat format;
    };
    std::vector<Piece> pieces;
    for (const QTextBlock& block : TouchedBlocks(cursor)) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const int from = std::max(fragment.position(), start);
            const int to = std::min(fragment.position() + fragment.length(), end);
            if (from < to)
                pieces.push_back({from, to, fragment.charFormat()});
        }
        const int separator = block.position() + block.length() - 1;
        if (separator >= start && separator < end)
            pieces.push_back({separator, separator + 1, block.charFormat()});
    }
    QTextCursor group(edit.document());
    group.beginEditBlock();
    for (Piece& piece : pieces) {
        QTextCursor range(edit.document());
        range.setPosition(piece.start);
        range.setPosition(piece.end, QTextCursor::KeepAnchor);
        change(piece.format);
        range.setCharFormat(piece.format);
    }
    group.endEditBlock();
}

int TwipsOf(const QTextCharFormat& format, const QFont& fallback)
{
    if (format.hasProperty(QTextFormat::FontPointSize))
        return RoundToInt(format.fontPointSize() * 20);
    if (format.hasProperty(QTextFormat::FontPixelSize))
        return format.intProperty(QTextFormat::FontPixelSize) * static_cast<int>(kTwipsPerUnit);
    if (fallback.pointSizeF() > 0)
        return RoundToInt(fallback.pointSizeF() * 20);
    return fallback.pixelSize() * static_cast<int>(kTwipsPerUnit);
}

void SetFace(QTextCharFormat& format, const QString& name)
{
    const QString face = name.left(31);
    format.setFontFamilies(QStringList{face});
    format.setProperty(FaceNameProperty, face);
}

void SetPoints(QTextCharFormat& format, int points)
{
    format.clearProperty(QTextFormat::FontPixelSize);
    format.setFontPointSize(std::max(1, points));
}

void SetStyleFlags(QTextCharFormat& format, FontStyles style)
{
    format.setFontWeight((style & fsBold) ? QFont::Bold : QFont::Normal);
    format.setFontItalic(style & fsItalic);
    format.setFontUnderline(style & fsUnderline);
    format.setFontStrikeOut(style & fsStrikeOut);
}

void SetBrush(QTextCharFormat& format, int property, TColor color, TColor automatic)
{
    if (color == automatic || color == TextAttributes::kNoColor)
        format.clearProperty(property);
    else
        format.setProperty(property, QBrush(ToQColor(color)));
}

void SetPitchOf(QTextCharFormat& format, FontPitch pitch)
{
    format.setProperty(PitchProperty, static_cast<int>(pitch));
    format.setFontFixedPitch(pitch == FontPitch::Fixed);
}

} // namespace

QString TextAttributes::Name() const
{
    const QTextCharFormat format = SelectionFormat(edit_);
    QString face = format.property(FaceNameProperty).toString();
    if (face.isEmpty()) {
        const QStringList families = format.fontFamilies().toStringList();
        face = families.isEmpty() ? edit_.document()->defaultFont().family() : families.first();
    }
    return face.left(31);
}

void TextAttributes::SetName(const QString& name)
{
    ChangeSelectionFormat(edit_, [&name](QTextCharFormat& format) { SetFace(format, name); });
}

int TextAttributes::Size() const
{
    return TwipsOf(SelectionFormat(edit_), edit_.document()->defaultFont()) / 20;
}

void TextAttributes::SetSize(int points)
{
    ChangeSelectionFormat(edit_, [points](QTextCharFormat& format) { SetPoints(format, points); });
}

namespace {

FontStyles StyleFlags(bool bold, bool italic, bool underline, bool strikeOut)
{
    return (bold ? fsBold : 0u) | (italic ? fsItalic : 0u) | (underline ? fsUnderline : 0u) |
           (strikeOut ? fsStrikeOut : 0u);
}

TColor BrushColor(const QTextCharFormat& format, int property, TColor automatic)
{
    return HasBrush(format, property) ? FromQColor(format.brushProperty(property).color()) : automatic;
}

} // namespace

TColor TextAttributes::Color() const
{
    return BrushColor(SelectionFormat(edit_), QTextFormat::ForegroundBrush, clWindowText);
}

void TextAttributes::SetColor(TColor color)
{
    ChangeSelectionFormat(edit_, [color](QTextCharFormat& format) {
        SetBrush(format, QTextFormat::ForegroundBrush, color, clWindowText);
    });
}

TColor TextAttributes::BackColor() const
{
    return BrushColor(SelectionFormat(edit_), QTextFormat::BackgroundBrush, clWindow);
}

void TextAttributes::SetBackColor(TColor color)
{
    ChangeSelectionFormat(edit_, [color](QTextCharFormat& format) {
        SetBrush(format, QTextFormat::BackgroundBrush, color, clWindow);
    });
}

FontStyles TextAttributes::Style() const
{
    const QTextCharFormat format = SelectionFormat(edit_);
    const int weight = format.hasProperty(QTextFormat::FontWeight) ? format.fontWeight()
                                                                   : edit_.document()->defaultFont().weight();
    return StyleFlags(weight >= QFont::DemiBold, format.fontItalic(), format.fontUnderline(), format.fontStrikeOut());
}

void TextAttributes::SetStyle(FontStyles style)
{
    ChangeSelectionFormat(edit_, [style](QTextCharFormat& format) { SetStyleFlags(format, style); });
}

int TextAttributes::Charset() const
{
    return SelectionFormat(edit_).intProperty(CharsetProperty);
}

void TextAttributes::SetCharset(int charset)
{
    ChangeSelectionFormat(edit_, [charset](QTextCharFormat& format) {
        format.setProperty(CharsetProperty, std::clamp(charset, 0, 255));
    });
}

FontPitch TextAttributes::Pitch() const
{
    const QTextCharFormat format = SelectionFormat(edit_);
    if (format.hasProperty(PitchProperty))
        return static_cast<FontPitch>(std::clamp(format.intProperty(PitchProperty), 0, 2));
    return format.fontFixedPitch() ? FontPitch::Fixed : FontPitch::Default;
}

void TextAttributes::SetPitch(FontPitch pitch)
{
    ChangeSelectionFormat(edit_, [pitch](QTextCharFormat& format) { SetPitchOf(format, pitch); });
}

int TextAttributes::Weight() const
{
    const QTextCharFormat format = SelectionFormat(edit_);
    return format.hasProperty(QTextFormat::FontWeight) ? format.fontWeight() : edit_.document()->defaultFont().weight();
}

void TextAttributes::SetWeight(int weight)
{
    ChangeSelectionFormat(edit_, [weight](QTextCharFormat& format) { format.setFontWeight(std::clamp(weight, 1, 1000)); });
}

bool TextAttributes::Link() const
{
    return SelectionFormat(edit_).isAnchor();
}

void TextAttributes::SetLink(bool link)
{
    ChangeSelectionFormat(edit_, [link](QTextCharFormat& format) {
        format.setAnchor(link);
        if (!link)
            format.clearProperty(QTextFormat::AnchorHref);
    });
}

void TextAttributes::Assign(const QFont& font, TColor color, int charset)
{
    const int points = font.pointSize() > 0 ? font.pointSize() : font.pixelSize() * 72 / 96;
    const FontStyles style = StyleFlags(font.bold(), font.italic(), font.underline(), font.strikeOut());
    const int weight = font.weight();
    const FontPitch pitch = font.fixedPitch() ? FontPitch::Fixed : FontPitch::Default;
    const QString family = font.family();
    ChangeSelectionFormat(edit_, [&](QTextCharFormat& format) {
        SetFace(format, family);
        SetPoints(format, points);
        SetStyleFlags(format, style);
        format.setFontWeight(weight);
        SetBrush(format, QTextFormat::ForegroundBrush, color, clWindowText);
        format.setProperty(CharsetProperty, std::clamp(charset, 0, 255));
        SetPitchOf(format, pitch);
    });
}

// ---- paragraph attributes -------------------------------------------------------------

namespace {

// Changes the block format of every paragraph the selection touches, one undo step.
void ChangeParagraphs(QTextEdit& edit, const std::function<void(QTextBlock, QTextBlockFormat&)>& change)
{
    QTextCursor group(edit.document());
    group.beginEditBlock();
    for (const QTextBlock& block : TouchedBlocks(edit.textCursor())) {
        QTextBlockFormat format = block.blockFormat();
        change(block, format);
        QTextCursor cursor(block);
        cursor.setBlockFormat(format);
    }
    group.endEditBlock();
}

rtf::ParaFormat FirstParagraph(const QTextEdit& edit)
{
    return ParaFormatOf(edit.document()->findBlock(edit.textCursor().selectionStart()));
}

} // namespace

TextAlignment ParaAttributes::Alignment() const
{
    switch (FirstParagraph(edit_).alignment) {
    case rtf::Alignment::Right: return TextAlignment::Right;
    case rtf::Alignment::Center: return TextAlignment::Center;
    case rtf::Alignment::Justify: return TextAlignment::Justify;
    case rtf::Alignment::Left: break;
    }
    return TextAlignment::Left;
}

void ParaAttributes::SetAlignment(TextAlignment alignment)
{
    const bool hideJustify = alignment == TextAlignment::Justify && !edit_.AdvancedTypography();
    ChangeParagraphs(edit_, [alignment, hideJustify](QTextBlock, QTextBlockFormat& format) {
        format.clearProperty(LogicalAlignmentProperty);
        switch (alignment) {
        case TextAlignment::Left: format.setAlignment(Qt::AlignLeft); break;
        case TextAlignment::Right: format.setAlignment(Qt::AlignRight); break;
        case TextAlignment::Center: format.setAlignment(Qt::AlignHCenter); break;
        case TextAlignment::Justify:
            format.setAlignment(hideJustify ? Qt::AlignLeft : Qt::AlignJustify);
            if (hideJustify)
                format.setProperty(LogicalAlignmentProperty, static_cast<int>(rtf::Alignment::Justify));
            break;
        }
    });
}

NumberingStyle ParaAttributes::Numbering() const
{
    switch (FirstParagraph(edit_).numbering) {
    case rtf::Numbering::Bullet: return NumberingStyle::Bullet;
    case rtf::Numbering::Other: return NumberingStyle::Other;
    case rtf::Numbering::None: break;
    }
    return NumberingStyle::None;
}

void ParaAttributes::SetNumbering(NumberingStyle numbering)
{
    const std::vector<QTextBlock> blocks = TouchedBlocks(edit_.textCursor());
    if (numbering == NumberingStyle::Other && Numbering() != NumberingStyle::None)
        return;
    QTextCursor group(edit_.document());
    group.beginEditBlock();
    QTextList* list = nullptr;
    for (const QTextBlock& block : blocks) {
        const rtf::ParaFormat indents = ParaFormatOf(block);
        QTextCursor cursor(block);
        if (QTextList* old = block.textList())
            old->remove(block);
        QTextBlockFormat format = cursor.blockFormat();
        ApplyIndents(format, indents.firstIndent, indents.leftIndent, indents.rightIndent,
                     numbering != NumberingStyle::None);
        format.setObjectIndex(-1);
        cursor.setBlockFormat(format);
        if (numbering == NumberingStyle::None)
            continue;
        if (list) {
            list->add(cursor.block());
            continue;
        }
        QTextListFormat listFormat;
        listFormat.setStyle(numbering == NumberingStyle::Bullet ? QTextListFormat::ListDisc
                                                                : QTextListFormat::ListDecimal);
        listFormat.setIndent(0);
        list = cursor.createList(listFormat);
    }
    group.endEditBlock();
}

int ParaAttributes::HangingOffset() const
{
    return -FirstParagraph(edit_).firstIndent / 20;
}

void ParaAttributes::SetHangingOffset(int points)
{
    const int offset = points * 20;
    ChangeParagraphs(edit_, [offset](QTextBlock block, QTextBlockFormat& format) {
        // The first line stays where it starts; the following lines move.
        const rtf::ParaFormat indents = ParaFormatOf(block);
        const int firstLine = indents.leftIndent + indents.firstIndent;
        ApplyIndents(format, -offset, firstLine + offset, indents.rightIndent, block.textList() != nullptr);
    });
}

} // namespace quill
