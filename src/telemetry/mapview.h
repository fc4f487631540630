#pragma once

#include <QJsonArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QVector>

#include <functional>

struct ArchiveRoute;
struct MbTilesInfo;

class Library;
class LuFileInfoModel;
class MapBridge;
class PlaybackSession;
class QWebEngineView;
class TileSchemeHandler;

// The map page in the window's web view: which page is loaded, the open recording's route with
// the rest of its drive and its events, the moving marker, and what the page may ask back (a
// seek, or another recording of the drive from a second of it).
class MapView : public QObject
{
    Q_OBJECT

public:
    MapView(QWebEngineView *view, Library *library, PlaybackSession *session,
            QObject *parent = nullptr);

    MapBridge *bridge() const { return m_mapBridge; }
    // The driving events a recording's route shows, in the page's form (second, lead-up second,
    // kind, text), as the window's event tools give them; without it the route shows none.
    using EventsFor = std::function<QJsonArray(const LuFileInfoModel *)>;
    void setEventsFor(EventsFor eventsFor) { m_eventsFor = std::move(eventsFor); }
    // The page for the chosen map and language; the route is drawn again once it has loaded.
    void load();
    void loadFinished(bool ok);
    // New settings: another page for another map or language, else the route again (its
    // colours, legend and event texts follow the speed unit).
    void settingsApplied(bool reloadMap);
    // The open recording's route, the other recordings of its drive, and its events.
    void drawRoute();
    void moveMarker(const QString &lng, const QString &lat);
    void clearRoute();
    // A recording of the drive on the map, at a second of it: the page's ids are indices into
    // the drive drawn last.
    void playRecordingAt(int id, int second);
    // Many recordings' routes at once (one call to the page); none takes them away. Kept and
    // drawn again when the page loads anew.
    void showArchiveRoutes(const QVector<ArchiveRoute> &routes);
    // The page call that draws them (numbers only).
    static QString archiveScript(const QVector<ArchiveRoute> &routes);
    // While on, a click on the map names a place (MapBridge::placeChosen) instead of seeking.
    void setPlacePicking(bool on);

    // The page call that puts the offline file's streets under the bundled map (numbers only).
    // version: of the file, for the page's tile addresses (a new one with every file read).
    static QString offlineTilesScript(const MbTilesInfo &info, int version);

    // The route text for the chosen map (numbers only, built by the track cache).
    static QString routeTextFor(const LuFileInfoModel *model);
    // The page's options: speed colours in the chosen unit and the open recording's events.
    static QString optionsFor(const QJsonArray &events);

signals:
    // The route was drawn again while playing: the marker is back at its start.
    void routeRedrawn();

private:
    void runPageScript(const QString &script);
    void trackArrived(LuFileInfoModel *model);
    // The drive option for the open recording's drive (empty without one of several
    // recordings); sets the recordings the page may ask for.
    QString driveOption();
    bool belongsToDrawnDrive(const LuFileInfoModel *model) const;

    QWebEngineView *m_view;
    EventsFor m_eventsFor;
    Library *m_library;
    PlaybackSession *m_session;
    MapBridge *m_mapBridge = nullptr;
    TileSchemeHandler *m_tiles = nullptr; // the page profile's, serving the offline file
    int m_tilesVersion = 0;               // counts the times the file was read
    bool m_mapReady = false; // the page has loaded: its script functions exist
    QList<LuFileInfoModel *> m_mapDriveRecordings; // the drive on the map, by page id
    bool m_driveRedrawPending = false; // routes of the drive arriving: one redraw for a burst
    QString m_archiveScript;           // the archive's routes as last shown, for a new page
    bool m_placePicking = false;
};
