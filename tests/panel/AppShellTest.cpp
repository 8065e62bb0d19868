#include "AboutDlg.h"
#include "ControlApp.h"
#include "PanelFixture.h"
#include "PollInLoop.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSerialPort>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

// Pixels of a dialog-unit rectangle at the 6 x 13 base units of an 8-point font, rounded.
QRect DluRect(int x, int y, int w, int h)
{
    const auto px = [](int n) { return int(std::lround(n * 1.5)); };
    const auto py = [](int n) { return int(std::lround(n * 13.0 / 8.0)); };
    return QRect(px(x), py(y), px(w), py(h));
}

// Runs dlg modally, calls whileOpen from inside its loop, and ends it afterwards if still open.
int RunModal(QDialog& dlg, const std::function<void()>& whileOpen)
{
    QTimer::singleShot(0, &dlg, [&dlg, &whileOpen] {
        whileOpen();
        if (dlg.isVisible())
            dlg.done(QDialog::Rejected);
    });
    return dlg.exec();
}

QWidget* ChildAt(const QWidget& parent, const QRect& rect)
{
    for (QWidget* pChild : parent.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        if (pChild->geometry() == rect)
            return pChild;
    return nullptr;
}

QString TextOf(const QWidget* pWidget)
{
    if (auto* pLabel = qobject_cast<const QLabel*>(pWidget))
        return pLabel->text();
    if (auto* pButton = qobject_cast<const QAbstractButton*>(pWidget))
        return pButton->text();
    if (auto* pGroup = qobject_cast<const QGroupBox*>(pWidget))
        return pGroup->title();
    return QString();
}

TEST(AboutDlgTest, HasTitleAndNineControlsAtTheirRectangles)
{
    enum Kind
    {
        Label,
        Button,
        Group
    };
    struct Row
    {
        int nId;
        Kind kind;
        QRect rcDlu;
        QString strContains;
    };
    const Row rows[] = {
        {-1, Label, {7, 7, 119, 8}, "V1.32"},
        {-1, Label, {7, 80, 110, 10}, "2001-2008"},
        {IDOK, Button, {197, 58, 50, 14}, "OK"},
        {IDC_UPDATES_LINK, Button, {19, 58, 150, 14}, CAboutDlg::kDownloadsUrl},
        {-1, Group, {7, 47, 171, 31}, "Updates"},
        {-1, Label, {185, 7, 70, 26}, "Pelmar"},
        {-1, Label, {7, 16, 183, 10}, "Transmitter"},
        {-1, Label, {8, 25, 183, 10}, "Amplifier"},
        {-1, Label, {8, 35, 183, 10}, "Version 2.1 or higher"},
    };

    CAboutDlg dlg;
    EXPECT_EQ(dlg.windowTitle(), "About Corvex Control");
    EXPECT_EQ(dlg.size(), DluRect(0, 0, 262, 97).size());
    EXPECT_EQ(dlg.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly).size(), 9);
    for (const Row& row : rows) {
        const QRect rcPixels =
            DluRect(row.rcDlu.x(), row.rcDlu.y(), row.rcDlu.width(), row.rcDlu.height());
        SCOPED_TRACE(row.strContains.toStdString());
        QWidget* pControl = ChildAt(dlg, rcPixels);
        ASSERT_NE(pControl, nullptr);
        EXPECT_EQ(row.kind == Label, qobject_cast<QLabel*>(pControl) != nullptr);
        EXPECT_EQ(row.kind == Button, qobject_cast<QPushButton*>(pControl) != nullptr);
        EXPECT_EQ(row.kind == Group, qobject_cast<QGroupBox*>(pControl) != nullptr);
        EXPECT_TRUE(TextOf(pControl).contains(row.strContains)) << TextOf(pControl).toStdString();
        if (row.nId != -1) {
            EXPECT_EQ(pControl->objectName(), QString::number(row.nId));
        }
    }
}

TEST(AboutDlgTest, OkEndsTheBox)
{
    CAboutDlg dlg;
    auto* pOk = dlg.findChild<QPushButton*>(QString::number(IDOK));
    ASSERT_NE(pOk, nullptr);
    EXPECT_TRUE(pOk->isDefault());
    const int nResult = RunModal(dlg, [pOk] { pOk->click(); });
    EXPECT_EQ(nResult, QDialog::Accepted);
}

TEST(AboutDlgTest, LinkButtonHandsTheAddressToTheOpenerAndTheBoxStaysOpen)
{
    for (const bool bOpened : {true, false}) {
        SCOPED_TRACE(bOpened ? "the desktop opens the page" : "the page does not open");
        CAboutDlg dlg;
        QList<QUrl> urls;
        dlg.SetUrlOpener([&urls, bOpened](const QUrl& url) {
            urls << url;
            return bOpened;
        });
        auto* pLink = dlg.findChild<QPushButton*>(QString::number(IDC_UPDATES_LINK));
        ASSERT_NE(pLink, nullptr);
        bool bStillOpen = false;
        RunModal(dlg, [&] {
            pLink->click();
            bStillOpen = dlg.isVisible() && QApplication::activeModalWidget() == &dlg;
        });
        EXPECT_TRUE(bStillOpen);
        ASSERT_EQ(urls.size(), 1);
        EXPECT_EQ(urls.front(), QUrl("https://www.pelmar.example/downloads"));
        EXPECT_EQ(urls.front().toString(), pLink->text());
    }
}

TEST(ControlAppTest, IconHasEveryPictureOfTheMast)
{
    const QIcon icon = CControlApp::LoadIcon();
    const QList<QSize> sizes = icon.availableSizes();
    for (int nSize : {16, 22, 24, 32, 48, 64, 128, 256}) {
        SCOPED_TRACE(nSize);
        EXPECT_TRUE(sizes.contains(QSize(nSize, nSize)));
        const QImage picture = icon.pixmap(nSize, nSize).toImage();
        ASSERT_EQ(picture.size(), QSize(nSize, nSize));
        // The red beacon on top of the mast, and a transparent corner beside the mast's foot.
        EXPECT_EQ(picture.pixelColor(nSize / 2, nSize * 44 / 256), QColor(Qt::red));
        EXPECT_EQ(picture.pixelColor(0, nSize - 1).alpha(), 0);
    }
    const QImage big = icon.pixmap(32, 32).toImage();
    const QImage small = icon.pixmap(16, 16).toImage();
    EXPECT_EQ(big.pixelColor(16, 6), QColor(Qt::red));
    EXPECT_EQ(small.pixelColor(8, 2), QColor(Qt::red));
}

TEST(ControlAppTest, StringTableHoldsTheSystemMenuEntry)
{
    EXPECT_EQ(CControlApp::LoadString(IDS_ABOUTBOX), "&About Pelmar...");
    EXPECT_TRUE(CControlApp::LoadString(102).isEmpty());
    EXPECT_TRUE(CControlApp::LoadString(0).isEmpty());
}

// The About box if it is the modal window in front, else null.
CAboutDlg* ActiveAbout()
{
    return qobject_cast<CAboutDlg*>(QApplication::activeModalWidget());
}

class AppShellTest : public CPanelFixture
{
protected:
    int Polls() const { return int(SimLog().count('w')); }
};

TEST_F(AppShellTest, SystemCommandOpensAboutOnlyForItsMaskedIdentifier)
{
    const struct
    {
        unsigned nId;
        bool bAbout;
    } rows[] = {
        {0x0010, true},  {0x0011, true},  {0x0018, true},  {0x001F, true},  {0x0000, false},
        {0x000F, false}, {0x0020, false}, {0x0110, false}, {0xF010, false}, {0xF060, false},
    };
    SetPorts({});
    CControlDlg& dlg = CreateDialog();
    for (const auto& row : rows) {
        SCOPED_TRACE(QString::number(row.nId, 16).toStdString());
        bool bOpened = false;
        QTimer::singleShot(0, [&bOpened] {
            if (CAboutDlg* pAbout = ActiveAbout()) {
                bOpened = true;
                pAbout->reject();
            }
        });
        EXPECT_EQ(dlg.OnSysCommand(row.nId), row.bAbout);
        QCoreApplication::processEvents();
        EXPECT_EQ(bOpened, row.bAbout);
        EXPECT_TRUE(dlg.isVisible());
    }
}

TEST_F(AppShellTest, PollingGoesOnBehindTheAboutBox)
{
    ASSERT_TRUE(StartSim());
    SetPorts({SimPath()});
    CControlDlg& dlg = CreateDialog();
    dlg.SetTimerPeriod(CControlDlg::kTimerPeriodMs);
    Connect();
    ASSERT_TRUE(WaitUntil(
        [&] { return Text(IDC_CONNECT) == "Disconnect" && Item(IDC_CONNECT)->isEnabled(); }, 3000));

    int nPollsAtOpen = -1;
    int nPollsAtClose = -1;
    bool bAboutSeen = false;
    QTimer::singleShot(0, [&] {
        bAboutSeen = ActiveAbout() != nullptr;
        nPollsAtOpen = Polls();
        // The box's own loop runs for a second; the dialog's timer keeps polling meanwhile.
        PollInLoop([&] {
            if (!ActiveAbout())
                return true;
            if (Polls() < nPollsAtOpen + 5)
                return false;
            nPollsAtClose = Polls();
            ActiveAbout()->accept();
            return true;
        });
    });
    Click(IDC_ABOUT);

    EXPECT_TRUE(bAboutSeen);
    EXPECT_GE(nPollsAtClose, nPollsAtOpen + 5) << "polls while the About box was open";
    EXPECT_TRUE(dlg.IsPolling());
    EXPECT_EQ(dlg.windowTitle(), "Bexon Transmitter");
    EXPECT_TRUE(m_boxes.empty());
}

TEST_F(AppShellTest, F1DoesNothing)
{
    SetPorts({});
    CControlDlg& dlg = CreateDialog();
    const auto topLevels = QApplication::topLevelWidgets().size();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_F1, Qt::NoModifier);
    QApplication::sendEvent(dlg.focusWidget() ? dlg.focusWidget() : &dlg, &press);
    QApplication::sendEvent(dlg.focusWidget() ? dlg.focusWidget() : &dlg, &release);
    QCoreApplication::processEvents();
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(QApplication::topLevelWidgets().size(), topLevels);
    EXPECT_TRUE(m_boxes.empty());
}

// The whole start-up: the dialog runs modally as the main window; Exit while connected ends
// it, and the link's port is free again once InitInstance has returned.
TEST_F(AppShellTest, InitInstanceRunsTheDialogAndReleasesThePortAtItsEnd)
{
    ASSERT_TRUE(StartSim());
    SetPorts({SimPath()});
    CControlApp app;
    QWidget* pMainDuringRun = nullptr;
    QWidget* pModalDuringRun = nullptr;
    bool bWithoutParent = false;
    bool bConnected = false;
    QTimer::singleShot(0, [&] {
        pMainDuringRun = app.MainWnd();
        pModalDuringRun = QApplication::activeModalWidget();
        if (!pMainDuringRun)
            return;
        bWithoutParent = pMainDuringRun->parentWidget() == nullptr;
        pMainDuringRun->findChild<QPushButton*>(QString::number(IDC_CONNECT))->click();
        PollInLoop([&] {
            auto* pConnect = pMainDuringRun->findChild<QPushButton*>(QString::number(IDC_CONNECT));
            bConnected = pConnect->isEnabled() && pConnect->text() == "Disconnect";
            if (!bConnected)
                return false;
            pMainDuringRun->findChild<QPushButton*>(QString::number(IDCANCEL))->click();
            return true;
        });
    });

    EXPECT_FALSE(app.InitInstance());
    ASSERT_NE(pMainDuringRun, nullptr);
    EXPECT_EQ(pModalDuringRun, pMainDuringRun);
    EXPECT_TRUE(bWithoutParent);
    EXPECT_EQ(app.MainWnd(), nullptr);
    EXPECT_FALSE(QApplication::windowIcon().isNull());
    EXPECT_TRUE(bConnected);
    // The poll that answered the first frame went out; the simulator logs it when it reads it.
    EXPECT_TRUE(WaitUntil([&] { return Polls() >= 2; })) << Polls();

    QSerialPort port(SimPath());
    EXPECT_TRUE(port.open(QIODevice::ReadWrite)) << port.errorString().toStdString();
}

} // namespace
