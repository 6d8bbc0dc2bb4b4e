#include "ui/rbstylemanager.h"

namespace quill {

TRbStyleManager::TRbStyleManager(QObject* parent)
    : QObject(parent)
{
}

TRbStyleManager::~TRbStyleManager()
{
    destroying_ = true;
    for (TRbCustomControl* control : linkedControls_)
        control->styleManager_ = nullptr;
}

void TRbStyleManager::LinkControl(TRbCustomControl* control)
{
    if (control && !linkedControls_.contains(control))
        linkedControls_.append(control);
}

void TRbStyleManager::UnlinkControl(TRbCustomControl* control)
{
    if (!destroying_)
        linkedControls_.removeOne(control);
}

void TRbStyleManager::Assign(const TRbStyleManager& source)
{
    colors_.Assign(source.colors_);
    splitterColors_.Assign(source.splitterColors_);
    showFocusRect_ = source.showFocusRect_;
    hotTrack_ = source.hotTrack_;
    gradientBorder_ = source.gradientBorder_;
    checkColor_ = source.checkColor_;
    font_ = source.font_;
    fadeSpeed_ = source.fadeSpeed_;
    panelColor_ = source.panelColor_;
    borderColor_ = source.borderColor_;
    textShadow_ = source.textShadow_;
}

} // namespace quill
