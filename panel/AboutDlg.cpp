#include "AboutDlg.h"

#include "DialogTemplate.h"

#include <QDesktopServices>
#include <QPushButton>
#include <QUrl>

namespace {

constexpr int kIdOk = 1;

} // namespace

CAboutDlg::CAboutDlg(QWidget* pParent) : QDialog(pParent), m_urlOpener(&QDesktopServices::openUrl)
{
    CDialogTemplate dlgTemplate;
    if (!dlgTemplate.Load(QStringLiteral(":/dialog100.rc")))
        qWarning("CAboutDlg: %s", qUtf8Printable(dlgTemplate.ErrorString()));
    dlgTemplate.Build(this);

    if (auto* pLink = qobject_cast<QPushButton*>(CDialogTemplate::Item(this, kIdUpdatesLink))) {
        pLink->setText(QString::fromLatin1(kDownloadsUrl));
        connect(pLink, &QPushButton::clicked, this, &CAboutDlg::OnUpdatesLink);
    }
    if (auto* pOk = qobject_cast<QPushButton*>(CDialogTemplate::Item(this, kIdOk)))
        connect(pOk, &QPushButton::clicked, this, &QDialog::accept);
}

void CAboutDlg::OnUpdatesLink()
{
    m_urlOpener(QUrl(QString::fromLatin1(kDownloadsUrl)));
}
