#include "hwtreeitemdelegate.h"

#include "driveheadertext.h"
#include "hwdefaultsettings.h"
#include "hwdevicetreeview.h"
#include "librarylog.h"
#include "lufileinfomodel.h"

#include <QDebug>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QToolTip>

#include <algorithm>

namespace {
constexpr int kMarkerWidth = 14;
constexpr int kMarkerHeight = 18;
constexpr int kMarkerTop = 13;
constexpr int kTextGap = 8;
constexpr int kTextRightReserve = 30;
constexpr int kButtonSize = 30;
constexpr int kButtonTop = 7;
constexpr int kPaintedButtonFromRight = 50;
constexpr int kHitButtonFromRight = 38;
constexpr int kTrackMarkSize = 6;
constexpr int kTrackMarkTop = 34;
constexpr int kFoldWidth = 40;
constexpr int kChannelIndent = 14; // an unfolded recording's other files, under its row
constexpr int kTrackMarkHit = 4; // the tooltip answers a little around the small mark
const QColor kTrackPresent(80, 200, 120);
const QColor kTrackOther(140, 140, 140);
const QColor kSelectedFill(34, 34, 34);
const QColor kActiveText(47, 179, 255);
const QColor kNormalText(204, 204, 204);
const QColor kHeaderFill(24, 40, 56);
const QColor kHeaderFigures(150, 170, 190);
constexpr int kHeaderLine = 18;
} // namespace

HWTreeItemDelegate::HWTreeItemDelegate(QWidget *viewWidget)
    : QStyledItemDelegate(nullptr),
      playIcon(QStringLiteral(":/images/images/Playicon.png")),
      levelLine(QStringLiteral(":/images/images/level_line.png")),
      deleteButton(new QPushButton),
      view(viewWidget)
{
    // The button is never shown; it lends its style sheet to the painted delete buttons.
    deleteButton->setStyleSheet(QStringLiteral(
        "QPushButton {border-image:url(:/images/images/icon_off.png);}   "
        "QPushButton:hover {border-image:url(:/images/images/icon_off_press.png);}   "
        "QPushButton:pressed {border-image:url(:/images/images/icon_off_press.png);}"));
}

HWTreeItemDelegate::~HWTreeItemDelegate()
{
    delete deleteButton;
}

QRect HWTreeItemDelegate::paintedButtonRect(int viewWidth, int rowTop)
{
    return QRect(viewWidth - kPaintedButtonFromRight, rowTop + kButtonTop, kButtonSize,
                 kButtonSize);
}

QRect HWTreeItemDelegate::trackMarkRect(int rowTop)
{
    return QRect((kMarkerWidth - kTrackMarkSize) / 2, rowTop + kTrackMarkTop, kTrackMarkSize,
                 kTrackMarkSize);
}

namespace {
void paintTrackMark(QPainter *painter, const QRect &mark, LuFileInfoModel::TrackState state)
{
    painter->setRenderHint(QPainter::Antialiasing);
    switch (state) {
    case LuFileInfoModel::TrackState::Present:
        painter->setPen(Qt::NoPen);
        painter->setBrush(kTrackPresent);
        painter->drawEllipse(mark);
        break;
    case LuFileInfoModel::TrackState::Pending:
        painter->setPen(kTrackOther);
        painter->setBrush(Qt::NoBrush);
        painter->drawEllipse(mark.adjusted(0, 0, -1, -1));
        break;
    case LuFileInfoModel::TrackState::Absent:
        painter->setPen(QPen(kTrackOther, 2));
        painter->drawLine(mark.left(), mark.center().y(), mark.right(), mark.center().y());
        break;
    }
    painter->setRenderHint(QPainter::Antialiasing, false);
}
} // namespace

QRect HWTreeItemDelegate::hitButtonRect(int viewWidth, int rowTop)
{
    return QRect(viewWidth - kHitButtonFromRight, rowTop + kButtonTop, kButtonSize, kButtonSize);
}

QRect HWTreeItemDelegate::foldRect(int viewWidth, int rowTop)
{
    return QRect(viewWidth - kPaintedButtonFromRight - kFoldWidth, rowTop, kFoldWidth, rowHeight);
}

int HWTreeItemDelegate::headerOffset(const QModelIndex &index) const
{
    const auto *list = qobject_cast<const HWDeviceTreeView *>(view);
    return list && list->driveHeadedBy(index) ? headerHeight : 0;
}

void HWTreeItemDelegate::paintHeader(QPainter *painter, const QRect &band,
                                     const QModelIndex &index) const
{
    const auto *list = qobject_cast<const HWDeviceTreeView *>(view);
    const Drive *drive = list->driveHeadedBy(index);
    painter->save();
    painter->fillRect(band, kHeaderFill);
    QFont font(QStringLiteral("微软雅黑"));
    font.setPixelSize(12);
    painter->setFont(font);
    painter->setPen(kNormalText);
    const QRect arrow(band.left(), band.top(), headerArrowWidth, band.height());
    painter->drawText(arrow, Qt::AlignCenter,
                      list->isCollapsed(*drive) ? QStringLiteral("▸") : QStringLiteral("▾"));
    const QRect text = band.adjusted(headerArrowWidth, 2, -kTextGap, -2);
    const QRect first(text.left(), text.top(), text.width(), kHeaderLine);
    const QRect second = first.translated(0, kHeaderLine);
    const bool mph = HWDefaultSettings::instance()->speedUnit() == 1;
    const QFontMetrics metrics = painter->fontMetrics();
    painter->drawText(first, Qt::AlignLeft | Qt::AlignVCenter,
                      metrics.elidedText(driveHeaderWhen(*drive), Qt::ElideRight, first.width()));
    painter->setPen(kHeaderFigures);
    painter->drawText(second, Qt::AlignLeft | Qt::AlignVCenter,
                      metrics.elidedText(driveHeaderFigures(*drive, mph), Qt::ElideRight,
                                         second.width()));
    painter->restore();
}

void HWTreeItemDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                               const QModelIndex &index) const
{
    QRect row = option.rect;
    const auto *list = qobject_cast<const HWDeviceTreeView *>(view);
    if (const Drive *drive = list ? list->driveHeadedBy(index) : nullptr) {
        paintHeader(painter, QRect(0, row.top(), view->width(), headerHeight), index);
        if (list->isCollapsed(*drive))
            return; // folded: the header alone
        row.setTop(row.top() + headerHeight);
    }
    const int width = view->width();
    const int top = row.top();
    painter->save();
    if (option.state & QStyle::State_Selected)
        painter->fillRect(QRect(0, top, row.right() + 1, row.height()), kSelectedFill);

    const LuFileInfoModel *model = HWDeviceTreeView::modelAt(index);
    const bool playing = model && model->isPlaying;
    const QRect marker(0, top + kMarkerTop, kMarkerWidth, kMarkerHeight);
    if (playing)
        playIcon.paint(painter, marker);
    if (model)
        paintTrackMark(painter, trackMarkRect(top), model->trackState());

    QRect text(0, top, width, rowHeight);
    text.setWidth(text.width() - kMarkerWidth);
    text.setLeft(marker.right() + 1 + kTextGap);
    text.setWidth(text.width() - kTextRightReserve);
    if (HWDeviceTreeView::isFoldedChannel(model))
        text.setLeft(text.left() + kChannelIndent);
    const int folded = list ? list->foldedCount(index) : 0;
    if (folded > 0) {
        const QRect fold = foldRect(width, top);
        text.setRight(std::min(text.right(), fold.left() - 1));
        QFont small(QStringLiteral("微软雅黑"));
        small.setPixelSize(12);
        painter->setFont(small);
        painter->setPen(kNormalText);
        painter->drawText(fold, Qt::AlignCenter,
                          QString::number(folded) +
                              (list->isUnfolded(model) ? QStringLiteral(" ▾") : QStringLiteral(" ▸")));
    }

    painter->drawPixmap(QRect(0, top + rowHeight - 2, width, 2), levelLine);

    QStyleOptionButton button;
    button.rect = paintedButtonRect(width, top);
    button.state = QStyle::State_Enabled;
    if (button.rect.contains(mousePoint)) {
        if (buttonState == 0)
            button.state |= QStyle::State_MouseOver;
        else if (buttonState == 1)
            button.state |= QStyle::State_Sunken;
    }
    deleteButton->style()->drawControl(QStyle::CE_PushButton, &button, painter, deleteButton);

    QFont font(QStringLiteral("微软雅黑"));
    font.setPixelSize(13);
    painter->setFont(font);
    const QString name = model ? model->fileName : QString();
    const QString shown = painter->fontMetrics().elidedText(name, Qt::ElideMiddle, text.width());
    const bool hovered = option.state & QStyle::State_MouseOver;
    painter->setPen(playing || hovered ? kActiveText : kNormalText);
    painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter, shown);
    painter->restore();
}

QSize HWTreeItemDelegate::sizeHint(const QStyleOptionViewItem &, const QModelIndex &index) const
{
    const auto *list = qobject_cast<const HWDeviceTreeView *>(view);
    const Drive *drive = list ? list->driveHeadedBy(index) : nullptr;
    if (!drive)
        return QSize(view->width(), rowHeight);
    return QSize(view->width(), headerHeight + (list->isCollapsed(*drive) ? 0 : rowHeight));
}

QWidget *HWTreeItemDelegate::createEditor(QWidget *, const QStyleOptionViewItem &,
                                          const QModelIndex &) const
{
    return nullptr;
}

bool HWTreeItemDelegate::editorEvent(QEvent *event, QAbstractItemModel *,
                                     const QStyleOptionViewItem &option, const QModelIndex &index)
{
    buttonState = -1;
    const auto *mouse = dynamic_cast<QMouseEvent *>(event);
    if (!mouse)
        return false;
    mousePoint = mouse->pos();
    const int top = option.rect.top() + headerOffset(index);
    if (option.rect.bottom() < top + rowHeight - 1 ||
        !hitButtonRect(view->width(), top).contains(mousePoint))
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        buttonState = 1;
        break;
    case QEvent::MouseButtonRelease:
        emit deleteClicked(index);
        break;
    case QEvent::MouseMove:
        buttonState = 0;
        break;
    default:
        break;
    }
    return true;
}

bool HWTreeItemDelegate::helpEvent(QHelpEvent *event, QAbstractItemView *itemView,
                                   const QStyleOptionViewItem &option, const QModelIndex &index)
{
    const LuFileInfoModel *model = HWDeviceTreeView::modelAt(index);
    const QRect hit = trackMarkRect(option.rect.top() + headerOffset(index))
                          .adjusted(-kTrackMarkHit, -kTrackMarkHit, kTrackMarkHit, kTrackMarkHit);
    if (!model || event->type() != QEvent::ToolTip || !hit.contains(event->pos()))
        return QStyledItemDelegate::helpEvent(event, itemView, option, index);
    QToolTip::showText(event->globalPos(), trackStateText(model->trackState()), itemView);
    return true;
}

QString HWTreeItemDelegate::trackStateText(LuFileInfoModel::TrackState state)
{
    switch (state) {
    case LuFileInfoModel::TrackState::Present:
        return tr("GPS 轨迹已读取");
    case LuFileInfoModel::TrackState::Absent:
        return tr("此文件没有 GPS 轨迹");
    case LuFileInfoModel::TrackState::Pending:
        break;
    }
    return tr("正在读取 GPS 轨迹");
}

bool HWTreeItemDelegate::eventFilter(QObject *, QEvent *)
{
    qCDebug(lcLibrary) << "HWTreeItemDelegate::eventFilter";
    return true;
}
