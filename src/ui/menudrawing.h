#pragma once

#include "ui/imagelist.h"

#include <QFont>
#include <QKeySequence>
#include <QMenu>
#include <QProxyStyle>
#include <QRect>
#include <QSize>
#include <QString>

class QPainter;

namespace quill {

// What the menu drawing needs to know of one item.
struct TMenuItemInfo {
    QString Caption;          // "-" makes a separator
    QString Hint;             // a separator's section title; an item's second line
    QKeySequence ShortCut;
    int ImageIndex = -1;      // below 0: no picture
    bool Checked = false;
    bool Enabled = true;

    bool IsSeparator() const { return Caption == QLatin1String("-"); }
};

// Colours of the menu, 0x00BBGGRR.
namespace menucolors {
constexpr TColor kItemBackground = 0x00FAFAFA;
constexpr TColor kColumnPaleBlue = 0x00F7EEDF;
constexpr TColor kColumnSteelBlue = 0x00D3A87C;
constexpr TColor kCream = 0x00DDF5FF;
constexpr TColor kAmber = 0x005ED2FF;
constexpr TColor kOutline = 0x00C5C5C5;
constexpr TColor kText = 0x006E1500;
constexpr TColor kDisabledText = 0x00C0C0C0;
constexpr TColor kCheckedFrame = 0x009E9E9E;
constexpr TColor kTitleBackground = 0x00EEE7DD;
}  // namespace menucolors

// The right edge of the image column, from the item's left edge.
constexpr int kMenuImageColumn = 26;

// The shortcut as the menu shows it, modifiers first ("Ctrl+X").
QString ShortCutText(const QKeySequence& shortCut);

// The check mark drawn in the image column of a checked item without a picture; its
// bottom-left pixel's colour is transparent.
QImage MenuCheckMark();

// Measuring and drawing of ordinary items and separators. The font is the menu's font;
// the routines change only its weight. R is the item's rectangle, its left edge at x = 0.
QSize MenuItemMeasureItem(const TMenuItemInfo& item, const QFont& menuFont);
void MenuItemDrawItem(const TMenuItemInfo& item, QPainter& canvas, const QFont& menuFont, const QRect& R,
                      bool highlighted, const TImageList* images);
QSize MeasureSeparator(const TMenuItemInfo& item, const QFont& menuFont);
void SeparatorDrawItem(const TMenuItemInfo& item, QPainter& canvas, const QFont& menuFont, const QRect& R,
                       bool highlighted);

// The style that measures and draws a TStyledMenu's items with the routines above.
class TMenuItemStyle : public QProxyStyle {
    Q_OBJECT

public:
    explicit TMenuItemStyle(const TImageList* images);

    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr, const QWidget* widget = nullptr) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;

private:
    const TImageList* images_;
};

// A popup menu drawn by the routines above, its pictures taken from an image list. Items
// carry their picture index and hint on their QAction (see ItemInfo).
class TStyledMenu : public QMenu {
    Q_OBJECT

public:
    explicit TStyledMenu(const TImageList* images, QWidget* parent = nullptr);

    QAction* AddItem(const QString& caption, const QKeySequence& shortCut = {}, int imageIndex = -1,
                     const QString& hint = {});
    // A separator; with a hint it is drawn as a band titled with it.
    QAction* AddSeparator(const QString& hint = {});
    TStyledMenu* AddSubMenu(const QString& caption, int imageIndex = -1);

    // The item an action stands for: its text, status tip (the hint), shortcut, checked and
    // enabled state, and the "ImageIndex" property (-1 when absent).
    static TMenuItemInfo ItemInfo(const QAction* action);

protected:
    void initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const override;

private:
    const TImageList* images_;
};

} // namespace quill
