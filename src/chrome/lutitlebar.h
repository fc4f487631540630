#pragma once

#include <QPoint>
#include <QSize>
#include <QString>
#include <QWidget>

class QLabel;
class QPushButton;

// The title bar every frameless window of the viewer draws instead of the system frame: icon,
// title, and up to five buttons (settings menu, minimise, restore, maximise, close). Dragging
// it moves the window; with button type 1 a double click toggles between normal and maximised.
// Whether the window counts as maximised is kept only by which of maximise and restore shows.
class LuTitleBar : public QWidget
{
    Q_OBJECT

public:
    explicit LuTitleBar(QWidget *parent);

    void setTitleIcon(const QString &path, const QSize &size);
    void setTitleContent(const QString &text, int pointSize);
    QString titleContentText() const { return titleText; }

    // 0: menu, minimise, maximise/restore hidden, close; 1: menu, minimise, maximise, close;
    // 2: close only. Other values change nothing.
    void setButtonType(int type);
    int currentButtonType() const { return buttonType; }

    void saveRestoreInfo(const QPoint &pos, const QSize &size);
    void getRestoreInfo(QPoint &pos, QSize &size) const;

    // Geometry of a maximised frameless window: the work area grown by 3 pixels on each side,
    // so no sliver of the desktop shows along the edges.
    static QRect maximisedGeometry(const QRect &availableGeometry);

signals:
    void signalButtonMinClicked();
    void signalButtonRestoreClicked();
    void signalButtonMaxClicked();
    void signalButtonCloseClicked();
    void signalShowAppSetting();

public slots:
    void pnButtonMenuClicked();
    void onButtonMinClicked();
    void onButtonRestoreClicked();
    void onButtonMaxClicked();
    void onButtonCloseClicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void followParentWidth();

    QPushButton *buttonMenu;
    QLabel *titleIcon;
    QLabel *titleContent;
    QPushButton *buttonMin;
    QPushButton *buttonRestore;
    QPushButton *buttonMax;
    QPushButton *buttonClose;
    int backgroundRed = 17;
    int backgroundGreen = 17;
    int backgroundBlue = 17;
    QPoint restorePos;
    QSize restoreSize;
    bool isPressed = false;
    QPoint startMovePos;
    QString titleText;
    int buttonType = 1;
    int windowBorderWidth = 0;
    // The window system was asked to take over the current drag; asked once per press.
    bool systemMoveTried = false;
};
