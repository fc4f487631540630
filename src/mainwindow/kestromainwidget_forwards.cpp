// The form's and the callers' names for what the parts do: each passes the request on.
#include "kestromainwidget.h"

#include "externaltracks.h"
#include "trackexportactions.h"

#include "hwdefaultsettings.h"
#include "hwdevicetreeview.h"
#include "library.h"
#include "mapview.h"
#include "openvideosdialog.h"
#include "playbacksession.h"
#include "telemetrydisplay.h"
#include "ui_kestromainwidget.h"

#include <QFileInfo>

const QList<LuFileInfoModel *> &KestroMainWidget::libraryModels() const { return m_library->models(); }
int KestroMainWidget::playState() const { return m_session->state(); }
int KestroMainWidget::channelCount() const { return m_session->channelCount(); }
LuFileInfoModel *KestroMainWidget::channelModel(int channel) const { return m_session->channel(channel); }

void KestroMainWidget::updateVideoDurationSlot(float duration) { m_session->durationReported(duration); }
void KestroMainWidget::updateVideoProgressSlot(float progress) { m_session->progressReported(progress); }
void KestroMainWidget::on_pushBtn_play_clicked() { m_session->togglePause(); }
void KestroMainWidget::on_pushBtn_stop_clicked() { m_session->stopByUser(); }
void KestroMainWidget::on_pushBtn_lastFrame_clicked() { m_session->previous(); }
void KestroMainWidget::on_pushBtn_nextFrame_clicked() { m_session->next(); }
void KestroMainWidget::on_pushBtn_capture_clicked() { m_session->capture(); }
void KestroMainWidget::on_horizontalSlider_progress_valueChanged(int value) { m_session->handleMoved(value); }
void KestroMainWidget::on_horizontalSlider_progress_sliderPressed() { m_session->handlePressed(); }
void KestroMainWidget::on_horizontalSlider_progress_sliderReleased() { m_session->handleReleased(); }
void KestroMainWidget::posChangedSlot(double pos) { m_session->clickedAt(pos); }
void KestroMainWidget::updateProgress(int index) { m_telemetry->show(index); }
void KestroMainWidget::loadMap() { m_map->load(); }
void KestroMainWidget::on_pushBtn_setting_clicked() { showAppSettingSlot(); }

void KestroMainWidget::on_pushBtn_speed_slow_2_clicked() { setSpeed(ui->pushBtn_speed_slow_2, 0.25f); }
void KestroMainWidget::on_pushBtn_speed_slow_1_clicked() { setSpeed(ui->pushBtn_speed_slow_1, 0.5f); }
void KestroMainWidget::on_pushBtn_speed_normal_clicked() { setSpeed(ui->pushBtn_speed_normal, 1.0f); }
void KestroMainWidget::on_pushBtn_speed_fast_1_clicked() { setSpeed(ui->pushBtn_speed_fast_1, 3.0f); }
void KestroMainWidget::on_pushBtn_speed_fast_2_clicked() { setSpeed(ui->pushBtn_speed_fast_2, 15.0f); }
void KestroMainWidget::on_pushBtn_speed_fast_3_clicked() { setSpeed(ui->pushBtn_speed_fast_3, 60.0f); }

void KestroMainWidget::setSpeed(QPushButton *button, float rate)
{
    if (!m_session->setRate(rate))
        return;
    for (QPushButton *speed : {ui->pushBtn_speed_slow_2, ui->pushBtn_speed_slow_1,
                               ui->pushBtn_speed_normal, ui->pushBtn_speed_fast_1,
                               ui->pushBtn_speed_fast_2, ui->pushBtn_speed_fast_3})
        speed->setChecked(speed == button);
}

void KestroMainWidget::setPlayControlsEnabled(bool enabled)
{
    for (QWidget *control : std::initializer_list<QWidget *>{
             ui->pushBtn_capture, ui->pushBtn_fullscreen, ui->pushBtn_play, ui->pushBtn_stop,
             ui->pushBtn_lastFrame, ui->pushBtn_nextFrame, ui->pushBtn_zoom_in,
             ui->pushBtn_zoom_out, ui->pushBtn_speed_slow_2, ui->pushBtn_speed_slow_1,
             ui->pushBtn_speed_normal, ui->pushBtn_speed_fast_1, ui->pushBtn_speed_fast_2,
             ui->pushBtn_speed_fast_3, ui->horizontalSlider_progress})
        control->setEnabled(enabled);
}

void KestroMainWidget::playSelectFile(const QString &path)
{
    m_session->end();
    m_session->open(m_library->modelFor(path));
}

void KestroMainWidget::on_treeView_filelist_doubleClicked(QModelIndex index)
{
    m_session->choose(HWDeviceTreeView::modelAt(index));
}

void KestroMainWidget::willDeleteFileSlot(QModelIndex index)
{
    if (LuFileInfoModel *model = index.isValid() ? HWDeviceTreeView::modelAt(index) : nullptr)
        m_library->remove(model);
}

void KestroMainWidget::on_pushBtn_open_dir_clicked()
{
    HWDefaultSettings *store = HWDefaultSettings::instance();
    OpenVideosDialog dialog(this, store->videoDir());
    if (dialog.exec() != QDialog::Accepted || dialog.chosenPaths().isEmpty())
        return;
    const QStringList chosen = dialog.chosenPaths();
    openPathsAndTracks(chosen);
    store->setVideoDir(QFileInfo(chosen.first()).isDir() ? chosen.first()
                                                          : QFileInfo(chosen.first()).absolutePath());
}
