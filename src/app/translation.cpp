#include "translation.h"

#include "applog.h"

#include <QDebug>

#include <array>

LuTranslator g_translator;

QString LuTranslator::translate(const char *context, const char *sourceText,
                                const char *disambiguation, int n) const
{
    Q_UNUSED(context)
    return QTranslator::translate(catalogueContext, sourceText, disambiguation, n);
}

namespace {
// Chinese has no catalogue: the interface's source texts are Simplified Chinese already.
constexpr std::array<const char *, 5> kCatalogueNames = {"tr_ja_JA", "tr_en_US", "tr_zh_CN",
                                                         "tr_ru_RU", "tr_vi_VN"};
constexpr int kEnglish = 1;
} // namespace

QString loadTranslation(int &language)
{
    QString path = QStringLiteral(":/translate/");
    if (static_cast<unsigned>(language) < kCatalogueNames.size()) {
        path += QLatin1String(kCatalogueNames[static_cast<size_t>(language)]);
    } else {
        path += QLatin1String(kCatalogueNames[kEnglish]);
        language = kEnglish;
    }
    const bool loaded = g_translator.load(path);
    qCWarning(lcApp) << "load translate" << loaded;
    return path;
}
