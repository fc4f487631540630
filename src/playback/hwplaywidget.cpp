#include "hwplaywidget.h"

#include "playbacklog.h"
#include "playlabel.h"
#include "ui_hwplaywidget.h"

#include <QDebug>
#include <QFile>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QWheelEvent>

HWPlayWidget::HWPlayWidget(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::HWPlayWidget)
{
    // The pane is black around the picture; a plain QWidget draws its style-sheet
    // background only with this attribute.
    setAttribute(Qt::WA_StyledBackground);
    ui->setupUi(this); // throws when libmpv cannot start
    zoomLevel = 0;
    playState = 0;
    keepRatio = true;
    playLabel = ui->label_play;

    connect(playLabel, &PlayLabel::sigSetVideoRange, this, &HWPlayWidget::slotSetVideoRange);
    connect(playLabel, &PlayLabel::sigProgressChange, this, &HWPlayWidget::slotSetProgress);
    connect(playLabel, &PlayLabel::sigPlayFinish, this, &HWPlayWidget::slotPlayEnd);
    connect(playLabel, &PlayLabel::sigPlayFailed, this, &HWPlayWidget::playFailedSignal);
    connect(playLabel, &PlayLabel::sigPlaybackRestart, this, &HWPlayWidget::slotPlaybackRestart);
    connect(playLabel, &PlayLabel::sigCommandReplay, this, &HWPlayWidget::commandReplySignal);
    connect(playLabel, &PlayLabel::sigEndHeld, this, &HWPlayWidget::endHeldSignal);
    connect(playLabel, &PlayLabel::sigUpdateFileAttribute, this,
            &HWPlayWidget::slotUpdateFileAttribute);

    ui->widget_zoom->hide();
}

HWPlayWidget::~HWPlayWidget() = default;

void HWPlayWidget::openFile(QString path)
{
    qCDebug(lcPlayback) << "HWPlayWidget::openFile" << __LINE__ << path;
    playLabel->on_file_open(path);
    playLabel->on_file_contiue(); // a paused player starts with the new file
}

void HWPlayWidget::continueWith(const QString &path)
{
    qCDebug(lcPlayback) << "HWPlayWidget::continueWith" << __LINE__ << path;
    playLabel->replaceFile(path);
}

void HWPlayWidget::stopVideo()
{
    playLabel->on_file_close();
    qCDebug(lcPlayback) << "HWPlayWidget::stopVideo" << __LINE__;
    previewPath.clear();
    playState = 0;
    showZoomLevel();
}

bool HWPlayWidget::hasFile() const
{
    return playLabel->hasFile();
}

void HWPlayWidget::pauseVideo()
{
    playLabel->on_file_pause();
}

void HWPlayWidget::continueVideo()
{
    playLabel->on_file_contiue();
}

void HWPlayWidget::seek(int seconds)
{
    playLabel->on_file_seek(seconds);
}

void HWPlayWidget::setSpeed(float factor)
{
    playLabel->on_file_Speed(factor);
}

void HWPlayWidget::setVolume(int volume)
{
    playLabel->on_file_volume(volume);
}

void HWPlayWidget::setKeepRatio(bool keep)
{
    playLabel->on_file_Scale(keep);
    keepRatio = keep;
    showZoomLevel(); // the mode's own zoom is back
}

bool HWPlayWidget::snapshot(QString path)
{
    playLabel->shotImage(path);
    return true;
}

void HWPlayWidget::showZoomLevel()
{
    // Always the zoom the player applies, in its half steps; nothing at the mode's own zoom.
    zoomLevel = qRound(playLabel->zoomValue() * 2.0f);
    if (zoomLevel <= 0) {
        hideZoomLevel();
        return;
    }
    ui->label_zoom->setText(QString::asprintf("%dX", zoomLevel));
    ui->widget_zoom->show();
    ui->widget_zoom->raise();
}

void HWPlayWidget::hideZoomLevel()
{
    zoomLevel = 0;
    ui->label_zoom->clear();
    ui->widget_zoom->hide();
}

void HWPlayWidget::zoomIn()
{
    if (playState != 1)
        return;
    playLabel->on_file_zoom_in();
    showZoomLevel();
}

void HWPlayWidget::on_pushBtn_zoomMin_clicked()
{
    qCDebug(lcPlayback) << "HWPlayWidget::on_pushBtn_zoomMin_clicked" << __LINE__;
    if (playState == 1)
        playLabel->on_file_zoom_out();
    showZoomLevel();
}

void HWPlayWidget::startVideo()
{
    // The first frame shown becomes the recording's preview; an existing one is kept.
    if (!previewPath.isEmpty() && !QFile::exists(previewPath))
        playLabel->shotImage(previewPath);
    qCDebug(lcPlayback) << "HWPlayWidget::startVideo" << __LINE__;
    setVisible(true);
    playState = 1;
    emit playStartSignal();
}

void HWPlayWidget::slotPlaybackRestart()
{
    startVideo();
}

void HWPlayWidget::on_HWPlayWidget_customContextMenuRequested(QPoint pos)
{
    Q_UNUSED(pos)
    emit showCustomMenuSignal(this);
}

void HWPlayWidget::slotSetProgress(float _progres)
{
    emit updateVideoProgressSignal(_progres);
}

void HWPlayWidget::slotSetVideoRange(float _range)
{
    emit updateVideoDurationSignal(_range);
}

void HWPlayWidget::slotPlayEnd()
{
    emit playEndSignal();
}

void HWPlayWidget::slotUpdateFileAttribute(int64_t filesize, int width, int height)
{
    emit sigUpdateFileAttribute(filesize, width, height);
}

void HWPlayWidget::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    qCDebug(lcPlayback) << "HWPlayWidget::mouseDoubleClickEvent" << event->buttons();
    emit enterFullscreenSignal();
}

void HWPlayWidget::wheelEvent(QWheelEvent *event)
{
    const int delta = event->angleDelta().y();
    qCDebug(lcPlayback) << "is whell event" << delta;
    if (playState != 1)
        return;
    // One event is one step, however far the wheel turned.
    if (delta > 0)
        zoomIn();
    else
        on_pushBtn_zoomMin_clicked();
    event->accept();
}

void HWPlayWidget::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    qCDebug(lcPlayback) << "key is" << key;
    switch (key) {
    case Qt::Key_Escape:
        if (isFullScreen)
            emit enterFullscreenSignal(); // the main window toggles back
        break;
    case Qt::Key_Space:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_BracketLeft:
    case Qt::Key_BracketRight:
    case Qt::Key_I:
    case Qt::Key_O:
        emit playWidgetKeyEventSignal(key);
        break;
    case Qt::Key_P:
        emit changePipeSignal();
        break;
    default:
        break;
    }
}

void HWPlayWidget::resizeEvent(QResizeEvent *event)
{
    Q_UNUSED(event)
    // The picture keeps the player's zoom, and so does the indicator.
    const int w = width();
    const int h = height();
    playLabel->setGeometry(0, 0, w, h);
    ui->widget_zoom->setGeometry(w - 39, h - 35, 29, 25);
}
