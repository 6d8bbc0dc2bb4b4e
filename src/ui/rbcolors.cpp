#include "ui/rbcolors.h"

#include "ui/rbcustomcontrol.h"

namespace quill {

TRbCustomColors::TRbCustomColors(TColor defaultFrom, TColor defaultTo, TColor overFrom, TColor overTo)
    : defaultFrom_(defaultFrom), defaultTo_(defaultTo), overFrom_(overFrom), overTo_(overTo)
{
}

void TRbCustomColors::Store(TColor& field, TColor value)
{
    if (field == value)
        return;
    field = value;
    Changed();
}

void TRbCustomColors::Assign(const TRbCustomColors& source)
{
    defaultFrom_ = source.defaultFrom_;
    defaultTo_ = source.defaultTo_;
    overFrom_ = source.overFrom_;
    overTo_ = source.overTo_;
}

TRbControlColors::TRbControlColors(TRbCustomControl* owner)
    : TRbCustomColors(clWhite, 0x00D1BEAF, clWhite, 0x00BE9476), owner_(owner)
{
}

void TRbControlColors::Assign(const TRbCustomColors& source)
{
    TRbCustomColors::Assign(source);
    if (const auto* colors = dynamic_cast<const TRbControlColors*>(&source)) {
        clickedFrom_ = colors->clickedFrom_;
        clickedTo_ = colors->clickedTo_;
        hotTrack_ = colors->hotTrack_;
        borderColor_ = colors->borderColor_;
        textShadow_ = colors->textShadow_;
    }
}

void TRbControlColors::Changed()
{
    if (owner_)
        owner_->ColorsChanged();
}

void TRbControlColors::StoreAndRepaint(TColor& field, TColor value)
{
    if (field == value)
        return;
    field = value;
    if (owner_)
        owner_->update();
}

TRbSplitterColors::TRbSplitterColors(std::function<void()> rebuild)
    : TRbCustomColors(clBtnFace, clBtnFace, clWhite, 0x00BE9476), rebuild_(std::move(rebuild))
{
}

void TRbSplitterColors::Changed()
{
    if (rebuild_)
        rebuild_();
}

} // namespace quill
