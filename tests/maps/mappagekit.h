#pragma once

// A map page in a real web view, driven as the main window drives it; shared with the benchmark.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QMutexLocker>
#include <QPointF>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QVariant>
#include <QVector>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>

#include <functional>
#include <memory>

namespace mapkit {

inline QString binDir()
{
    return QStringLiteral(QMARL_BIN_DIR);
}

inline QUrl pageUrl(const QString &page)
{
    return QUrl::fromLocalFile(binDir() + QLatin1Char('/') + page);
}

// Keeps every page off the network, failing as offline would, and records what it asked for.
class OfflineInterceptor : public QWebEngineUrlRequestInterceptor
{
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;

    void interceptRequest(QWebEngineUrlRequestInfo &info) override
    {
        const QUrl url = info.requestUrl();
        if (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https")) {
            info.block(true);
            QMutexLocker lock(&m_mutex);
            m_blocked << url.toString();
        }
    }

    QStringList blocked() const
    {
        QMutexLocker lock(&m_mutex);
        return m_blocked;
    }

private:
    mutable QMutex m_mutex;
    QStringList m_blocked;
};

class RecordingPage : public QWebEnginePage
{
public:
    using QWebEnginePage::QWebEnginePage;
    QStringList errors;

protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message,
                                  int line, const QString &source) override
    {
        if (level == ErrorMessageLevel)
            errors << QStringLiteral("%1:%2: %3").arg(source).arg(line).arg(message);
    }
};

// The script's value, invalid on timeout. Its own event loop, not polling, so the benchmark times
// the answer and not a polling interval; the pointers let the loop outlive a late answer.
inline QVariant evaluate(QWebEnginePage *page, const QString &script, int timeoutMs = 10000)
{
    auto loop = std::make_shared<QEventLoop>();
    auto result = std::make_shared<QVariant>();
    page->runJavaScript(script, [loop, result](const QVariant &value) {
        *result = value;
        loop->quit();
    });
    QTimer timeout;
    timeout.setSingleShot(true);
    QObject::connect(&timeout, &QTimer::timeout, loop.get(), [loop, timeoutMs] {
        qWarning("no answer from the page within %d ms", timeoutMs);
        loop->quit();
    });
    timeout.start(timeoutMs);
    loop->exec();
    return *result;
}

class MapPage
{
public:
    MapPage()
        : m_profile(new QWebEngineProfile), // off the record: nothing kept on disk
          m_interceptor(new OfflineInterceptor),
          m_view(new QWebEngineView)
    {
        m_profile->setUrlRequestInterceptor(m_interceptor.get());
        m_page = new RecordingPage(m_profile.get(), m_view.get());
        m_view->setPage(m_page);
        m_view->resize(800, 600);
    }

    ~MapPage()
    {
        // The page must go before its profile, the profile's hook before the interceptor.
        m_view.reset();
        m_profile->setUrlRequestInterceptor(nullptr);
    }

    QWebEngineView *view() const { return m_view.get(); }
    RecordingPage *page() const { return m_page; }
    OfflineInterceptor *interceptor() const { return m_interceptor.get(); }

    // Script run in the page's own world, before or right after the page's scripts.
    void inject(const QString &name, const QString &source,
                QWebEngineScript::InjectionPoint point = QWebEngineScript::DocumentCreation)
    {
        QWebEngineScript script;
        script.setName(name);
        script.setSourceCode(source);
        script.setInjectionPoint(point);
        script.setWorldId(QWebEngineScript::MainWorld);
        script.setRunsOnSubFrames(false);
        m_page->scripts().insert(script);
    }

    void load(const QUrl &url) { m_page->load(url); }

    QVariant js(const QString &script, int timeoutMs = 10000)
    {
        return evaluate(m_page, script, timeoutMs);
    }

    // The expression's value in its JSON form: plain data whatever the prototypes are.
    QJsonObject json(const QString &expression, int timeoutMs = 10000)
    {
        const QVariant text = js(QStringLiteral("JSON.stringify((function () { return (%1); })())")
                                     .arg(expression),
                                 timeoutMs);
        return QJsonDocument::fromJson(text.toString().toUtf8()).object();
    }

    QJsonObject state()
    {
        return json(QStringLiteral(
            "typeof qmarlMapState === 'function' ? qmarlMapState() : {kind: 'none'}"));
    }

    // Polls the page state until the predicate holds; the last state either way.
    QJsonObject waitState(const std::function<bool(const QJsonObject &)> &holds,
                          int timeoutMs = 20000)
    {
        QElapsedTimer clock;
        clock.start();
        QJsonObject s = state();
        while (!holds(s) && clock.elapsed() < timeoutMs) {
            QTest::qWait(20);
            s = state();
        }
        return s;
    }

    // Waits until the page has chosen its backend (or given up on the service).
    QJsonObject waitReady(int timeoutMs = 20000)
    {
        return waitState(
            [](const QJsonObject &s) {
                const QString kind = s.value(QLatin1String("kind")).toString();
                return !kind.isEmpty() && kind != QLatin1String("loading") &&
                       kind != QLatin1String("none");
            },
            timeoutMs);
    }

private:
    std::unique_ptr<QWebEngineProfile> m_profile;
    std::unique_ptr<OfflineInterceptor> m_interceptor;
    std::unique_ptr<QWebEngineView> m_view;
    RecordingPage *m_page = nullptr;
};

// Points in the window's own form: "{lng:…,lat:…}" with six decimals, routes in brackets.
inline QString pointText(const QPointF &p)
{
    return QStringLiteral("{lng:%1,lat:%2}").arg(p.x(), 0, 'f', 6).arg(p.y(), 0, 'f', 6);
}

inline QString routeText(const QVector<QPointF> &points)
{
    QStringList parts;
    for (const QPointF &p : points)
        parts << pointText(p);
    return QLatin1Char('[') + parts.join(QLatin1Char(',')) + QLatin1Char(']');
}

} // namespace mapkit
