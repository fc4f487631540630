// Placing the panes for each split mode, the window's own layout on resize, and full screen.
#include "kestromainwidget.h"

#include "archivepanel.h"
#include "hwplaywidget.h"
#include "lucoverwidget.h"
#include "lutitlebar.h"
#include "mainwindowlog.h"
#include "panelayout.h"
#include "playbacksession.h"
#include "resizebands.h"
#include "ui_kestromainwidget.h"

#include <QDebug>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>


void KestroMainWidget::layoutPlayWidgets(QPoint origin, QSize size)
{
    const QList<HWPlayWidget *> all = panes();
    const int channels = m_session->channelCount();
    const QRect area(origin, size);
    PaneLayout layout =
        paneLayout(m_splitType, channels, area,
                   {all[0]->isKeepRatio(), all[1]->isKeepRatio(), all[2]->isKeepRatio()},
                   paneCameras());
    // A pane chosen by a double-click takes the whole area; the others wait hidden.
    if (m_soloPane >= 0 && m_soloPane < channels && channels > 3) {
        for (int p = 0; p < kMaxPanes; ++p)
            layout.visible[size_t(p)] = p == m_soloPane;
        layout.rects[size_t(m_soloPane)] = area;
    }
    if (layout.singleChannel) {
        all[0]->setGeometry(layout.rects[0]);
        for (int p = 1; p < all.size(); ++p)
            if (all[p]->isVisible())
                all[p]->hide();
        return;
    }
    for (int p = 0; p < all.size(); ++p) {
        if (p >= 3 && p >= channels) {
            // Panes beyond the three layouts of fewer channels only show the car's cameras.
            if (all[p]->isVisible())
                all[p]->hide();
            continue;
        }
        if (layout.changesVisibility)
            all[p]->setVisible(layout.visible[size_t(p)]);
        all[p]->setGeometry(layout.rects[size_t(p)]);
    }
}

void KestroMainWidget::paneDoubleClicked(HWPlayWidget *pane)
{
    if (m_session->channelCount() <= 3) {
        on_pushBtn_fullscreen_clicked();
        return;
    }
    const int index = panes().indexOf(pane);
    m_soloPane = m_soloPane == index ? -1 : index;
    layoutWindow();
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
    }
}

void KestroMainWidget::resizeEvent(QResizeEvent *event)
{
    qCDebug(lcMainWindow) << "KestroMainWidget::resizeEvent" << __LINE__;
    LuBasicWidget::resizeEvent(event);
    layoutWindow();
}

void KestroMainWidget::showEvent(QShowEvent *event)
{
    qCDebug(lcMainWindow) << "KestroMainWidget::showEvent" << __LINE__;
    LuBasicWidget::showEvent(event);
    layoutWindow();
    m_resizeBands->watchWindowHandle();
    // The archive opens its database on its own thread once the window is up.
    QTimer::singleShot(0, m_archive, &ArchivePanel::start);
}

void KestroMainWidget::on_pushBtn_pipe_clicked()
{
    if (m_session->state() == PlaybackSession::Stopped)
        return;
    m_splitType = nextSplitType(m_splitType, m_session->channelCount(),
                                ui->widget_display_1->isKeepRatio());
    m_soloPane = -1;
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
        if (m_session->state() != PlaybackSession::Playing)
            return;
        m_isFullScreen = true;
        for (HWPlayWidget *pane : panes())
            pane->isFullScreen = true;
        for (QWidget *widget : chrome)
            widget->hide();
        m_restoreRect = geometry();
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
        setMinimumSize(m_restoreMinimumSize);
        setGeometry(m_restoreRect);
    }
    layoutWindow();
}

Qt::Edges KestroMainWidget::resizeEdgesAt(const QPoint &pos) const
{
    return m_resizeBands->edgesAt(pos);
}

bool KestroMainWidget::nativeEvent(const QByteArray &eventType, void *message, long *result)
{
    return m_resizeBands->nativeHitTest(message, result) ||
           LuBasicWidget::nativeEvent(eventType, message, result);
}
