#pragma once

#include <QImage>
#include <QWidget>

namespace quill {

// A picture control: shows its picture at its own pixel size, blended by the picture's alpha
// channel over what lies behind, and reports the mouse moving over it and clicks (left
// button pressed and released on it). With AutoSize it takes the picture's size.
class TImage : public QWidget {
    Q_OBJECT

public:
    explicit TImage(QWidget* parent = nullptr);

    const QImage& Picture() const { return picture_; }
    void SetPicture(const QImage& picture);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    // The number that tells the controls sharing one handler apart.
    int Tag() const { return tag_; }
    void SetTag(int tag) { tag_ = tag; }

Q_SIGNALS:
    void OnClick();
    void OnMouseMove(Qt::KeyboardModifiers shift, int x, int y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QImage picture_;
    bool autoSize_ = false;
    bool pressed_ = false;
    int tag_ = 0;
};

} // namespace quill
