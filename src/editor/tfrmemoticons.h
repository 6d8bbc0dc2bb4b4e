#pragma once

#include "editor/timage.h"
#include "ui/rbbutton.h"
#include "ui/rbpanel.h"

#include <QDialog>
#include <QLabel>

namespace quill {

class WindowDrag;

// The emoticon picker: 29 small pictures of faces and gestures. Pointing at one shows its
// name and shorthand; clicking one puts the picture on the clipboard, marks the choice and
// closes, and the main window pastes it. Created once at start, hidden between uses.
class TfrmEmoticons : public QDialog {
    Q_OBJECT

public:
    static constexpr int kEmoticons = 29;

    explicit TfrmEmoticons(QWidget* parent = nullptr);
    ~TfrmEmoticons() override;

    TRbPanel* RbPanel3;
    TRbPanel* RbPanel1;
    TImage *Image1, *Image2, *Image3, *Image4, *Image5, *Image6, *Image7, *Image8, *Image9, *Image10, *Image11,
        *Image12, *Image13, *Image14, *Image15, *Image16, *Image17, *Image18, *Image19, *Image20, *Image21,
        *Image22, *Image23, *Image24, *Image25, *Image26, *Image27, *Image28, *Image29;
    QLabel* Label1;
    TRbPanel* RbPanel2;
    TRbButton* btnClose;

    // Set by a click on an emoticon; the main window clears it after each use.
    bool EmoticonChosen = false;

    // The picture control of a tag (1 to 29), null for any other tag.
    TImage* EmoticonOfTag(int tag) const;
    // The name and shorthand shown for a tag ("Angry   :x"); empty for a tag outside 1 to 29.
    static QString EmoticonName(int tag);
    // The picture of a tag, drawn at its own size in pixels.
    static QImage EmoticonPicture(int tag);

    void FormCreate();
    void Image2MouseMove(const TImage* sender);
    void Image2Click(const TImage* sender);
    void btnCloseClick();
    void RbPanel3MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);

protected:
    void showEvent(QShowEvent* event) override;

private:
    WindowDrag* drag_; // owned by RbPanel3
};

extern TfrmEmoticons* frmEmoticons;

} // namespace quill
