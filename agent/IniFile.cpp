#include "IniFile.h"

#include <QFile>

namespace {

// A configuration file is a few kilobytes; anything far larger is not one.
constexpr qint64 kMaxFileSize = 1024 * 1024;

// A '#' or ';' after a blank starts a comment, except inside double quotes.
QString WithoutComment(const QString& strValue)
{
    bool bQuoted = false;
    for (qsizetype i = 0; i < strValue.size(); ++i) {
        const QChar c = strValue.at(i);
        if (c == QLatin1Char('"'))
            bQuoted = !bQuoted;
        else if (!bQuoted && (c == QLatin1Char('#') || c == QLatin1Char(';')) && i > 0 &&
                 strValue.at(i - 1).isSpace())
            return strValue.left(i);
    }
    return strValue;
}

} // namespace

bool CIniFile::Load(const QString& strPath)
{
    m_strPath = strPath;
    m_sections.clear();
    m_errors.clear();

    QFile file(strPath);
    if (!file.open(QIODevice::ReadOnly)) {
        m_errors.append(QStringLiteral("%1: cannot read: %2").arg(strPath, file.errorString()));
        return false;
    }
    if (file.size() > kMaxFileSize) {
        m_errors.append(QStringLiteral("%1: larger than %2 bytes, not a configuration file")
                            .arg(strPath)
                            .arg(kMaxFileSize));
        return false;
    }
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i)
        ParseLine(WithoutComment(lines.at(i)).trimmed(), int(i + 1));
    return m_errors.isEmpty();
}

void CIniFile::ParseLine(const QString& strLine, int nLine)
{
    if (strLine.isEmpty() || strLine.startsWith(QLatin1Char('#')) ||
        strLine.startsWith(QLatin1Char(';')))
        return;

    if (strLine.startsWith(QLatin1Char('['))) {
        if (!strLine.endsWith(QLatin1Char(']'))) {
            AddError(nLine, QStringLiteral("a section header ends with ']'"));
            return;
        }
        const QString strName = strLine.mid(1, strLine.size() - 2).trimmed();
        if (strName.isEmpty()) {
            AddError(nLine, QStringLiteral("empty section name"));
            return;
        }
        for (const Section& section : m_sections) {
            if (section.strName == strName) {
                AddError(nLine, QStringLiteral("section [%1] appears again (first at line %2)")
                                    .arg(strName)
                                    .arg(section.nLine));
                return;
            }
        }
        m_sections.push_back({strName, nLine, {}});
        return;
    }

    const qsizetype nEquals = strLine.indexOf(QLatin1Char('='));
    if (nEquals < 0) {
        AddError(nLine, QStringLiteral("expected 'key = value' or '[section]'"));
        return;
    }
    const QString strKey = strLine.left(nEquals).trimmed();
    QString strValue = strLine.mid(nEquals + 1).trimmed();
    if (strKey.isEmpty()) {
        AddError(nLine, QStringLiteral("a key is missing before '='"));
        return;
    }
    if (m_sections.empty()) {
        AddError(nLine, QStringLiteral("key '%1' stands before any [section]").arg(strKey));
        return;
    }
    if (strValue.size() >= 2 && strValue.startsWith(QLatin1Char('"')) &&
        strValue.endsWith(QLatin1Char('"')))
        strValue = strValue.mid(1, strValue.size() - 2);

    Section& section = m_sections.back();
    for (const Entry& entry : section.entries) {
        if (entry.strKey == strKey) {
            AddError(nLine, QStringLiteral("[%1] %2 appears again (first at line %3)")
                                .arg(section.strName, strKey)
                                .arg(entry.nLine));
            return;
        }
    }
    section.entries.push_back({strKey, strValue, nLine});
}

void CIniFile::AddError(int nLine, const QString& strMessage)
{
    m_errors.append(QStringLiteral("%1:%2: %3").arg(m_strPath).arg(nLine).arg(strMessage));
}
