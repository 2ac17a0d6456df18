#include "disk/SectorSource.h"

#include <cstring>

#ifndef _WIN32

#include <cerrno>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

std::unique_ptr<CFileSectorSource> CFileSectorSource::Open(const std::string& strPath, std::string* pError)
{
    int fd = ::open(strPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        if (pError) *pError = strPath + ": " + std::strerror(errno);
        return nullptr;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !(S_ISREG(st.st_mode) || S_ISBLK(st.st_mode))) {
        if (pError) *pError = strPath + ": not a disk image file or block device";
        ::close(fd);
        return nullptr;
    }
    uint64_t nSize = static_cast<uint64_t>(st.st_size);
    if (S_ISBLK(st.st_mode) && ::ioctl(fd, BLKGETSIZE64, &nSize) != 0) nSize = 0;
    return std::unique_ptr<CFileSectorSource>(new CFileSectorSource(fd, nSize));
}

CFileSectorSource::~CFileSectorSource() { ::close(m_hFile); }

bool CFileSectorSource::ReadAt(uint64_t nOffset, void* pBuffer, size_t nLength)
{
    auto* p = static_cast<uint8_t*>(pBuffer);
    while (nLength > 0) {
        if (nOffset > static_cast<uint64_t>(INT64_MAX)) return false;
        ssize_t n = ::pread(m_hFile, p, nLength, static_cast<off_t>(nOffset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        nOffset += static_cast<uint64_t>(n);
        nLength -= static_cast<size_t>(n);
    }
    return true;
}

#endif  // !_WIN32

bool CMemorySectorSource::ReadAt(uint64_t nOffset, void* pBuffer, size_t nLength)
{
    if (nOffset > m_bytes.size() || nLength > m_bytes.size() - nOffset) return false;
    for (const Range& r : m_bad)
        if (nOffset < r.nOffset + r.nLength && r.nOffset < nOffset + nLength) return false;
    if (nLength) std::memcpy(pBuffer, m_bytes.data() + nOffset, nLength);
    return true;
}
