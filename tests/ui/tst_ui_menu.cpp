#include "ui/menudrawing.h"
#include "uitesting.h"

#include <QFontMetrics>
#include <QPainter>
#include <QtTest>

using namespace quill;
using namespace quill::testing;
using namespace quill::menucolors;

namespace {

QFont MenuTestFont()
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(12);
    return font;
}

int LineHeight(const QFont& font)
{
    const QFontMetrics metrics(font);
    return metrics.height() + std::max(0, metrics.leading());
}

QFont Bold(QFont font)
{
    font.setBold(true);
    return font;
}

// Draws one item into a 200-pixel-wide image of its measured height, on red.
QImage DrawItem(const TMenuItemInfo& item, bool highlighted, const TImageList* images = nullptr)
{
    const QSize size = item.IsSeparator() ? MeasureSeparator(item, MenuTestFont()) : MenuItemMeasureItem(item, MenuTestFont());
    QImage image = Filled(200, size.height(), clRed);
    QPainter painter(&image);
    const QRect R(0, 0, 200, size.height());
    if (item.IsSeparator())
        SeparatorDrawItem(item, painter, MenuTestFont(), R, highlighted);
    else
        MenuItemDrawItem(item, painter, MenuTestFont(), R, highlighted, images);
    return image;
}

// The smallest red channel within rect: text darkens an item's light background.
int DarkestRed(const QImage& image, const QRect& rect)
{
    int darkest = 255;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            darkest = std::min(darkest, RedOf(PixelAt(image, x, y)));
    return darkest;
}

TMenuItemInfo Item(const QString& caption)
{
    TMenuItemInfo item;
    item.Caption = caption;
    return item;
}

} // namespace

class TestMenu : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void itemMeasures();
    void separatorMeasures();
    void plainItemLook();
    void highlightedDisabledItemChangesNothing();
    void highlightWithHintHasTwoBands();
    void checkedItems();
    void separatorLooks();
    void styledMenuUsesTheRoutines();
};

void TestMenu::itemMeasures()
{
    const QFont font = MenuTestFont();
    const QFontMetrics bold(Bold(font));
    TMenuItemInfo paste = Item(QStringLiteral("&Paste"));
    QCOMPARE(MenuItemMeasureItem(paste, font),
             QSize(bold.horizontalAdvance(QStringLiteral("Paste")) + 34, LineHeight(Bold(font)) + LineHeight(font) + 13));
    paste.ShortCut = QKeySequence(Qt::CTRL | Qt::Key_V);
    QCOMPARE(ShortCutText(paste.ShortCut), QStringLiteral("Ctrl+V"));
    QCOMPARE(MenuItemMeasureItem(paste, font).width(),
             bold.horizontalAdvance(QStringLiteral("Paste")) + bold.horizontalAdvance(QStringLiteral("Ctrl+V")) + 8 + 34);
    // A long hint sets the width.
    paste.Hint = QStringLiteral("Pastes whatever the clipboard holds");
    QCOMPARE(MenuItemMeasureItem(paste, font).width(),
             QFontMetrics(font).horizontalAdvance(paste.Hint) + 34);
}

void TestMenu::separatorMeasures()
{
    const QFont font = MenuTestFont();
    TMenuItemInfo separator = Item(QStringLiteral("-"));
    QCOMPARE(MeasureSeparator(separator, font), QSize(10, 3));
    separator.Hint = QStringLiteral("Text Selection");
    QCOMPARE(MeasureSeparator(separator, font),
             QSize(QFontMetrics(Bold(font)).horizontalAdvance(separator.Hint) + 14, LineHeight(Bold(font)) + 8));
}

void TestMenu::plainItemLook()
{
    const QImage image = DrawItem(Item(QStringLiteral("Select All")), false);
    QCOMPARE(PixelAt(image, 0, 5), kColumnPaleBlue);
    QCOMPARE(PixelAt(image, 13, 5), kColumnSteelBlue);
    QCOMPARE(PixelAt(image, 25, 5), kColumnSteelBlue);
    QCOMPARE(PixelAt(image, 26, 5), kItemBackground);
    QCOMPARE(PixelAt(image, 199, image.height() - 1), kItemBackground);
    // Dark navy text on the caption line, starting 4 pixels after the column.
    QVERIFY(DarkestRed(image, QRect(30, 6, 100, 14)) < 60);
    QCOMPARE(DarkestRed(image, QRect(26, 0, 3, image.height())), RedOf(kItemBackground));
}

void TestMenu::highlightedDisabledItemChangesNothing()
{
    TMenuItemInfo item = Item(QStringLiteral("Clear All"));
    item.Enabled = false;
    const QImage highlighted = DrawItem(item, true);
    QCOMPARE(highlighted, DrawItem(item, false));
    QCOMPARE(PixelAt(highlighted, 100, 2), kItemBackground);
    const int darkest = DarkestRed(highlighted, QRect(30, 6, 100, 14));
    QVERIFY(darkest >= RedOf(kDisabledText) && darkest < RedOf(kItemBackground));
}

void TestMenu::highlightWithHintHasTwoBands()
{
    TMenuItemInfo item = Item(QStringLiteral("Copy"));
    item.Hint = QStringLiteral("Copies the selection");
    const QImage image = DrawItem(item, true);
    const int split = LineHeight(Bold(MenuTestFont())) + 8;
    QCOMPARE(PixelAt(image, 190, split - 1), kAmber);
    QCOMPARE(PixelAt(image, 190, split), kCream);
    QCOMPARE(PixelAt(image, 190, 1), kCream);
    QCOMPARE(PixelAt(image, 190, image.height() - 1), kOutline);
    QCOMPARE(PixelAt(image, 100, 0), kOutline);
    QCOMPARE(PixelAt(image, 0, 0), kColumnPaleBlue);  // the column shows outside the rounded corner

    const QImage single = DrawItem(Item(QStringLiteral("Copy")), true);
    QCOMPARE(PixelAt(single, 190, 1), kCream);
    QCOMPARE(GreenOf(PixelAt(single, 190, single.height() - 2)) < GreenOf(kCream), true);
}

void TestMenu::checkedItems()
{
    TImageList images;
    images.Add(QImage());
    QImage blue = Filled(16, 16, clBlue);
    images.Add(blue);

    TMenuItemInfo bold = Item(QStringLiteral("Bold"));
    bold.Checked = true;
    const QImage mark = DrawItem(bold, false, &images);
    const int h = mark.height();
    QCOMPARE(PixelAt(mark, 0, 0), kCheckedFrame);
    QCOMPARE(PixelAt(mark, 25, h - 1), kCheckedFrame);
    QCOMPARE(PixelAt(mark, 1, 1), kCream);
    QCOMPARE(PixelAt(mark, 1, h - 1), kCheckedFrame);
    // The check mark, centred: left (26 - 9) / 2 + 1 = 9, top (h - 9) / 2 - 1.
    const int top = (h - 9) / 2 - 1;
    QCOMPARE(PixelAt(mark, 9 + 7, top + 1), clBlack);
    QVERIFY(PixelAt(mark, 9, top) != clWhite);

    bold.ImageIndex = 1;
    const QImage picture = DrawItem(bold, false, &images);
    QCOMPARE(PixelAt(picture, 4, 5), clBlue);
    QCOMPARE(PixelAt(picture, 19, 20), clBlue);
    QCOMPARE(PixelAt(picture, 0, 0), kCheckedFrame);
    QVERIFY(PixelAt(picture, 9 + 7, top + 1) != clBlack || top + 1 >= 5);
    QCOMPARE(PixelAt(picture, 22, top + 1), PixelAt(mark, 22, top + 1));
}

void TestMenu::separatorLooks()
{
    TMenuItemInfo plain = Item(QStringLiteral("-"));
    const QImage line = DrawItem(plain, false);
    QCOMPARE(line.height(), 3);
    QCOMPARE(PixelAt(line, 0, 1), kColumnPaleBlue);
    QCOMPARE(PixelAt(line, 26, 1), kOutline);
    QCOMPARE(PixelAt(line, 199, 1), kOutline);
    QCOMPARE(PixelAt(line, 26, 0), clRed);   // the menu's own background stays
    QCOMPARE(PixelAt(line, 100, 2), clRed);

    TMenuItemInfo titled = Item(QStringLiteral("-"));
    titled.Hint = QStringLiteral("Text Formatting");
    const QImage band = DrawItem(titled, true);
    QCOMPARE(PixelAt(band, 1, 1), kTitleBackground);
    QCOMPARE(PixelAt(band, 199, band.height() - 1), kTitleBackground);
    bool navy = false;
    for (int x = 10; x < 150 && !navy; ++x)
        for (int y = 0; y < band.height() && !navy; ++y)
            navy = PixelAt(band, x, y) == kText;
    QVERIFY(navy);
}

void TestMenu::styledMenuUsesTheRoutines()
{
    TImageList images;
    for (int i = 0; i < 12; ++i)
        images.Add(Filled(16, 16, RGBColor(i * 20, 0, 0)));
    TStyledMenu menu(&images);
    menu.setFont(MenuTestFont());
    QAction* cut = menu.AddItem(QStringLiteral("Cut"), QKeySequence(Qt::CTRL | Qt::Key_X), 10);
    QAction* section = menu.AddSeparator(QStringLiteral("Text Selection"));
    QAction* plain = menu.AddSeparator();
    TStyledMenu* formatting = menu.AddSubMenu(QStringLiteral("Formatting"));
    QAction* boldAction = formatting->AddItem(QStringLiteral("Bold"), QKeySequence(Qt::CTRL | Qt::Key_B), 4);
    boldAction->setCheckable(true);
    boldAction->setChecked(true);

    const TMenuItemInfo info = TStyledMenu::ItemInfo(cut);
    QCOMPARE(info.ImageIndex, 10);
    QCOMPARE(info.ShortCut, QKeySequence(Qt::CTRL | Qt::Key_X));
    QVERIFY(TStyledMenu::ItemInfo(section).IsSeparator());
    QVERIFY(TStyledMenu::ItemInfo(boldAction).Checked);

    menu.adjustSize();
    QCOMPARE(menu.actionGeometry(cut).height(), MenuItemMeasureItem(info, menu.font()).height());
    QCOMPARE(menu.actionGeometry(section).height(), MeasureSeparator(TStyledMenu::ItemInfo(section), menu.font()).height());
    QCOMPARE(menu.actionGeometry(plain).height(), 3);

    const QImage shot = menu.grab().toImage().convertToFormat(QImage::Format_RGB888);
    const QRect cutRect = menu.actionGeometry(cut);
    QCOMPARE(PixelAt(shot, cutRect.x() + 4, cutRect.y() + 5), RGBColor(200, 0, 0));  // image 10
    const QRect sectionRect = menu.actionGeometry(section);
    QCOMPARE(PixelAt(shot, sectionRect.x() + 2, sectionRect.y() + 1), kTitleBackground);
}

QTEST_MAIN(TestMenu)
#include "tst_ui_menu.moc"
