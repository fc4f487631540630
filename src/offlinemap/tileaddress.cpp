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
        url.hasQuery() || url.hasFragment() || !url.userInfo().isEmpty() || url.port() != -1)
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
