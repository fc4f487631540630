#include "carfolders.h"

#include "drivegrouping.h"

#include <QStringList>

#include <algorithm>

namespace {
namespace carfolders {

const QString kStampLayout = QStringLiteral("yyyy-MM-dd_HH-mm-ss");

// Cut at the last separator of either kind: paths arrive in native form.
int lastSeparator(const QString &path, int before)
{
    return std::max(path.lastIndexOf(QLatin1Char('/'), before),
                    path.lastIndexOf(QLatin1Char('\\'), before));
}

} // namespace carfolders
} // namespace

QDateTime carFolderTimeStamp(const QString &name)
{
    using namespace carfolders;
    return wallClockFromDigits(name, kStampLayout);
}

int carCameraRank(const QString &fileName)
{
    using namespace carfolders;
    static const QStringList cameras = {
        QStringLiteral("front"),          QStringLiteral("back"),
        QStringLiteral("left_repeater"),  QStringLiteral("right_repeater"),
        QStringLiteral("left_pillar"),    QStringLiteral("right_pillar")};
    const int stampLength = kStampLayout.size();
    if (fileName.size() <= stampLength + 1 || fileName.at(stampLength) != QLatin1Char('-') ||
        !carFolderTimeStamp(fileName).isValid())
        return -1;
    const int dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot <= stampLength + 1)
        return -1;
    return int(cameras.indexOf(fileName.mid(stampLength + 1, dot - stampLength - 1)));
}

QString carEventFolderOf(const QString &videoPath)
{
    using namespace carfolders;
    const int fileCut = lastSeparator(videoPath, -1);
    if (fileCut <= 0)
        return {};
    const int folderCut = lastSeparator(videoPath, fileCut - 1);
    if (folderCut <= 0)
        return {};
    const int parentCut = lastSeparator(videoPath, folderCut - 1);
    const QStringRef parent = videoPath.midRef(parentCut + 1, folderCut - parentCut - 1);
    if (parent.compare(QLatin1String("SavedClips"), Qt::CaseInsensitive) != 0 &&
        parent.compare(QLatin1String("SentryClips"), Qt::CaseInsensitive) != 0)
        return {};
    return videoPath.left(fileCut);
}
