#pragma once

#include <QPoint>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <memory>

namespace Ui {
class HWPlayWidget;
}
class PlayLabel;

// One playback pane: the video surface filling it and a small zoom indicator in its lower
// right corner. Turns the user's input on the pane into zoom steps and signals for the main
// window, forwards the main window's requests to the player and relays the player's signals.
//
// Create it inside its final window: the player hands its native window to libmpv at once.
class HWPlayWidget : public QWidget
{
    Q_OBJECT

public:
    explicit HWPlayWidget(QWidget *parent = nullptr);
    ~HWPlayWidget() override;

    void openFile(QString path);
    // The next recording's file in place of this one, without a blank picture in between.
    void continueWith(const QString &path);
    void stopVideo();
    void pauseVideo();
    void continueVideo();
    void seek(int seconds);
    void setSpeed(float factor);
    void setVolume(int volume);
    void setKeepRatio(bool keep);
    bool isKeepRatio() const { return keepRatio; }
    bool snapshot(QString path);
    void zoomIn();
    void on_pushBtn_zoomMin_clicked();

    PlayLabel *player() const { return playLabel; }
    int currentZoomLevel() const { return zoomLevel; }
    int currentPlayState() const { return playState; }
    // The player holds a started file, so stopping it will report an end of file.
    bool hasFile() const;

    // Written by the main window.
    bool isFullScreen = false;
    QString previewPath;

signals:
    void showCustomMenuSignal(void *data);
    void enterFullscreenSignal();
    void playWidgetKeyEventSignal(int key);
    void changePipeSignal();
    void updateVideoDurationSignal(float duration);
    void updateVideoProgressSignal(float progress);
    void playEndSignal();
    void playFailedSignal(const QString &reason);
    void playStartSignal();
    void endHeldSignal();
    void sigUpdateFileAttribute(int64_t filesize, int width, int height);
    // The player answered a command (a seek, a snapshot): what it shows may have changed.
    void commandReplySignal();

public slots:
    void slotPlaybackRestart();
    void on_HWPlayWidget_customContextMenuRequested(QPoint pos);
    void slotSetProgress(float _progres);
    void slotSetVideoRange(float _range);
    void slotPlayEnd();
    void slotUpdateFileAttribute(int64_t filesize, int width, int height);

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void startVideo();
    void showZoomLevel();
    void hideZoomLevel();

    // Owned so that the form goes too when the player inside it refuses to start.
    std::unique_ptr<Ui::HWPlayWidget> ui;
    int zoomLevel = 0;
    int playState = 0;
    bool keepRatio = true;
    PlayLabel *playLabel = nullptr;
};
