#include "lutitlebar.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QWindow>

LuTitleBar::LuTitleBar(QWidget *parent)
    : QWidget(parent)
    , buttonMenu(new QPushButton)
    , titleIcon(new QLabel)
    , titleContent(new QLabel)
    , buttonMin(new QPushButton)
    , buttonRestore(new QPushButton)
    , buttonMax(new QPushButton)
    , buttonClose(new QPushButton)
{
    buttonMenu->setObjectName(QStringLiteral("ButtonMenu"));
    titleIcon->setObjectName(QStringLiteral("TitleIcon"));
    titleContent->setObjectName(QStringLiteral("TitleContent"));
    buttonMin->setObjectName(QStringLiteral("ButtonMin"));
    buttonRestore->setObjectName(QStringLiteral("ButtonRestore"));
    buttonMax->setObjectName(QStringLiteral("ButtonMax"));
    buttonClose->setObjectName(QStringLiteral("ButtonClose"));
    for (QPushButton *button : {buttonMenu, buttonMin, buttonRestore, buttonMax, buttonClose})
        button->setFixedSize(30, 30);

    auto *layout = new QHBoxLayout(this);
    layout->addWidget(titleIcon);
    layout->addWidget(titleContent);
    layout->addWidget(buttonMenu);
    layout->addWidget(buttonMin);
    layout->addWidget(buttonRestore);
    layout->addWidget(buttonMax);
    layout->addWidget(buttonClose);
    layout->setContentsMargins(8, 0, 8, 0);
    layout->setSpacing(4);
    titleContent->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(35);
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    buttonRestore->setVisible(false);

    connect(buttonMenu, &QPushButton::clicked, this, &LuTitleBar::pnButtonMenuClicked);
    connect(buttonMin, &QPushButton::clicked, this, &LuTitleBar::onButtonMinClicked);
    connect(buttonRestore, &QPushButton::clicked, this, &LuTitleBar::onButtonRestoreClicked);
    connect(buttonMax, &QPushButton::clicked, this, &LuTitleBar::onButtonMaxClicked);
    connect(buttonClose, &QPushButton::clicked, this, &LuTitleBar::onButtonCloseClicked);

    QString sheet = styleSheet();
    const struct
    {
        const char *name;
        const char *image;
    } buttons[] = {{"ButtonClose", "icon_top_cancel"},
                   {"ButtonRestore", "icon_top_recovery"},
                   {"ButtonMax", "icon_top_enlarge"},
                   {"ButtonMin", "icon_top_narrow"},
                   {"ButtonMenu", "icon_top_set"}};
    for (const auto &button : buttons) {
        const QString name = QLatin1String(button.name);
        const QString image = QLatin1String(":/images/images/") + QLatin1String(button.image);
        sheet += QLatin1String("QPushButton#") + name
                 + QLatin1String("{border-color:rgba(0,0,0,0);background-color:rgba(0,0,0,0);"
                                 "border-image:url(")
                 + image + QLatin1String(".png);}") + QLatin1String("QPushButton#") + name
                 + QLatin1String(":hover{border-image:url(") + image
                 + QLatin1String("_press.png);}");
    }
    for (const char *label : {"TitleContent", "TitleIcon"})
        sheet += QLatin1String("QLabel#") + QLatin1String(label)
                 + QLatin1String("{border-color:rgba(0,0,0,0);background-color:rgba(0,0,0,0);}");
    setStyleSheet(sheet);

    setTitleIcon(QStringLiteral(":/images/images/logo.png"), QSize(30, 30));

    // The bar spans its window; following resizes here keeps it right before the next paint.
    if (parent)
        parent->installEventFilter(this);
}

void LuTitleBar::setTitleIcon(const QString &path, const QSize &size)
{
    const QPixmap icon = QPixmap(path).scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    titleIcon->setPixmap(icon);
}

void LuTitleBar::setTitleContent(const QString &text, int pointSize)
{
    titleContent->setStyleSheet(QStringLiteral("color: rgb(255, 255, 255);"));
    QFont font = titleContent->font();
    font.setPointSize(pointSize);
    titleContent->setFont(font);
    titleContent->setText(text);
    titleText = text;
}

void LuTitleBar::setButtonType(int type)
{
    switch (type) {
    case 0:
        buttonRestore->setVisible(false);
        buttonMax->setVisible(false);
        break;
    case 1:
        buttonRestore->setVisible(false);
        break;
    case 2:
        buttonMin->setVisible(false);
        buttonRestore->setVisible(false);
        buttonMax->setVisible(false);
        buttonMenu->setVisible(false);
        break;
    default:
        return;
    }
    buttonType = type;
}

void LuTitleBar::saveRestoreInfo(const QPoint &pos, const QSize &size)
{
    restorePos = pos;
    restoreSize = size;
}

void LuTitleBar::getRestoreInfo(QPoint &pos, QSize &size) const
{
    pos = restorePos;
    size = restoreSize;
}

QRect LuTitleBar::maximisedGeometry(const QRect &availableGeometry)
{
    return availableGeometry.adjusted(-3, -3, 3, 3);
}

void LuTitleBar::pnButtonMenuClicked()
{
    emit signalShowAppSetting();
}

void LuTitleBar::onButtonMinClicked()
{
    emit signalButtonMinClicked();
}

void LuTitleBar::onButtonRestoreClicked()
{
    buttonRestore->setVisible(false);
    buttonMax->setVisible(true);
    emit signalButtonRestoreClicked();
}

void LuTitleBar::onButtonMaxClicked()
{
    buttonMax->setVisible(false);
    buttonRestore->setVisible(true);
    emit signalButtonMaxClicked();
}

void LuTitleBar::onButtonCloseClicked()
{
    emit signalButtonCloseClicked();
}

void LuTitleBar::followParentWidth()
{
    const QWidget *parent = parentWidget();
    if (parent && width() != parent->width() - windowBorderWidth)
        setFixedWidth(parent->width() - windowBorderWidth);
}

bool LuTitleBar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        followParentWidth();
    return QWidget::eventFilter(watched, event);
}

void LuTitleBar::paintEvent(QPaintEvent *event)
{
    {
        QPainter painter(this);
        QPainterPath path;
        path.setFillRule(Qt::WindingFill);
        path.addRoundedRect(QRectF(rect()), 0, 0);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        painter.fillPath(path, QBrush(QColor(backgroundRed, backgroundGreen, backgroundBlue)));
    }
    followParentWidth();
    QWidget::paintEvent(event);
}

// The maximised state is read from the buttons that are not hidden, so it holds before the
// window is first shown as well.
void LuTitleBar::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (buttonType == 1) {
        if (!buttonMax->isHidden()) {
            buttonMax->setVisible(false);
            buttonRestore->setVisible(true);
            emit signalButtonMaxClicked();
        } else {
            buttonRestore->setVisible(false);
            buttonMax->setVisible(true);
            emit signalButtonRestoreClicked();
        }
    }
    QWidget::mouseDoubleClickEvent(event);
}

void LuTitleBar::mousePressEvent(QMouseEvent *event)
{
    // A maximised window stays where it is.
    if (buttonType == 1 && buttonMax->isHidden()) {
        QWidget::mousePressEvent(event);
        return;
    }
    isPressed = true;
    systemMoveTried = false;
    startMovePos = event->globalPos();
    QWidget::mousePressEvent(event);
}

void LuTitleBar::mouseMoveEvent(QMouseEvent *event)
{
    QWidget *window = parentWidget();
    if (isPressed && window) {
        // Where the window system can move the window itself it also handles snapping and
        // works where clients may not place their windows; elsewhere (and on the offscreen
        // platform) the window follows the mouse by deltas.
        if (!systemMoveTried) {
            systemMoveTried = true;
            QWindow *handle = window->isWindow() ? window->windowHandle() : nullptr;
            if (handle && handle->startSystemMove()) {
                isPressed = false;
                QWidget::mouseMoveEvent(event);
                return;
            }
        }
        const QPoint delta = event->globalPos() - startMovePos;
        window->move(window->pos() + delta);
        startMovePos = event->globalPos();
    }
    QWidget::mouseMoveEvent(event);
}

void LuTitleBar::mouseReleaseEvent(QMouseEvent *event)
{
    isPressed = false;
    QWidget::mouseReleaseEvent(event);
}
