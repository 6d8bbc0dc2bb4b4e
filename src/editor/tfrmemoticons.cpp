#include "editor/tfrmemoticons.h"

#include "editor/window_drag.h"
#include "platform/clipboard.h"
#include "ui/windowlook.h"

#include <QPainter>
#include <QSvgRenderer>

#include <array>

namespace quill {

TfrmEmoticons* frmEmoticons = nullptr;

namespace {

// One emoticon of the picker: its control, where it sits on the middle panel, the size
// of its picture in pixels and the name the label shows. The table is in tag order.
struct Emoticon {
    TImage* TfrmEmoticons::*control;
    int left;
    int top;
    int width;
    int height;
    const char* name;
};

constexpr std::array<Emoticon, TfrmEmoticons::kEmoticons> kEmoticons{{
    {&TfrmEmoticons::Image2, 24, 24, 21, 21, "Angry   :x"},
    {&TfrmEmoticons::Image23, 56, 24, 21, 21, "Smiley   :)"},
    {&TfrmEmoticons::Image5, 88, 24, 21, 21, "Tongue   :p or :P"},
    {&TfrmEmoticons::Image7, 120, 24, 21, 21, "Laugh out Loud   :lol:"},
    {&TfrmEmoticons::Image26, 152, 24, 20, 20, "Puke or Sick   +o("},
    {&TfrmEmoticons::Image9, 184, 24, 21, 21, "Oh My!   :o"},
    {&TfrmEmoticons::Image10, 216, 24, 21, 21, "Unsure or Confused   :s or :?"},
    {&TfrmEmoticons::Image11, 248, 24, 21, 21, "Wacko   x)"},
    {&TfrmEmoticons::Image13, 280, 24, 21, 21, "ph34r"},
    {&TfrmEmoticons::Image27, 344, 24, 20, 22, "Crying   :'("},
    {&TfrmEmoticons::Image29, 312, 24, 21, 21, "Mellow or Uninterested   :|"},
    {&TfrmEmoticons::Image28, 376, 24, 20, 20, "Question"},
    {&TfrmEmoticons::Image3, 24, 72, 22, 26, "Sad   :("},
    {&TfrmEmoticons::Image4, 56, 72, 22, 26, "Big Smile!   :D"},
    {&TfrmEmoticons::Image6, 88, 72, 23, 22, "Cool   8)"},
    {&TfrmEmoticons::Image8, 120, 72, 22, 26, "Wink   ;)"},
    {&TfrmEmoticons::Image12, 152, 72, 22, 30, "Crazy   8x)"},
    {&TfrmEmoticons::Image14, 184, 72, 22, 26, "Nea"},
    {&TfrmEmoticons::Image15, 216, 72, 23, 25, "Sarcastic"},
    {&TfrmEmoticons::Image16, 252, 72, 31, 26, "Bye-Bye"},
    {&TfrmEmoticons::Image25, 285, 72, 40, 27, "Dancing"},
    {&TfrmEmoticons::Image24, 333, 72, 36, 26, "Pardon"},
    {&TfrmEmoticons::Image1, 376, 72, 22, 26, "Happy Smile   :)"},
    {&TfrmEmoticons::Image17, 48, 128, 45, 27, "Hello"},
    {&TfrmEmoticons::Image18, 104, 128, 54, 30, "Let's drink on that"},
    {&TfrmEmoticons::Image20, 168, 128, 43, 26, "Praise"},
    {&TfrmEmoticons::Image22, 224, 128, 27, 25, "Bomb"},
    {&TfrmEmoticons::Image21, 264, 128, 34, 24, "Yahoo!"},
    {&TfrmEmoticons::Image19, 320, 128, 51, 45, "Truce or Surrender"},
}};

const Emoticon* EmoticonEntry(int tag)
{
    if (tag < 1 || tag > TfrmEmoticons::kEmoticons)
        return nullptr;
    return &kEmoticons[static_cast<std::size_t>(tag - 1)];
}

} // namespace

TfrmEmoticons::TfrmEmoticons(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setWindowTitle(QStringLiteral("Emotional Icons"));
    setFixedSize(427, 312);

    RbPanel3 = new TRbPanel(this);
    RbPanel3->setGeometry(0, 0, 427, 45);
    ApplyTitleBarLook(*RbPanel3, QStringLiteral("Emotional Icons"), 29);
    drag_ = new WindowDrag(RbPanel3);
    connect(RbPanel3, &TRbPanel::OnMouseDown, this, &TfrmEmoticons::RbPanel3MouseDown);

    RbPanel1 = new TRbPanel(this);
    RbPanel1->setGeometry(0, 45, 427, 222);
    ApplyFramePanelLook(*RbPanel1, 25, 3);

    for (int tag = 1; tag <= kEmoticons; ++tag) {
        const Emoticon& entry = *EmoticonEntry(tag);
        auto* image = new TImage(RbPanel1);
        image->SetTag(tag);
        image->SetAutoSize(true);
        image->SetPicture(EmoticonPicture(tag));
        image->move(entry.left, entry.top);
        image->setCursor(Qt::PointingHandCursor);
        connect(image, &TImage::OnMouseMove, this, [this, image] { Image2MouseMove(image); });
        connect(image, &TImage::OnClick, this, [this, image] { Image2Click(image); });
        this->*entry.control = image;
    }

    Label1 = new QLabel(RbPanel1);
    Label1->setGeometry(10, 184, 405, 22);
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setFont(PixelFont(QStringLiteral("Arial"), 19));
    Label1->setStyleSheet(QStringLiteral("color: black; background: transparent;"));

    RbPanel2 = new TRbPanel(this);
    RbPanel2->setGeometry(0, 267, 427, 45);
    ApplyGradientBarLook(*RbPanel2, RGBColor(0, 159, 0), RGBColor(3, 199, 82));
    btnClose = MakeButton(RbPanel2, QRect(328, 10, 75, 25), QStringLiteral("Close"), QStringLiteral(":/buttons/close"));
    connect(btnClose, &TRbButton::OnClick, this, &TfrmEmoticons::btnCloseClick);

    FormCreate();
}

TfrmEmoticons::~TfrmEmoticons()
{
    if (frmEmoticons == this)
        frmEmoticons = nullptr;
}

TImage* TfrmEmoticons::EmoticonOfTag(int tag) const
{
    const Emoticon* entry = EmoticonEntry(tag);
    return entry ? this->*entry->control : nullptr;
}

QString TfrmEmoticons::EmoticonName(int tag)
{
    const Emoticon* entry = EmoticonEntry(tag);
    return entry ? QString::fromUtf8(entry->name) : QString();
}

QImage TfrmEmoticons::EmoticonPicture(int tag)
{
    const Emoticon* entry = EmoticonEntry(tag);
    if (!entry)
        return {};
    QImage picture(entry->width, entry->height, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    QSvgRenderer drawing(QStringLiteral(":/emoticons/%1").arg(tag, 2, 10, QLatin1Char('0')));
    QPainter painter(&picture);
    drawing.render(&painter, QRectF(0, 0, entry->width, entry->height));
    return picture;
}

void TfrmEmoticons::FormCreate()
{
    EmoticonChosen = false;
}

void TfrmEmoticons::showEvent(QShowEvent* event)
{
    if (QWidget* main = parentWidget() ? parentWidget()->window() : nullptr)
        move(main->geometry().center() - rect().center());
    QDialog::showEvent(event);
}

void TfrmEmoticons::Image2MouseMove(const TImage* sender)
{
    const QString name = EmoticonName(sender->Tag());
    if (!name.isEmpty())
        Label1->setText(name);
}

void TfrmEmoticons::Image2Click(const TImage* sender)
{
    const TImage* image = EmoticonOfTag(sender->Tag());
    if (!image)
        return;
    EmoticonChosen = true;
    PutImageOnClipboard(image->Picture());
    close();
}

void TfrmEmoticons::btnCloseClick()
{
    close();
}

void TfrmEmoticons::RbPanel3MouseDown(Qt::MouseButton, Qt::KeyboardModifiers, int x, int y)
{
    drag_->Begin(QPoint(x, y));
}

} // namespace quill
