#pragma once

#include "lufileinfomodel.h"

#include <QIcon>
#include <QPixmap>
#include <QPoint>
#include <QStyledItemDelegate>

class QPushButton;

// Paints a file row: selection, play marker, track mark, name elided in the middle, separator
// line and the delete button; turns a release on the button into the view's delete signal.
class HWTreeItemDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit HWTreeItemDelegate(QWidget *view);
    ~HWTreeItemDelegate() override;

    static constexpr int rowHeight = 44;
    // A drive's header band on top of its first row, and the arrow at its left that folds it.
    static constexpr int headerHeight = 40;
    static constexpr int headerArrowWidth = 24;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    bool editorEvent(QEvent *event, QAbstractItemModel *model,
                     const QStyleOptionViewItem &option, const QModelIndex &index) override;
    bool eventFilter(QObject *object, QEvent *event) override;
    // Over the track mark, the tooltip says what the mark means.
    bool helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                   const QModelIndex &index) override;

    // Where the button is drawn, and where a click on it counts (12 pixels further right).
    static QRect paintedButtonRect(int viewWidth, int rowTop);
    static QRect hitButtonRect(int viewWidth, int rowTop);
    // The small mark under the play marker: the track pending (hollow), present (filled) or
    // absent (a dash).
    static QRect trackMarkRect(int rowTop);
    // The channel count of a folded many-channel recording, left of the button: a click there
    // unfolds it.
    static QRect foldRect(int viewWidth, int rowTop);
    static QString trackStateText(LuFileInfoModel::TrackState state);

private:
    // How far the file's own row is pushed down by a drive header (0 without one).
    int headerOffset(const QModelIndex &index) const;
    void paintHeader(QPainter *painter, const QRect &band, const QModelIndex &index) const;

signals:
    void deleteClicked(const QModelIndex &index);

private:
    QIcon playIcon;
    // Loaded once: loading by name looks up the file's time at every row painted.
    QPixmap levelLine;
    QPushButton *deleteButton;
    int buttonState = -1;
    QPoint mousePoint;
    QWidget *view;
};
