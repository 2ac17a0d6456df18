#include "fs/OutputFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

COutputFile::~COutputFile() { Close(); }

COutputFile::COutputFile(COutputFile&& other) noexcept { *this = std::move(other); }

COutputFile& COutputFile::operator=(COutputFile&& other) noexcept
{
    if (this != &other) {
        Close();
        m_fd = std::exchange(other.m_fd, -1);
        m_strPath = std::move(other.m_strPath);
        m_nPosition = other.m_nPosition;
        m_bHolePending = other.m_bHolePending;
        m_bFailed = other.m_bFailed;
        m_strError = std::move(other.m_strError);
        m_bSetTimes = other.m_bSetTimes;
        m_times[0] = other.m_times[0];
        m_times[1] = other.m_times[1];
    }
    return *this;
}

COutputFile COutputFile::Create(const std::string& strPath, std::string* pError)
{
    int fd = ::open(strPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) {
        if (pError) *pError = strPath + ": " + std::strerror(errno);
        return COutputFile();
    }
    return COutputFile(fd, strPath);
}

bool COutputFile::Fail(const char* pszWhat)
{
    if (!m_bFailed) m_strError = std::string(pszWhat) + ": " + std::strerror(errno);
    m_bFailed = true;
    return false;
}

bool COutputFile::Write(const void* pData, uint64_t nLength)
{
    if (m_fd < 0 || m_bFailed) return false;
    if (m_bHolePending && ::lseek(m_fd, static_cast<off_t>(m_nPosition), SEEK_SET) < 0) return Fail("seek");
    m_bHolePending = false;
    const auto* p = static_cast<const uint8_t*>(pData);
    while (nLength > 0) {
        ssize_t n = ::write(m_fd, p, nLength);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return Fail("write");
        p += n;
        nLength -= static_cast<uint64_t>(n);
        m_nPosition += static_cast<uint64_t>(n);
    }
    return true;
}

bool COutputFile::WriteZeros(uint64_t nLength)
{
    if (m_fd < 0 || m_bFailed) return false;
    if (nLength == 0) return true;
    // Leave a hole: the next write seeks past it, Close sets the length.
    m_nPosition += nLength;
    m_bHolePending = true;
    return true;
}

void COutputFile::SetTimesOnClose(const struct timespec& access, const struct timespec& modify)
{
    m_times[0] = access;
    m_times[1] = modify;
    m_bSetTimes = true;
}

bool COutputFile::Close()
{
    if (m_fd < 0) return !m_bFailed;
    if (m_bHolePending && !m_bFailed && ::ftruncate(m_fd, static_cast<off_t>(m_nPosition)) != 0) Fail("truncate");
    m_bHolePending = false;
    if (m_bSetTimes) (void)::futimens(m_fd, m_times);
    if (::close(m_fd) != 0 && !m_bFailed) Fail("close");
    m_fd = -1;
    return !m_bFailed;
}
