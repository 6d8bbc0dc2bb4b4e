#include "ui/windowlook.h"

#include <QPainter>
#include <QSvgRenderer>

namespace quill {

QFont PixelFont(const QString& face, int pixels, bool bold)
{
    QFont font(face);
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

void ApplyButtonLook(TRbButton& button)
{
    TRbControlColors& c = button.Colors();
    c.SetDefaultFrom(clWhite);
    c.SetDefaultTo(RGBColor(175, 190, 209));
    c.SetOverFrom(clWhite);
    c.SetOverTo(RGBColor(118, 148, 190));
    c.SetClickedFrom(RGBColor(214, 207, 198));
    c.SetClickedTo(RGBColor(247, 243, 235));
    c.SetHotTrack(clBlue);
    c.SetBorderColor(clGray);
    c.SetTextShadow(clWhite);
    button.SetFadeSpeed(fsMedium);
    button.SetShowFocusRect(false);
    button.SetHotTrack(false);
    button.SetGradientBorder(false);
    button.SetGradientType(gtVertical);
    button.SetFontColor(clBlack);
    button.setFont(PixelFont(QStringLiteral("MS Sans Serif"), 11));
}

TRbButton* MakeButton(QWidget* parent, const QRect& geometry, const QString& caption, const QString& picture)
{
    auto* button = new TRbButton(parent);
    button->setGeometry(geometry);
    button->SetCaption(caption);
    ApplyButtonLook(*button);
    if (!picture.isEmpty())
        button->SetGlyph(ProgramPicture(picture));
    return button;
}

namespace {
void SetFrame(TRbPanel& panel, int cornerWidth, int borderWidth)
{
    panel.setFocusPolicy(Qt::NoFocus); // a click on a frame leaves the focus where it is
    panel.SetColor(clWhite);
    panel.SetGradient(false);
    panel.SetCornerWidth(cornerWidth);
    panel.SetBorderWidth(borderWidth);
    panel.SetBorderColor(clSilver);
    panel.SetOuterColor(clSilver);
    panel.SetAntialiased(true);
}
} // namespace

void ApplyFramePanelLook(TRbPanel& panel, int cornerWidth, int borderWidth)
{
    panel.BeginLoad();
    SetFrame(panel, cornerWidth, borderWidth);
    panel.SetShowCaption(false);
    panel.EndLoad();
}

void ApplyTitleBarLook(TRbPanel& panel, const QString& caption, int pixels)
{
    ApplyGradientBarLook(panel, RGBColor(16, 132, 208), RGBColor(113, 184, 255));
    panel.BeginLoad();
    panel.SetShowCaption(true);
    panel.SetCaptionPosition(cpMiddleCenter);
    panel.setFont(PixelFont(QStringLiteral("Arial"), pixels, true));
    panel.SetFontColor(clWhite);
    panel.SetTextShadow(false);
    panel.SetCaption(caption);
    panel.EndLoad();
}

void ApplyDialogPanelLook(TRbPanel& panel, const QString& caption)
{
    panel.BeginLoad();
    SetFrame(panel, 25, 7);
    panel.SetCaption(caption);
    panel.SetCaptionPosition(cpTopCenter);
    panel.setFont(PixelFont(QStringLiteral("Arial"), 19, true));
    panel.SetFontColor(clBlack);
    panel.SetTextShadow(true);
    panel.SetTextShadowColor(clWhite);
    panel.EndLoad();
}

void ApplyGradientBarLook(TRbPanel& panel, TColor from, TColor to)
{
    panel.setFocusPolicy(Qt::NoFocus);
    panel.BeginLoad();
    panel.SetAntialiased(false);
    panel.SetGradient(true);
    panel.SetGradientType(gtDoubleVert);
    panel.SetDefaultFrom(from);
    panel.SetDefaultTo(to);
    panel.SetColor(RGBColor(223, 223, 227));
    panel.SetBorderWidth(1);
    panel.SetBorderColor(clGray);
    panel.SetOuterColor(clBtnFace);
    panel.SetCornerWidth(0);
    panel.SetShowCaption(false);
    panel.EndLoad();
}

QImage ProgramPicture(const QString& alias, int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QSvgRenderer renderer(alias);
    QPainter painter(&image);
    renderer.render(&painter);
    return image;
}

} // namespace quill
