#include "mapview.h"

#include "archivetypes.h"
#include "telemetrylog.h"

#include "hwdefaultsettings.h"
#include "library.h"
#include "lufileinfomodel.h"
#include "lumappage.h"
#include "mapbridge.h"
#include "playbacksession.h"
#include "tileaddress.h"
#include "tileschemehandler.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>
#include <QUrl>
#include <QWebChannel>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <algorithm>
#include <cmath>

namespace {
constexpr int kBaiduMap = 1;
constexpr int kOpenStreetMapMap = 2;
constexpr int kDriveRedrawMs = 500;

// One handler per profile, however many map views share it.
TileSchemeHandler *tileHandlerOf(QWebEngineProfile *profile)
{
    auto *handler = profile->findChild<TileSchemeHandler *>(QString(), Qt::FindDirectChildrenOnly);
    if (!handler) {
        handler = new TileSchemeHandler(profile);
        profile->installUrlSchemeHandler(kTileScheme, handler);
    }
    return handler;
}

QString pageFor(int mapType, int language)
{
    if (mapType == kBaiduMap)
        return QStringLiteral("/solvanebd.html");
    if (mapType == kOpenStreetMapMap)
        return QStringLiteral("/solvaneos.html");
    switch (language) {
    case 0:
        return QStringLiteral("/solvanegg_ja.html");
    case 3:
        return QStringLiteral("/solvanegg_ru.html");
    case 4:
        return QStringLiteral("/solvanegg_vi.html");
    default:
        return QStringLiteral("/solvanegg.html");
    }
}
} // namespace

MapView::MapView(QWebEngineView *view, Library *library, PlaybackSession *session,
                 QObject *parent)
    : QObject(parent), m_view(view), m_library(library), m_session(session)
{
    auto *page = new LuMapPage(view);
    view->setPage(page);
    m_mapBridge = new MapBridge(this);
    auto *channel = new QWebChannel(page);
    channel->registerObject(QStringLiteral("qmarlBridge"), m_mapBridge);
    page->setWebChannel(channel);
    m_tiles = tileHandlerOf(page->profile());
    connect(m_mapBridge, &MapBridge::seekRequested, session, &PlaybackSession::seekToSecond);
    connect(m_mapBridge, &MapBridge::playRecordingRequested, this, &MapView::playRecordingAt);
    connect(view, &QWebEngineView::loadFinished, this, &MapView::loadFinished);
    connect(library, &Library::trackReady, this, &MapView::trackArrived);
    connect(library, &Library::aboutToRemove, this, [this](LuFileInfoModel *model) {
        // Page ids stay as they are; the deleted one's asks are refused.
        std::replace(m_mapDriveRecordings.begin(), m_mapDriveRecordings.end(), model,
                     static_cast<LuFileInfoModel *>(nullptr));
    });
    connect(session, &PlaybackSession::recordingBound, this, [this](bool continuing) {
        if (continuing)
            clearRoute();
        drawRoute();
    });
    connect(session, &PlaybackSession::stopped, this, &MapView::clearRoute);
}

void MapView::load()
{
    HWDefaultSettings *store = HWDefaultSettings::instance();
    const QString path =
        QCoreApplication::applicationDirPath() + pageFor(store->mapType(), store->language());
    qCWarning(lcTelemetry) << "MapView::load" << path;
    m_mapReady = false;
    // Read again with every page, so a file chosen in the settings takes effect with the reload.
    m_tiles->setFile(store->offlineMap());
    ++m_tilesVersion;
    m_view->load(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
}

void MapView::loadFinished(bool ok)
{
    qCWarning(lcTelemetry) << "MapView::loadFinished" << ok;
    m_mapReady = true;
    if (m_tiles->info().ok)
        runPageScript(offlineTilesScript(m_tiles->info(), m_tilesVersion));
    drawRoute();
    if (m_placePicking)
        runPageScript(QStringLiteral("setPlacePicking(true)"));
    if (!m_archiveScript.isEmpty())
        runPageScript(m_archiveScript);
}

void MapView::settingsApplied(bool reloadMap)
{
    if (reloadMap)
        load();
    else if (m_session->state() != PlaybackSession::Stopped)
        drawRoute();
}

QString MapView::offlineTilesScript(const MbTilesInfo &info, int version)
{
    if (!info.ok)
        return QStringLiteral("useOfflineTiles(null)");
    return QStringLiteral(
               "useOfflineTiles({minZoom:%1,maxZoom:%2,west:%3,south:%4,east:%5,north:%6,version:%7})")
        .arg(info.minZoom)
        .arg(info.maxZoom)
        .arg(info.west, 0, 'f', 7)
        .arg(info.south, 0, 'f', 7)
        .arg(info.east, 0, 'f', 7)
        .arg(info.north, 0, 'f', 7)
        .arg(version);
}

QString MapView::routeTextFor(const LuFileInfoModel *model)
{
    switch (HWDefaultSettings::instance()->mapType()) {
    case kBaiduMap:
        return model->routeTextBd;
    case kOpenStreetMapMap:
        return model->routeTextWgs2;
    default:
        return model->routeTextWgs;
    }
}

void MapView::runPageScript(const QString &script)
{
    // The page's functions exist only once it has loaded; the route is drawn again then, and the
    // marker follows at the next second.
    if (!m_mapReady)
        return;
    m_view->page()->runJavaScript(script);
}

void MapView::moveMarker(const QString &lng, const QString &lat)
{
    runPageScript(QStringLiteral("moveGPS({lng:%1,lat:%2})").arg(lng, lat));
}

void MapView::clearRoute()
{
    runPageScript(QStringLiteral("clearGPSLine()"));
}

void MapView::drawRoute()
{
    const LuFileInfoModel *master = m_session->master();
    if (!master)
        return;
    // The route text is built by the track cache from numbers only; nothing from a file name or
    // other outside text reaches the script. An empty route is drawn as an empty line.
    QString route = routeTextFor(master);
    if (route.isEmpty())
        route = QStringLiteral("[]");
    m_mapBridge->setSecondCount(master->track.size());
    QString options = optionsFor(m_eventsFor ? m_eventsFor(master) : QJsonArray());
    const QString drive = driveOption();
    if (!drive.isEmpty()) {
        options.chop(1); // the object's closing brace
        options += QStringLiteral(",\"drive\":") + drive + QLatin1Char('}');
    }
    runPageScript(QStringLiteral("initGPSLine(%1, '#5298ff', %2)").arg(route, options));
}

QString MapView::optionsFor(const QJsonArray &events)
{
    // Fixed bands in each unit, so a colour means the same speed on every recording.
    const bool mph = HWDefaultSettings::instance()->speedUnit() == 1;
    const QJsonObject scale{
        {QStringLiteral("unit"), mph ? QStringLiteral("mph") : QStringLiteral("km/h")},
        {QStringLiteral("factor"), mph ? 1.150779 : 1.852},
        {QStringLiteral("bands"), mph ? QJsonArray{20, 40, 55, 75} : QJsonArray{30, 60, 90, 120}}};
    // JSON text is a valid script literal; the texts are ours (kind, speeds, time), never a
    // file name.
    return QString::fromUtf8(QJsonDocument(QJsonObject{{QStringLiteral("scale"), scale},
                                                       {QStringLiteral("events"), events}})
                                 .toJson(QJsonDocument::Compact));
}

bool MapView::belongsToDrawnDrive(const LuFileInfoModel *model) const
{
    for (const LuFileInfoModel *recording : m_mapDriveRecordings)
        for (const LuFileInfoModel *c = recording; c; c = c->nextChannel)
            if (c == model)
                return true;
    return false;
}

QString MapView::driveOption()
{
    m_mapDriveRecordings.clear();
    QVector<int> seconds;
    LuFileInfoModel *master = m_session->master();
    const QVector<Drive> drives = m_library->drives();
    const Drive *drive = master ? driveHolding(drives, master) : nullptr;
    if (!drive || drive->recordings.size() < 2) {
        m_mapBridge->setDriveSecondCounts(seconds);
        return QString();
    }
    const LuFileInfoModel *open = recordingOf(master);
    QStringList before, after;
    bool passed = false;
    for (LuFileInfoModel *recording : drive->recordings) {
        if (recording == open) {
            passed = true;
            continue;
        }
        const LuFileInfoModel *track = trackOfRecording(recording);
        // The route text holds numbers only (built by the track cache); the id is an index.
        const QString route = routeTextFor(track);
        const QString part = QStringLiteral("{id:%1,points:%2}")
                                 .arg(m_mapDriveRecordings.size())
                                 .arg(route.isEmpty() ? QStringLiteral("[]") : route);
        (passed ? after : before) << part;
        m_mapDriveRecordings << recording;
        seconds << track->track.size();
    }
    m_mapBridge->setDriveSecondCounts(seconds);
    return QStringLiteral("{before:[%1],after:[%2]}")
        .arg(before.join(QLatin1Char(',')), after.join(QLatin1Char(',')));
}

void MapView::trackArrived(LuFileInfoModel *model)
{
    if (!model)
        return;
    if (model == m_session->master()) {
        drawRoute();
        // A track given again (a clock set right) shows at the frame on screen at once.
        emit routeRedrawn();
        return;
    }
    // Another recording of the drive on the map: its part of the route is drawn now, once for
    // a burst of them.
    if (!belongsToDrawnDrive(model) || m_driveRedrawPending)
        return;
    m_driveRedrawPending = true;
    QTimer::singleShot(kDriveRedrawMs, this, [this] {
        m_driveRedrawPending = false;
        drawRoute();
        // The new line puts the marker at the start; it belongs where playback is.
        emit routeRedrawn();
    });
}

void MapView::playRecordingAt(int id, int second)
{
    LuFileInfoModel *target = m_mapDriveRecordings.value(id);
    // Deleted since the drive was drawn, or a stale id: nothing to play.
    if (!target || !m_library->contains(target)) {
        qCWarning(lcTelemetry) << "MapView::playRecordingAt: no recording" << id;
        return;
    }
    qCWarning(lcTelemetry) << "MapView::playRecordingAt" << target->fileName << second;
    m_session->playFrom(target, second);
}

void MapView::showArchiveRoutes(const QVector<ArchiveRoute> &routes)
{
    const QString script = archiveScript(routes);
    m_archiveScript = routes.isEmpty() ? QString() : script;
    runPageScript(script);
}

QString MapView::archiveScript(const QVector<ArchiveRoute> &routes)
{
    // Numbers only, five decimals (about a metre), in one buffer: the text for 10,000 routes
    // is megabytes. A route with a point that is no number would break the whole call.
    QByteArray text;
    text.reserve(routes.size() * 64);
    text += "showArchive([";
    for (const ArchiveRoute &route : routes) {
        const bool sound = std::all_of(route.points.cbegin(), route.points.cend(),
                                       [](const QPointF &p) {
                                           return std::isfinite(p.x()) && std::isfinite(p.y());
                                       });
        if (route.points.size() < 2 || !sound)
            continue;
        text += '[';
        for (const QPointF &p : route.points) {
            text += QByteArray::number(p.x(), 'f', 5);
            text += ',';
            text += QByteArray::number(p.y(), 'f', 5);
            text += ',';
        }
        text.chop(1);
        text += "],";
    }
    if (text.endsWith(','))
        text.chop(1);
    text += "])";
    return QString::fromLatin1(text);
}

void MapView::setPlacePicking(bool on)
{
    m_placePicking = on;
    runPageScript(on ? QStringLiteral("setPlacePicking(true)")
                     : QStringLiteral("setPlacePicking(false)"));
}
