#include "channelnames.h"

#include "channelpatterntable.h"

namespace {
namespace channelnames {
constexpr char kCameras[] = {'F', 'R', 'I'}; // channels 1, 2, 3

bool fromTable(const QString &fileName, ChannelEndings *e)
{
    // Compared case-sensitively, first match wins (see the table).
    for (const ChannelPattern &row : ChannelPatternTable) {
        if (!fileName.endsWith(QLatin1String(row.own), Qt::CaseSensitive))
            continue;
        e->channel = row.channel;
        e->own = QLatin1String(row.own);
        e->partners = QStringList{QLatin1String(row.partner1), QLatin1String(row.partner2)};
        e->fromTable = true;
        return true;
    }
    return false;
}

bool isVideoExtension(const QString &extension)
{
    for (const char *known : {".MP4", ".mp4", ".MOV", ".mov", ".TS", ".ts", ".AVI", ".avi"})
        if (extension == QLatin1String(known))
            return true;
    return false;
}

int cameraChannel(QChar c)
{
    for (int i = 0; i < 3; ++i)
        if (c == QLatin1Char(kCameras[i]))
            return i + 1;
    return 0;
}

bool isModeLetter(QChar c)
{
    return c == QLatin1Char('N') || c == QLatin1Char('E') || c == QLatin1Char('P') ||
           c == QLatin1Char('M');
}

bool fromCameraLetter(const QString &fileName, ChannelEndings *e)
{
    const int dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || !isVideoExtension(fileName.mid(dot)))
        return false;
    const QString base = fileName.left(dot);
    const auto at = [&base](int fromEnd) {
        return fromEnd <= base.size() ? base.at(base.size() - fromEnd) : QChar();
    };
    // A quality letter after the camera letter, the two after "_".
    QString quality;
    int camera = 1; // position of the camera letter from the end
    if ((at(1) == QLatin1Char('H') || at(1) == QLatin1Char('L')) && cameraChannel(at(2)) &&
        at(3) == QLatin1Char('_')) {
        quality = at(1);
        camera = 2;
    }
    const int channel = cameraChannel(at(camera));
    if (!channel)
        return false;
    const QChar before = at(camera + 1);
    const bool fits = !quality.isEmpty() || before.isDigit() || before == QLatin1Char('_') ||
                      (isModeLetter(before) && at(camera + 2) == QLatin1Char('_'));
    if (!fits)
        return false;
    const QString tail = quality + fileName.mid(dot);
    e->channel = channel;
    e->own = at(camera) + tail;
    for (int i = 0; i < 3; ++i)
        if (i + 1 != channel)
            e->partners << QLatin1Char(kCameras[i]) + tail;
    e->fromTable = false;
    return true;
}

// "YYYY-MM-DD_HH-MM-SS": digits where the layout has '9', the layout's other characters as they are.
bool fitsStamp(const QString &text, int from)
{
    static const QLatin1String kLayout("9999-99-99_99-99-99");
    if (from < 0 || text.size() < from + kLayout.size())
        return false;
    for (int i = 0; i < kLayout.size(); ++i) {
        const QChar c = text.at(from + i);
        if (kLayout.at(i) == QLatin1Char('9') ? !c.isDigit() : c != kLayout.at(i))
            return false;
    }
    return true;
}

bool fromCarCameras(const QString &fileName, ChannelEndings *e)
{
    const int dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return false;
    const QString extension = fileName.mid(dot);
    if (extension != QLatin1String(".mp4") && extension != QLatin1String(".MP4"))
        return false;
    const int dash = fileName.lastIndexOf(QLatin1Char('-'), dot);
    const QString camera = fileName.mid(dash + 1, dot - dash - 1);
    int channel = 0;
    for (int c = 1; c <= kMaxChannels && !channel; ++c)
        if (camera == cameraName(c, true))
            channel = c;
    // The stamp ends the name before the camera; partners share whatever comes before it.
    if (!channel || !fitsStamp(fileName, dash - 19))
        return false;
    e->channel = channel;
    e->own = fileName.mid(dash);
    for (int c = 1; c <= kMaxChannels; ++c)
        if (c != channel)
            e->partners << QLatin1Char('-') + cameraName(c, true) + extension;
    e->carCameras = true;
    return true;
}
} // namespace channelnames
} // namespace

QString cameraName(int channel, bool carCameras)
{
    static const char *const kCar[] = {"front", "back", "left_repeater", "right_repeater",
                                       "left_pillar", "right_pillar"};
    static const char *const kOther[] = {"front", "back", "inside"};
    if (channel < 1 || channel > (carCameras ? kMaxChannels : 3))
        return QString();
    return QLatin1String(carCameras ? kCar[channel - 1] : kOther[channel - 1]);
}

bool channelEndingsOf(const QString &fileName, ChannelEndings *endings)
{
    using namespace channelnames;
    *endings = ChannelEndings{};
    return fromTable(fileName, endings) || fromCameraLetter(fileName, endings) ||
           fromCarCameras(fileName, endings);
}
