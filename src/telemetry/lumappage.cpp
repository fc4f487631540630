#include "lumappage.h"

#include "telemetrylog.h"

#include <QDebug>
#include <QDesktopServices>
#include <QFile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>

namespace {
// Catches the address a page asks a new window to show, hands it on and goes away.
class LinkCatcher : public QWebEnginePage
{
public:
    LinkCatcher(LuMapPage::Opener opener, QObject *parent)
        : QWebEnginePage(parent), m_opener(std::move(opener))
    {
    }

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType, bool) override
    {
        if (LuMapPage::isExternal(url))
            m_opener(url);
        deleteLater();
        return false;
    }

private:
    LuMapPage::Opener m_opener;
};
} // namespace

LuMapPage::LuMapPage(QObject *parent)
    : QWebEnginePage(parent), m_opener([](const QUrl &url) { QDesktopServices::openUrl(url); })
{
    // The web channel's client script, before the page's own scripts, so the map can talk
    // back to the window; the pages themselves stay plain files that a browser opens too.
    QFile client(QStringLiteral(":/qtwebchannel/qwebchannel.js"));
    if (!client.open(QIODevice::ReadOnly)) {
        qCWarning(lcTelemetry)
            << "LuMapPage: the web channel script is missing; the map cannot seek";
        return;
    }
    QWebEngineScript script;
    script.setName(QStringLiteral("qwebchannel"));
    script.setSourceCode(QString::fromUtf8(client.readAll()));
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::MainWorld);
    script.setRunsOnSubFrames(false);
    scripts().insert(script);
}

bool LuMapPage::isExternal(const QUrl &url)
{
    return url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https");
}

bool LuMapPage::acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame)
{
    if (isMainFrame && type == NavigationTypeLinkClicked && isExternal(url)) {
        m_opener(url);
        return false;
    }
    return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
}

QWebEnginePage *LuMapPage::createWindow(WebWindowType)
{
    return new LinkCatcher(m_opener, this);
}

void LuMapPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level,
                                         const QString &message, int lineNumber,
                                         const QString &sourceID)
{
    if (level == ErrorMessageLevel)
        qCWarning(lcTelemetry) << "map page:" << message << sourceID << lineNumber;
}
