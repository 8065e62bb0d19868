#include "ComLink.h"

#include "PortEntry.h"
#include "PortTable.h"
#include "SerialTransport.h"
#include "TcpTransport.h"

#include <cerrno>

namespace {

constexpr int kWriteTimeoutMs = 1000;

} // namespace

CComLink::CComLink() = default;

CComLink::~CComLink()
{
    Close();
}

int CComLink::Open(int nPort, int nBaud)
{
    if (m_bOpen)
        return 1;
    const QString strEntry = CPortTable::DevicePath(nPort);
    if (strEntry.isEmpty()) {
        m_pTransport.reset();
        m_strError = QStringLiteral("there is no port %1").arg(nPort);
        m_bPermissionDenied = false;
        m_bHeld = false;
        return 0;
    }
    return Open(strEntry, nBaud);
}

int CComLink::Open(const QString& strEntry, int nBaud)
{
    return BeginOpen(strEntry, nBaud) ? FinishOpen() : 0;
}

int CComLink::BeginOpen(const QString& strEntry, int nBaud)
{
    if (m_bOpen)
        return 1;
    m_pTransport.reset();
    const CPortEntry entry(strEntry);
    if (!entry.IsValid()) {
        m_strError = entry.ErrorString();
        m_bPermissionDenied = false;
        m_bHeld = false;
        return 0;
    }
    if (entry.IsTcp())
        m_pTransport = std::make_unique<CTcpTransport>(entry.Host(), entry.TcpPort());
    else
        m_pTransport = std::make_unique<CSerialTransport>(strEntry);
    m_pTransport->BeginOpen(nBaud);
    if (m_pTransport->GetState() == CLinkTransport::State::Failed)
        return FinishOpen();
    return 1;
}

bool CComLink::IsOpening() const
{
    return !m_bOpen && m_pTransport && m_pTransport->GetState() == CLinkTransport::State::Opening;
}

int CComLink::FinishOpen()
{
    if (m_bOpen)
        return 1;
    if (!m_pTransport)
        return 0;
    m_pTransport->WaitForOpen();
    m_strError = m_pTransport->ErrorString();
    // A refused open, a busy device and a held lock reach us alike; the system's own words tell
    // the refusal apart.
    m_bPermissionDenied = m_strError == qt_error_string(EACCES);
    m_bHeld = m_pTransport->IsHeld();
    if (m_pTransport->GetState() != CLinkTransport::State::Open) {
        m_pTransport.reset();
        return 0;
    }
    m_bOpen = true;
    return 1;
}

int CComLink::Close()
{
    if (!m_bOpen && !m_pTransport)
        return 1;
    m_pTransport.reset();
    m_bOpen = false;
    qCDebug(lcLink) << "close";
    return 1;
}

int CComLink::WriteByte(quint8 byte)
{
    return HasTransport() && m_pTransport->WriteByte(byte, m_bNonBlocking ? 0 : kWriteTimeoutMs)
               ? 1
               : 0;
}

int CComLink::Write(const quint8* pData, int nLength)
{
    if (!m_bOpen || !pData)
        return 0;
    int nWritten = 0;
    for (int i = 0; i < nLength; ++i)
        nWritten += WriteByte(pData[i]);
    return nWritten;
}

int CComLink::BytesWaiting()
{
    return HasTransport() ? m_pTransport->BytesWaiting() : 0;
}

int CComLink::Read(quint8* pBuffer, int nMaxLength)
{
    return HasTransport() ? m_pTransport->Read(reinterpret_cast<char*>(pBuffer), nMaxLength) : 0;
}

bool CComLink::IsOpen() const
{
    return m_bOpen;
}

QString CComLink::ErrorString() const
{
    return m_strError;
}

void CComLink::SetNonBlocking(bool bNonBlocking)
{
    m_bNonBlocking = bNonBlocking;
}

bool CComLink::HasTransport() const
{
    return m_bOpen && m_pTransport;
}
