#pragma once

#include "ComLink.h"
#include "Led.h"
#include "ProgressCtrlX.h"
#include "SpinButtonCtrl.h"
#include "StaticCounter.h"

#include <QAccessible>
#include <QBasicTimer>
#include <QByteArray>
#include <QDialog>
#include <QElapsedTimer>
#include <QIcon>
#include <QMessageBox>
#include <QSize>
#include <QString>

#include <functional>
#include <map>

struct StatusFrame;
struct UnitType;

// The main window: connects to one unit, polls it every 100 ms, shows each status frame and
// sends the operator's commands. It owns the link and the display widgets and wires them to
// the controls of dialog template IDD_CORVEXCONTROL_DIALOG.
class CControlDlg : public QDialog, private QAccessible::ActivationObserver
{
    Q_OBJECT

public:
    // Shows a modal message box with an OK button, its text and, below it, what the operator
    // can do about it (the informative text); returns when the operator has closed it.
    using MessageBoxFn = std::function<void(QMessageBox::Icon icon, const QString& strCaption,
                                            const QString& strText, const QString& strInformative)>;
    // Holds the user-interface thread for the given number of milliseconds.
    using PauseFn = std::function<void(int nMilliseconds)>;

    static constexpr int kBaudRate = 9600;
    static constexpr int kTimerPeriodMs = 100;
    static constexpr int kMissLimit = 30;

    explicit CControlDlg(QWidget* pParent = nullptr);
    ~CControlDlg() override;

    // The control with the identifier nId, or null.
    QWidget* GetDlgItem(int nId) const;
    // true copies the controls' texts into the text members, false the members into the controls.
    void UpdateData(bool bSaveAndValidate);

    // The program's message box: modal, with an OK button, over pParent.
    static void ShowMessageBox(QWidget* pParent, QMessageBox::Icon icon, const QString& strCaption,
                               const QString& strText, const QString& strInformative);

    // Where message boxes and command pauses go; tests answer boxes and observe pauses here.
    void SetMessageBox(MessageBoxFn fnMessageBox) { m_fnMessageBox = std::move(fnMessageBox); }
    void SetPause(PauseFn fnPause) { m_fnPause = std::move(fnPause); }
    // The poll timer's period; tests that drive OnTimer themselves set it out of reach.
    void SetTimerPeriod(int nMilliseconds) { m_nTimerPeriodMs = nMilliseconds; }
    bool IsPolling() const { return m_timerPoll.isActive(); }

    // One step of the polling cycle: reads and shows a waiting frame, or counts a miss.
    void OnTimer();

    void OnConnect();
    void OnResetAlarms();
    void OnMute();
    void OnFrequencyUp();
    void OnFrequencyDown();
    void OnPowerUp();
    void OnPowerDown();
    void OnPortSpin(int nDelta);
    // Runs the About box modally; the poll timer keeps ticking behind it.
    void OnAbout();
    // A system menu command: the About entry opens the About box and returns true; any other
    // command returns false and is left to the platform's default handling.
    bool OnSysCommand(unsigned nId);

protected:
    friend class CPanelFixture; // tests wait for replies on m_link's receive queue

    void timerEvent(QTimerEvent* pEvent) override;
    void showEvent(QShowEvent* pEvent) override;
    void moveEvent(QMoveEvent* pEvent) override;

private:
    void DoDataExchange();
    void OnInitDialog();
    void Connect();
    void Disconnect();
    // Tells the operator that the unit stopped answering, then disconnects.
    void OnConnectionLost();
    void PresentValues(const StatusFrame& frame);
    void PresentLamps(const StatusFrame& frame);
    void ApplyConnectedLayout(const QRect& rcNoted);
    void SetOuterGeometry(const QRect& rcOuter);
    // The outer size of the current layout: compact, or the one the first frame applied.
    QSize LayoutSize() const;
    // Sizes the client area so that client and frame fill the layout's outer size.
    void FitFrame();
    // The width and height that the window's frame adds to its client area.
    QSize FrameSize() const;
    void SendCommand(int nButtonId, quint8 byCommand, int nPauseMs);
    // The first port that opens from nFirst in steps of nStep (+1 or -1) up to nLast inclusive;
    // 0 when none does or the range is empty.
    int FindPort(int nFirst, int nLast, int nStep);
    void ShowPort();
    // Why the selected port did not open, and what gives access to it.
    QString OpenFailureText() const;
    // Which port went silent, and since when.
    QString LostConnectionText() const;
    void EnableItem(int nId, bool bEnable);
    // What a screen reader calls the control nId (a readout without the text it shows), or an
    // empty string for one that its own caption names.
    QString AccessibleNameOf(int nId) const;
    // Names readout nId after what it is and what it shows now.
    void NameReadout(int nId);
    void accessibilityActiveChanged(bool bActive) override;

    int m_nPort = 0;
    bool m_bConnected = false;
    bool m_bLayoutPending = true;
    int m_nMissCount = 1;
    bool m_bAmplifier = false;
    QSize m_sizeAmplifier;
    QSize m_sizeCompact;
    QSize m_sizeTransmitter;
    CSpinButtonCtrl m_spinPort;
    CProgressCtrlX m_barAuxVoltage;
    CProgressCtrlX m_barPaVoltage;
    CLed m_ledPllLock;
    CComLink m_link;
    CProgressCtrlX m_barTemperature;
    CProgressCtrlX m_barGainReduction;
    CStaticCounter m_counterFrequency;
    CProgressCtrlX m_barDeviationHigh;
    CProgressCtrlX m_barDeviationLow;
    CLed m_ledModFail;
    CLed m_ledPllFail;
    CLed m_ledRfFail;
    QString m_strForwardPower;
    QString m_strReflectedPower;
    QString m_strGainReduction;
    QString m_strDeviation;
    QString m_strPort;
    int m_nMuteState = 0;
    QIcon m_hIcon;

    // The layout that the first frame of this connection applied, which Disconnect undoes.
    bool m_bAmplifierLayout = false;
    // The frame the window manager said it would draw, asked for when the window is first shown.
    bool m_bFrameRequested = false;
    QSize m_sizeFramePromised;
    std::map<int, QWidget*> m_items; // the template's controls by identifier
    QBasicTimer m_timerPoll;
    QElapsedTimer m_timeLastFrame; // invalid until the first frame of a connection
    // A port that a search skipped because this user may not open it: its path, and what the
    // port box's tool tip says about it.
    QString m_strDeniedPath;
    QString m_strDeniedNotice;
    int m_nTimerPeriodMs = kTimerPeriodMs;
    MessageBoxFn m_fnMessageBox;
    PauseFn m_fnPause;
    // The formats of the texts, in the program's language, taken once: the language is chosen at
    // start-up. The unit's row changes rarely, so its name and formats are kept until it does.
    QByteArray m_gainReductionFormat;
    QByteArray m_deviationFormat;
    const UnitType* m_pUnitShown = nullptr;
    QString m_strUnitName;
    QByteArray m_forwardFormat;
    QByteArray m_reflectedFormat;
};
