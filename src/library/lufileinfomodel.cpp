#include "lufileinfomodel.h"

#include "channelnames.h"
#include "drivegrouping.h"
#include "folderlisting.h"
#include "hwdefaultsettings.h"
#include "hwfilemanager.h"
#include "librarylog.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <climits>
#include <ctime>
#include <map>
#include <utility>
#include <vector>

#include <sys/stat.h>

namespace {
constexpr int kTimestampedParts = 4;
constexpr int kSequenceSpread = 2;
constexpr int kSecondsSpread = 2;

// The part of a file name before its first ".".
QString baseName(const QString &fileName)
{
    return fileName.section(QLatin1Char('.'), 0, 0);
}

// The longest ending a cache name gets: the HiSilicon marker, ".txt" and the temporary ".tmp".
const QString kLongestCacheEnding = QStringLiteral("_haisi.txt.tmp");

// name + ending, shortened when the file system could not hold it: the name is cut to fit
// (whole characters only) and a hash of the whole name keeps shortened names apart. Names that
// fit stay as they are, so existing caches keep their names.
QString fittingFileName(const QString &name, const QString &ending, const QString &longestEnding)
{
    const auto bytes = [](const QString &text) { return QFile::encodeName(text).size(); };
    if (bytes(name + longestEnding) <= NAME_MAX)
        return name + ending;
    const QString hash = QLatin1Char('~') +
                         QString::fromLatin1(QCryptographicHash::hash(name.toUtf8(),
                                                                      QCryptographicHash::Sha1)
                                                 .toHex()
                                                 .left(16));
    QString head = name;
    while (!head.isEmpty() && bytes(head + hash + longestEnding) > NAME_MAX) {
        head.chop(1);
        if (!head.isEmpty() && head.at(head.size() - 1).isHighSurrogate())
            head.chop(1);
    }
    qCWarning(lcLibrary) << "LuFileInfoModel: name too long for the file system, shortened:"
                         << name;
    return head + hash + ending;
}

// A prefix that can name no file: a name cannot hold a NUL character.
QString impossiblePrefix(const QString &prefix)
{
    return prefix + QChar(0);
}

// The time prefixes of the timestamped family: a camera may start the partner file up to two
// seconds before or after this one.
QStringList timePrefixes(const QString &prefix)
{
    // Digit by digit: a card's worth of names is added at once, and the locale-aware parser
    // costs a hundred times more.
    const QDateTime stamp = wallClockFromDigits(prefix, kNameStampLayout);
    QStringList shifted;
    for (int offset : {-1, -2, 1, 2}) {
        if (!stamp.isValid() || prefix.size() != kNameStampLayout.size()) {
            shifted << impossiblePrefix(prefix);
            continue;
        }
        const QDateTime at = stamp.addSecs(offset);
        const QDate d = at.date();
        const QTime t = at.time();
        shifted << QString::asprintf("%04d_%02d%02d_%02d%02d%02d_", d.year(), d.month(), d.day(),
                                     t.hour(), t.minute(), t.second());
    }
    return {shifted[0], shifted[1], prefix, shifted[2], shifted[3]};
}
} // namespace

LuFileInfoModel::LuFileInfoModel(const QString &name, const QString &absolutePath,
                                 QObject *parent)
    : QObject(parent)
{
    fileName = name;
    fileStem = name.contains(QLatin1Char('.')) ? name.left(name.lastIndexOf(QLatin1Char('.')))
                                               : name;
    nativePath = QDir::toNativeSeparators(absolutePath);
    identityPath = nativePath;

    // One look at the file for its size and its clock. The clock is read as the digits it
    // shows here, without Qt's time-zone check on every call, which costs more than the rest
    // of adding a file.
    struct stat status {};
    const bool readable = ::stat(QFile::encodeName(absolutePath).constData(), &status) == 0;
    const qint64 size = readable ? qint64(status.st_size) : 0; // 0 when it cannot be read
    struct tm local {};
    if (readable && localtime_r(&status.st_mtime, &local))
        fileClock = QDateTime(QDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday),
                              QTime(local.tm_hour, local.tm_min, local.tm_sec), Qt::UTC);
    const QString sizeText = QString::number(size);
    const QString cacheEnding = QLatin1Char('_') + sizeText + QStringLiteral(".txt");
    trackCachePath = QDir::toNativeSeparators(HWFileManager::instance()->trackCachePath() +
                                              QLatin1Char('/')) +
                     fittingFileName(baseName(fileName), cacheEnding,
                                     QLatin1Char('_') + sizeText + kLongestCacheEnding);

    findSiblings(getBackPath(nativePath, &channelIndex, &carCameras));
    // Concatenated, not built with arg(): a "%1" in a folder or file name must stay text.
    const QString previewName = sizeText + QLatin1Char('_') + baseName(fileName);
    previewPath = HWFileManager::instance()->previewsPath() + QLatin1Char('/') +
                  fittingFileName(previewName, QStringLiteral(".jpg"), QStringLiteral(".jpg"));
}

LuFileInfoModel::~LuFileInfoModel()
{
    qCWarning(lcLibrary) << "LuFileInfoModel::~LuFileInfoModel" << fileName;
}

void LuFileInfoModel::findSiblings(const QStringList &candidates)
{
    siblingPaths = existingFiles(candidates, carCameras ? kMaxChannels - 1 : 2);
    channelCount = 1 + int(siblingPaths.size());
}

QStringList LuFileInfoModel::getBackPath(const QString &path, int *channelIndex,
                                         bool *carCameras)
{
    const int cut = std::max(path.lastIndexOf(QLatin1Char('/')),
                             path.lastIndexOf(QDir::separator()));
    const QString name = path.mid(cut + 1);
    const QString folder = path.left(path.size() - name.size());
    const QStringList parts = name.split(QLatin1Char('_'), Qt::KeepEmptyParts);
    const QString last = parts.last();
    const QString prefix = name.left(name.size() - last.size());

    ChannelEndings endings;
    if (!channelEndingsOf(name, &endings))
        return {};
    *channelIndex = endings.channel;
    if (carCameras)
        *carCameras = endings.carCameras;
    const QString &own = endings.own;

    QStringList candidates;
    if (endings.fromTable && parts.size() == kTimestampedParts) {
        const int sequence = last.left(std::max(0, int(last.size() - own.size()))).toInt();
        const QStringList prefixes = timePrefixes(prefix);
        for (const QString &partner : endings.partners)
            for (int s = sequence - kSequenceSpread; s <= sequence + kSequenceSpread; ++s)
                for (const QString &timePrefix : prefixes)
                    // Concatenated, not built with chained arg(): each arg() would scan the
                    // folder and prefix already put in for "%1"-like text of their own.
                    candidates << folder + timePrefix +
                                      QStringLiteral("%1").arg(s, 3, 10, QLatin1Char('0')) +
                                      partner;
        Q_ASSERT(candidates.size() == 2 * (2 * kSequenceSpread + 1) * (2 * kSecondsSpread + 1));
    } else if (endings.fromTable) {
        const QString rest = QString(name).remove(own, Qt::CaseSensitive);
        for (const QString &partner : endings.partners)
            candidates << folder + rest + partner;
    } else {
        // The camera families: the partners' names differ in the camera part alone.
        const QString stem = name.left(name.size() - own.size());
        for (const QString &partner : endings.partners)
            candidates << folder + stem + partner;
    }
    return candidates;
}

LuFileInfoModel *addUniqueModel(QList<LuFileInfoModel *> &list, LuFileInfoModel *candidate)
{
    for (LuFileInfoModel *model : qAsConst(list)) {
        if (model->identityPath == candidate->identityPath) {
            delete candidate;
            return model;
        }
        model->isPlaying = false;
    }
    list.append(candidate);
    return candidate;
}

void takeModelOut(QList<LuFileInfoModel *> &list, LuFileInfoModel *model)
{
    list.removeAll(model);
    for (LuFileInfoModel *other : qAsConst(list)) {
        if (other->prevChannel == model)
            other->prevChannel = nullptr;
        if (other->nextChannel == model)
            other->nextChannel = nullptr;
    }
    model->prevChannel = model->nextChannel = nullptr;
}

void sortAndLinkFileList(QList<LuFileInfoModel *> &list)
{
    linkChannels(list);
    QStringList paths;
    paths.reserve(list.size());
    for (const LuFileInfoModel *model : list)
        paths << model->nativePath;
    HWDefaultSettings::instance()->setLastFileList(paths);
}

void linkChannels(QList<LuFileInfoModel *> &list)
{
    // By path; the car's cameras of one recording in their channel order, the front first, so
    // that its row stays on top when the list unfolds them.
    const auto sortKey = [](const LuFileInfoModel *model) {
        if (!model->carCameras)
            return model->nativePath;
        const int dash = model->nativePath.lastIndexOf(QLatin1Char('-'));
        return QString(model->nativePath.left(dash + 1) + QChar('0' + model->channelIndex));
    };
    std::vector<std::pair<QString, LuFileInfoModel *>> keyed;
    keyed.reserve(size_t(list.size()));
    for (LuFileInfoModel *model : qAsConst(list))
        keyed.emplace_back(sortKey(model), model);
    std::sort(keyed.begin(), keyed.end(), [](const auto &a, const auto &b) {
        return a.first < b.first || (a.first == b.first && a.second->nativePath < b.second->nativePath);
    });
    for (int i = 0; i < list.size(); ++i)
        list[i] = keyed[size_t(i)].second;

    std::map<QString, LuFileInfoModel *> byChannel[4];
    // The car's recordings by the name they share, each camera in its channel's place.
    std::map<QString, std::array<LuFileInfoModel *, kMaxChannels>> carRecordings;
    for (LuFileInfoModel *model : list) {
        if (model->carCameras && model->channelIndex >= 1 && model->channelIndex <= kMaxChannels) {
            const QString key = model->nativePath.left(model->nativePath.lastIndexOf(QLatin1Char('-')));
            carRecordings[key][size_t(model->channelIndex - 1)] = model;
        } else if (model->channelIndex >= 1 && model->channelIndex <= 3) {
            byChannel[model->channelIndex].emplace(model->nativePath, model);
        }
    }
    for (auto &entry : carRecordings) {
        LuFileInfoModel *previous = nullptr;
        for (LuFileInfoModel *model : entry.second) {
            if (!model)
                continue;
            model->prevChannel = previous;
            model->nextChannel = nullptr;
            if (previous)
                previous->nextChannel = model;
            previous = model;
        }
    }

    const auto sibling = [](const std::map<QString, LuFileInfoModel *> &channel,
                            const LuFileInfoModel *of) -> LuFileInfoModel * {
        for (const QString &path : of->siblingPaths) {
            const auto found = channel.find(path);
            if (found != channel.end())
                return found->second;
        }
        return nullptr;
    };
    // Links go only through a back file: front and inside files alone stay unlinked.
    for (const auto &entry : byChannel[2]) {
        LuFileInfoModel *back = entry.second;
        LuFileInfoModel *front = sibling(byChannel[1], back);
        LuFileInfoModel *inside = sibling(byChannel[3], back);
        back->prevChannel = front;
        back->nextChannel = inside;
        if (front) {
            front->nextChannel = back;
            front->prevChannel = nullptr;
        }
        if (inside) {
            inside->prevChannel = back;
            inside->nextChannel = nullptr;
        }
    }
}
