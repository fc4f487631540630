#include "telemetrydisplay.h"

#include "carsignalsdisplay.h"
#include "hwdefaultsettings.h"
#include "library.h"
#include "lucampasslabel.h"
#include "lufileinfomodel.h"
#include "lugpsmodel.h"
#include "lugpsspeedlabel.h"
#include "lugsensorwidget.h"
#include "mapview.h"
#include "playbacksession.h"

#include <QAbstractButton>
#include <QFileInfo>
#include <QLabel>

#include <cmath>

namespace {
constexpr int kBaiduMapType = 1;
constexpr double kFineScale = 0.000244140625; // 4096 counts per g
constexpr double kCoarseScale = 0.00390625;   // 256 counts per g

QString fixed6(double value)
{
    return QString::number(value, 'f', 6);
}

// The open channels' files in the session's order, which starts at the recording's front-most
// channel; the car's signals are read from the first that carries them.
QStringList carSignalSources(const PlaybackSession &session)
{
    QStringList paths;
    for (const LuFileInfoModel *model : session.openChannels())
        if (model)
            paths << model->nativePath;
    return paths;
}

QString speedUnitText()
{
    return HWDefaultSettings::instance()->speedUnit() == 1 ? QStringLiteral("MPH")
                                                           : QStringLiteral("KM/H");
}
} // namespace

TelemetryDisplay::TelemetryDisplay(const TelemetryWidgets &widgets, PlaybackSession *session,
                                   MapView *map, Library *library, QObject *parent)
    : QObject(parent), m_widgets(widgets), m_session(session), m_map(map),
      m_carSignals(new CarSignalsDisplay(widgets.carSignals, this))
{
    connect(session, &PlaybackSession::positionChanged, this, [this](int second) {
        showTime(second);
        show(second);
        // The player's own position is finer than the whole second reported; while the handle
        // is dragged it lies elsewhere, and the second is what counts.
        const double position = m_session->position();
        m_carSignals->showAt(position >= 0 && std::fabs(position - second) <= 0.5 ? position
                                                                                  : double(second));
    });
    connect(session, &PlaybackSession::durationChanged, this, &TelemetryDisplay::showLength);
    connect(session, &PlaybackSession::attributesChanged, this,
            &TelemetryDisplay::showAttributes);
    connect(session, &PlaybackSession::recordingBound, this, [this] {
        m_carSignals->load(carSignalSources(*m_session));
        m_maxSpeedKnots = 0;
        m_widgets.chart->setTrack(m_session->master());
    });
    connect(session, &PlaybackSession::stopped, this, [this] {
        m_carSignals->clear();
        m_widgets.chart->setTrack(nullptr);
        reset();
    });
    connect(map, &MapView::routeRedrawn, this, [this] { show(m_session->shownSecond()); });
    // Only the master channel's track is shown; the others keep theirs for their next open.
    connect(library, &Library::trackReady, this, [this](LuFileInfoModel *model) {
        if (model && model == m_session->master())
            m_widgets.chart->setTrack(model);
    });
}

QString TelemetryDisplay::formatPlayTime(int seconds)
{
    const int h = seconds / 3600, m = (seconds % 3600) / 60, s = seconds % 60;
    if (h > 0)
        return QString::asprintf("%.2d:%.2d:%.2d", h, m, s);
    return QString::asprintf("%.2d:%.2d", m, s);
}

void TelemetryDisplay::showTime(int second)
{
    const LuFileInfoModel *master = m_session->master();
    if (!master)
        return;
    m_widgets.playTime->setText(QStringLiteral("%1/%2").arg(
        formatPlayTime(second), formatPlayTime(int(master->videoDuration))));
}

void TelemetryDisplay::showLength(float seconds)
{
    m_widgets.duration->setText(formatPlayTime(int(seconds)));
}

void TelemetryDisplay::showAttributes(int width, int height)
{
    const LuFileInfoModel *master = m_session->master();
    if (!master)
        return;
    m_widgets.resolution->setText(QStringLiteral("%1 * %2").arg(width).arg(height));
    const double megabytes =
        double(QFileInfo(master->nativePath).size()) * 0.0009765625 * 0.0009765625;
    m_widgets.fileSize->setText(QStringLiteral("%1 MB").arg(qint64(megabytes)));
}

void TelemetryDisplay::reset()
{
    m_widgets.playTime->setText(QStringLiteral("00:00/00:00"));
    m_widgets.longitude->setText(QStringLiteral("000.000000"));
    m_widgets.latitude->setText(QStringLiteral("00.000000"));
    m_maxSpeedKnots = 0;
    showSpeedUnit();
    m_widgets.speedometer->setAngle(0);
    m_widgets.speedValue->setText(QStringLiteral("000"));
    m_widgets.compass->setAngle(0);
    m_widgets.fileSize->setText(QStringLiteral("0 MB"));
    m_widgets.duration->setText(QStringLiteral("00:00"));
    m_widgets.resolution->setText(QStringLiteral("0000"));
    m_widgets.gsensorX->setText(QStringLiteral("X: 0"));
    m_widgets.gsensorY->setText(QStringLiteral("Y: 0"));
    m_widgets.gsensorZ->setText(QStringLiteral("Z: 0"));
}

void TelemetryDisplay::settingsApplied()
{
    if (m_session->state() == PlaybackSession::Stopped) {
        reset();
        return;
    }
    // A recording without a track gets no per-second update that would show the new unit.
    showSpeedUnit();
}

void TelemetryDisplay::showSpeedUnit()
{
    const bool mph = HWDefaultSettings::instance()->speedUnit() == 1;
    const int maximum = int(float(m_maxSpeedKnots * (mph ? 1.150779 : 1.852)));
    m_widgets.maxSpeed->setText(QStringLiteral("%1 %2").arg(maximum).arg(speedUnitText()));
    m_widgets.speedUnit->setText(speedUnitText());
}

void TelemetryDisplay::show(int second)
{
    const LuFileInfoModel *master = m_session->master();
    if (!master || second < 0 || second >= master->track.size())
        return;
    const LuGPSModel *r = master->track.at(second);
    m_widgets.chart->setCurrentIndex(second);

    const double scale = r->fromHaisi ? kFineScale : kCoarseScale;
    m_widgets.gsensorX->setText(QStringLiteral("X: %1").arg(r->gRawX * scale, 0, 'f', 4));
    m_widgets.gsensorY->setText(QStringLiteral("Y: %1").arg(r->gRawY * scale, 0, 'f', 4));
    m_widgets.gsensorZ->setText(QStringLiteral("Z: %1").arg(r->gRawZ * scale, 0, 'f', 4));

    HWDefaultSettings *store = HWDefaultSettings::instance();
    const bool mph = store->speedUnit() == 1;
    const QString unit = speedUnitText();
    if (r->status == 'A') {
        const bool mapCoordinates = store->mapType() == kBaiduMapType;
        const QString lng = fixed6(mapCoordinates ? r->longitude : r->wgsLongitude);
        const QString lat = fixed6(mapCoordinates ? r->latitude : r->wgsLatitude);
        m_widgets.longitude->setText(lng);
        m_widgets.latitude->setText(lat);
        if (r->speedKnots > m_maxSpeedKnots)
            m_maxSpeedKnots = r->speedKnots;
        const int speed = int(mph ? r->speedMph : r->speedKmh);
        const int maximum = int(float(m_maxSpeedKnots * (mph ? 1.150779 : 1.852)));
        m_widgets.speedometer->setAngle(float(speed));
        m_widgets.maxSpeed->setText(QStringLiteral("%1 %2").arg(maximum).arg(unit));
        m_widgets.speedValue->setText(QString::number(speed));
        m_widgets.speedUnit->setText(unit);
        m_widgets.compass->setAngle(r->course);
        m_map->moveMarker(lng, lat);
    } else {
        m_widgets.longitude->setText(QStringLiteral("000.000000"));
        m_widgets.latitude->setText(QStringLiteral("00.000000"));
        m_widgets.speedometer->setAngle(0);
        m_widgets.speedValue->clear();
        m_widgets.speedUnit->setText(unit);
        m_widgets.compass->setAngle(r->course);
    }
}
