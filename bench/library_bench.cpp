// Recording library figures: loading a cached one-hour track (3600 lines), finding its driving
// events, and adding files from a folder of 1000 three-channel recordings. Run by hand: build/.../bin/library_bench
#include "drivingevents.h"
#include "lufileinfomodel.h"
#include "lugpsmodel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <malloc.h>

namespace {
double median(QVector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

QByteArray hourOfLines(bool inChina)
{
    QByteArray text;
    for (int s = 0; s < 3600; ++s) {
        const double minutes = 32.5 + s * 0.0003;
        text += QStringLiteral("A20240516%1%2%3,%4,N,%5,E,%6,90.00,%7,-3,256\n")
                    .arg(10 + s / 3600, 2, 10, QChar('0'))
                    .arg((s / 60) % 60, 2, 10, QChar('0'))
                    .arg(s % 60, 2, 10, QChar('0'))
                    .arg(inChina ? 2200 + minutes : 4800 + minutes, 0, 'f', 6)
                    .arg(inChina ? 11400.0 : 1131.0, 0, 'f', 6)
                    .arg(30.0 + (s % 20), 0, 'f', 2)
                    .arg(s % 50)
                    .toLatin1();
    }
    return text;
}

size_t heapInUse()
{
    return mallinfo2().uordblks;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stderr); // the region test prints per point on standard output
    QTemporaryDir home;
    qputenv("XDG_CACHE_HOME", home.filePath("cache").toLocal8Bit());
    // The per-model log lines would measure the terminal, not the library.
    if (!qEnvironmentVariableIsSet("BENCH_WITH_LOG"))
        QLoggingCategory::setFilterRules(QStringLiteral("*.warning=false"));

    for (bool inChina : {true, false}) {
        const QString video = home.filePath(inChina ? "china_A.MP4" : "europe_A.MP4");
        QFile(video).open(QIODevice::WriteOnly);
        const QByteArray cache = hourOfLines(inChina);
        {
            LuFileInfoModel probe(QFileInfo(video).fileName(), video);
            QFile file(probe.trackCachePath);
            file.open(QIODevice::WriteOnly);
            file.write(cache);
        }
        QVector<double> times;
        size_t bytesPerSample = 0;
        for (int run = 0; run < 15; ++run) {
            LuFileInfoModel model(QFileInfo(video).fileName(), video);
            const size_t before = heapInUse();
            QElapsedTimer clock;
            clock.start();
            model.loadTrack();
            times << clock.nsecsElapsed() / 1e6;
            bytesPerSample = (heapInUse() - before) / size_t(model.track.size());
        }
        if (inChina) {
            LuFileInfoModel model(QFileInfo(video).fileName(), video);
            model.loadTrack();
            QVector<double> eventTimes;
            int found = 0;
            for (int run = 0; run < 101; ++run) {
                QElapsedTimer clock;
                clock.start();
                found = findDrivingEvents(model.track, 1.0 / 256).size();
                eventTimes << clock.nsecsElapsed() / 1e6;
            }
            out << "driving events of a 3600-sample track (" << found << " found): median "
                << QString::number(median(eventTimes), 'f', 3) << " ms\n";
        }
        out << "loadTrack, cached 3600-line track " << (inChina ? "(in China)" : "(outside China)")
            << ": median " << QString::number(median(times), 'f', 2) << " ms; heap per sample "
            << bytesPerSample << " bytes (sample object " << sizeof(LuGPSModel)
            << " bytes, with its Qt private data, route text and series share)\n";
    }

    // 1000 recordings of three channels in one folder, timestamped names.
    QDir().mkpath(home.filePath("card"));
    QStringList fronts;
    for (int i = 0; i < 1000; ++i) {
        const QString stamp = QStringLiteral("2024_0516_%1_%2")
                                  .arg(100000 + (i / 60) * 100 + i % 60, 6, 10, QChar('0'))
                                  .arg(i, 3, 10, QChar('0'));
        for (const char *channel : {"A", "B", "C"}) {
            const QString path = home.filePath("card/" + stamp + channel + ".MP4");
            QFile(path).open(QIODevice::WriteOnly);
            if (*channel == 'A')
                fronts << path;
        }
    }
    QElapsedTimer clock;
    clock.start();
    QList<LuFileInfoModel *> library;
    for (const QString &path : fronts)
        addUniqueModel(library, new LuFileInfoModel(QFileInfo(path).fileName(), path));
    const double perFile = clock.nsecsElapsed() / 1e6 / fronts.size();
    clock.restart();
    sortAndLinkFileList(library);
    const double regroup = clock.nsecsElapsed() / 1e6;
    out << "adding a file from a folder of 1000 recordings (name derivation, 50 candidates, "
           "sibling search, duplicate check): "
        << QString::number(perFile, 'f', 3) << " ms per file; sorting and linking 1000 models: "
        << QString::number(regroup, 'f', 1) << " ms\n";
    qDeleteAll(library);
    return 0;
}
