#include "ControlApp.h"

#include "ControlDlg.h"

#include <QApplication>
#include <QFile>
#include <QRegularExpression>

bool CControlApp::InitInstance()
{
    QApplication::setWindowIcon(LoadIcon());
    CControlDlg dlg;
    m_pMainWnd = &dlg;
    dlg.exec();
    m_pMainWnd = nullptr;
    return false;
}

QIcon CControlApp::LoadIcon()
{
    QIcon icon;
    icon.addFile(QStringLiteral(":/icon-32.png"), QSize(32, 32));
    icon.addFile(QStringLiteral(":/icon-16.png"), QSize(16, 16));
    return icon;
}

QString CControlApp::LoadString(int nId)
{
    // One string a line: its identifier, then its text in double quotes.
    static const QRegularExpression reEntry(QStringLiteral("^(\\d+)\\s+\"(.*)\"$"));
    QFile file(QStringLiteral(":/strings.txt"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    while (!file.atEnd()) {
        const QRegularExpressionMatch entry =
            reEntry.match(QString::fromUtf8(file.readLine()).trimmed());
        if (entry.hasMatch() && entry.captured(1).toInt() == nId)
            return entry.captured(2);
    }
    return QString();
}
