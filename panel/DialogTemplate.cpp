#include "DialogTemplate.h"

#include "ProgressCtrlX.h"
#include "SpinButtonCtrl.h"

#include <QApplication>
#include <QFile>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>

namespace {

const QStringList kClasses = {QStringLiteral("BUTTON"), QStringLiteral("STATIC"),
                              QStringLiteral("EDIT"), QStringLiteral("msctls_progress32"),
                              QStringLiteral("msctls_updown32")};

// Splits at commas outside double quotes; a quoted field loses its quotes ("" stands for ").
bool SplitFields(const QString& strText, QStringList& fields)
{
    fields.clear();
    QString strField;
    bool bQuoted = false;
    for (int i = 0; i < strText.size(); ++i) {
        const QChar ch = strText.at(i);
        if (bQuoted) {
            if (ch != QLatin1Char('"'))
                strField += ch;
            else if (i + 1 < strText.size() && strText.at(i + 1) == QLatin1Char('"'))
                strField += strText.at(++i);
            else
                bQuoted = false;
        } else if (ch == QLatin1Char('"')) {
            bQuoted = true;
        } else if (ch == QLatin1Char(',')) {
            fields << strField.trimmed();
            strField.clear();
        } else {
            strField += ch;
        }
    }
    fields << strField.trimmed();
    return !bQuoted;
}

QStringList StyleWords(const QString& strField)
{
    QStringList words = strField.split(QLatin1Char('|'), Qt::SkipEmptyParts);
    for (QString& word : words)
        word = word.trimmed();
    return words;
}

bool ParseRect(const QStringList& fields, int nFirst, QRect& rc)
{
    int values[4];
    for (int i = 0; i < 4; ++i) {
        bool bOk = false;
        values[i] = fields.value(nFirst + i).toInt(&bOk);
        if (!bOk || (i >= 2 && values[i] < 0))
            return false;
    }
    rc = QRect(values[0], values[1], values[2], values[3]);
    return true;
}

// A one-pixel edge drawn over the outer pixels of a control, as a border or static edge.
void AddEdge(QWidget* pControl, int nFrameStyle)
{
    auto* pEdge = new QFrame(pControl);
    pEdge->setFrameStyle(nFrameStyle);
    pEdge->setLineWidth(1);
    pEdge->setAttribute(Qt::WA_TransparentForMouseEvents);
    pEdge->setGeometry(pControl->rect());
}

Qt::Alignment StaticAlignment(const ControlTemplate& ctl)
{
    Qt::Alignment horizontal = Qt::AlignLeft;
    if (ctl.HasStyle("SS_RIGHT"))
        horizontal = Qt::AlignRight;
    else if (ctl.HasStyle("SS_CENTER"))
        horizontal = Qt::AlignHCenter;
    return horizontal | (ctl.HasStyle("SS_CENTERIMAGE") ? Qt::AlignVCenter : Qt::AlignTop);
}

// A control of the template's class with strText, its caption in the program's language.
QWidget* CreateControl(const ControlTemplate& ctl, const QString& strText)
{
    if (ctl.strClass == QLatin1String("BUTTON")) {
        if (ctl.HasStyle("BS_GROUPBOX")) {
            auto* pGroup = new QGroupBox(strText);
            if (ctl.HasStyle("BS_CENTER"))
                pGroup->setAlignment(Qt::AlignHCenter);
            else if (ctl.HasStyle("BS_RIGHT"))
                pGroup->setAlignment(Qt::AlignRight);
            // A group box only frames its neighbours; clicks belong to what lies inside it.
            pGroup->setAttribute(Qt::WA_TransparentForMouseEvents);
            return pGroup;
        }
        auto* pButton = new QPushButton(strText);
        pButton->setDefault(ctl.HasStyle("BS_DEFPUSHBUTTON"));
        return pButton;
    }
    if (ctl.strClass == QLatin1String("STATIC")) {
        if (ctl.HasStyle("SS_BLACKFRAME")) {
            auto* pFrame = new QFrame;
            pFrame->setFrameStyle(QFrame::Box | QFrame::Plain);
            return pFrame;
        }
        auto* pLabel = new QLabel(strText);
        pLabel->setTextFormat(Qt::PlainText);
        pLabel->setAlignment(StaticAlignment(ctl));
        pLabel->setWordWrap(!ctl.HasStyle("SS_LEFTNOWORDWRAP") && !ctl.HasStyle("SS_CENTERIMAGE"));
        if (ctl.HasStyle("SS_SUNKEN"))
            pLabel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        return pLabel;
    }
    if (ctl.strClass == QLatin1String("EDIT")) {
        auto* pEdit = new QLineEdit(strText);
        pEdit->setReadOnly(ctl.HasStyle("ES_READONLY"));
        if (ctl.HasStyle("ES_CENTER"))
            pEdit->setAlignment(Qt::AlignCenter);
        else if (ctl.HasStyle("ES_RIGHT"))
            pEdit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        pEdit->setFrame(ctl.HasStyle("WS_BORDER"));
        return pEdit;
    }
    if (ctl.strClass == QLatin1String("msctls_progress32"))
        return new CProgressCtrlX;
    return new CSpinButtonCtrl;
}

// Styles that the control's class takes from the template, for created and bound controls alike.
void ApplyClassStyles(const ControlTemplate& ctl, QWidget* pControl, QWidget* pPrevious)
{
    if (auto* pBar = qobject_cast<CProgressCtrlX*>(pControl)) {
        pBar->SetWindowText(ctl.strText);
        quint32 dwStyle = 0;
        if (ctl.HasStyle("PBS_SMOOTH"))
            dwStyle |= PBS_SMOOTH;
        if (ctl.HasStyle("PBS_VERTICAL"))
            dwStyle |= PBS_VERTICAL;
        pBar->ModifyStyle(0, dwStyle);
    } else if (auto* pSpin = qobject_cast<CSpinButtonCtrl*>(pControl)) {
        pSpin->SetArrowKeys(ctl.HasStyle("UDS_ARROWKEYS"));
        if (ctl.HasStyle("UDS_AUTOBUDDY"))
            pSpin->SetBuddy(pPrevious);
    }
    if (ctl.HasStyle("WS_BORDER") && ctl.strClass != QLatin1String("EDIT"))
        AddEdge(pControl, QFrame::Box | QFrame::Plain);
    if (ctl.HasStyle("WS_EX_STATICEDGE"))
        AddEdge(pControl, QFrame::Panel | QFrame::Sunken);
}

} // namespace

bool CDialogTemplate::Load(const QString& strPath)
{
    QFile file(strPath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        m_strError = QStringLiteral("%1: %2").arg(strPath, file.errorString());
        return false;
    }
    return Parse(QString::fromUtf8(file.readAll()));
}

bool CDialogTemplate::Parse(const QString& strText)
{
    *this = CDialogTemplate();
    const QStringList lines = strText.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const QString strLine = lines.at(i).trimmed();
        if (strLine.isEmpty() || strLine.startsWith(QLatin1String("//")))
            continue;
        if (!ParseLine(strLine)) {
            m_strError = QStringLiteral("line %1: %2").arg(i + 1).arg(strLine);
            return false;
        }
    }
    if (m_nId == 0) {
        m_strError = QStringLiteral("no DIALOGEX header");
        return false;
    }
    return true;
}

bool CDialogTemplate::ParseLine(const QString& strLine)
{
    static const QRegularExpression reHeader(QStringLiteral("^(\\d+)\\s+DIALOG(?:EX)?\\s+(.*)$"));
    static const QRegularExpression reKeyword(QStringLiteral("^(\\w+)\\s*(.*)$"));

    QStringList fields;
    const QRegularExpressionMatch header = reHeader.match(strLine);
    if (header.hasMatch()) {
        m_nId = header.captured(1).toInt();
        return SplitFields(header.captured(2), fields) && fields.size() == 4 &&
               ParseRect(fields, 0, m_rcDlu);
    }
    const QRegularExpressionMatch keyword = reKeyword.match(strLine);
    if (!keyword.hasMatch() || m_nId == 0)
        return false;
    const QString strKeyword = keyword.captured(1);
    const QString strRest = keyword.captured(2);
    if (strKeyword == QLatin1String("BEGIN") || strKeyword == QLatin1String("END"))
        return strRest.isEmpty();
    if (strKeyword == QLatin1String("STYLE") || strKeyword == QLatin1String("EXSTYLE")) {
        m_styles << StyleWords(strRest);
        return true;
    }
    if (!SplitFields(strRest, fields))
        return false;
    if (strKeyword == QLatin1String("CAPTION")) {
        m_strCaption = fields.value(0);
        return fields.size() == 1;
    }
    if (strKeyword == QLatin1String("FONT")) {
        bool bOk = false;
        m_nFontPointSize = fields.value(0).toInt(&bOk);
        return bOk && m_nFontPointSize > 0 && fields.size() == 2;
    }
    if (strKeyword != QLatin1String("CONTROL") || (fields.size() != 8 && fields.size() != 9))
        return false;
    ControlTemplate ctl;
    bool bOk = false;
    ctl.strText = fields.at(0);
    ctl.nId = fields.at(1).toInt(&bOk);
    ctl.strClass = fields.at(2);
    ctl.styles = StyleWords(fields.at(3)) + StyleWords(fields.value(8));
    if (!bOk || !kClasses.contains(ctl.strClass) || !ParseRect(fields, 4, ctl.rcDlu))
        return false;
    m_controls.push_back(ctl);
    return true;
}

QRect CDialogTemplate::DluToPixels(const QRect& rcDlu)
{
    const auto toX = [](int n) { return (3 * n + 1) / 2; };
    const auto toY = [](int n) { return (13 * n + 4) / 8; };
    return QRect(toX(rcDlu.x()), toY(rcDlu.y()), toX(rcDlu.width()), toY(rcDlu.height()));
}

std::vector<QWidget*> CDialogTemplate::Build(QWidget* pDialog,
                                             const std::map<int, QWidget*>& bound) const
{
    pDialog->setWindowTitle(Translate(m_strCaption));
    QFont font = QApplication::font();
    font.setPointSize(m_nFontPointSize);
    pDialog->setFont(font);
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (m_styles.contains(QLatin1String("WS_SYSMENU")))
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (m_styles.contains(QLatin1String("WS_MINIMIZEBOX")))
        flags |= Qt::WindowMinimizeButtonHint;
    pDialog->setWindowFlags(flags);
    // A modal frame has no sizing border: only the program changes the size.
    pDialog->setFixedSize(DluToPixels(m_rcDlu).size());

    std::vector<QWidget*> controls;
    for (const ControlTemplate& ctl : m_controls) {
        const auto it = bound.find(ctl.nId);
        QWidget* pControl =
            it != bound.end() ? it->second : CreateControl(ctl, Translate(ctl.strText));
        pControl->setParent(pDialog);
        if (ctl.nId != -1)
            pControl->setObjectName(QString::number(ctl.nId));
        pControl->setGeometry(DluToPixels(ctl.rcDlu));
        ApplyClassStyles(ctl, pControl, controls.empty() ? nullptr : controls.back());
        controls.push_back(pControl);
    }
    // The first control lies on top, as in a dialog template's z-order, except that group boxes
    // lie below every other control: a group box is transparent, and one above a control would be
    // repainted, frame and title, with every change of the control.
    for (QWidget* pControl : controls)
        pControl->lower();
    for (QWidget* pControl : controls)
        if (qobject_cast<QGroupBox*>(pControl))
            pControl->lower();
    for (size_t i = 1; i < controls.size(); ++i)
        QWidget::setTabOrder(controls[i - 1], controls[i]);
    return controls;
}

QByteArray CDialogTemplate::TranslationContext() const
{
    return QByteArrayLiteral("dialog") + QByteArray::number(m_nId);
}

QString CDialogTemplate::Translate(const QString& strCaption) const
{
    if (strCaption.isEmpty())
        return strCaption;
    return QCoreApplication::translate(TranslationContext().constData(),
                                       strCaption.toUtf8().constData());
}

QWidget* CDialogTemplate::Item(const QWidget* pDialog, int nId)
{
    return pDialog->findChild<QWidget*>(QString::number(nId), Qt::FindDirectChildrenOnly);
}
