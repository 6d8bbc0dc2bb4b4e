#pragma once

#include "ui/rbbutton.h"
#include "ui/rbpanel.h"

#include <QFont>
#include <QImage>
#include <QString>

namespace quill {

// The looks the program's windows share.

// A font of a pixel height, as the window layouts give their fonts.
QFont PixelFont(const QString& face, int pixels, bool bold = false);

// The colour set every styled button of the main window and of its dialogs shares.
void ApplyButtonLook(TRbButton& button);

// A white panel with a smooth silver frame, without caption. Like every panel of the
// program's windows it never takes the keyboard focus.
void ApplyFramePanelLook(TRbPanel& panel, int cornerWidth, int borderWidth);

// A styled button of the shared look at `geometry` on `parent`, with a caption and, when
// `picture` is not empty, one of the program's pictures.
TRbButton* MakeButton(QWidget* parent, const QRect& geometry, const QString& caption, const QString& picture);

// The white, silver-framed panel that fills each small dialog, with its caption at the top.
void ApplyDialogPanelLook(TRbPanel& panel, const QString& caption);

// A bar across the main window: a double vertical gradient in a thin grey frame.
void ApplyGradientBarLook(TRbPanel& panel, TColor from, TColor to);

// The blue title bar of a window: the bar look with `caption` centred in white bold Arial
// of `pixels` height, without shadow.
void ApplyTitleBarLook(TRbPanel& panel, const QString& caption, int pixels);

// A 16 x 16 picture of the program (":/buttons/ok", ":/icons/imagelist/04", ...).
QImage ProgramPicture(const QString& alias, int size = 16);

} // namespace quill
