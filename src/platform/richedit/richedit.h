#pragma once

// RichEdit: the platform's rich-text edit control, a QTextEdit that reads and writes RTF with
// our own reader and writer and offers the operations the editor commands rely on.

#include "platform/richedit/rtf_reader.h"
#include "platform/syscolors.h"

#include <QFlags>
#include <QPointer>
#include <QRect>
#include <QTextEdit>

#include <memory>
#include <string>
#include <string_view>

class QPainter;
class QPrinter;

namespace quill {

class MemoryStream;
class FindDialog;
class Picture;
class WaitCursor;

namespace richtext {
class LinkHighlighter;
class PageRenderer;
struct EmbeddedPicture;
} // namespace richtext

enum TStreamFormat { sfRichText, sfPlainText };

enum TStreamModeOption { smUnicode = 0x1 };
Q_DECLARE_FLAGS(TStreamMode, TStreamModeOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TStreamMode)

enum class TextAlignment { Left, Right, Center, Justify };
enum class NumberingStyle { None, Bullet, Other };
enum class FontPitch { Default = 0, Fixed = 1, Variable = 2 };

// The four style flags of a character format.
enum FontStyle : unsigned { fsBold = 0x1, fsItalic = 0x2, fsUnderline = 0x4, fsStrikeOut = 0x8 };
using FontStyles = unsigned;

enum FindOption : unsigned { foMatchCase = 0x1, foWholeWord = 0x2 };
using FindOptions = unsigned;

class RichEdit;

// A rectangle in a device's pixels in twips at the given resolutions (integer division), as
// page rendering takes it.
QRect PixelsToTwips(const QRect& pixels, int dpiX, int dpiY);
// Starts a print job titled `title` on `painter`; fails with the printing system's message.
void BeginPrintJob(QPainter& painter, QPrinter& printer, const QString& title);

// The character format of the editor's selection; with an empty selection, reading gives the
// format at the caret and writing sets the format of the text typed next. Reading a mixed
// selection gives the values of its first character.
class TextAttributes {
public:
    // The value that means "no colour": writing it sets automatic.
    static constexpr TColor kNoColor = 0x1FFFFFFF;

    explicit TextAttributes(RichEdit& edit) : edit_(edit) {}

    QString Name() const;                 // at most 31 characters
    void SetName(const QString& name);
    int Size() const;                     // whole points: twips / 20, the remainder dropped
    void SetSize(int points);
    TColor Color() const;                 // automatic reads as clWindowText
    void SetColor(TColor color);          // clWindowText or kNoColor set automatic
    TColor BackColor() const;             // automatic (no highlight) reads as clWindow
    void SetBackColor(TColor color);      // clWindow or kNoColor set automatic
    FontStyles Style() const;
    void SetStyle(FontStyles style);
    int Charset() const;
    void SetCharset(int charset);
    FontPitch Pitch() const;
    void SetPitch(FontPitch pitch);
    int Weight() const;                   // 400 normal, 700 bold
    void SetWeight(int weight);
    bool Link() const;
    void SetLink(bool link);

    // Several at once from a font description: face, size, the four style flags, pitch and
    // weight from `font`, with the colour and character set.
    void Assign(const QFont& font, TColor color, int charset);

private:
    RichEdit& edit_;
};

// The paragraph format of the paragraphs the selection touches (read from the first).
class ParaAttributes {
public:
    explicit ParaAttributes(RichEdit& edit) : edit_(edit) {}

    TextAlignment Alignment() const;
    void SetAlignment(TextAlignment alignment);
    // Any numbering other than bullets reads as Other; writing Other keeps what is there.
    NumberingStyle Numbering() const;
    void SetNumbering(NumberingStyle numbering);
    // Whole points from the start of the first line to the start of the text on the
    // following lines (and from a bullet to its text).
    int HangingOffset() const;
    void SetHangingOffset(int points);

private:
    RichEdit& edit_;
};

class RichEdit : public QTextEdit {
    Q_OBJECT

public:
    explicit RichEdit(QWidget* parent = nullptr);
    ~RichEdit() override;

    // Settings.
    bool PlainText() const { return plainText_; }
    // Switches between rich-text and plain-text mode keeping the text: it is written out (as
    // plain text when switching to plain-text mode, which drops its formatting), the control
    // is emptied and the text read back. The modified flag stays as it was.
    void SetPlainText(bool plain);
    TStreamMode StreamMode() const { return streamMode_; }
    void SetStreamMode(TStreamMode mode) { streamMode_ = mode; }
    TStreamFormat StreamFormat() const { return streamFormat_; }
    void SetStreamFormat(TStreamFormat format) { streamFormat_ = format; }
    bool AutoURLDetect() const;
    void SetAutoURLDetect(bool on);
    // Justified paragraphs are shown justified only while this is on.
    bool AdvancedTypography() const { return advancedTypography_; }
    void SetAdvancedTypography(bool on);
    // The margin rectangle of whole-document printing, in printer pixels.
    QRect PageRect() const { return pageRect_; }
    void SetPageRect(const QRect& rect) { pageRect_ = rect; }

    // Selection, in characters (every paragraph end and picture counts as one).
    int SelStart() const;
    void SetSelStart(int start);
    int SelLength() const;
    // Keeps the start and scrolls the caret into view.
    void SetSelLength(int length);
    void SelectAll();
    // Deletes the selection; nothing goes to the clipboard.
    void ClearSelection();
    // The selected text, paragraphs ending in "\n", pictures left out.
    QString SelText() const;
    // Replaces the selection by `text` as a step that cannot be undone (the undo history is
    // emptied, as the earlier steps no longer fit the text); the caret ends behind the text.
    void ReplaceSelection(const QString& text);

    TextAttributes& SelAttributes() { return selAttributes_; }
    ParaAttributes& Paragraph() { return paragraph_; }

    // The whole plain text: paragraphs and soft line breaks as "\n", pictures left out.
    QString Text() const;
    int TextLength() const;
    // Empties the control: no text, no undo history, not modified.
    void Clear();

    void Undo() { undo(); }
    void Redo() { redo(); }
    bool CanUndo() const;
    bool CanRedo() const;
    bool Modified() const;
    void SetModified(bool modified);

    // Whole document in and out. A load tries the other format once more when the bytes do
    // not read in the one asked for (plain text as windows-1252 then), and then fails with
    // "Failed to Load Stream"; the caret goes to the start, the undo history is empty and the
    // control is not modified afterwards. Plain text is UTF-16 under smUnicode and
    // windows-1252 otherwise. A failed write is "Failed to Save Stream".
    void StreamIn(std::string_view bytes, TStreamFormat format);
    std::string StreamOut(TStreamFormat format) const;
    // The same through a stream, in StreamFormat: the load reads from the stream's position
    // to its end; the save writes at its position.
    void LoadFromStream(MemoryStream& stream);
    void SaveToStream(MemoryStream& stream) const;

    // Searches the text between `from` and `to` (-1: the end of the text) for `text`; when
    // `to` is before `from` the search goes backwards and the match ends at or before `from`.
    // Returns the position of the match or -1.
    int FindText(const QString& text, int from, int to, FindOptions options) const;
    // The modeless find dialog, made on first use and kept; seeded with `text` when it is
    // not empty (its first 255 characters), else it keeps the text of the previous search.
    FindDialog* ShowFindDialog(const QString& text);
    FindDialog* ExistingFindDialog() const;

    // Renders the characters [from, to) that fit into `area` (twips) on the painter's device
    // and returns the first that did not fit, `to` when all did, -1 on failure.
    int FormatRange(QPainter* painter, const QRect& area, int from, int to, bool render = true);
    // Drops the layout FormatRange keeps between pages.
    void FormatRangeDone();
    // Prints the whole document as a job titled `title`, inside PageRect (or the whole
    // printable page when it is empty). Fails with the printing system's message.
    void Print(QPrinter& printer, const QString& title);

    // A picture at the caret, replacing the selection, as a paste of it does: a bitmap as
    // PNG; a picture file as it was loaded (a JPEG keeps its bytes, a metafile its bytes and
    // kind, drawn at the size it declares).
    void InsertImage(const QImage& image);
    void InsertPicture(const Picture& picture);

    // The width of the strip at the left edge in which a click selects a line.
    static constexpr int kSelectionBarWidth = 8;

Q_SIGNALS:
    void OnChange();
    void OnSelectionChange();
    void OnMouseDown(Qt::MouseButton button, const QPoint& position);
    void OnURLClick(const QString& text, Qt::MouseButton button);

protected:
    bool event(QEvent* event) override;
    QMimeData* createMimeDataFromSelection() const override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    friend class TextAttributes;
    friend class ParaAttributes;

    struct LinkHit {
        int start = -1;
        int end = -1;
        QString text;
        bool valid() const { return start >= 0; }
    };

    bool TryLoad(std::string_view bytes, TStreamFormat format, rtf::PlainEncoding encoding);
    void InsertEmbedded(const richtext::EmbeddedPicture& picture);
    void PrepareDocument();
    bool LaidOut() const;
    void WatchLayout();
    void SelectionMaybeChanged();
    int CharacterAt(const QPoint& viewportPosition) const;
    LinkHit LinkAt(const QPoint& viewportPosition) const;
    bool InSelectionBar(const QPoint& viewportPosition) const;
    QString SelectionAsPlainText() const;

    bool plainText_ = false;
    TStreamMode streamMode_ = smUnicode;
    TStreamFormat streamFormat_ = sfRichText;
    bool advancedTypography_ = false;
    QRect pageRect_;
    TextAttributes selAttributes_{*this};
    ParaAttributes paragraph_{*this};
    richtext::LinkHighlighter* highlighter_ = nullptr; // owned by the document
    QPointer<FindDialog> findDialog_;
    std::unique_ptr<richtext::PageRenderer> renderer_;
    std::unique_ptr<WaitCursor> layoutWait_; // while a long entry is laid out in steps
    LinkHit pressedLink_;
    bool loading_ = false;
    int lastAnchor_ = -1;
    int lastPosition_ = -1;
};

} // namespace quill
