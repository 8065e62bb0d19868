#include "AboutDlg.h"

#include "DialogTemplate.h"
#include "resource.h"

#include <QDesktopServices>
#include <QPushButton>
#include <QUrl>

CAboutDlg::CAboutDlg(QWidget* pParent) : QDialog(pParent), m_urlOpener(&QDesktopServices::openUrl)
{
    CDialogTemplate dlgTemplate;
    if (!dlgTemplate.Load(QStringLiteral(":/dialog100.rc")))
        qWarning("CAboutDlg: %s", qUtf8Printable(dlgTemplate.ErrorString()));
    dlgTemplate.Build(this);

    if (auto* pLink = qobject_cast<QPushButton*>(CDialogTemplate::Item(this, IDC_UPDATES_LINK))) {
        pLink->setText(QString::fromLatin1(kDownloadsUrl));
        connect(pLink, &QPushButton::clicked, this, &CAboutDlg::OnUpdatesLink);
    }
    if (auto* pOk = qobject_cast<QPushButton*>(CDialogTemplate::Item(this, IDOK)))
        connect(pOk, &QPushButton::clicked, this, &QDialog::accept);
}

void CAboutDlg::OnUpdatesLink()
{
    m_urlOpener(QUrl(QString::fromLatin1(kDownloadsUrl)));
}
