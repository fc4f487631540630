#include "lumappage.h"

#include <QDebug>
#include <QDesktopServices>

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
        qWarning() << "map page:" << message << sourceID << lineNumber;
}
