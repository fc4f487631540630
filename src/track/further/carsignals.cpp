#include "carsignals.h"

#include "seiframes.h"
#include "tracklog.h"

#include <QCoreApplication>
#include <QFile>

#include <algorithm>
#include <cmath>

namespace {
namespace carsignals {
float finiteOr(float value, float fallback)
{
    return std::isfinite(value) ? value : fallback;
}

CarSignalFrame frameOf(const SeiFrame &frame)
{
    const SeiTelemetry &t = frame.message;
    CarSignalFrame f;
    f.time = frame.time;
    f.gear = carGearOf(t.gear);
    f.brake = t.brakeApplied;
    f.blinkerLeft = t.blinkerLeft;
    f.blinkerRight = t.blinkerRight;
    f.assist = carAssistOf(t.assistance);
    // A damaged message may hold anything; the row and the strip draw only what is in range.
    f.pedal = std::clamp(finiteOr(t.acceleratorPedal, 0), 0.0f, 1.0f);
    f.steeringDeg = std::clamp(finiteOr(t.steeringAngle, 0), -3600.0f, 3600.0f);
    f.speedMps = finiteOr(t.speedMps, 0);
    return f;
}

bool readFrom(const VideoInput &input, QVector<CarSignalFrame> *frames, QString *problem)
{
    frames->clear();
    VideoIndex video(input);
    if (!video.isOpen()) {
        *problem = QStringLiteral("cannot be read");
        return false;
    }
    SeiTelemetryWalk walk(video);
    for (std::size_t k = 0; k < walk.tracks() && frames->isEmpty(); ++k) {
        walk.walk(k, [frames](const SeiFrame &frame) {
            if (frame.fields > 0)
                frames->push_back(frameOf(frame));
            return frames->size() < kMaxCarSignalFrames;
        });
    }
    if (frames->isEmpty()) {
        *problem = QStringLiteral("no car signals in the video's SEI");
        return false;
    }
    // Frames shown in another order than stored would break the search by time.
    std::stable_sort(
        frames->begin(), frames->end(),
        [](const CarSignalFrame &a, const CarSignalFrame &b) { return a.time < b.time; });
    problem->clear();
    return true;
}
} // namespace carsignals
} // namespace

bool readCarSignals(const QString &path, QVector<CarSignalFrame> *frames, QString *problem)
{
    using namespace carsignals;
    const QByteArray name = QFile::encodeName(path);
    VideoInput input;
    input.path = name.constData();
    const bool ok = readFrom(input, frames, problem);
    if (!ok)
        qCDebug(lcTrack) << "car signals:" << path << *problem;
    return ok;
}

bool readCarSignalsFromMemory(const unsigned char *data, std::size_t size,
                              QVector<CarSignalFrame> *frames, QString *problem)
{
    using namespace carsignals;
    VideoInput input;
    input.data = data;
    input.size = size;
    return readFrom(input, frames, problem);
}

int carSignalFrameAt(const QVector<CarSignalFrame> &frames, double time)
{
    if (frames.isEmpty() || !std::isfinite(time))
        return -1;
    const auto after =
        std::upper_bound(frames.cbegin(), frames.cend(), time,
                         [](double t, const CarSignalFrame &frame) { return t < frame.time; });
    if (after == frames.cbegin())
        return -1;
    const int index = int(after - frames.cbegin()) - 1;
    return time - frames[index].time <= kCarSignalHold ? index : -1;
}

CarGear carGearOf(unsigned value)
{
    return value <= unsigned(CarGear::Neutral) ? CarGear(value) : CarGear::Unknown;
}

CarAssist carAssistOf(unsigned value)
{
    return value <= unsigned(CarAssist::Tacc) ? CarAssist(value) : CarAssist::Unknown;
}

QString carGearText(CarGear gear)
{
    switch (gear) {
    case CarGear::Park:
        return QCoreApplication::translate("CarSignals", "P", "gear: park");
    case CarGear::Drive:
        return QCoreApplication::translate("CarSignals", "D", "gear: drive");
    case CarGear::Reverse:
        return QCoreApplication::translate("CarSignals", "R", "gear: reverse");
    case CarGear::Neutral:
        return QCoreApplication::translate("CarSignals", "N", "gear: neutral");
    case CarGear::Unknown:
        break;
    }
    return QString();
}

QString carAssistText(CarAssist assist)
{
    switch (assist) {
    case CarAssist::SelfDriving:
        return QCoreApplication::translate("CarSignals", "Self-driving");
    case CarAssist::Autosteer:
        return QCoreApplication::translate("CarSignals", "Autosteer");
    case CarAssist::Tacc:
        return QCoreApplication::translate("CarSignals", "TACC", "traffic-aware cruise control");
    case CarAssist::None:
    case CarAssist::Unknown:
        break;
    }
    return QString();
}
