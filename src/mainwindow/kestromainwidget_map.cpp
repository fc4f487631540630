// The bridge to the map page and the per-second telemetry that follows the master pane.
#include "kestromainwidget.h"

#include "channelsync.h"

#include "hwdefaultsettings.h"
#include "hwplaywidget.h"
#include "lucampasslabel.h"
#include "lufileinfomodel.h"
#include "lugpsmodel.h"
#include "lugpsspeedlabel.h"
#include "lugsensorwidget.h"
#include "mapbridge.h"
#include "ui_kestromainwidget.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFileInfo>
#include <QMutexLocker>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace {
constexpr int kBaidu = 1;
constexpr int kOpenStreetMap = 2;
constexpr double kFineScale = 0.000244140625; // 4096 counts per g
constexpr double kCoarseScale = 0.00390625;   // 256 counts per g

QString pageFor(int mapType, int language)
{
    if (mapType == kBaidu)
        return QStringLiteral("/solvanebd.html");
    if (mapType == kOpenStreetMap)
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

QString fixed6(double value)
{
    return QString::number(value, 'f', 6);
}
} // namespace

void KestroMainWidget::loadMap()
{
    HWDefaultSettings *store = HWDefaultSettings::instance();
    const QString path =
        QCoreApplication::applicationDirPath() + pageFor(store->mapType(), store->language());
    qWarning() << "KestroMainWidget::loadMap" << path;
    m_mapReady = false;
    ui->webview->load(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
}

void KestroMainWidget::mapLoadFinishedSlot(bool isok)
{
    qWarning() << "KestroMainWidget::mapLoadFinishedSlot" << isok;
    m_mapReady = true;
    drawTrackOnMap();
}

QString KestroMainWidget::routeTextForMap(const LuFileInfoModel *model) const
{
    switch (HWDefaultSettings::instance()->mapType()) {
    case kBaidu:
        return model->routeTextBd;
    case kOpenStreetMap:
        return model->routeTextWgs2;
    default:
        return model->routeTextWgs;
    }
}

void KestroMainWidget::runPageScript(const QString &script)
{
    // The page's functions exist only once it has loaded; the route is drawn again then, and the
    // marker follows at the next second.
    if (!m_mapReady)
        return;
    ui->webview->page()->runJavaScript(script);
}

void KestroMainWidget::drawTrackOnMap()
{
    if (!m_channelModel1)
        return;
    // The route text is built by the track cache from numbers only; nothing from a file name or
    // other outside text reaches the script. An empty route is drawn as an empty line.
    QString route = routeTextForMap(m_channelModel1);
    if (route.isEmpty())
        route = QStringLiteral("[]");
    m_mapBridge->setSecondCount(m_channelModel1->track.size());
    QString options = mapOptions();
    const QString drive = driveMapOption();
    if (!drive.isEmpty()) {
        options.chop(1); // the object's closing brace
        options += QStringLiteral(",\"drive\":") + drive + QLatin1Char('}');
    }
    runPageScript(QStringLiteral("initGPSLine(%1, '#5298ff', %2)").arg(route, options));
}

void KestroMainWidget::posChangedSlot(double pos)
{
    const int t = int(ui->horizontalSlider_progress->maximum() * pos);
    m_channelSync->seek(t, true);
    updateProgress(t);
}

void KestroMainWidget::updateProgress(int index)
{
    QMutexLocker lock(&m_sessionMutex);
    if (!m_channelModel1 || index < 0 || index >= m_channelModel1->track.size())
        return;
    const LuGPSModel *r = m_channelModel1->track.at(index);
    ui->widget_draw_gsensor->setCurrentIndex(index);

    const double scale = r->fromHaisi ? kFineScale : kCoarseScale;
    ui->pushBtn_gsensor_x->setText(QStringLiteral("X: %1").arg(r->gRawX * scale, 0, 'f', 4));
    ui->pushBtn_gsensor_y->setText(QStringLiteral("Y: %1").arg(r->gRawY * scale, 0, 'f', 4));
    ui->pushBtn_gsensor_z->setText(QStringLiteral("Z: %1").arg(r->gRawZ * scale, 0, 'f', 4));

    HWDefaultSettings *store = HWDefaultSettings::instance();
    const bool mph = store->speedUnit() == 1;
    const QString unit = mph ? QStringLiteral("MPH") : QStringLiteral("KM/H");
    if (r->status == 'A') {
        const bool mapCoordinates = store->mapType() == kBaidu;
        const QString lng = fixed6(mapCoordinates ? r->longitude : r->wgsLongitude);
        const QString lat = fixed6(mapCoordinates ? r->latitude : r->wgsLatitude);
        ui->label_lng->setText(lng);
        ui->label_lat->setText(lat);
        if (r->speedKnots > m_maxSpeedKnots)
            m_maxSpeedKnots = r->speedKnots;
        const int speed = int(mph ? r->speedMph : r->speedKmh);
        const int maximum = int(float(m_maxSpeedKnots * (mph ? 1.150779 : 1.852)));
        ui->label_draw_speed->setAngle(float(speed));
        ui->label_max_speed->setText(QStringLiteral("%1 %2").arg(maximum).arg(unit));
        ui->label_speed_value->setText(QString::number(speed));
        ui->label_speed_unit->setText(unit);
        ui->label_campass->setAngle(r->course);
        runPageScript(QStringLiteral("moveGPS({lng:%1,lat:%2})").arg(lng, lat));
    } else {
        ui->label_lng->setText(QStringLiteral("000.000000"));
        ui->label_lat->setText(QStringLiteral("00.000000"));
        ui->label_draw_speed->setAngle(0);
        ui->label_speed_value->clear();
        ui->label_speed_unit->setText(unit);
        ui->label_campass->setAngle(r->course);
    }
}
