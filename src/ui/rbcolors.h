#pragma once

#include "platform/syscolors.h"

#include <functional>

namespace quill {

class TRbCustomControl;

// The gradient colours of a styled control. A setter that changes a colour reports it
// through Changed; setting a colour to the value it has reports nothing.
class TRbCustomColors {
public:
    virtual ~TRbCustomColors() = default;
    TRbCustomColors(const TRbCustomColors&) = delete;
    TRbCustomColors& operator=(const TRbCustomColors&) = delete;

    TColor DefaultFrom() const { return defaultFrom_; }
    TColor DefaultTo() const { return defaultTo_; }
    TColor OverFrom() const { return overFrom_; }
    TColor OverTo() const { return overTo_; }
    void SetDefaultFrom(TColor value) { Store(defaultFrom_, value); }
    void SetDefaultTo(TColor value) { Store(defaultTo_, value); }
    void SetOverFrom(TColor value) { Store(overFrom_, value); }
    void SetOverTo(TColor value) { Store(overTo_, value); }

    // Copies the four base colours of source, reporting no change.
    virtual void Assign(const TRbCustomColors& source);

protected:
    TRbCustomColors(TColor defaultFrom, TColor defaultTo, TColor overFrom, TColor overTo);
    virtual void Changed() = 0;
    void Store(TColor& field, TColor value);

private:
    TColor defaultFrom_;
    TColor defaultTo_;
    TColor overFrom_;
    TColor overTo_;
};

// The colours of a button or check box. Gradient and border changes make the owner rebuild
// its pictures (ColorsChanged); HotTrack and TextShadow changes only repaint it.
class TRbControlColors : public TRbCustomColors {
public:
    explicit TRbControlColors(TRbCustomControl* owner = nullptr);

    TRbCustomControl* Owner() const { return owner_; }

    TColor ClickedFrom() const { return clickedFrom_; }
    TColor ClickedTo() const { return clickedTo_; }
    TColor HotTrack() const { return hotTrack_; }
    TColor BorderColor() const { return borderColor_; }
    TColor TextShadow() const { return textShadow_; }
    void SetClickedFrom(TColor value) { Store(clickedFrom_, value); }
    void SetClickedTo(TColor value) { Store(clickedTo_, value); }
    void SetBorderColor(TColor value) { Store(borderColor_, value); }
    void SetHotTrack(TColor value) { StoreAndRepaint(hotTrack_, value); }
    void SetTextShadow(TColor value) { StoreAndRepaint(textShadow_, value); }

    // From another TRbControlColors all nine colours, else the four base ones; no report.
    void Assign(const TRbCustomColors& source) override;

protected:
    void Changed() override;

private:
    void StoreAndRepaint(TColor& field, TColor value);

    TRbCustomControl* owner_;
    TColor clickedFrom_ = 0x00C6CFD6;
    TColor clickedTo_ = 0x00EBF3F7;
    TColor hotTrack_ = clBlue;
    TColor borderColor_ = clGray;
    TColor textShadow_ = clWhite;
};

// The colours of a splitter; a change runs the owner's rebuild, when there is one.
class TRbSplitterColors : public TRbCustomColors {
public:
    explicit TRbSplitterColors(std::function<void()> rebuild = {});

protected:
    void Changed() override;

private:
    std::function<void()> rebuild_;
};

} // namespace quill
