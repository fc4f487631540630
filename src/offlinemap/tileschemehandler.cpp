#include "tileschemehandler.h"

#include "offlinemaplog.h"
#include "tileaddress.h"

#include <QBuffer>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>

#include <memory>

namespace {
namespace tileschemehandler {

// The reading thread's side: one reader at a time, made, used and dropped on that thread.
class TileReadWorker : public QObject
{
public:
    std::unique_ptr<MbTilesReader> reader;
};

} // namespace tileschemehandler
} // namespace

void registerTileScheme()
{
    QWebEngineUrlScheme scheme(kTileScheme);
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Path);
    // Secure, so that pages of any origin may show its pictures; CORS, so that a page may fetch
    // them too.
    scheme.setFlags(QWebEngineUrlScheme::SecureScheme | QWebEngineUrlScheme::CorsEnabled);
    QWebEngineUrlScheme::registerScheme(scheme);
}

TileSchemeHandler::TileSchemeHandler(QObject *parent) : QWebEngineUrlSchemeHandler(parent)
{
    using namespace tileschemehandler;
    m_thread.setObjectName(QStringLiteral("offline map tiles"));
    auto *worker = new TileReadWorker;
    worker->moveToThread(&m_thread);
    m_worker = worker;
    m_thread.start();
}

TileSchemeHandler::~TileSchemeHandler()
{
    using namespace tileschemehandler;
    // The reader's connection belongs to the reading thread: it is closed there.
    auto *worker = static_cast<TileReadWorker *>(m_worker);
    QMetaObject::invokeMethod(
        worker, [worker] { worker->reader.reset(); }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
    delete worker;
}

MbTilesInfo TileSchemeHandler::setFile(const QString &path)
{
    using namespace tileschemehandler;
    m_info = path.isEmpty() ? MbTilesInfo() : inspectMbTiles(path);
    const QString serve = m_info.ok ? path : QString();
    auto *worker = static_cast<TileReadWorker *>(m_worker);
    // Queued like the reads, so every read asked before this goes to the file it was asked of.
    QMetaObject::invokeMethod(worker, [worker, serve] {
        if (worker->reader && worker->reader->path() == serve)
            return;
        worker->reader.reset();
        if (!serve.isEmpty())
            worker->reader = std::make_unique<MbTilesReader>(serve);
    });
    return m_info;
}

void TileSchemeHandler::requestStarted(QWebEngineUrlRequestJob *job)
{
    using namespace tileschemehandler;
    const std::optional<TileAddress> tile = parseTileUrl(job->requestUrl());
    if (!tile) {
        qCWarning(lcOfflineMap) << "refused tile request" << job->requestUrl().toString();
        job->fail(QWebEngineUrlRequestJob::UrlInvalid);
        return;
    }
    if (!m_info.ok) {
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    const quint64 id = m_nextId++;
    m_jobs.insert(id, job);
    auto *worker = static_cast<TileReadWorker *>(m_worker);
    const TileAddress at = *tile;
    // The handler outlives every read (its end waits for the thread); an answer still queued
    // when it goes is dropped with it.
    TileSchemeHandler *handler = this;
    QMetaObject::invokeMethod(worker, [worker, at, id, handler] {
        const QByteArray data =
            worker->reader ? worker->reader->tile(at.zoom, at.column, at.row) : QByteArray();
        QMetaObject::invokeMethod(handler, [handler, id, data] { handler->answer(id, data); });
    });
}

void TileSchemeHandler::answer(quint64 id, const QByteArray &data)
{
    const QPointer<QWebEngineUrlRequestJob> job = m_jobs.take(id);
    if (!job)
        return; // the page no longer wants it
    const QByteArray mime = tileMimeType(data);
    if (mime.isEmpty()) {
        // No tile there (or not a picture): the map shows its plane in that place.
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    auto *buffer = new QBuffer(job);
    buffer->setData(data);
    job->reply(mime, buffer);
}
