#include "platform/colorbox.h"

#include <QPainter>
#include <QStyledItemDelegate>

namespace quill {

namespace {

struct NamedColor {
    const char* name;
    TColor color;
};

constexpr NamedColor kColors[] = {
    {"clBlack", 0x00000000},     {"clMaroon", 0x00000080}, {"clGreen", 0x00008000},   {"clOlive", 0x00008080},
    {"clNavy", 0x00800000},      {"clPurple", 0x00800080}, {"clTeal", 0x00808000},    {"clGray", 0x00808080},
    {"clSilver", 0x00C0C0C0},    {"clRed", 0x000000FF},    {"clLime", 0x0000FF00},    {"clYellow", 0x0000FFFF},
    {"clBlue", 0x00FF0000},      {"clFuchsia", 0x00FF00FF}, {"clAqua", 0x00FFFF00},   {"clWhite", 0x00FFFFFF},
    {"clMoneyGreen", 0x00C0DCC0}, {"clSkyBlue", 0x00F0CAA6}, {"clCream", 0x00F0FBFF}, {"clMedGray", 0x00A4A0A0},
};

constexpr int kItemHeight = 16;

// Draws an entry as a swatch followed by the colour's name in bold.
class SwatchDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return QSize(QStyledItemDelegate::sizeHint(option, index).width() + 24, kItemHeight);
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const bool selected = option.state & QStyle::State_Selected;
        painter->fillRect(option.rect, option.palette.color(selected ? QPalette::Highlight : QPalette::Base));
        const QRect swatch(option.rect.left() + 2, option.rect.top() + 2, 20, option.rect.height() - 4);
        painter->fillRect(swatch, ToQColor(index.data(Qt::UserRole).toUInt()));
        painter->setPen(Qt::black);
        painter->drawRect(swatch.adjusted(0, 0, -1, -1));
        QFont bold = option.font;
        bold.setBold(true);
        painter->setFont(bold);
        painter->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter->drawText(option.rect.adjusted(swatch.width() + 6, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft,
                          index.data(Qt::DisplayRole).toString());
    }
};

} // namespace

TColorBox::TColorBox(QWidget* parent) : QComboBox(parent)
{
    setItemDelegate(new SwatchDelegate(this));
    for (const NamedColor& c : kColors) {
        QPixmap swatch(20, 12);
        swatch.fill(ToQColor(c.color));
        addItem(QIcon(swatch), QString::fromLatin1(c.name), c.color);
    }
    QFont bold = font();
    bold.setBold(true);
    setFont(bold);
    setIconSize(QSize(20, 12));
    setCurrentIndex(-1);
}

TColor TColorBox::Selected() const
{
    return currentIndex() < 0 ? kNoSelection : currentData().toUInt();
}

void TColorBox::SetSelected(TColor color)
{
    setCurrentIndex(findData(color));
}

} // namespace quill
