#pragma once

#include <QString>
#include <QTranslator>

// The catalogues keep one entry per source text, valid in every translation context, so a
// caption reads the same wherever the interface shows it.
class LuTranslator : public QTranslator
{
    Q_OBJECT

public:
    using QTranslator::QTranslator;

    // The one context the catalogues are written in.
    static constexpr const char *catalogueContext = "Q-MARL";

    QString translate(const char *context, const char *sourceText,
                      const char *disambiguation = nullptr, int n = -1) const override;
};

// The process's one translator; the start-up and the settings dialog load into it.
extern LuTranslator g_translator;

// Loads the catalogue of the language index (0 Japanese, 1 English, 2 Simplified Chinese,
// 3 Russian, 4 Vietnamese) into g_translator. An unknown index loads English and becomes 1.
// Returns the resource path tried. Installing the translator is left to the caller.
QString loadTranslation(int &language);
