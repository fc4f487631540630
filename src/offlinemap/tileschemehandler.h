#pragma once

#include "mbtiles.h"

#include <QHash>
#include <QPointer>
#include <QThread>
#include <QWebEngineUrlSchemeHandler>

class QWebEngineUrlRequestJob;

// Makes the tile scheme known to the web engine. Must run before the application object is
// made; the engine takes no new schemes after that.
void registerTileScheme();

// Installed on a web profile for kTileScheme, it answers the pages' qmarl-tiles:/{z}/{x}/{y} requests from the chosen MBTiles file. The tiles
// are read on a thread of the handler's own, with its own connection, and the answers handed to
// the web engine back on the handler's thread; a request the page dropped meanwhile is let go.
class TileSchemeHandler : public QWebEngineUrlSchemeHandler
{
    Q_OBJECT

public:
    explicit TileSchemeHandler(QObject *parent = nullptr);
    ~TileSchemeHandler() override;

    // Serves the file from now on when it is a usable MBTiles file, else nothing; an empty path
    // serves nothing. What the file offers (or why it cannot be used) is returned and kept.
    MbTilesInfo setFile(const QString &path);
    const MbTilesInfo &info() const { return m_info; }

    void requestStarted(QWebEngineUrlRequestJob *job) override;

private:
    void answer(quint64 id, const QByteArray &data);

    QThread m_thread;
    QObject *m_worker = nullptr; // lives on m_thread, holds that thread's reader
    QHash<quint64, QPointer<QWebEngineUrlRequestJob>> m_jobs;
    quint64 m_nextId = 0;
    MbTilesInfo m_info;
};
