#include "Translations.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QLibraryInfo>
#include <QRegularExpression>
#include <QTranslator>

#include <memory>

namespace {

const QString kCatalogue = QStringLiteral("corvex-control");
const QString kDirectory = QStringLiteral(":/i18n");

struct Installed
{
    std::unique_ptr<QTranslator> pProgram;
    std::unique_ptr<QTranslator> pQt;
    std::unique_ptr<QLocale> pLocaleBefore; // the default locale that Install replaced
};

Installed& Current()
{
    static Installed installed;
    return installed;
}

// Loads the program's catalogue for the first of locale's languages that is English or has one;
// false for English, or when none of them has a catalogue.
bool LoadFirst(const QLocale& locale, QTranslator& translator)
{
    for (const QString& strLanguage : locale.uiLanguages()) {
        const QLocale one(strLanguage);
        if (one.language() == QLocale::English)
            return false;
        if (one.language() != QLocale::C &&
            translator.load(one, kCatalogue, QStringLiteral("_"), kDirectory))
            return true;
    }
    return false;
}

} // namespace

QString CTranslations::Install(const QLocale& locale)
{
    Remove();
    Installed& installed = Current();
    installed.pLocaleBefore = std::make_unique<QLocale>();
    auto pProgram = std::make_unique<QTranslator>();
    if (!LoadFirst(locale, *pProgram)) {
        QLocale::setDefault(QLocale::c());
        return QString();
    }
    const QString strLanguage = pProgram->language();
    QCoreApplication::installTranslator(pProgram.get());
    // Qt's catalogue of the same language, where the system has it: never a third language.
    auto pQt = std::make_unique<QTranslator>();
    if (pQt->load(QStringLiteral("qtbase_") + strLanguage,
                  QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(pQt.get());
    else
        pQt.reset();
    installed.pProgram = std::move(pProgram);
    installed.pQt = std::move(pQt);
    QLocale::setDefault(QLocale(strLanguage));
    return strLanguage;
}

void CTranslations::Remove()
{
    Installed& installed = Current();
    for (const auto* pTranslator : {&installed.pProgram, &installed.pQt})
        if (*pTranslator)
            QCoreApplication::removeTranslator(pTranslator->get());
    installed.pProgram.reset();
    installed.pQt.reset();
    if (installed.pLocaleBefore)
        QLocale::setDefault(*installed.pLocaleBefore);
    installed.pLocaleBefore.reset();
}

bool CTranslations::Speaks(const QLocale& locale)
{
    QTranslator translator;
    return locale.language() == QLocale::English || LoadFirst(locale, translator);
}

QStringList CTranslations::Languages()
{
    QStringList languages{QStringLiteral("en")};
    QDirIterator catalogues(kDirectory, {kCatalogue + QStringLiteral("_*.qm")}, QDir::Files);
    while (catalogues.hasNext()) {
        catalogues.next();
        languages << catalogues.fileInfo().completeBaseName().mid(kCatalogue.size() + 1);
    }
    languages.sort();
    return languages;
}

QByteArray CTranslations::Format(const char* pszContext, const char* pszFormat)
{
    const QString strTranslated = QCoreApplication::translate(pszContext, pszFormat);
    QStringList source, translated;
    if (Conversions(QString::fromUtf8(pszFormat), source) &&
        Conversions(strTranslated, translated) && source == translated)
        return strTranslated.toUtf8();
    return QByteArray(pszFormat);
}

bool CTranslations::Conversions(const QString& strFormat, QStringList& conversions)
{
    // Flags, width, precision, length and one of the conversions a label or reading may use.
    static const QRegularExpression reConversion(QStringLiteral(
        "%(?:%|[-+ #0]*[0-9]*(?:\\.[0-9]*)?(?:hh|h|ll|l|L|z|j|t)?[diouxXeEfFgGaAc])"));
    conversions.clear();
    for (qsizetype i = strFormat.indexOf(QLatin1Char('%')); i >= 0;
         i = strFormat.indexOf(QLatin1Char('%'), i)) {
        const QRegularExpressionMatch match =
            reConversion.match(strFormat, i, QRegularExpression::NormalMatch,
                               QRegularExpression::AnchorAtOffsetMatchOption);
        if (!match.hasMatch())
            return false;
        conversions << match.captured();
        i += match.capturedLength();
    }
    return true;
}
