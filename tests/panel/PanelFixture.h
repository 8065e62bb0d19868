#pragma once

// Shared fixture of the panel tests: runs corvex-sim on a pseudo-terminal, points CORVEX_PORTS
// at it, builds the main dialog with its message boxes and command pauses answered here, and
// drives the poll timer's ticks directly.
//
//   StartSim({"--preset", "amplifier"});   // the unit; its received bytes go to a log
//   SetPorts({SimPath()});                 // the port table the dialog will search
//   CControlDlg& dlg = CreateDialog();     // start-up runs, port search included
//   Connect();                             // clicks Connect; the poll "w" goes out
//   ASSERT_TRUE(TickFrame());              // waits for the reply, then one tick reads it
//
// Message boxes are recorded in m_boxes and closed at once, as an operator pressing OK would;
// m_fnWhileBoxShown runs while a box is open (ticks delivered meanwhile go there). After
// UseRealMessageBoxes() they are recorded and shown as the program shows them, modally. Pauses of
// the command buttons are recorded in m_pauses and do not sleep; m_fnDuringPause runs inside.

#include "ControlDlg.h"
#include "SimLog.h"
#include "SimProcess.h"
#include "WaitUntil.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <vector>

class CPanelFixture : public ::testing::Test
{
protected:
    struct MessageBoxShown
    {
        QMessageBox::Icon icon;
        QString strCaption;
        QString strText;
        QString strInformative;
    };

    void SetUp() override
    {
        qputenv("CORVEX_PORTS", "");
        ASSERT_TRUE(m_dirTemp.isValid());
    }

    void TearDown() override
    {
        m_pDlg.reset();
        StopSim();
        qputenv("CORVEX_PORTS", "");
    }

    // Starts the simulator with the given options; false (and a test failure) when it does not
    // come up with a line.
    bool StartSim(const QStringList& options = {})
    {
        m_strLogPath = m_dirTemp.filePath(QStringLiteral("sim%1.log").arg(++m_nSimRuns));
        m_sim.Process().setProcessChannelMode(QProcess::ForwardedErrorChannel);
        if (!m_sim.Start(options + QStringList{QStringLiteral("--log"), m_strLogPath})) {
            ADD_FAILURE() << "corvex-sim did not start with " << options.join(' ').toStdString();
            return false;
        }
        return true;
    }

    void StopSim() { m_sim.Stop(); }

    // Spins the event loop until the simulator has ended by itself (--hangup-after).
    bool WaitForSimExit(int nTimeoutMs = 3000) { return m_sim.WaitForExit(nTimeoutMs); }

    QString SimPath() const { return m_sim.LinePath(); }

    // Makes paths the port table: port 1 is paths[0], and so on.
    static void SetPorts(const QStringList& paths)
    {
        qputenv("CORVEX_PORTS", paths.join(QLatin1Char(':')).toLocal8Bit());
    }

    // Builds and shows the dialog with the recording hooks; its own timer never fires in time,
    // so ticks come only from Tick().
    CControlDlg& CreateDialog()
    {
        m_pDlg = std::make_unique<CControlDlg>();
        m_pDlg->SetTimerPeriod(3600 * 1000);
        m_pDlg->SetMessageBox([this](QMessageBox::Icon icon, const QString& strCaption,
                                     const QString& strText, const QString& strInformative) {
            m_boxes.push_back({icon, strCaption, strText, strInformative});
            if (m_bRealBoxes)
                CControlDlg::ShowMessageBox(m_pDlg.get(), icon, strCaption, strText,
                                            strInformative);
            else if (m_fnWhileBoxShown)
                m_fnWhileBoxShown();
        });
        m_pDlg->SetPause([this](int nMilliseconds) {
            m_pauses.push_back(nMilliseconds);
            if (m_fnDuringPause)
                m_fnDuringPause();
        });
        m_pDlg->show();
        return *m_pDlg;
    }

    CControlDlg& Dlg() { return *m_pDlg; }
    void UseRealMessageBoxes() { m_bRealBoxes = true; }
    int MissCount() const { return m_pDlg->m_nMissCount; }

    QWidget* Item(int nId) const { return m_pDlg->GetDlgItem(nId); }
    template <class T> T* ItemAs(int nId) const { return qobject_cast<T*>(Item(nId)); }
    // The caption or text of a button, label or edit.
    QString Text(int nId) const { return Item(nId)->property("text").toString(); }

    void Click(int nId) { ItemAs<QPushButton>(nId)->click(); }
    // Connects through the Connect button.
    void Connect() { Click(IDC_CONNECT); }

    // Spins the event loop until the dialog's link holds at least nBytes received bytes.
    bool WaitForBytes(int nBytes, int nTimeoutMs = 3000)
    {
        return WaitUntil([&] { return m_pDlg->m_link.BytesWaiting() >= nBytes; }, nTimeoutMs);
    }
    int BytesWaiting() { return m_pDlg->m_link.BytesWaiting(); }

    // Ticks by hand; what a tick leaves for after its return (a message box) runs at once.
    void Tick(int nTicks = 1)
    {
        for (int i = 0; i < nTicks; ++i) {
            m_pDlg->OnTimer();
            QCoreApplication::sendPostedEvents(m_pDlg.get(), QEvent::MetaCall);
        }
    }

    // Waits for a whole reply, then ticks once, which reads it.
    bool TickFrame()
    {
        if (!WaitForBytes(16))
            return false;
        Tick();
        return true;
    }

    // The bytes the simulator has received, in order.
    QByteArray SimLog() const { return SimLogBytes(m_strLogPath); }

    // Waits until the simulator has received exactly expected so far (and no more arrives in a
    // short settling spin).
    ::testing::AssertionResult SimReceived(const QByteArray& expected, int nTimeoutMs = 3000)
    {
        WaitUntil([&] { return SimLog().size() >= expected.size(); }, nTimeoutMs);
        WaitUntil([] { return false; }, 50);
        const QByteArray received = SimLog();
        if (received == expected)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "the unit received \"" << received.toStdString()
                                             << "\", expected \"" << expected.toStdString() << "\"";
    }

    std::vector<MessageBoxShown> m_boxes;
    std::function<void()> m_fnWhileBoxShown;
    std::vector<int> m_pauses;
    std::function<void()> m_fnDuringPause;

private:
    QTemporaryDir m_dirTemp;
    CSimProcess m_sim;
    QString m_strLogPath;
    int m_nSimRuns = 0;
    bool m_bRealBoxes = false;
    std::unique_ptr<CControlDlg> m_pDlg;
};
