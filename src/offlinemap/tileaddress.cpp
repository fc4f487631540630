#include "tileaddress.h"

#include <QRegularExpression>

namespace {
namespace tileaddress {

constexpr int kMaxZoom = 30;

} // namespace tileaddress
} // namespace

std::optional<TileAddress> parseTileUrl(const QUrl &url)
{
    using namespace tileaddress;
    if (!url.isValid() || url.scheme().toLatin1() != kTileScheme || !url.host().isEmpty() ||
        url.hasFragment() || !url.userInfo().isEmpty() || url.port() != -1)
        return std::nullopt;
    // The page's version of the file, and nothing else: its tiles' addresses change with it.
    static const QRegularExpression version(QStringLiteral("^v=[0-9]{1,9}$"));
    if (url.hasQuery() && !version.match(url.query(QUrl::FullyEncoded)).hasMatch())
        return std::nullopt;
    // Digits only, and few of them: the numbers below can neither overflow nor carry text.
    static const QRegularExpression pattern(
        QStringLiteral("^/([0-9]{1,2})/([0-9]{1,10})/([0-9]{1,10})$"));
    const QRegularExpressionMatch match = pattern.match(url.path(QUrl::FullyEncoded));
    if (!match.hasMatch())
        return std::nullopt;
    const qint64 zoom = match.capturedRef(1).toLongLong();
    const qint64 column = match.capturedRef(2).toLongLong();
    const qint64 row = match.capturedRef(3).toLongLong();
    if (zoom > kMaxZoom)
        return std::nullopt;
    const qint64 side = qint64(1) << zoom;
    if (column >= side || row >= side)
        return std::nullopt;
    return TileAddress{int(zoom), int(column), int(row)};
}
