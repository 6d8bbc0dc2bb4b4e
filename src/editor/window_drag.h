#pragma once

#include <QObject>
#include <QPoint>

#include <optional>

class QWidget;

namespace quill {

// Moves a borderless window by one of its controls, as a title bar does: a press on the
// control hands the window to the system's move loop, and where the platform has none the
// window follows the mouse itself until the button is released.
class WindowDrag : public QObject {
    Q_OBJECT

public:
    // Owned by `handle`, whose window it moves.
    explicit WindowDrag(QWidget* handle);

    // Starts the move for a button pressed at `pressed` (in the handle's coordinates).
    void Begin(const QPoint& pressed);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* handle_;
    std::optional<QPoint> grab_; // the pressed point in the window, while following the mouse
};

} // namespace quill
