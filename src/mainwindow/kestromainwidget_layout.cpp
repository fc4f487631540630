// Placing the panes for each split mode, the window's own layout on resize, full screen and the
// resize bands of the frameless window.
#include "kestromainwidget.h"

#include "hwplaywidget.h"
#include "lucoverwidget.h"
#include "lutitlebar.h"
#include "panelayout.h"
#include "ui_kestromainwidget.h"

#include <QDebug>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QWindow>

#ifdef Q_OS_WIN
#include <windows.h>
#include <windowsx.h>
#endif

namespace {
constexpr int kBandOuter = 2; // the outermost pixels belong to the window manager
constexpr int kBandInner = 6;

} // namespace

void KestroMainWidget::layoutPlayWidgets(QPoint origin, QSize size)
{
    const QList<HWPlayWidget *> all = panes();
    const PaneLayout layout =
        paneLayout(m_splitType, m_channelCount, QRect(origin, size),
                   {all[0]->isKeepRatio(), all[1]->isKeepRatio(), all[2]->isKeepRatio()});
    if (layout.singleChannel) {
        all[0]->setGeometry(layout.rects[0]);
        for (HWPlayWidget *pane : {all[1], all[2]})
            if (pane->isVisible())
                pane->hide();
        return;
    }
    for (int p = 0; p < 3; ++p) {
        if (layout.changesVisibility)
            all[p]->setVisible(layout.visible[size_t(p)]);
        all[p]->setGeometry(layout.rects[size_t(p)]);
    }
}

void KestroMainWidget::layoutWindow()
{
    ui->widget_navigate->setGeometry(0, 0, width(), ui->widget_navigate->height());
    if (m_isFullScreen) {
        layoutPlayWidgets(QPoint(0, 0), size());
        ui->widget_display_cover->setGeometry(rect());
    } else {
        const int top = ui->widget_navigate->height() + 2;
        QWidget *right = ui->widget_right;
        right->setGeometry(width() - right->width(), top, right->width(), height() - top);
        ui->widget_left->setGeometry(0, top, right->geometry().left(), right->height());
        // The display area's geometry comes from the left column's layouts: settle them now
        // rather than on the next event round.
        ui->widget_left->layout()->activate();
        ui->widget_disMan_bg->layout()->activate();
        const QRect display = ui->widget_dispMan->geometry();
        const QRect area(display.left(), display.top() + top, display.width(), display.height());
        layoutPlayWidgets(area.topLeft(), area.size());
        ui->widget_display_cover->setGeometry(area);
        const QRect left = ui->widget_left->geometry();
        ui->label_main_split->setGeometry(left.right(), left.top(), 2, left.height());
        qWarning() << "---->" << area;
    }
    qWarning() << "is full screen " << m_isFullScreen;
}

void KestroMainWidget::resizeEvent(QResizeEvent *event)
{
    qWarning() << "KestroMainWidget::resizeEvent" << __LINE__;
    LuBasicWidget::resizeEvent(event);
    layoutWindow();
}

void KestroMainWidget::showEvent(QShowEvent *event)
{
    qWarning() << "KestroMainWidget::showEvent" << __LINE__;
    LuBasicWidget::showEvent(event);
    layoutWindow();
    // Edge resizing on platforms without native hit-testing goes through the window's events.
    if (windowHandle())
        windowHandle()->installEventFilter(this);
}

void KestroMainWidget::on_pushBtn_pipe_clicked()
{
    if (m_playState == 0 || m_channelCount == 1)
        return;
    if (m_channelCount == 2) {
        if (++m_splitType == 4)
            m_splitType = 1;
    } else if (!(m_splitType == 0 && ui->widget_display_1->isKeepRatio())) {
        ++m_splitType;
        if (m_splitType == 5)
            m_splitType = 0;
        if (m_splitType == 1)
            m_splitType = 2;
    }
    layoutWindow();
}

void KestroMainWidget::on_pushBtn_fullscreen_clicked()
{
    switchFullScreen(!m_isFullScreen);
}

void KestroMainWidget::switchFullScreen(bool on)
{
    QWidget *chrome[] = {ui->widget_left, ui->widget_right, ui->label_main_split,
                         ui->widget_navigate, titleBarWidget()};
    if (on) {
        if (m_playState != 2)
            return;
        qWarning() << "11111restore rect is" << geometry();
        m_isFullScreen = true;
        for (HWPlayWidget *pane : panes())
            pane->isFullScreen = true;
        for (QWidget *widget : chrome)
            widget->hide();
        m_restoreRect = geometry();
        qWarning() << "restore rect is" << m_restoreRect;
        // The window's minimum size is for its controls; without them the pictures may fill a
        // work area smaller than that.
        m_restoreMinimumSize = minimumSize();
        setMinimumSize(0, 0);
        const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
        setGeometry(0, 0, work.width(), work.height());
    } else {
        m_isFullScreen = false;
        for (HWPlayWidget *pane : panes())
            pane->isFullScreen = false;
        for (QWidget *widget : chrome)
            widget->show();
        qWarning() << "....restore rect is" << m_restoreRect;
        setMinimumSize(m_restoreMinimumSize);
        setGeometry(m_restoreRect);
    }
    layoutWindow();
}

Qt::Edges KestroMainWidget::resizeEdgesAt(const QPoint &pos) const
{
    if (m_isFullScreen || childAt(pos) == ui->widget_navigate)
        return {};
    const int W = width(), H = height(), px = pos.x(), py = pos.y();
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

bool KestroMainWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != windowHandle() ||
        (event->type() != QEvent::MouseMove && event->type() != QEvent::MouseButtonPress))
        return LuBasicWidget::eventFilter(watched, event);
    const auto *mouse = static_cast<QMouseEvent *>(event);
    const Qt::Edges edges = mouse->buttons() == Qt::NoButton || event->type() == QEvent::MouseButtonPress
                                ? resizeEdgesAt(mouse->pos())
                                : Qt::Edges();
    // Show the resize cursor while the pointer is in a band.
    static bool overridden = false;
    if (event->type() == QEvent::MouseMove && mouse->buttons() == Qt::NoButton) {
        Qt::CursorShape shape = Qt::ArrowCursor;
        if (edges == (Qt::LeftEdge | Qt::TopEdge) || edges == (Qt::RightEdge | Qt::BottomEdge))
            shape = Qt::SizeFDiagCursor;
        else if (edges == (Qt::RightEdge | Qt::TopEdge) || edges == (Qt::LeftEdge | Qt::BottomEdge))
            shape = Qt::SizeBDiagCursor;
        else if (edges & (Qt::LeftEdge | Qt::RightEdge))
            shape = Qt::SizeHorCursor;
        else if (edges & (Qt::TopEdge | Qt::BottomEdge))
            shape = Qt::SizeVerCursor;
        if (edges && !overridden) {
            QGuiApplication::setOverrideCursor(shape);
            overridden = true;
        } else if (edges && overridden) {
            QGuiApplication::changeOverrideCursor(shape);
        } else if (!edges && overridden) {
            QGuiApplication::restoreOverrideCursor();
            overridden = false;
        }
    }
    if (event->type() == QEvent::MouseButtonPress && mouse->button() == Qt::LeftButton && edges &&
        windowHandle()->startSystemResize(edges))
        return true;
    return LuBasicWidget::eventFilter(watched, event);
}

bool KestroMainWidget::nativeEvent(const QByteArray &eventType, void *message, long *result)
{
#ifdef Q_OS_WIN
    if (m_isFullScreen)
        return false;
    const MSG *msg = static_cast<MSG *>(message);
    if (msg->message == WM_NCHITTEST) {
        const QPoint pos = QPoint(GET_X_LPARAM(msg->lParam), GET_Y_LPARAM(msg->lParam)) -
                           frameGeometry().topLeft();
        const Qt::Edges edges = resizeEdgesAt(pos);
        if (edges) {
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
        }
    }
#endif
    return LuBasicWidget::nativeEvent(eventType, message, result);
}
