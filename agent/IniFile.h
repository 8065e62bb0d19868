#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// A small INI reader that keeps the line of every section and key, so that a configuration error
// can name where it stands. Lines are "[section]", "key = value", blank, or comments starting
// with '#' or ';'; a '#' or ';' after a blank starts a comment too, except inside double
// quotes. A value is the rest of the line after '=', trimmed; a value in double quotes loses
// its quotes. Keys before the first section, repeated sections and repeated keys are
// errors.
class CIniFile
{
public:
    struct Entry
    {
        QString strKey;
        QString strValue;
        int nLine = 0;
    };

    struct Section
    {
        QString strName;
        int nLine = 0;
        std::vector<Entry> entries;
    };

    // Reads the file; false with Errors() ("FILE:LINE: message") when it cannot be read or a
    // line does not parse. Sections read up to an error are kept.
    bool Load(const QString& strPath);

    const std::vector<Section>& Sections() const { return m_sections; }
    const QStringList& Errors() const { return m_errors; }

private:
    void ParseLine(const QString& strLine, int nLine);
    void AddError(int nLine, const QString& strMessage);

    QString m_strPath;
    std::vector<Section> m_sections;
    QStringList m_errors;
};
