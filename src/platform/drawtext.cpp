#include "platform/drawtext.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>
#include <vector>

namespace quill {

namespace {

const QString kEllipsis = QStringLiteral("...");

// One line of text as it will be drawn, with the characters to underline.
struct TextLine {
    QString text;
    std::vector<int> underlined;
};

// Removes the prefix characters: "&x" underlines x, "&&" is one ampersand, a lone "&" at
// the end is dropped.
TextLine ProcessPrefixes(const QString& text, bool prefixes)
{
    TextLine line;
    if (!prefixes) {
        line.text = text;
        return line;
    }
    line.text.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != QLatin1Char('&')) {
            line.text.append(text[i]);
            continue;
        }
        if (i + 1 >= text.size())
            break;
        ++i;
        if (text[i] != QLatin1Char('&'))
            line.underlined.push_back(static_cast<int>(line.text.size()));
        line.text.append(text[i]);
    }
    return line;
}

// Splits at line ends into paragraphs; the underlined positions follow their characters.
std::vector<TextLine> SplitParagraphs(const TextLine& whole, bool singleLine)
{
    std::vector<TextLine> paragraphs(1);
    for (qsizetype i = 0; i < whole.text.size(); ++i) {
        const QChar c = whole.text[i];
        const bool isUnderlined = std::find(whole.underlined.begin(), whole.underlined.end(), i)
                                  != whole.underlined.end();
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (singleLine) {
                paragraphs.back().text.append(QLatin1Char(' '));
                continue;
            }
            if (c == QLatin1Char('\r') && i + 1 < whole.text.size() && whole.text[i + 1] == QLatin1Char('\n'))
                ++i;
            paragraphs.emplace_back();
            continue;
        }
        if (isUnderlined)
            paragraphs.back().underlined.push_back(static_cast<int>(paragraphs.back().text.size()));
        paragraphs.back().text.append(c);
    }
    return paragraphs;
}

int TextWidth(const QFontMetrics& metrics, const QString& text)
{
    return metrics.horizontalAdvance(text);
}

// Shortens a line that is wider than maxWidth so that it ends in "...".
void Ellipsize(TextLine& line, const QFontMetrics& metrics, int maxWidth)
{
    if (TextWidth(metrics, line.text) <= maxWidth)
        return;
    qsizetype keep = line.text.size();
    while (keep > 0 && TextWidth(metrics, line.text.left(keep) + kEllipsis) > maxWidth)
        --keep;
    line.text = line.text.left(keep) + kEllipsis;
    std::erase_if(line.underlined, [keep](int pos) { return pos >= keep; });
}

// Breaks a paragraph into lines no wider than width, at word boundaries.
std::vector<TextLine> WrapParagraph(const TextLine& paragraph, const QFont& font, QPaintDevice* device, int width)
{
    if (paragraph.text.isEmpty())
        return {paragraph};
    QTextLayout layout(paragraph.text, font, device);
    QTextOption option;
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    std::vector<TextLine> lines;
    layout.beginLayout();
    for (QTextLine l = layout.createLine(); l.isValid(); l = layout.createLine()) {
        l.setLineWidth(std::max(width, 1));
        TextLine line;
        const int start = l.textStart();
        const int length = l.textLength();
        line.text = paragraph.text.mid(start, length);
        while (line.text.endsWith(QLatin1Char(' ')))
            line.text.chop(1);
        for (int pos : paragraph.underlined)
            if (pos >= start && pos < start + line.text.size())
                line.underlined.push_back(pos - start);
        lines.push_back(std::move(line));
    }
    layout.endLayout();
    return lines;
}

struct Laid {
    std::vector<TextLine> lines;
    int lineHeight = 0;
    int width = 0;
};

Laid LayOut(const QFont& font, QPaintDevice* device, const QString& text, unsigned flags, int width)
{
    const QFontMetrics metrics = device ? QFontMetrics(font, device) : QFontMetrics(font);
    const TextLine whole = ProcessPrefixes(text, (flags & DT_NOPREFIX) == 0);
    const bool singleLine = (flags & DT_SINGLELINE) != 0;
    Laid laid;
    for (const TextLine& paragraph : SplitParagraphs(whole, singleLine)) {
        if (!singleLine && (flags & DT_WORDBREAK)) {
            for (TextLine& line : WrapParagraph(paragraph, font, device, width))
                laid.lines.push_back(std::move(line));
        } else {
            laid.lines.push_back(paragraph);
        }
    }
    if ((flags & DT_END_ELLIPSIS) && !(flags & DT_CALCRECT))
        for (TextLine& line : laid.lines)
            Ellipsize(line, metrics, width);
    laid.lineHeight = metrics.height();
    if (flags & DT_EXTERNALLEADING)
        laid.lineHeight += std::max(0, metrics.leading());
    for (const TextLine& line : laid.lines)
        laid.width = std::max(laid.width, TextWidth(metrics, line.text));
    return laid;
}

void DrawLine(QPainter& painter, const TextLine& line, const QPointF& topLeft)
{
    QTextLayout layout(line.text, painter.font(), painter.device());
    QList<QTextLayout::FormatRange> formats;
    for (int pos : line.underlined) {
        QTextLayout::FormatRange range;
        range.start = pos;
        range.length = 1;
        range.format.setFontUnderline(true);
        formats.append(range);
    }
    layout.setFormats(formats);
    layout.beginLayout();
    QTextLine l = layout.createLine();
    if (l.isValid())
        l.setLineWidth(1e6);
    layout.endLayout();
    if (l.isValid())
        l.draw(&painter, topLeft);
}

} // namespace

QString DisplayedText(const QString& text, unsigned flags)
{
    return ProcessPrefixes(text, (flags & DT_NOPREFIX) == 0).text;
}

QSize MeasureText(const QFont& font, const QString& text, unsigned flags, int width, QPaintDevice* device)
{
    const Laid laid = LayOut(font, device, text, flags | DT_CALCRECT, width);
    return QSize(laid.width, laid.lineHeight * static_cast<int>(laid.lines.size()));
}

int DrawText(QPainter& painter, const QString& text, QRect& rect, unsigned flags)
{
    const Laid laid = LayOut(painter.font(), painter.device(), text, flags, rect.width());
    const int height = laid.lineHeight * static_cast<int>(laid.lines.size());
    if (flags & DT_CALCRECT) {
        rect.setWidth(laid.width);
        rect.setHeight(height);
        return height;
    }
    const int left = rect.x();
    const int right = rect.x() + rect.width();
    const int top = rect.y();
    const int bottom = rect.y() + rect.height();
    int y = top;
    if (flags & DT_SINGLELINE) {
        if (flags & DT_VCENTER)
            y = (top + bottom - height) / 2;
        else if (flags & DT_BOTTOM)
            y = bottom - height;
    }
    const QFontMetrics metrics(painter.font(), painter.device());
    painter.save();
    if (!(flags & DT_NOCLIP))
        painter.setClipRect(rect, painter.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    for (const TextLine& line : laid.lines) {
        const int lineWidth = TextWidth(metrics, line.text);
        int x = left;
        if (flags & DT_CENTER)
            x = (left + right - lineWidth) / 2;
        else if (flags & DT_RIGHT)
            x = right - lineWidth;
        DrawLine(painter, line, QPointF(x, y));
        y += laid.lineHeight;
    }
    painter.restore();
    return height;
}

} // namespace quill
