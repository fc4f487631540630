#include "resizebands.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

#ifdef Q_OS_WIN
#include <windows.h>
#include <windowsx.h>
#endif

namespace {
constexpr int kBandOuter = 2; // the outermost pixels belong to the window manager
constexpr int kBandInner = 6;

Qt::CursorShape cursorFor(Qt::Edges edges)
{
    if (edges == (Qt::LeftEdge | Qt::TopEdge) || edges == (Qt::RightEdge | Qt::BottomEdge))
        return Qt::SizeFDiagCursor;
    if (edges == (Qt::RightEdge | Qt::TopEdge) || edges == (Qt::LeftEdge | Qt::BottomEdge))
        return Qt::SizeBDiagCursor;
    if (edges & (Qt::LeftEdge | Qt::RightEdge))
        return Qt::SizeHorCursor;
    if (edges & (Qt::TopEdge | Qt::BottomEdge))
        return Qt::SizeVerCursor;
    return Qt::ArrowCursor;
}
} // namespace

ResizeBands::ResizeBands(QWidget *window, QWidget *grip, std::function<bool()> suspended)
    : QObject(window), m_window(window), m_grip(grip), m_suspended(std::move(suspended))
{
}

Qt::Edges ResizeBands::edgesAt(const QPoint &pos) const
{
    if ((m_suspended && m_suspended()) || m_window->childAt(pos) == m_grip)
        return {};
    const int W = m_window->width(), H = m_window->height(), px = pos.x(), py = pos.y();
    Qt::Edges edges;
    if (px >= kBandOuter && px < kBandInner)
        edges |= Qt::LeftEdge;
    if (px > W - kBandInner && px < W - 1)
        edges |= Qt::RightEdge;
    if (py >= kBandOuter && py < kBandInner)
        edges |= Qt::TopEdge;
    if (py > H - kBandInner && py < H - 1)
        edges |= Qt::BottomEdge;
    return edges;
}

void ResizeBands::watchWindowHandle()
{
    if (QWindow *handle = m_window->windowHandle())
        handle->installEventFilter(this);
}

bool ResizeBands::eventFilter(QObject *watched, QEvent *event)
{
    QWindow *handle = m_window->windowHandle();
    if (watched != handle ||
        (event->type() != QEvent::MouseMove && event->type() != QEvent::MouseButtonPress))
        return QObject::eventFilter(watched, event);
    const auto *mouse = static_cast<QMouseEvent *>(event);
    const bool press = event->type() == QEvent::MouseButtonPress;
    const Qt::Edges edges =
        mouse->buttons() == Qt::NoButton || press ? edgesAt(mouse->pos()) : Qt::Edges();
    // Show the resize cursor while the pointer is in a band.
    if (!press && mouse->buttons() == Qt::NoButton) {
        if (edges && !m_cursorOverridden) {
            QGuiApplication::setOverrideCursor(cursorFor(edges));
            m_cursorOverridden = true;
        } else if (edges) {
            QGuiApplication::changeOverrideCursor(cursorFor(edges));
        } else if (m_cursorOverridden) {
            QGuiApplication::restoreOverrideCursor();
            m_cursorOverridden = false;
        }
    }
    if (press && mouse->button() == Qt::LeftButton && edges && handle->startSystemResize(edges))
        return true;
    return QObject::eventFilter(watched, event);
}

bool ResizeBands::nativeHitTest(void *message, long *result) const
{
#ifdef Q_OS_WIN
    const MSG *msg = static_cast<MSG *>(message);
    if (msg->message != WM_NCHITTEST)
        return false;
    const QPoint pos = QPoint(GET_X_LPARAM(msg->lParam), GET_Y_LPARAM(msg->lParam)) -
                       m_window->frameGeometry().topLeft();
    const Qt::Edges edges = edgesAt(pos);
    if (!edges)
        return false;
    const bool left = edges & Qt::LeftEdge, right = edges & Qt::RightEdge;
    const bool top = edges & Qt::TopEdge, bottom = edges & Qt::BottomEdge;
    *result = right && bottom ? HTBOTTOMRIGHT
              : left && bottom ? HTBOTTOMLEFT
              : right && top   ? HTTOPRIGHT
              : left && top    ? HTTOPLEFT
              : bottom         ? HTBOTTOM
              : top            ? HTTOP
              : right          ? HTRIGHT
                               : HTLEFT;
    return true;
#else
    Q_UNUSED(message)
    Q_UNUSED(result)
    return false;
#endif
}
