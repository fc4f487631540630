#pragma once

#include "archivedatabase.h"

#include <QVector>
#include <QWidget>

class ArchiveIndexer;
class ElidedLabel;
class Library;
class LuFileInfoModel;
class MapView;
class PlaybackSession;
class QCalendarWidget;
class QLabel;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

// The parts of the window the archive view works with.
struct ArchiveParts
{
    Library *library = nullptr;
    PlaybackSession *session = nullptr;
    MapView *map = nullptr;
};

// The archive in the window: it owns the indexer (fed with every recording whose track the
// library has read, and with folders the user adds), and shows the calendar of days with
// driving, a day's drives, the passes near a place picked on the map, and every route on the
// map. A row played is listed in the library if it is not, then played from its second.
class ArchivePanel : public QWidget
{
    Q_OBJECT

public:
    // What a row of the lists holds, in its first column.
    enum Role
    {
        FrontRole = Qt::UserRole, // the recording's front file
        ChannelsRole,             // its other channels
        SecondRole,               // where to play it from
        OfflineRole
    };

    explicit ArchivePanel(const ArchiveParts &parts,
                          const QString &databasePath = ArchiveDatabase::defaultPath(),
                          QWidget *parent = nullptr);
    ~ArchivePanel() override;

    ArchiveIndexer *indexer() const { return m_indexer; }
    // Starts the indexer; called once the window shows, so that start-up never waits for it.
    void start();
    // The view is on screen: a click on the map then picks the place to search.
    void setShowing(bool showing);
    void addFolder(const QString &folder);
    // Lists every pass within the radius box's metres of the place.
    void searchAt(double latitude, double longitude);
    void searchAtMarker();
    void showWholeArchive(bool show);

    QCalendarWidget *calendar() const { return m_calendar; }
    QTreeWidget *driveList() const { return m_drives; }
    QTreeWidget *passList() const { return m_passes; }
    QSpinBox *radiusBox() const { return m_radius; }

signals:
    // The calendar and the lists show the archive as it is now.
    void refreshed();

protected:
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void build();
    void retranslate();
    void refresh();
    void markMonth();
    // Until another day is selected, the calendar follows the latest day with driving.
    void selectLatestDay();
    void listDay();
    void listPasses();
    void play(QTreeWidgetItem *item);
    void offerToLocate(const QString &frontPath);
    void feed(LuFileInfoModel *model);

    ArchiveParts m_parts;
    ArchiveIndexer *m_indexer;
    ArchiveDatabase m_reader;
    QVector<ArchiveSource> m_early; // recordings read before the indexer started
    bool m_started = false;
    bool m_showing = false;
    bool m_routesShown = false;
    double m_placeLatitude = 0;
    double m_placeLongitude = 0;
    bool m_placeSet = false;
    bool m_followLatest = true;
    bool m_selectingLatest = false;

    QTimer *m_refreshTimer = nullptr;
    QTabWidget *m_tabs = nullptr;
    QPushButton *m_addFolder = nullptr;
    QPushButton *m_wholeArchive = nullptr;
    QPushButton *m_useMarker = nullptr;
    ElidedLabel *m_status = nullptr;
    QLabel *m_radiusLabel = nullptr;
    ElidedLabel *m_placeHint = nullptr;
    QCalendarWidget *m_calendar = nullptr;
    QTreeWidget *m_drives = nullptr;
    QTreeWidget *m_passes = nullptr;
    QSpinBox *m_radius = nullptr;
};
