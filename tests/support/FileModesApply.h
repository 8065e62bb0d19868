#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

// Makes a device unopenable for the calling thread for the object's life: its mode becomes 0,
// and the thread leaves CAP_DAC_OVERRIDE and CAP_DAC_READ_SEARCH out of its effective
// capabilities, so that root, too, is refused as a user outside the dialout group would be.
// Mode and capabilities are restored at the end.
class CFileModesApply
{
public:
    explicit CFileModesApply(const QString& strPath) : m_path(QFile::encodeName(strPath))
    {
        struct stat st = {};
        if (::stat(m_path.constData(), &st) != 0 || ::chmod(m_path.constData(), 0) != 0)
            return;
        m_mode = st.st_mode & 07777;
        if (::syscall(SYS_capget, &m_header, m_saved) != 0)
            return;
        __user_cap_data_struct reduced[2] = {m_saved[0], m_saved[1]};
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        m_bApplied = ::syscall(SYS_capset, &m_header, reduced) == 0;
    }
    ~CFileModesApply()
    {
        if (m_bApplied)
            ::syscall(SYS_capset, &m_header, m_saved);
        if (m_mode >= 0)
            ::chmod(m_path.constData(), mode_t(m_mode));
    }
    CFileModesApply(const CFileModesApply&) = delete;
    CFileModesApply& operator=(const CFileModesApply&) = delete;

    // False when the device or the thread could not be set up so.
    bool IsApplied() const { return m_bApplied; }

private:
    QByteArray m_path;
    int m_mode = -1;
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2] = {};
    bool m_bApplied = false;
};
