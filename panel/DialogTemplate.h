#pragma once

#include <QByteArray>
#include <QRect>
#include <QString>
#include <QStringList>

#include <map>
#include <vector>

class QWidget;

// One control of a dialog template: caption, numeric identifier (-1 for none), window class,
// style words and rectangle in dialog units.
struct ControlTemplate
{
    QString strText;
    int nId = -1;
    QString strClass;
    QStringList styles; // style and extended-style words, e.g. "BS_GROUPBOX", "WS_EX_STATICEDGE"
    QRect rcDlu;

    bool HasStyle(const char* pszStyle) const { return styles.contains(QLatin1String(pszStyle)); }
};

// A dialog layout written as a resource script: a header line "<id> DIALOGEX x, y, w, h",
// STYLE / EXSTYLE / CAPTION / FONT lines, then one CONTROL line per control between BEGIN and
// END: CONTROL "text", id, "class", STYLE | STYLE, x, y, w, h[, EXSTYLE | EXSTYLE].
// Lines starting with "//" are comments. Build() turns the template into Qt widgets.
class CDialogTemplate
{
public:
    // Reads and parses a template file, e.g. ":/dialog102.rc"; false when unreadable or malformed.
    bool Load(const QString& strPath);
    // Parses template text; false (with ErrorString()) on the first malformed line.
    bool Parse(const QString& strText);

    int Id() const { return m_nId; }
    QString Caption() const { return m_strCaption; }
    QRect RectDlu() const { return m_rcDlu; }
    QStringList Styles() const { return m_styles; }
    int FontPointSize() const { return m_nFontPointSize; }
    const std::vector<ControlTemplate>& Controls() const { return m_controls; }
    QString ErrorString() const { return m_strError; }

    // Dialog units to pixels for the 6 x 13 pixel base units of an 8-point font at 96 dpi:
    // x and width times 1.5, y and height times 13/8, each rounded.
    static QRect DluToPixels(const QRect& rcDlu);

    // Sets pDialog's title, font, window flags and client size, and creates the controls in
    // template order as its children, each named after its identifier. A control whose
    // identifier is in bound is not created: that widget takes its place, rectangle and styles.
    // The title and the captions are shown in the program's language (Translate()).
    // Returns the controls in template order, which is also their tab order.
    std::vector<QWidget*> Build(QWidget* pDialog, const std::map<int, QWidget*>& bound = {}) const;

    // The translation context of the template's texts: "dialog" and its number ("dialog102").
    QByteArray TranslationContext() const;
    // A caption or the title of this template in the program's language.
    QString Translate(const QString& strCaption) const;

    // The control of pDialog with the identifier nId, or null.
    static QWidget* Item(const QWidget* pDialog, int nId);

private:
    bool ParseLine(const QString& strLine);

    int m_nId = 0;
    QString m_strCaption;
    QRect m_rcDlu;
    QStringList m_styles;
    int m_nFontPointSize = 8;
    std::vector<ControlTemplate> m_controls;
    QString m_strError;
};
