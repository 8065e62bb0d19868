#pragma once

#include <QDialog>

#include <functional>

class QUrl;

// The About box, built from dialog template 100: what the program is, who makes it, and a
// button that opens the maker's downloads page. OK, Escape and the close box end it.
class CAboutDlg : public QDialog
{
    Q_OBJECT

public:
    // The maker's downloads page: the caption of the Updates button and the address it opens.
    static constexpr char kDownloadsUrl[] = "https://www.pelmar.example/downloads";

    // Hands an address to the desktop without waiting; true when the desktop took it.
    using UrlOpener = std::function<bool(const QUrl&)>;

    explicit CAboutDlg(QWidget* pParent = nullptr);

    // Replaces the desktop's default handler, so that tests open no browser.
    void SetUrlOpener(UrlOpener opener) { m_urlOpener = std::move(opener); }

    // The Updates button: opens the downloads page; a failure is not reported and the box stays
    // open.
    void OnUpdatesLink();

private:
    UrlOpener m_urlOpener;
};
