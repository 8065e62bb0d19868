#include "ControlApp.h"

#include "ControlDlg.h"

#include <QApplication>
#include <QDirIterator>
#include <QFile>
#include <QImageReader>
#include <QRegularExpression>

bool CControlApp::InitInstance()
{
    // Lets the desktop match the window with the launcher (the app id on Wayland).
    QGuiApplication::setDesktopFileName(QStringLiteral(CORVEX_APP_ID));
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
    QDirIterator pictures(QStringLiteral(":/"), {QStringLiteral("icon-*.png")}, QDir::Files);
    while (pictures.hasNext()) {
        const QString path = pictures.next();
        icon.addFile(path, QImageReader(path).size());
    }
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
            return QCoreApplication::translate("strings", entry.captured(2).toUtf8().constData());
    }
    return QString();
}
