// qmarl_demo_seed: adds video files to the list the viewer reopens at its next start (the last
// session's file list in the settings store), keeping whatever the list already holds.
//
// Usage: qmarl_demo_seed FILE...
//
// The viewer resets its settings, that list included, on its first start. So that the seeded
// files survive that start, the helper runs the same first-run check first; the viewer then
// finds its marker and leaves the list alone.
#include "firstinstall.h"
#include "hwdefaultsettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <cstdio>

namespace {

// The settings code reports through the message logger; this tool speaks for itself.
void quiet(QtMsgType, const QMessageLogContext &, const QString &) {}

QString sameFileKey(const QString &path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // The per-user cache folder (and with it the first-run marker) is named after the
    // application, which for the viewer is its executable's name.
    QCoreApplication::setApplicationName(QStringLiteral("q-marl"));
    const QStringList files = app.arguments().mid(1);
    if (files.isEmpty()) {
        std::fprintf(stderr, "usage: qmarl_demo_seed FILE...\n");
        return 2;
    }
    for (const QString &file : files) {
        if (!QFileInfo(file).isFile()) {
            std::fprintf(stderr, "qmarl_demo_seed: no such file: %s\n", qPrintable(file));
            return 1;
        }
    }

    qInstallMessageHandler(quiet);
    checkFirstInstall();
    HWDefaultSettings *store = HWDefaultSettings::instance();
    QStringList list = store->lastFileList();
    QStringList held;
    for (const QString &path : list)
        held << sameFileKey(path);

    QStringList added;
    for (const QString &file : files) {
        const QString key = sameFileKey(file);
        if (held.contains(key))
            continue;
        held << key;
        // Stored the way the viewer stores the paths it opened.
        list << QDir::toNativeSeparators(key);
        added << key;
    }
    if (!added.isEmpty())
        store->setLastFileList(list);
    qInstallMessageHandler(nullptr);

    for (const QString &path : added)
        std::printf("qmarl_demo_seed: added %s\n", qPrintable(path));
    if (added.isEmpty())
        std::printf("qmarl_demo_seed: the list already holds them\n");
    return 0;
}
