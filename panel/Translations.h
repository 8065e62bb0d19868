#pragma once

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <QStringList>

// The program's languages. Its own catalogue (built into the program, ":/i18n") and Qt's (the
// system's, for the standard buttons and the role names a screen reader speaks) are installed
// together for the first language of a locale's list that the program speaks; English needs
// neither. Numbers that the texts carry follow the same language (the default QLocale), and
// English ones are written as in C.
class CTranslations
{
public:
    // Installs the catalogues for the first language of locale.uiLanguages() that the program
    // has, replacing those installed before; returns that language ("de"), or an empty string
    // when there is none and the program speaks English.
    static QString Install(const QLocale& locale);
    // Removes what Install installed: the program speaks English again.
    static void Remove();
    // Whether the program speaks the first language of locale's list (English always).
    static bool Speaks(const QLocale& locale);
    // The languages the program speaks, "en" among them, sorted.
    static QStringList Languages();

    // The translation of the printf format pszFormat in pszContext when it takes exactly the
    // same conversions in the same order; otherwise pszFormat itself, so that a faulty
    // translation shows English rather than reading an argument of the wrong type.
    static QByteArray Format(const char* pszContext, const char* pszFormat);
    // The conversions of a printf format in order ("%d", "%3.1f"; "%%" counts as one), or false
    // when it holds a '%' that starts none.
    static bool Conversions(const QString& strFormat, QStringList& conversions);
};
