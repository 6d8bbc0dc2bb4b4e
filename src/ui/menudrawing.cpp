#include "ui/menudrawing.h"

#include "platform/drawtext.h"
#include "ui/bitmaps.h"
#include "ui/gradient.h"
#include "ui/shapes.h"

#include <QAction>
#include <QApplication>
#include <QPainter>
#include <QStyleOptionMenuItem>

#include <algorithm>

namespace quill {

using namespace menucolors;

namespace {

constexpr unsigned kMeasureFlags = DT_CALCRECT | DT_EXTERNALLEADING;
constexpr int kSubMenuArrowWidth = 12;

QFont WithWeight(QFont font, bool bold)
{
    font.setBold(bold);
    return font;
}

QSize Measure(const QFont& font, const QString& text)
{
    return MeasureText(font, text, kMeasureFlags);
}

void Text(QPainter& canvas, const QString& text, QRect rect, unsigned flags)
{
    DrawText(canvas, text, rect, flags);
}

void FillRegion(QPainter& canvas, const QRegion& region, TColor color)
{
    for (const QRect& rect : region)
        canvas.fillRect(rect, ToQColor(color));
}

QRect ImageColumn(const QRect& R)
{
    return QRect(QPoint(R.x(), R.y()), QPoint(kMenuImageColumn - 1, R.y() + R.height() - 1));
}

// Rows of the check mark: X the tick, anything else the transparent background.
constexpr const char* kMenuCheckRows[9] = {
    ".........",
    ".......X.",
    "......XX.",
    ".X...XXX.",
    ".XX.XXX..",
    ".XXXXX...",
    "..XXX....",
    "...X.....",
    ".........",
};

} // namespace

QString ShortCutText(const QKeySequence& shortCut)
{
    return shortCut.toString(QKeySequence::NativeText);
}

QImage MenuCheckMark()
{
    QImage mark = NewBitmap(9, 9);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 9; ++x)
            FillBitmap(mark, QRect(x, y, 1, 1), kMenuCheckRows[y][x] == 'X' ? clBlack : clWhite);
    return mark;
}

QSize MenuItemMeasureItem(const TMenuItemInfo& item, const QFont& menuFont)
{
    const QFont bold = WithWeight(menuFont, true);
    const QSize caption = Measure(bold, item.Caption);
    int captionWidth = caption.width();
    if (!item.ShortCut.isEmpty())
        captionWidth += Measure(bold, ShortCutText(item.ShortCut)).width() + 8;
    const QSize hint = Measure(WithWeight(menuFont, false), item.Hint);
    return QSize(std::max(captionWidth, hint.width()) + 8 + kMenuImageColumn, caption.height() + hint.height() + 13);
}

void MenuItemDrawItem(const TMenuItemInfo& item, QPainter& canvas, const QFont& menuFont, const QRect& R,
                      bool highlighted, const TImageList* images)
{
    canvas.save();
    const int captionHeight = Measure(WithWeight(menuFont, true), item.Caption).height();
    const int left = R.x();
    const int top = R.y();
    const int right = R.x() + R.width();
    const int bottom = R.y() + R.height();

    canvas.fillRect(R, ToQColor(kItemBackground));
    const QRect column = ImageColumn(R);
    if (item.Checked)
        DrawGradient(canvas, column, {kCream, kCream, kAmber}, false);
    else
        DrawGradient(canvas, column, {kColumnPaleBlue, kColumnSteelBlue, kColumnSteelBlue}, true);

    if (highlighted && item.Enabled) {
        canvas.save();
        canvas.setClipRegion(RoundRectRegion(R, 5, 5), canvas.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
        if (!item.Hint.isEmpty()) {
            const int split = top + captionHeight + 8;
            DrawGradient(canvas, QRect(left, top, R.width(), split - top), {kCream, kCream, kAmber}, false);
            DrawGradient(canvas, QRect(left, split, R.width(), bottom - split), {kCream, kCream, kAmber}, false);
        } else {
            DrawGradient(canvas, R, {kCream, kCream, kAmber}, false);
        }
        canvas.restore();
        FillRegion(canvas, RoundFrameRegion(R, 5, 1), kOutline);
    }

    const QColor textColor = ToQColor(item.Enabled ? kText : kDisabledText);
    canvas.setFont(WithWeight(menuFont, false));
    canvas.setPen(textColor);
    const QRect T(QPoint(left + 30, top + 6), QPoint(right - 4 - 1, bottom - 1));
    Text(canvas, item.Caption, T, DT_EXTERNALLEADING);

    if (item.Checked) {
        FillRegion(canvas, RoundFrameRegion(column, 0, 1), kCheckedFrame);
        if (item.ImageIndex < 0) {
            const TransparentBitmap mark(MenuCheckMark());
            mark.Draw(canvas, column.x() + (column.width() - mark.Width()) / 2 + 1,
                      column.y() + (column.height() - mark.Height()) / 2 - 1);
        }
    }
    if (!item.ShortCut.isEmpty())
        Text(canvas, ShortCutText(item.ShortCut), T, DT_EXTERNALLEADING | DT_RIGHT);

    const QRect hintRect(QPoint(left + 30, top + captionHeight + 10), QPoint(right - 4 - 1, bottom - 1));
    Text(canvas, item.Hint, hintRect, DT_EXTERNALLEADING);

    if (item.ImageIndex >= 0 && images)
        images->Draw(canvas, left + 4, top + 5, item.ImageIndex, true);
    canvas.restore();
}

QSize MeasureSeparator(const TMenuItemInfo& item, const QFont& menuFont)
{
    if (item.Hint.isEmpty())
        return QSize(10, 3);
    const QSize title = Measure(WithWeight(menuFont, true), item.Hint);
    return QSize(title.width() + 14, title.height() + 8);
}

void SeparatorDrawItem(const TMenuItemInfo& item, QPainter& canvas, const QFont& menuFont, const QRect& R,
                       bool /*highlighted*/)
{
    canvas.save();
    const int right = R.x() + R.width();
    const int bottom = R.y() + R.height();
    if (!item.Hint.isEmpty()) {
        canvas.fillRect(R, ToQColor(kTitleBackground));
        canvas.setFont(WithWeight(menuFont, true));
        canvas.setPen(ToQColor(kText));
        Text(canvas, item.Hint, QRect(QPoint(R.x() + 10, R.y()), QPoint(right - 4 - 1, bottom - 1)),
             DT_SINGLELINE | DT_VCENTER | DT_EXTERNALLEADING);
    } else {
        DrawGradient(canvas, ImageColumn(R), {kColumnPaleBlue, kColumnSteelBlue, kColumnSteelBlue}, true);
        const int lineLeft = R.x() + kMenuImageColumn;
        canvas.fillRect(QRect(lineLeft, bottom - 2, right - lineLeft, 1), ToQColor(kOutline));
    }
    canvas.restore();
}

TMenuItemStyle::TMenuItemStyle(const TImageList* images)
    : images_(images)
{
}

int TMenuItemStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const
{
    switch (metric) {
    case PM_MenuHMargin:
    case PM_MenuVMargin:
        return 0;
    default:
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
}

namespace {

const QAction* ActionOf(const QStyleOption* option)
{
    return qobject_cast<const QAction*>(option ? option->styleObject : nullptr);
}

QFont MenuFont(const QWidget* widget)
{
    return widget ? widget->font() : QApplication::font("QMenu");
}

} // namespace

QSize TMenuItemStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                                       const QWidget* widget) const
{
    const QAction* action = ActionOf(option);
    if (type != CT_MenuItem || !action)
        return QProxyStyle::sizeFromContents(type, option, size, widget);
    const TMenuItemInfo item = TStyledMenu::ItemInfo(action);
    if (action->isSeparator())
        return MeasureSeparator(item, MenuFont(widget));
    QSize measured = MenuItemMeasureItem(item, MenuFont(widget));
    if (action->menu())
        measured.rwidth() += kSubMenuArrowWidth;
    return measured;
}

void TMenuItemStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                                 const QWidget* widget) const
{
    const QAction* action = ActionOf(option);
    if (element != CE_MenuItem || !action || !painter) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    const TMenuItemInfo item = TStyledMenu::ItemInfo(action);
    const bool highlighted = option->state & State_Selected;
    // The routines measure from the item's left edge.
    painter->save();
    painter->translate(option->rect.x(), 0);
    const QRect R = option->rect.translated(-option->rect.x(), 0);
    if (action->isSeparator()) {
        SeparatorDrawItem(item, *painter, MenuFont(widget), R, highlighted);
    } else {
        MenuItemDrawItem(item, *painter, MenuFont(widget), R, highlighted, images_);
        if (action->menu()) {
            QStyleOption arrow(*option);
            arrow.rect = QRect(R.x() + R.width() - kSubMenuArrowWidth, R.y(), kSubMenuArrowWidth - 2, R.height());
            arrow.palette.setColor(QPalette::ButtonText, ToQColor(item.Enabled ? kText : kDisabledText));
            QProxyStyle::drawPrimitive(PE_IndicatorArrowRight, &arrow, painter, widget);
        }
    }
    painter->restore();
}

TStyledMenu::TStyledMenu(const TImageList* images, QWidget* parent)
    : QMenu(parent), images_(images)
{
    auto* style = new TMenuItemStyle(images);
    style->setParent(this);
    setStyle(style);
    // Every separator is drawn, also one right after another: titled ones head sections.
    setSeparatorsCollapsible(false);
}

QAction* TStyledMenu::AddItem(const QString& caption, const QKeySequence& shortCut, int imageIndex, const QString& hint)
{
    QAction* action = addAction(caption);
    action->setShortcut(shortCut);
    action->setProperty("ImageIndex", imageIndex);
    action->setStatusTip(hint);
    return action;
}

QAction* TStyledMenu::AddSeparator(const QString& hint)
{
    QAction* action = addSeparator();
    action->setStatusTip(hint);
    return action;
}

TStyledMenu* TStyledMenu::AddSubMenu(const QString& caption, int imageIndex)
{
    auto* menu = new TStyledMenu(images_, this);
    menu->setTitle(caption);
    QAction* action = addMenu(menu);
    action->setProperty("ImageIndex", imageIndex);
    return menu;
}

TMenuItemInfo TStyledMenu::ItemInfo(const QAction* action)
{
    TMenuItemInfo item;
    item.Caption = action->isSeparator() ? QStringLiteral("-") : action->text();
    item.Hint = action->statusTip();
    item.ShortCut = action->shortcut();
    const QVariant index = action->property("ImageIndex");
    item.ImageIndex = index.isValid() ? index.toInt() : -1;
    item.Checked = action->isCheckable() && action->isChecked();
    item.Enabled = action->isEnabled();
    return item;
}

void TStyledMenu::initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const
{
    QMenu::initStyleOption(option, action);
    // The style reads the item's picture index and hint from the action itself.
    option->styleObject = const_cast<QAction*>(action);
}

} // namespace quill
