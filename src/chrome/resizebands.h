#pragma once

#include <QObject>
#include <QPoint>

#include <functional>

class QWidget;

// A frameless window resizes from a narrow band along its edges: the cursor shows the
// direction there and a press starts the window system's resize. Where the grip widget (the
// navigation strip) lies under the pointer, the strip takes it instead.
class ResizeBands : public QObject
{
    Q_OBJECT

public:
    ResizeBands(QWidget *window, QWidget *grip, std::function<bool()> suspended);

    // The bands under a point in window coordinates (none while suspended, e.g. full screen).
    Qt::Edges edgesAt(const QPoint &pos) const;
    // Once the window has its native window: edge resizing on platforms without native
    // hit-testing goes through that window's events.
    void watchWindowHandle();
    // Windows' hit-test message answered with the resize codes of the bands; false for any
    // other message and on other platforms.
    bool nativeHitTest(void *message, long *result) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_window;
    QWidget *m_grip;
    std::function<bool()> m_suspended;
    bool m_cursorOverridden = false;
};
