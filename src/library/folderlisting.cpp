#include "folderlisting.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QSet>

#include <sys/stat.h>

namespace {
// Folders changed this recently are asked directly: a file written in the same clock tick as
// the listing would leave the folder's time unchanged.
constexpr qint64 kSettledNs = 2'000'000'000;
constexpr int kKeptFolders = 32;

struct Listing
{
    qint64 changedNs = -1;
    QSet<QString> names;
    QSet<QString> foldedNames; // lower case: FAT cards find "x.mp4" under "X.MP4"
};

QMutex s_mutex;
QHash<QString, Listing> s_listings;

qint64 nanoseconds(const timespec &time)
{
    return qint64(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}


// The listing of folder, fresh; null when the folder changed too recently to be trusted.
const Listing *listingOf(const QString &folder)
{
    struct stat status {};
    if (::stat(QFile::encodeName(folder).constData(), &status) != 0)
        return nullptr;
    const qint64 changed = nanoseconds(status.st_mtim);
    if (QDateTime::currentMSecsSinceEpoch() * 1'000'000 - changed < kSettledNs)
        return nullptr;
    if (s_listings.size() > kKeptFolders && !s_listings.contains(folder))
        s_listings.clear();
    Listing &listing = s_listings[folder];
    if (listing.changedNs != changed) {
        listing.changedNs = changed;
        listing.names.clear();
        listing.foldedNames.clear();
        const QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden);
        for (const QString &entry : names) {
            listing.names.insert(entry);
            listing.foldedNames.insert(entry.toLower());
        }
    }
    return &listing;
}

bool exists(const QString &path, QHash<QString, const Listing *> &seen)
{
    const int cut = path.lastIndexOf(QLatin1Char('/'));
    if (cut < 0)
        return QFileInfo::exists(path);
    const QString folder = cut == 0 ? QStringLiteral("/") : path.left(cut);
    auto it = seen.find(folder);
    if (it == seen.end())
        it = seen.insert(folder, listingOf(folder));
    const Listing *listing = it.value();
    if (!listing)
        return QFileInfo::exists(path);
    const QString name = path.mid(cut + 1);
    if (listing->names.contains(name))
        return true;
    // Whether another spelling of the name finds the file is the file system's to say.
    return listing->foldedNames.contains(name.toLower()) && QFileInfo::exists(path);
}
} // namespace

QStringList existingFiles(const QStringList &paths, int most)
{
    QMutexLocker lock(&s_mutex);
    QHash<QString, const Listing *> seen; // each folder looked at once per call
    QStringList found;
    for (const QString &path : paths) {
        if (found.size() >= most)
            break;
        if (!path.contains(QChar(0)) && exists(path, seen))
            found << path;
    }
    return found;
}
