#include "ControlDlg.h"

#include "AboutDlg.h"
#include "ControlApp.h"
#include "DialogTemplate.h"
#include "PortSearch.h"
#include "PortTable.h"
#include "Protocol.h"
#include "StatusFrame.h"

#include <QCoreApplication>
#include <QMoveEvent>
#include <QPushButton>
#include <QShowEvent>
#include <QThread>
#include <QTimerEvent>
#include <QVariant>

#include <array>
#include <map>

#ifdef Q_OS_WIN
#include <QAbstractNativeEventFilter>
#include <qt_windows.h>
#endif

namespace {

constexpr int kLastPort = 49;

// Shown for a transmitter, hidden for an amplifier: AUX bar and label, the PLL and modulation
// fail labels and lamps, and MUTE RF.
constexpr int kTransmitterOnly[] = {1030, 1073, 1074, 1075, 1021, 1020, 1006};
// Disabled while disconnected.
constexpr int kCommandButtons[] = {1006, 1005, 1061, 1062, 1063, 1064};

const QString kTitle = QStringLiteral("Corvex Control");
const QString kFrequencyFormat = QStringLiteral("%.2f");

// The outer rectangle of sizeTo centred where rcOuter, of the stored size sizeFrom, was;
// halves drop their remainder so that growing and shrinking return to the same place.
QRect ResizeAboutCentre(const QRect& rcOuter, QSize sizeFrom, QSize sizeTo)
{
    return QRect(rcOuter.left() - (sizeTo.width() - sizeFrom.width()) / 2,
                 rcOuter.top() - (sizeTo.height() - sizeFrom.height()) / 2, sizeTo.width(),
                 sizeTo.height());
}

void ShowMessageBox(QWidget* pParent, QMessageBox::Icon icon, const QString& strCaption,
                    const QString& strText)
{
    QMessageBox box(icon, strCaption, strText, QMessageBox::Ok, pParent);
    box.exec();
}

#ifdef Q_OS_WIN
// Hands the system menu commands of one dialog to its OnSysCommand; lives as the dialog's child.
class CSysCommandFilter : public QObject, public QAbstractNativeEventFilter
{
public:
    explicit CSysCommandFilter(CControlDlg* pDlg) : QObject(pDlg), m_pDlg(pDlg)
    {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    ~CSysCommandFilter() override { QCoreApplication::instance()->removeNativeEventFilter(this); }

    bool nativeEventFilter(const QByteArray&, void* pMessage, qintptr* pResult) override
    {
        const MSG* pMsg = static_cast<const MSG*>(pMessage);
        if (pMsg->message != WM_SYSCOMMAND || pMsg->hwnd != reinterpret_cast<HWND>(m_pDlg->winId()))
            return false;
        if (!m_pDlg->OnSysCommand(static_cast<unsigned>(pMsg->wParam)))
            return false;
        *pResult = 0;
        return true;
    }

private:
    CControlDlg* m_pDlg;
};

// Appends a separator and the About entry (string 101) to the window's system menu, where the
// platform lets an application extend it.
void AppendAboutToSystemMenu(CControlDlg* pDlg)
{
    const QString strAbout = CControlApp::LoadString(101);
    const HMENU hMenu = GetSystemMenu(reinterpret_cast<HWND>(pDlg->winId()), FALSE);
    if (!hMenu || strAbout.isEmpty())
        return;
    AppendMenuW(hMenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(hMenu, MF_STRING, CControlDlg::kIdSysCmdAbout,
                reinterpret_cast<LPCWSTR>(strAbout.utf16()));
    new CSysCommandFilter(pDlg);
}
#endif

} // namespace

CControlDlg::CControlDlg(QWidget* pParent)
    : QDialog(pParent), m_sizeAmplifier(414, 330), m_sizeCompact(236, 139),
      m_sizeTransmitter(645, 330), m_hIcon(CControlApp::LoadIcon()),
      m_fnMessageBox(
          [this](QMessageBox::Icon icon, const QString& strCaption, const QString& strText) {
              ShowMessageBox(this, icon, strCaption, strText);
          }),
      m_fnPause(
          [](int nMilliseconds) { QThread::msleep(static_cast<unsigned long>(nMilliseconds)); })
{
    DoDataExchange();
    OnInitDialog();
}

CControlDlg::~CControlDlg() = default;

QWidget* CControlDlg::GetDlgItem(int nId) const
{
    const auto it = m_items.find(nId);
    return it == m_items.end() ? nullptr : it->second;
}

// Builds template 102 with the member widgets in place of their controls, then wires the
// controls to their handlers in the order of the classic message map.
void CControlDlg::DoDataExchange()
{
    CDialogTemplate dlgTemplate;
    const bool bLoaded = dlgTemplate.Load(QStringLiteral(":/dialog102.rc"));
    Q_ASSERT_X(bLoaded, "CControlDlg", qPrintable(dlgTemplate.ErrorString()));
    const std::vector<QWidget*> controls = dlgTemplate.Build(this, {{1067, &m_spinPort},
                                                                    {1030, &m_barAuxVoltage},
                                                                    {1029, &m_barPaVoltage},
                                                                    {1028, &m_ledPllLock},
                                                                    {1027, &m_barTemperature},
                                                                    {1018, &m_barGainReduction},
                                                                    {1022, &m_counterFrequency},
                                                                    {1059, &m_barDeviationHigh},
                                                                    {1058, &m_barDeviationLow},
                                                                    {1020, &m_ledModFail},
                                                                    {1021, &m_ledPllFail},
                                                                    {1019, &m_ledRfFail}});
    // Every tick looks controls up by identifier: index them once.
    for (QWidget* pControl : controls) {
        bool bHasId = false;
        const int nId = pControl->objectName().toInt(&bHasId);
        if (bHasId)
            m_items.emplace(nId, pControl);
    }
    // The counter is a read-out here: its mouse stepping stays off.
    m_counterFrequency.setAttribute(Qt::WA_TransparentForMouseEvents);

    const auto onClicked = [this](int nId, void (CControlDlg::*pHandler)()) {
        if (auto* pButton = qobject_cast<QPushButton*>(GetDlgItem(nId)))
            connect(pButton, &QPushButton::clicked, this, pHandler);
    };
    onClicked(2, &CControlDlg::reject);
    onClicked(1008, &CControlDlg::OnConnect);
    onClicked(1005, &CControlDlg::OnResetAlarms);
    onClicked(1006, &CControlDlg::OnMute);
    onClicked(1010, &CControlDlg::OnAbout);
    onClicked(1063, &CControlDlg::OnFrequencyUp);
    onClicked(1064, &CControlDlg::OnFrequencyDown);
    onClicked(1061, &CControlDlg::OnPowerUp);
    onClicked(1062, &CControlDlg::OnPowerDown);
    connect(&m_spinPort, &CSpinButtonCtrl::DeltaPos, this, &CControlDlg::OnPortSpin);
}

void CControlDlg::UpdateData(bool bSaveAndValidate)
{
    const std::pair<int, QString CControlDlg::*> texts[] = {
        {1025, &CControlDlg::m_strForwardPower},
        {1024, &CControlDlg::m_strReflectedPower},
        {1034, &CControlDlg::m_strGainReduction},
        {1060, &CControlDlg::m_strDeviation},
        {1066, &CControlDlg::m_strPort}};
    for (const auto& [nId, pText] : texts) {
        QWidget* pControl = GetDlgItem(nId);
        if (bSaveAndValidate)
            this->*pText = pControl->property("text").toString();
        else if (pControl->property("text").toString() != this->*pText)
            pControl->setProperty("text", this->*pText); // unchanged texts cause no repaint
    }
}

void CControlDlg::OnInitDialog()
{
    UpdateData(false);
    FitFrame();
#ifdef Q_OS_WIN
    AppendAboutToSystemMenu(this);
#endif
    setWindowIcon(m_hIcon);
    m_nMuteState = 0;
    m_nMissCount = 1;
    m_nPort = 0;
    m_bConnected = false;

    m_barGainReduction.SetRange(0, 24);
    m_barGainReduction.ModifyStyle(0, PBS_FLIPPED);
    m_barDeviationLow.SetRange(0, 75);
    m_barDeviationLow.ModifyStyle(0, PBS_LABELLEFT | PBS_LABELRIGHT | PBS_LABELTOP);
    m_barDeviationLow.SetBarColors(QColor(0, 255, 0), QColor(0, 255, 0));
    m_barDeviationHigh.SetRange(75, 100);
    m_barDeviationHigh.ModifyStyle(0, PBS_LABELLEFT | PBS_LABELRIGHT | PBS_LABELTOP);
    m_barDeviationHigh.SetBarColors(QColor(255, 0, 0), QColor(255, 0, 0));
    m_barTemperature.SetRange(0, 100);
    m_barTemperature.ModifyStyle(0, PBS_LABELONBAR | PBS_LABELLEFT | PBS_LABELRIGHT | PBS_LABELTOP);
    m_barTemperature.SetLabelFormat(QStringLiteral("%d C"), PBS_LABELVALUE);
    m_barTemperature.SetBarColors(QColor(255, 0, 0), QColor(255, 0, 0));
    for (CProgressCtrlX* pBar : {&m_barPaVoltage, &m_barAuxVoltage}) {
        pBar->SetRange(0, 50);
        pBar->ModifyStyle(0, PBS_LABELONBAR | PBS_LABELLEFT | PBS_LABELRIGHT | PBS_LABELBOTTOM);
        pBar->SetLabelFormat(QStringLiteral("%d V"), PBS_LABELVALUE);
    }

    m_barPaVoltage.SetPos(0);
    m_barAuxVoltage.SetPos(0);
    m_barGainReduction.SetPos(0);
    m_strGainReduction = QStringLiteral("?");
    m_strDeviation = QStringLiteral("?");
    m_barTemperature.SetPos(0);
    m_strForwardPower.clear();
    m_strReflectedPower.clear();

    for (CLed* pLed : {&m_ledRfFail, &m_ledPllFail, &m_ledModFail, &m_ledPllLock})
        pLed->SetState(CLed::Red, CLed::Off, CLed::Square);
    for (int nId : kCommandButtons)
        EnableItem(nId, false);

    m_counterFrequency.ShowBar(false);
    m_counterFrequency.SetColors(QColor(0, 0, 0), QColor(236, 233, 216), QColor(0, 0, 0));
    m_counterFrequency.SetUnlitColor(QColor(215, 215, 215));
    m_counterFrequency.Display(0.0f, true, kFrequencyFormat);

    m_nPort = FindPort(0, kLastPort);
    m_spinPort.SetRange(1, 50);
    ShowPort();
    UpdateData(false);
}

void CControlDlg::OnPortSpin(int nDelta)
{
    int nFound = 0;
    if (nDelta > 0)
        nFound = FindPort(m_nPort + 1, kLastPort);
    else if (nDelta < 0)
        nFound = FindPort(m_nPort - 1, 1);
    if (nFound != 0)
        m_nPort = nFound;
    ShowPort();
    UpdateData(false);
}

int CControlDlg::FindPort(int nFirst, int nLast)
{
    return CPortSearch::FindFirst(nFirst, nLast, kBaudRate);
}

void CControlDlg::ShowPort()
{
    m_strPort = m_nPort == 0 ? QStringLiteral("NONE") : CPortTable::DisplayName(m_nPort);
}

void CControlDlg::OnConnect()
{
    if (m_bConnected)
        Disconnect();
    else
        Connect();
}

void CControlDlg::Connect()
{
    if (!m_link.Open(m_nPort, kBaudRate)) {
        m_fnMessageBox(QMessageBox::Warning, QCoreApplication::applicationName(),
                       QStringLiteral("The selected com port failed to open."));
        Disconnect();
        return;
    }
    m_bConnected = true;
    m_bLayoutPending = true;
    // Held until the first frame, so only the lost-connection rule ends a silent connection.
    EnableItem(1008, false);
    GetDlgItem(1008)->setProperty("text", QStringLiteral("Disconnect"));
    m_spinPort.setEnabled(false);
    for (int nId : {1006, 1005, 1063, 1064})
        EnableItem(nId, true);
    m_timerPoll.start(m_nTimerPeriodMs, this);
    m_nMissCount = 1;
    m_link.Write(&Command::Poll, 1);
}

void CControlDlg::timerEvent(QTimerEvent* pEvent)
{
    if (pEvent->timerId() == m_timerPoll.timerId())
        OnTimer();
    else
        QDialog::timerEvent(pEvent);
}

void CControlDlg::OnTimer()
{
    std::array<quint8, kStatusFrameSize> buffer{};
    // A read that comes up short, the device having gone meanwhile, brings no frame either.
    if (IsFrameAvailable(m_link.BytesWaiting()) &&
        m_link.Read(buffer.data(), kStatusFrameSize) == kStatusFrameSize) {
        const QRect rcNoted = frameGeometry();
        EnableItem(1008, true);
        m_nMissCount = 1;
        const StatusFrame frame = StatusFrame::Decode(buffer.data());
        PresentValues(frame);
        if (m_bLayoutPending) {
            m_bLayoutPending = false;
            ApplyConnectedLayout(rcNoted);
        }
        PresentLamps(frame);
        m_link.Write(&Command::Poll, 1);
    } else if (++m_nMissCount == kMissLimit) {
        m_fnMessageBox(
            QMessageBox::Critical, QStringLiteral("Corvex Control Error"),
            QStringLiteral(
                "The connection cannot be established or has been lost. Please reconnect."));
        Disconnect();
    }
    UpdateData(false);
}

void CControlDlg::PresentValues(const StatusFrame& frame)
{
    m_barPaVoltage.SetPos(frame.paVoltage);
    m_barAuxVoltage.SetPos(frame.auxVoltage);
    m_barGainReduction.SetPos(frame.gainReduction);
    m_barDeviationLow.SetPos(frame.peakDeviation);
    m_barDeviationHigh.SetPos(frame.peakDeviation);
    m_strGainReduction = QString::asprintf("%d dB", int(frame.gainReduction));
    m_strDeviation = QString::asprintf("%d Khz", int(frame.peakDeviation));
    m_barTemperature.SetPos(frame.paTemperature);
    m_counterFrequency.Display(frame.Frequency(), true, kFrequencyFormat);

    const UnitType& unit = frame.Unit();
    if (unit.bPowerButtons) {
        EnableItem(1061, true);
        EnableItem(1062, true);
    }
    m_strForwardPower = frame.ForwardPowerText();
    m_strReflectedPower = frame.ReflectedPowerText();
    setWindowTitle(QString::fromLatin1(unit.pszName));
    m_bAmplifier = unit.bAmplifier;
}

void CControlDlg::PresentLamps(const StatusFrame& frame)
{
    const bool bMuted = frame.CarrierMuted();
    GetDlgItem(1006)->setProperty("text",
                                  bMuted ? QStringLiteral("UNMUTE RF") : QStringLiteral("MUTE RF"));
    m_nMuteState = bMuted ? 2 : 1;

    const std::pair<CLed*, bool> lamps[] = {{&m_ledPllLock, frame.PllLocked()},
                                            {&m_ledRfFail, frame.RfFail()},
                                            {&m_ledPllFail, frame.PllFail()},
                                            {&m_ledModFail, frame.ModFail()}};
    for (const auto& [pLed, bLit] : lamps)
        pLed->SetState(CLed::Red, bLit ? CLed::On : CLed::Off, CLed::Square);
}

void CControlDlg::ApplyConnectedLayout(const QRect& rcNoted)
{
    m_bAmplifierLayout = m_bAmplifier;
    for (int nId : kTransmitterOnly)
        GetDlgItem(nId)->setVisible(!m_bAmplifierLayout);
    const QSize size = m_bAmplifierLayout ? m_sizeAmplifier : m_sizeTransmitter;
    SetOuterGeometry(ResizeAboutCentre(rcNoted, m_sizeCompact, size));
}

void CControlDlg::Disconnect()
{
    m_timerPoll.stop();
    m_bConnected = false;
    GetDlgItem(1008)->setProperty("text", QStringLiteral("Connect"));
    EnableItem(1008, true);
    m_spinPort.setEnabled(true);
    for (int nId : kCommandButtons)
        EnableItem(nId, false);
    for (CLed* pLed : {&m_ledPllLock, &m_ledRfFail, &m_ledPllFail, &m_ledModFail})
        pLed->SetState(CLed::Red, CLed::Off, CLed::Square);
    m_counterFrequency.Display(0.0f, true, kFrequencyFormat);
    for (CProgressCtrlX* pBar : {&m_barPaVoltage, &m_barAuxVoltage, &m_barDeviationLow,
                                 &m_barDeviationHigh, &m_barGainReduction})
        pBar->SetPos(0);
    m_strGainReduction = QStringLiteral("?");
    m_strDeviation = QStringLiteral("?");
    m_barTemperature.SetPos(0);
    m_strForwardPower.clear();
    m_strReflectedPower.clear();
    m_link.Close();
    UpdateData(false);
    if (!m_bLayoutPending) {
        const QSize sizeLayout = LayoutSize();
        m_bLayoutPending = true;
        SetOuterGeometry(ResizeAboutCentre(frameGeometry(), sizeLayout, m_sizeCompact));
    }
    setWindowTitle(kTitle);
}

// Moves and sizes the window so that its frame, where the platform draws one, fills rcOuter.
void CControlDlg::SetOuterGeometry(const QRect& rcOuter)
{
    const QSize sizeFrame = frameGeometry().size() - geometry().size();
    setFixedSize(rcOuter.size() - sizeFrame);
    move(rcOuter.topLeft());
}

QSize CControlDlg::LayoutSize() const
{
    if (m_bLayoutPending)
        return m_sizeCompact;
    return m_bAmplifierLayout ? m_sizeAmplifier : m_sizeTransmitter;
}

void CControlDlg::FitFrame()
{
    const QSize sizeClient = LayoutSize() - (frameGeometry().size() - geometry().size());
    if (sizeClient != size())
        setFixedSize(sizeClient);
}

// The platform frames the window only once it is shown, or later when a window manager
// reparents it; the outer size stays the layout's all the same.
void CControlDlg::showEvent(QShowEvent* pEvent)
{
    QDialog::showEvent(pEvent);
    FitFrame();
}

void CControlDlg::moveEvent(QMoveEvent* pEvent)
{
    QDialog::moveEvent(pEvent);
    FitFrame();
}

void CControlDlg::EnableItem(int nId, bool bEnable)
{
    GetDlgItem(nId)->setEnabled(bEnable);
}

void CControlDlg::SendCommand(int nButtonId, quint8 byCommand, int nPauseMs)
{
    if (m_link.Open(m_nPort, kBaudRate))
        m_link.Write(&byCommand, 1);
    EnableItem(nButtonId, false);
    m_fnPause(nPauseMs);
    EnableItem(nButtonId, true);
}

void CControlDlg::OnResetAlarms()
{
    SendCommand(1005, Command::ResetAlarms, Command::kPauseMs);
}

void CControlDlg::OnMute()
{
    SendCommand(1006, m_nMuteState == 1 ? Command::Mute : Command::Unmute, Command::kMutePauseMs);
}

void CControlDlg::OnFrequencyUp()
{
    SendCommand(1063, Command::FrequencyUp, Command::kPauseMs);
}

void CControlDlg::OnFrequencyDown()
{
    SendCommand(1064, Command::FrequencyDown, Command::kPauseMs);
}

void CControlDlg::OnPowerUp()
{
    SendCommand(1061, Command::PowerUp, Command::kPauseMs);
}

void CControlDlg::OnPowerDown()
{
    SendCommand(1062, Command::PowerDown, Command::kPauseMs);
}

void CControlDlg::OnAbout()
{
    CAboutDlg dlgAbout(this);
    dlgAbout.exec();
}

bool CControlDlg::OnSysCommand(unsigned nId)
{
    if ((nId & 0xFFF0) != kIdSysCmdAbout)
        return false;
    OnAbout();
    return true;
}
