// Renders every styled control in each of its looks into PNG files under the build
// folder's gallery/ for a reviewer's eye, and checks that each file was written.
#include "ui/menudrawing.h"
#include "ui/rbbutton.h"
#include "ui/rbcheckbox.h"
#include "ui/rbpanel.h"
#include "uitesting.h"

#include <QDir>
#include <QPainter>
#include <QtTest>

#include <map>
#include <vector>

using namespace quill;
using namespace quill::testing;

namespace {

// A 16 x 16 picture: a coloured disc on a magenta background (the transparent colour).
QImage Disc(const QColor& color)
{
    QImage image(16, 16, QImage::Format_RGB888);
    image.fill(QColor(255, 0, 255));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(color.darker(150));
    painter.setBrush(color);
    painter.drawEllipse(QRect(2, 2, 11, 11));
    return image;
}

QFont PixelFont(const QString& family, int pixels, bool bold = false)
{
    QFont font(family);
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

// The button look the main window's layout gives every button.
void MainWindowButton(TRbButton& button)
{
    button.Colors().SetDefaultTo(RGBColor(175, 190, 209));
    button.Colors().SetOverTo(RGBColor(118, 148, 190));
    button.Colors().SetClickedFrom(RGBColor(214, 207, 198));
    button.Colors().SetClickedTo(RGBColor(247, 243, 235));
    button.SetShowFocusRect(false);
    button.SetGradientBorder(false);
    button.setFont(PixelFont(QStringLiteral("Liberation Sans"), 11));
    button.SetFontColor(clBlack);
}

void Settle(TRbCustomControl& control)
{
    for (int i = 0; i < 30 && control.FadeTimerActive(); ++i)
        Tick(&control, control.FadeTimerId());
}

} // namespace

class TestGallery : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void buttons();
    void checkBoxes();
    void panels();
    void popupMenu();
    void cleanupTestCase();

private:
    void Save(const QImage& image, const QString& name);
    QDir dir_;
    // Each picture under its family (the name's first word), for the contact sheets.
    std::map<QString, std::vector<QImage>> families_;
};

void TestGallery::initTestCase()
{
    dir_ = QDir(QStringLiteral(QUILLMERE_BINARY_DIR "/gallery"));
    QVERIFY(dir_.mkpath(QStringLiteral(".")));
}

void TestGallery::Save(const QImage& image, const QString& name)
{
    const QString path = dir_.filePath(name + QStringLiteral(".png"));
    QVERIFY2(image.save(path), qPrintable(path));
    QVERIFY(QFileInfo(path).size() > 0);
    families_[name.section(QLatin1Char('_'), 0, 0)].push_back(image.convertToFormat(QImage::Format_RGB888));
}

// One sheet a family, every picture three times enlarged, so that pixels can be seen.
void TestGallery::cleanupTestCase()
{
    constexpr int scale = 3;
    constexpr int gap = 8;
    for (const auto& [family, images] : families_) {
        int width = 0;
        int height = gap;
        for (const QImage& image : images) {
            width = std::max(width, image.width() * scale);
            height += image.height() * scale + gap;
        }
        QImage sheet(width + 2 * gap, height, QImage::Format_RGB888);
        sheet.fill(QColor(96, 96, 96));
        QPainter painter(&sheet);
        int y = gap;
        for (const QImage& image : images) {
            painter.drawImage(gap, y, image.scaled(image.size() * scale, Qt::IgnoreAspectRatio, Qt::FastTransformation));
            y += image.height() * scale + gap;
        }
        painter.end();
        QVERIFY(sheet.save(dir_.filePath(QStringLiteral("sheet_") + family + QStringLiteral(".png"))));
    }
}

void TestGallery::buttons()
{
    QWidget window;
    window.resize(400, 200);
    TRbButton button(&window);
    MainWindowButton(button);
    button.resize(81, 33);
    button.SetCaption(QStringLiteral("Search"));
    button.SetGlyph(Disc(QColor(40, 120, 220)));
    button.SetSpacing(10);
    Save(button.RenderImage(), QStringLiteral("button_rest"));
    Enter(&button);
    Tick(&button, button.FadeTimerId());
    Tick(&button, button.FadeTimerId());
    Tick(&button, button.FadeTimerId());
    Tick(&button, button.FadeTimerId());
    Tick(&button, button.FadeTimerId());
    Save(button.RenderImage(), QStringLiteral("button_half_hovered"));
    Settle(button);
    Save(button.RenderImage(), QStringLiteral("button_hovered"));
    button.SetHotTrack(true);
    Save(button.RenderImage(), QStringLiteral("button_hovered_hot_track"));
    button.SetHotTrack(false);
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(10, 10));
    Settle(button);
    Save(button.RenderImage(), QStringLiteral("button_pressed"));
    button.SetGradientBorder(true);
    Save(button.RenderImage(), QStringLiteral("button_pressed_gradient_border"));
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(10, 10));
    Leave(&button);
    Settle(button);
    button.setEnabled(false);
    Save(button.RenderImage(), QStringLiteral("button_disabled"));
    button.setEnabled(true);

    TRbButton focused(&window);
    MainWindowButton(focused);
    focused.SetCaption(QStringLiteral("Login"));
    focused.SetDefault(true);
    focused.SetShowFocusRect(true);
    window.show();
    QApplication::setActiveWindow(&window);
    focused.setFocus();
    QCoreApplication::processEvents();
    Save(focused.RenderImage(), QStringLiteral("button_default_focused"));

    TRbButton first(&window), second(&window);
    for (TRbButton* b : {&first, &second}) {
        MainWindowButton(*b);
        b->SetGroupIndex(1);
    }
    first.SetCaption(QStringLiteral("Day"));
    second.SetCaption(QStringLiteral("Week"));
    QTest::mouseClick(&first, Qt::LeftButton, {}, QPoint(5, 5));
    Settle(first);
    Save(first.RenderImage(), QStringLiteral("button_group_down"));
    Save(second.RenderImage(), QStringLiteral("button_group_up"));

    const std::pair<TButtonLayout, QString> layouts[] = {{blGlyphLeft, QStringLiteral("left")},
                                                         {blGlyphRight, QStringLiteral("right")},
                                                         {blGlyphTop, QStringLiteral("top")},
                                                         {blGlyphBottom, QStringLiteral("bottom")}};
    for (const auto& [layout, name] : layouts) {
        TRbButton pictured(&window);
        MainWindowButton(pictured);
        pictured.resize(layout == blGlyphTop || layout == blGlyphBottom ? 75 : 121, layout == blGlyphTop || layout == blGlyphBottom ? 49 : 33);
        pictured.SetCaption(QStringLiteral("Insert"));
        pictured.SetGlyph(Disc(QColor(40, 170, 60)));
        pictured.SetLayout(layout);
        Save(pictured.RenderImage(), QStringLiteral("button_glyph_") + name);
    }
    TRbButton pictureOnly(&window);
    MainWindowButton(pictureOnly);
    pictureOnly.SetGlyph(Disc(QColor(220, 60, 40)));
    Save(pictureOnly.RenderImage(), QStringLiteral("button_glyph_only"));
}

void TestGallery::checkBoxes()
{
    QWidget window;
    TRbCheckBox box(&window);
    box.resize(169, 17);
    box.SetColor(clWhite);
    box.SetCaption(QStringLiteral("Skip empty entries"));
    box.setFont(PixelFont(QStringLiteral("Liberation Sans"), 13));
    box.SetFontColor(clBlack);
    Save(box.RenderImage(), QStringLiteral("checkbox_unchecked"));
    Enter(&box);
    Settle(box);
    Save(box.RenderImage(), QStringLiteral("checkbox_hovered"));
    QTest::mousePress(&box, Qt::LeftButton, {}, QPoint(8, 8));
    Settle(box);
    Save(box.RenderImage(), QStringLiteral("checkbox_pressed"));
    QTest::mouseRelease(&box, Qt::LeftButton, {}, QPoint(8, 8));
    Settle(box);
    Save(box.RenderImage(), QStringLiteral("checkbox_checked_hovered"));
    Leave(&box);
    Settle(box);
    Save(box.RenderImage(), QStringLiteral("checkbox_checked"));
    box.SetHotTrack(true);
    Enter(&box);
    Settle(box);
    Save(box.RenderImage(), QStringLiteral("checkbox_hot_track"));
    Leave(&box);
    Settle(box);
    box.setEnabled(false);
    Save(box.RenderImage(), QStringLiteral("checkbox_checked_disabled"));
    box.setEnabled(true);
    box.SetCheckColor(clRed);
    box.SetBorderLines(blTop | blBottom);
    Save(box.RenderImage(), QStringLiteral("checkbox_red_tick_border_lines"));
}

void TestGallery::panels()
{
    const std::pair<TRbCaptionPos, QString> positions[] = {
        {cpGroupBox, QStringLiteral("group_box")},       {cpTopLeft, QStringLiteral("top_left")},
        {cpTopCenter, QStringLiteral("top_center")},     {cpTopRight, QStringLiteral("top_right")},
        {cpMiddleLeft, QStringLiteral("middle_left")},   {cpMiddleCenter, QStringLiteral("middle_center")},
        {cpMiddleRight, QStringLiteral("middle_right")}, {cpBottomLeft, QStringLiteral("bottom_left")},
        {cpBottomCenter, QStringLiteral("bottom_center")}, {cpBottomRight, QStringLiteral("bottom_right")}};
    for (const auto& [position, name] : positions) {
        TRbPanel panel;
        panel.resize(200, 110);
        panel.setFont(PixelFont(QStringLiteral("Liberation Sans"), 13, true));
        panel.SetCaption(QStringLiteral("&Current Font"));
        panel.SetCaptionPosition(position);
        Save(panel.RenderImage(), QStringLiteral("panel_caption_") + name);
    }

    TRbPanel search;
    search.BeginLoad();
    search.resize(307, 445);
    search.setFont(PixelFont(QStringLiteral("Liberation Sans"), 19, true));
    search.SetFontColor(clBlack);
    search.SetCaption(QStringLiteral("Database Text Search"));
    search.SetCaptionPosition(cpTopCenter);
    search.SetCornerWidth(25);
    search.SetBorderWidth(7);
    search.SetBorderColor(clSilver);
    search.SetOuterColor(clSilver);
    search.SetColor(clWhite);
    search.EndLoad();
    Save(search.RenderImage(), QStringLiteral("panel_antialiased_search_window"));

    auto bar = [&](TColor from, TColor to, const QString& caption, const QString& name) {
        TRbPanel panel;
        panel.resize(770, 45);
        panel.SetAntialiased(false);
        panel.SetGradient(true);
        panel.SetGradientType(gtDoubleVert);
        panel.SetDefaultFrom(from);
        panel.SetDefaultTo(to);
        panel.SetColor(RGBColor(223, 223, 227));
        panel.SetBorderWidth(1);
        panel.SetCornerWidth(0);
        panel.SetCaptionPosition(cpMiddleCenter);
        panel.setFont(PixelFont(QStringLiteral("Liberation Sans"), 29, true));
        panel.SetFontColor(clWhite);
        panel.SetTextShadow(false);
        panel.SetCaption(caption);
        Save(panel.RenderImage(), name);
    };
    bar(RGBColor(16, 132, 208), RGBColor(113, 184, 255), QStringLiteral("10 December 2026"), QStringLiteral("panel_gradient_header"));
    bar(RGBColor(0, 159, 0), RGBColor(3, 199, 82), QString(), QStringLiteral("panel_gradient_bottom_bar"));

    const std::pair<TGradientType, QString> types[] = {
        {gtHorizontal, QStringLiteral("horizontal")},   {gtVertical, QStringLiteral("vertical")},
        {gtFromTopLeft, QStringLiteral("from_top_left")}, {gtFromTopRight, QStringLiteral("from_top_right")},
        {gtRadial, QStringLiteral("radial")},           {gtDoubleHorz, QStringLiteral("double_horz")},
        {gtDoubleVert, QStringLiteral("double_vert")}};
    for (const auto& [type, name] : types) {
        TRbPanel panel;
        panel.resize(160, 90);
        panel.SetAntialiased(false);
        panel.SetGradient(true);
        panel.SetGradientType(type);
        panel.SetDefaultFrom(RGBColor(255, 255, 255));
        panel.SetDefaultTo(RGBColor(90, 140, 220));
        panel.SetCaption(name);
        panel.SetCaptionPosition(cpMiddleCenter);
        Save(panel.RenderImage(), QStringLiteral("panel_gradient_") + name);
    }

    TRbPanel disabled;
    disabled.SetCaption(QStringLiteral("Disabled"));
    disabled.SetCaptionPosition(cpMiddleCenter);
    disabled.setEnabled(false);
    Save(disabled.RenderImage(), QStringLiteral("panel_disabled"));
}

void TestGallery::popupMenu()
{
    TImageList images;
    const QColor colors[] = {QColor(200, 60, 60), QColor(60, 160, 60), QColor(60, 90, 200), QColor(200, 160, 40)};
    for (int i = 0; i < 32; ++i)
        images.AddMasked(Disc(colors[i % 4]), RGBColor(255, 0, 255));

    struct Row {
        TMenuItemInfo item;
        bool highlighted;
    };
    auto item = [](const QString& caption, const QKeySequence& shortcut, int image, bool checked = false,
                   bool enabled = true, const QString& hint = {}) {
        TMenuItemInfo info;
        info.Caption = caption;
        info.ShortCut = shortcut;
        info.ImageIndex = image;
        info.Checked = checked;
        info.Enabled = enabled;
        info.Hint = hint;
        return info;
    };
    const std::vector<Row> rows = {
        {item(QStringLiteral("Cu&t"), QKeySequence(Qt::CTRL | Qt::Key_X), 10), false},
        {item(QStringLiteral("&Copy"), QKeySequence(Qt::CTRL | Qt::Key_C), 11), true},
        {item(QStringLiteral("&Paste"), QKeySequence(Qt::CTRL | Qt::Key_V), 12, false, false), true},
        {item(QStringLiteral("-"), {}, -1, false, true, QStringLiteral("Text Selection")), false},
        {item(QStringLiteral("Select &All"), QKeySequence(Qt::CTRL | Qt::Key_A), -1), false},
        {item(QStringLiteral("-"), {}, -1), false},
        {item(QStringLiteral("&Bold"), QKeySequence(Qt::CTRL | Qt::Key_B), 4, true), false},
        {item(QStringLiteral("Tick without picture"), {}, -1, true), false},
        {item(QStringLiteral("Clear All"), {}, 19, false, true, QStringLiteral("Empties the whole entry")), true},
        {item(QStringLiteral("With a hint"), {}, 19, false, true, QStringLiteral("A second line of help")), false},
    };
    const QFont font = PixelFont(QStringLiteral("Liberation Sans"), 12);
    int width = 0;
    int height = 0;
    for (const Row& row : rows) {
        const QSize size = row.item.IsSeparator() ? MeasureSeparator(row.item, font) : MenuItemMeasureItem(row.item, font);
        width = std::max(width, size.width());
        height += size.height();
    }
    QImage sheet = Filled(width, height, ColorToRGB(clMenu));
    QPainter painter(&sheet);
    int y = 0;
    for (const Row& row : rows) {
        const bool separator = row.item.IsSeparator();
        const QSize size = separator ? MeasureSeparator(row.item, font) : MenuItemMeasureItem(row.item, font);
        const QRect R(0, y, width, size.height());
        if (separator)
            SeparatorDrawItem(row.item, painter, font, R, row.highlighted);
        else
            MenuItemDrawItem(row.item, painter, font, R, row.highlighted, &images);
        y += size.height();
    }
    painter.end();
    Save(sheet, QStringLiteral("menu_items"));

    TStyledMenu menu(&images);
    menu.setFont(font);
    menu.AddItem(QStringLiteral("Cu&t"), QKeySequence(Qt::CTRL | Qt::Key_X), 10);
    menu.AddItem(QStringLiteral("&Copy"), QKeySequence(Qt::CTRL | Qt::Key_C), 11);
    menu.AddItem(QStringLiteral("&Paste"), QKeySequence(Qt::CTRL | Qt::Key_V), 12);
    menu.AddSeparator(QStringLiteral("Text Selection"));
    menu.AddItem(QStringLiteral("Select &All"), QKeySequence(Qt::CTRL | Qt::Key_A));
    menu.AddSeparator(QStringLiteral("Text Deletion"));
    menu.AddItem(QStringLiteral("Clear Selection"), QKeySequence(Qt::CTRL | Qt::Key_D), 19);
    menu.AddItem(QStringLiteral("Clear All"), {}, 19)->setEnabled(false);
    menu.AddSeparator(QStringLiteral("Text Formatting"));
    TStyledMenu* formatting = menu.AddSubMenu(QStringLiteral("Formatting"));
    QAction* bold = formatting->AddItem(QStringLiteral("Bold"), QKeySequence(Qt::CTRL | Qt::Key_B), 4);
    bold->setCheckable(true);
    bold->setChecked(true);
    menu.adjustSize();
    Save(menu.grab().toImage(), QStringLiteral("menu_popup"));
    formatting->adjustSize();
    Save(formatting->grab().toImage(), QStringLiteral("menu_popup_formatting"));
}

QTEST_MAIN(TestGallery)
#include "tst_ui_gallery.moc"
