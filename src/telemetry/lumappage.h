#pragma once

#include <QUrl>
#include <QWebEnginePage>

#include <functional>

// The map page of the main window. Links that leave the map (the tile attribution, the map
// services' terms) open in the user's browser instead of replacing the map or doing nothing.
class LuMapPage : public QWebEnginePage
{
    Q_OBJECT

public:
    explicit LuMapPage(QObject *parent = nullptr);

    // How an outside link is opened; the desktop's browser unless replaced (tests).
    using Opener = std::function<void(const QUrl &)>;
    void setExternalOpener(Opener opener) { m_opener = std::move(opener); }

    static bool isExternal(const QUrl &url);

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage *createWindow(WebWindowType type) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message,
                                  int lineNumber, const QString &sourceID) override;

private:
    Opener m_opener;
};
