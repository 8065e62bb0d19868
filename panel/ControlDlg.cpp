#include "ControlDlg.h"

#include "AboutDlg.h"
#include "AccessibleReading.h"
#include "ControlApp.h"
#include "DialogTemplate.h"
#include "FrameExtents.h"
#include "PortSearch.h"
#include "PortTable.h"
#include "Protocol.h"
#include "StatusFrame.h"
#include "Translations.h"
#include "resource.h"

#include <QAccessible>
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
constexpr int kTransmitterOnly[] = {
    IDC_AUX_VOLTAGE_BAR, IDC_AUX_LABEL, IDC_PLL_FAIL_LABEL, IDC_MOD_FAIL_LABEL, IDC_PLL_FAIL_LED,
    IDC_MOD_FAIL_LED,    IDC_MUTE};
// Disabled while disconnected.
constexpr int kCommandButtons[] = {IDC_MUTE,       IDC_RESET_ALARMS, IDC_POWER_UP,
                                   IDC_POWER_DOWN, IDC_FREQUENCY_UP, IDC_FREQUENCY_DOWN};

const QString kFrequencyFormat = QStringLiteral("%.2f");
// The captions of the template's controls, and the texts that take their place at run time,
// are translated in the template's context.
constexpr char kTemplateContext[] = "dialog102";

// Accessible names. A control is named by its own caption, by the caption of the group box or
// label it belongs to (which a screen reader otherwise never connects with it: the group boxes
// are the controls' siblings, not their parents), by both, or by a name of its own where no
// caption says what it is. Names of their own have no room to respect, so they may say more
// than the captions that fit the panel.
enum class NameFrom
{
    GroupThenCaption, // "R.F. power UP"
    GroupOrLabel,     // "Frequency"
    Own               // "P.A. voltage"
};
struct AccessibleName
{
    int nId;
    NameFrom from;
    const char* pszContext;
    const char* pszSource;
};
const AccessibleName kAccessibleNames[] = {
    {IDC_POWER_UP, NameFrom::GroupThenCaption, kTemplateContext,
     QT_TRANSLATE_NOOP("dialog102", "R.F. power")},
    {IDC_POWER_DOWN, NameFrom::GroupThenCaption, kTemplateContext,
     QT_TRANSLATE_NOOP("dialog102", "R.F. power")},
    {IDC_FREQUENCY_UP, NameFrom::GroupThenCaption, kTemplateContext,
     QT_TRANSLATE_NOOP("dialog102", "Frequency")},
    {IDC_FREQUENCY_DOWN, NameFrom::GroupThenCaption, kTemplateContext,
     QT_TRANSLATE_NOOP("dialog102", "Frequency")},
    {IDC_FREQUENCY_COUNTER, NameFrom::GroupOrLabel, kTemplateContext,
     QT_TRANSLATE_NOOP("dialog102", "Frequency")},
    {IDC_TEMPERATURE_BAR, NameFrom::GroupOrLabel, kTemplateContext,
     QT_TRANSLATE_NOOP("dialog102", "PA temperature")},
    {IDC_GAIN_REDUCTION_BAR, NameFrom::GroupOrLabel, kTemplateContext,
     QT_TRANSLATE_NOOP("dialog102", "Gain Reduction")},
    //: Accessible name of the port box (not shown)
    {IDC_PORT, NameFrom::Own, "CControlDlg", QT_TRANSLATE_NOOP("CControlDlg", "Port")},
    //: Accessible name of the arrows beside the port box, which search for a port (not shown)
    {IDC_PORT_SPIN, NameFrom::Own, "CControlDlg", QT_TRANSLATE_NOOP("CControlDlg", "Port search")},
    //: Accessible name of the P.A. voltage bar (not shown)
    {IDC_PA_VOLTAGE_BAR, NameFrom::Own, "CControlDlg",
     QT_TRANSLATE_NOOP("CControlDlg", "P.A. voltage")},
    //: Accessible name of the auxiliary voltage bar (not shown)
    {IDC_AUX_VOLTAGE_BAR, NameFrom::Own, "CControlDlg",
     QT_TRANSLATE_NOOP("CControlDlg", "AUX voltage")},
    //: Accessible name of the green part of the deviation scale (not shown)
    {IDC_DEVIATION_LOW_BAR, NameFrom::Own, "CControlDlg",
     QT_TRANSLATE_NOOP("CControlDlg", "Peak deviation up to 75 kHz")},
    //: Accessible name of the red part of the deviation scale (not shown)
    {IDC_DEVIATION_HIGH_BAR, NameFrom::Own, "CControlDlg",
     QT_TRANSLATE_NOOP("CControlDlg", "Peak deviation above 75 kHz")},
    //: Accessible name of the PLL lock lamp (not shown: no length limit)
    {IDC_PLL_LOCK_LED, NameFrom::Own, "CControlDlg", QT_TRANSLATE_NOOP("CControlDlg", "PLL LOCK")},
    //: Accessible name of the RF fail lamp (not shown: no length limit)
    {IDC_RF_FAIL_LED, NameFrom::Own, "CControlDlg", QT_TRANSLATE_NOOP("CControlDlg", "RF Fail")},
    //: Accessible name of the PLL fail lamp (not shown: no length limit)
    {IDC_PLL_FAIL_LED, NameFrom::Own, "CControlDlg", QT_TRANSLATE_NOOP("CControlDlg", "PLL Fail")},
    //: Accessible name of the modulation fail lamp (not shown: no length limit)
    {IDC_MOD_FAIL_LED, NameFrom::Own, "CControlDlg",
     QT_TRANSLATE_NOOP("CControlDlg", "Modulation Fail")},
};
// The texts that change with the frames: a screen reader hears what they show after what they are
// ("Forward power: 15.0 W FWD.").
const AccessibleName kReadouts[] = {
    //: Accessible name of the forward power text (not shown)
    {IDC_FORWARD_POWER, NameFrom::Own, "CControlDlg",
     QT_TRANSLATE_NOOP("CControlDlg", "Forward power")},
    //: Accessible name of the reflected power text (not shown)
    {IDC_REFLECTED_POWER, NameFrom::Own, "CControlDlg",
     QT_TRANSLATE_NOOP("CControlDlg", "Reflected power")},
    {IDC_GAIN_REDUCTION, NameFrom::GroupOrLabel, kTemplateContext,
     QT_TRANSLATE_NOOP("dialog102", "Gain Reduction")},
    {IDC_DEVIATION, NameFrom::GroupOrLabel, kTemplateContext,
     QT_TRANSLATE_NOOP("dialog102", "Peak Deviation")},
};

const AccessibleName* FindAccessibleName(int nId)
{
    for (const AccessibleName& name : kAccessibleNames)
        if (name.nId == nId)
            return &name;
    for (const AccessibleName& name : kReadouts)
        if (name.nId == nId)
            return &name;
    return nullptr;
}

// A printf format of this dialog in the program's language.
QByteArray DialogFormat(const char* pszFormat)
{
    return CTranslations::Format("CControlDlg", pszFormat);
}

QString TemplateText(const char* pszSource)
{
    return QCoreApplication::translate(kTemplateContext, pszSource);
}

// What gives a user access to the serial ports of a Debian system.
QString DialoutRemedy()
{
    return QCoreApplication::translate(
        "CControlDlg",
        "This user may not open it. Serial ports belong to the group \"dialout\": add the user "
        "to it (sudo adduser $USER dialout), then log out and log in again.");
}

// The outer rectangle of sizeTo centred where rcOuter, of the stored size sizeFrom, was;
// halves drop their remainder so that growing and shrinking return to the same place.
QRect ResizeAboutCentre(const QRect& rcOuter, QSize sizeFrom, QSize sizeTo)
{
    return QRect(rcOuter.left() - (sizeTo.width() - sizeFrom.width()) / 2,
                 rcOuter.top() - (sizeTo.height() - sizeFrom.height()) / 2, sizeTo.width(),
                 sizeTo.height());
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

// Appends a separator and the About entry (string IDS_ABOUTBOX) to the window's system menu, where
// the platform lets an application extend it.
void AppendAboutToSystemMenu(CControlDlg* pDlg)
{
    const QString strAbout = CControlApp::LoadString(IDS_ABOUTBOX);
    const HMENU hMenu = GetSystemMenu(reinterpret_cast<HWND>(pDlg->winId()), FALSE);
    if (!hMenu || strAbout.isEmpty())
        return;
    AppendMenuW(hMenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(hMenu, MF_STRING, ID_SYSCMD_ABOUT, reinterpret_cast<LPCWSTR>(strAbout.utf16()));
    new CSysCommandFilter(pDlg);
}
#endif

} // namespace

CControlDlg::CControlDlg(QWidget* pParent)
    : QDialog(pParent), m_sizeAmplifier(414, 330), m_sizeCompact(236, 139),
      m_sizeTransmitter(645, 330), m_hIcon(CControlApp::LoadIcon()),
      m_fnMessageBox([this](QMessageBox::Icon icon, const QString& strCaption,
                            const QString& strText, const QString& strInformative) {
          ShowMessageBox(this, icon, strCaption, strText, strInformative);
      }),
      m_fnPause(
          [](int nMilliseconds) { QThread::msleep(static_cast<unsigned long>(nMilliseconds)); })
{
    DoDataExchange();
    OnInitDialog();
    QAccessible::installActivationObserver(this);
}

CControlDlg::~CControlDlg()
{
    QAccessible::removeActivationObserver(this);
}

void CControlDlg::ShowMessageBox(QWidget* pParent, QMessageBox::Icon icon,
                                 const QString& strCaption, const QString& strText,
                                 const QString& strInformative)
{
    QMessageBox box(icon, strCaption, strText, QMessageBox::Ok, pParent);
    box.setInformativeText(strInformative);
    box.exec();
}

QWidget* CControlDlg::GetDlgItem(int nId) const
{
    const auto it = m_items.find(nId);
    return it == m_items.end() ? nullptr : it->second;
}

// Builds template IDD_CORVEXCONTROL_DIALOG with the member widgets in place of their controls, then
// wires the controls to their handlers in the order of the classic message map.
void CControlDlg::DoDataExchange()
{
    CDialogTemplate dlgTemplate;
    const bool bLoaded = dlgTemplate.Load(QStringLiteral(":/dialog102.rc"));
    Q_ASSERT_X(bLoaded, "CControlDlg", qPrintable(dlgTemplate.ErrorString()));
    const std::vector<QWidget*> controls =
        dlgTemplate.Build(this, {{IDC_PORT_SPIN, &m_spinPort},
                                 {IDC_AUX_VOLTAGE_BAR, &m_barAuxVoltage},
                                 {IDC_PA_VOLTAGE_BAR, &m_barPaVoltage},
                                 {IDC_PLL_LOCK_LED, &m_ledPllLock},
                                 {IDC_TEMPERATURE_BAR, &m_barTemperature},
                                 {IDC_GAIN_REDUCTION_BAR, &m_barGainReduction},
                                 {IDC_FREQUENCY_COUNTER, &m_counterFrequency},
                                 {IDC_DEVIATION_HIGH_BAR, &m_barDeviationHigh},
                                 {IDC_DEVIATION_LOW_BAR, &m_barDeviationLow},
                                 {IDC_MOD_FAIL_LED, &m_ledModFail},
                                 {IDC_PLL_FAIL_LED, &m_ledPllFail},
                                 {IDC_RF_FAIL_LED, &m_ledRfFail}});
    // Every tick looks controls up by identifier: index them once.
    for (QWidget* pControl : controls) {
        bool bHasId = false;
        const int nId = pControl->objectName().toInt(&bHasId);
        if (bHasId)
            m_items.emplace(nId, pControl);
    }
    // The counter is a read-out here: its mouse stepping stays off.
    m_counterFrequency.setAttribute(Qt::WA_TransparentForMouseEvents);
    // The texts that change with every frame paint their own background: otherwise each change
    // repaints the group box behind them, frame and title, which costs many times the text.
    for (int nId : {IDC_FORWARD_POWER, IDC_REFLECTED_POWER, IDC_GAIN_REDUCTION, IDC_DEVIATION})
        GetDlgItem(nId)->setAutoFillBackground(true);

    const auto onClicked = [this](int nId, void (CControlDlg::*pHandler)()) {
        if (auto* pButton = qobject_cast<QPushButton*>(GetDlgItem(nId)))
            connect(pButton, &QPushButton::clicked, this, pHandler);
    };
    onClicked(IDCANCEL, &CControlDlg::reject);
    onClicked(IDC_CONNECT, &CControlDlg::OnConnect);
    onClicked(IDC_RESET_ALARMS, &CControlDlg::OnResetAlarms);
    onClicked(IDC_MUTE, &CControlDlg::OnMute);
    onClicked(IDC_ABOUT, &CControlDlg::OnAbout);
    onClicked(IDC_FREQUENCY_UP, &CControlDlg::OnFrequencyUp);
    onClicked(IDC_FREQUENCY_DOWN, &CControlDlg::OnFrequencyDown);
    onClicked(IDC_POWER_UP, &CControlDlg::OnPowerUp);
    onClicked(IDC_POWER_DOWN, &CControlDlg::OnPowerDown);
    connect(&m_spinPort, &CSpinButtonCtrl::DeltaPos, this, &CControlDlg::OnPortSpin);

    for (const AccessibleName& name : kAccessibleNames)
        GetDlgItem(name.nId)->setAccessibleName(AccessibleNameOf(name.nId));
    m_spinPort.SetAccessibleArrowNames(tr("Next port", "accessible name of the up arrow"),
                                       tr("Previous port", "accessible name of the down arrow"));
}

QString CControlDlg::AccessibleNameOf(int nId) const
{
    const AccessibleName* pName = FindAccessibleName(nId);
    if (!pName)
        return QString();
    const QString strSource = QCoreApplication::translate(pName->pszContext, pName->pszSource);
    if (pName->from != NameFrom::GroupThenCaption)
        return strSource;
    //: Accessible name of a button: the caption of its group, then its own caption
    return tr("%1 %2").arg(strSource, GetDlgItem(nId)->property("text").toString().remove('&'));
}

void CControlDlg::NameReadout(int nId)
{
    for (const AccessibleName& readout : kReadouts)
        if (readout.nId == nId)
            GetDlgItem(nId)->setAccessibleName(AccessibleReading(
                AccessibleNameOf(nId), GetDlgItem(nId)->property("text").toString()));
}

// The readouts are named only while a screen reader listens; one that starts listening later
// learns them all at once.
void CControlDlg::accessibilityActiveChanged(bool bActive)
{
    if (!bActive)
        return;
    for (const AccessibleName& readout : kReadouts)
        NameReadout(readout.nId);
}

void CControlDlg::UpdateData(bool bSaveAndValidate)
{
    const std::pair<int, QString CControlDlg::*> texts[] = {
        {IDC_FORWARD_POWER, &CControlDlg::m_strForwardPower},
        {IDC_REFLECTED_POWER, &CControlDlg::m_strReflectedPower},
        {IDC_GAIN_REDUCTION, &CControlDlg::m_strGainReduction},
        {IDC_DEVIATION, &CControlDlg::m_strDeviation},
        {IDC_PORT, &CControlDlg::m_strPort}};
    for (const auto& [nId, pText] : texts) {
        QWidget* pControl = GetDlgItem(nId);
        if (bSaveAndValidate) {
            this->*pText = pControl->property("text").toString();
        } else if (pControl->property("text").toString() != this->*pText) {
            pControl->setProperty("text", this->*pText); // unchanged texts cause no repaint
            if (QAccessible::isActive())
                NameReadout(nId);
        }
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
    m_gainReductionFormat = DialogFormat(QT_TRANSLATE_NOOP("CControlDlg", "%d dB"));
    m_deviationFormat = DialogFormat(QT_TRANSLATE_NOOP("CControlDlg", "%d Khz"));

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
    m_barTemperature.SetLabelFormat(
        QString::fromUtf8(DialogFormat(QT_TRANSLATE_NOOP("CControlDlg", "%d C"))), PBS_LABELVALUE);
    m_barTemperature.SetBarColors(QColor(255, 0, 0), QColor(255, 0, 0));
    for (CProgressCtrlX* pBar : {&m_barPaVoltage, &m_barAuxVoltage}) {
        pBar->SetRange(0, 50);
        pBar->ModifyStyle(0, PBS_LABELONBAR | PBS_LABELLEFT | PBS_LABELRIGHT | PBS_LABELBOTTOM);
        pBar->SetLabelFormat(
            QString::fromUtf8(DialogFormat(QT_TRANSLATE_NOOP("CControlDlg", "%d V"))),
            PBS_LABELVALUE);
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

    m_nPort = FindPort(0, kLastPort, 1);
    m_spinPort.SetRange(1, 50);
    ShowPort();
    UpdateData(false);
    accessibilityActiveChanged(QAccessible::isActive());
}

void CControlDlg::OnPortSpin(int nDelta)
{
    int nFound = 0;
    if (nDelta > 0)
        nFound = FindPort(m_nPort + 1, kLastPort, 1);
    else if (nDelta < 0)
        nFound = FindPort(m_nPort - 1, 1, -1);
    if (nFound != 0)
        m_nPort = nFound;
    ShowPort();
    UpdateData(false);
}

int CControlDlg::FindPort(int nFirst, int nLast, int nStep)
{
    const CPortSearch::Result result = CPortSearch::Find(nFirst, nLast, nStep, kBaudRate);
    if (result.nPort != 0 && CPortTable::DevicePath(result.nPort) == m_strDeniedPath) {
        m_strDeniedPath.clear();
        m_strDeniedNotice.clear();
    }
    // One port refused for permission is worth a word: the first one met.
    if (!result.strDeniedPath.isEmpty() && m_strDeniedPath.isEmpty()) {
        m_strDeniedPath = result.strDeniedPath;
        m_strDeniedNotice = tr("Skipped %1: %2.\n%3")
                                .arg(result.strDeniedPath, result.strDeniedReason, DialoutRemedy());
    }
    return result.nPort;
}

void CControlDlg::ShowPort()
{
    //: Shown in the port box when no port opens (uppercase on the classic panel)
    m_strPort = m_nPort == 0 ? tr("NONE") : CPortTable::DisplayName(m_nPort);
    GetDlgItem(IDC_PORT)->setToolTip(m_strDeniedNotice);
}

QString CControlDlg::OpenFailureText() const
{
    if (m_nPort == 0) {
        const QString strText = tr("No port is selected: the search found none that opens.");
        return m_strDeniedNotice.isEmpty() ? strText : strText + "\n\n" + m_strDeniedNotice;
    }
    const QString strText =
        QStringLiteral("%1: %2.").arg(CPortTable::DevicePath(m_nPort), m_link.ErrorString());
    return m_link.IsPermissionDenied() ? strText + "\n" + DialoutRemedy() : strText;
}

QString CControlDlg::LostConnectionText() const
{
    const QString strPath = CPortTable::DevicePath(m_nPort);
    if (!m_timeLastFrame.isValid())
        return tr("No status frame came from %1 since Connect. Check the cable, the unit's power "
                  "and that %1 is the unit's port.")
            .arg(strPath);
    return tr("The last status frame from %1 came %2 s ago.")
        .arg(strPath, QLocale().toString(double(m_timeLastFrame.elapsed()) / 1000.0, 'f', 1));
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
                       tr("The selected com port failed to open."), OpenFailureText());
        Disconnect();
        return;
    }
    m_bConnected = true;
    m_bLayoutPending = true;
    // Held until the first frame, so only the lost-connection rule ends a silent connection.
    EnableItem(IDC_CONNECT, false);
    GetDlgItem(IDC_CONNECT)
        ->setProperty("text", TemplateText(QT_TRANSLATE_NOOP("dialog102", "Disconnect")));
    m_spinPort.setEnabled(false);
    for (int nId : {IDC_MUTE, IDC_RESET_ALARMS, IDC_FREQUENCY_UP, IDC_FREQUENCY_DOWN})
        EnableItem(nId, true);
    m_timerPoll.start(m_nTimerPeriodMs, this);
    m_timeLastFrame.invalidate();
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
        EnableItem(IDC_CONNECT, true);
        m_nMissCount = 1;
        m_timeLastFrame.start();
        const StatusFrame frame = StatusFrame::Decode(buffer.data());
        PresentValues(frame);
        if (m_bLayoutPending) {
            m_bLayoutPending = false;
            ApplyConnectedLayout(rcNoted);
        }
        PresentLamps(frame);
        m_link.Write(&Command::Poll, 1);
    } else if (++m_nMissCount == kMissLimit) {
        // Qt delivers no tick of this timer while its handler runs: a box opened here would stop
        // the polling behind it. Opened after the return, the ticks go on while it is shown.
        QMetaObject::invokeMethod(this, &CControlDlg::OnConnectionLost, Qt::QueuedConnection);
    }
    UpdateData(false);
}

void CControlDlg::OnConnectionLost()
{
    m_fnMessageBox(QMessageBox::Critical, tr("Corvex Control Error"),
                   tr("The connection cannot be established or has been lost. Please reconnect."),
                   LostConnectionText());
    Disconnect();
}

void CControlDlg::PresentValues(const StatusFrame& frame)
{
    m_barPaVoltage.SetPos(frame.paVoltage);
    m_barAuxVoltage.SetPos(frame.auxVoltage);
    m_barGainReduction.SetPos(frame.gainReduction);
    m_barDeviationLow.SetPos(frame.peakDeviation);
    m_barDeviationHigh.SetPos(frame.peakDeviation);
    m_strGainReduction =
        QString::asprintf(m_gainReductionFormat.constData(), int(frame.gainReduction));
    m_strDeviation = QString::asprintf(m_deviationFormat.constData(), int(frame.peakDeviation));
    m_barTemperature.SetPos(frame.paTemperature);
    m_counterFrequency.Display(frame.Frequency(), true, kFrequencyFormat);

    const UnitType& unit = frame.Unit();
    if (unit.bPowerButtons) {
        EnableItem(IDC_POWER_UP, true);
        EnableItem(IDC_POWER_DOWN, true);
    }
    if (&unit != m_pUnitShown) {
        m_pUnitShown = &unit;
        m_strUnitName = QCoreApplication::translate("UnitType", unit.pszName);
        m_forwardFormat = CTranslations::Format("UnitType", unit.pszForwardFormat);
        m_reflectedFormat = CTranslations::Format("UnitType", unit.pszReflectedFormat);
    }
    m_strForwardPower = unit.PowerText(m_forwardFormat.constData(), frame.forwardPower);
    m_strReflectedPower = unit.PowerText(m_reflectedFormat.constData(), frame.reflectedPower);
    setWindowTitle(m_strUnitName);
    m_bAmplifier = unit.bAmplifier;
}

void CControlDlg::PresentLamps(const StatusFrame& frame)
{
    const bool bMuted = frame.CarrierMuted();
    GetDlgItem(IDC_MUTE)->setProperty(
        "text", bMuted ? TemplateText(QT_TRANSLATE_NOOP("dialog102", "UNMUTE RF"))
                       : TemplateText(QT_TRANSLATE_NOOP("dialog102", "MUTE RF")));
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
    GetDlgItem(IDC_CONNECT)
        ->setProperty("text", TemplateText(QT_TRANSLATE_NOOP("dialog102", "Connect")));
    EnableItem(IDC_CONNECT, true);
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
    setWindowTitle(TemplateText(QT_TRANSLATE_NOOP("dialog102", "Corvex Control")));
}

// Moves and sizes the window so that its frame, where the platform draws one, fills rcOuter.
void CControlDlg::SetOuterGeometry(const QRect& rcOuter)
{
    setFixedSize(rcOuter.size() - FrameSize());
    move(rcOuter.topLeft());
}

QSize CControlDlg::LayoutSize() const
{
    if (m_bLayoutPending)
        return m_sizeCompact;
    return m_bAmplifierLayout ? m_sizeAmplifier : m_sizeTransmitter;
}

QSize CControlDlg::FrameSize() const
{
    const QSize sizeFrame = frameGeometry().size() - geometry().size();
    // Until the window manager has framed the window, Qt knows no frame: the promised one holds.
    return sizeFrame.isNull() ? m_sizeFramePromised : sizeFrame;
}

void CControlDlg::FitFrame()
{
    const QSize sizeClient = LayoutSize() - FrameSize();
    if (sizeClient != size())
        setFixedSize(sizeClient);
}

// The platform frames the window only once it is shown, or later when a window manager
// reparents it; the outer size stays the layout's all the same. Shown events come before the
// window is mapped: asked then, the window manager names its frame in time for the first map.
void CControlDlg::showEvent(QShowEvent* pEvent)
{
    QDialog::showEvent(pEvent);
    if (!m_bFrameRequested) {
        m_bFrameRequested = true;
        const QMargins margins = CFrameExtents::Request(this);
        m_sizeFramePromised =
            QSize(margins.left() + margins.right(), margins.top() + margins.bottom());
    }
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
    // Qt moves the focus on from a button that is disabled; a second key press must act on the
    // button that showed the focus, never on its neighbour.
    QWidget* pButton = GetDlgItem(nButtonId);
    const bool bFocused = focusWidget() == pButton;
    pButton->setEnabled(false);
    m_fnPause(nPauseMs);
    pButton->setEnabled(true);
    if (bFocused)
        pButton->setFocus(Qt::OtherFocusReason);
}

void CControlDlg::OnResetAlarms()
{
    SendCommand(IDC_RESET_ALARMS, Command::ResetAlarms, Command::kPauseMs);
}

void CControlDlg::OnMute()
{
    SendCommand(IDC_MUTE, m_nMuteState == 1 ? Command::Mute : Command::Unmute,
                Command::kMutePauseMs);
}

void CControlDlg::OnFrequencyUp()
{
    SendCommand(IDC_FREQUENCY_UP, Command::FrequencyUp, Command::kPauseMs);
}

void CControlDlg::OnFrequencyDown()
{
    SendCommand(IDC_FREQUENCY_DOWN, Command::FrequencyDown, Command::kPauseMs);
}

void CControlDlg::OnPowerUp()
{
    SendCommand(IDC_POWER_UP, Command::PowerUp, Command::kPauseMs);
}

void CControlDlg::OnPowerDown()
{
    SendCommand(IDC_POWER_DOWN, Command::PowerDown, Command::kPauseMs);
}

void CControlDlg::OnAbout()
{
    CAboutDlg dlgAbout(this);
    dlgAbout.exec();
}

bool CControlDlg::OnSysCommand(unsigned nId)
{
    if ((nId & 0xFFF0) != ID_SYSCMD_ABOUT)
        return false;
    OnAbout();
    return true;
}
