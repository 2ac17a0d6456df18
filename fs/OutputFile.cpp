#include "fs/OutputFile.h"

#include <utility>

COutputFile::~COutputFile() { Close(); }

COutputFile::COutputFile(COutputFile&& other) noexcept { *this = std::move(other); }

COutputFile& COutputFile::operator=(COutputFile&& other) noexcept
{
    if (this != &other) {
        Close();
        m_hFile = std::exchange(other.m_hFile, NO_NATIVE_FILE);
        m_strPath = std::move(other.m_strPath);
        m_nPosition = other.m_nPosition;
        m_bHolePending = other.m_bHolePending;
        m_bFailed = other.m_bFailed;
        m_strError = std::move(other.m_strError);
        m_bSetTimes = other.m_bSetTimes;
        m_nAccessTime = other.m_nAccessTime;
        m_nModifyTime = other.m_nModifyTime;
    }
    return *this;
}

COutputFile COutputFile::Create(const std::string& strPath, std::string* pError)
{
    NativeFile hFile = CreateNewNativeFile(strPath);
    if (hFile == NO_NATIVE_FILE) {
        if (pError) *pError = strPath + ": " + LastErrorText();
        return COutputFile();
    }
    return COutputFile(hFile, strPath);
}

bool COutputFile::Fail(const char* pszWhat)
{
    if (!m_bFailed) m_strError = std::string(pszWhat) + ": " + LastErrorText();
    m_bFailed = true;
    return false;
}

bool COutputFile::Write(const void* pData, uint64_t nLength)
{
    if (!IsOpen() || m_bFailed) return false;
    if (m_bHolePending && !SeekNativeFile(m_hFile, m_nPosition)) return Fail("seek");
    m_bHolePending = false;
    return WriteNativeFile(m_hFile, pData, nLength, &m_nPosition) || Fail("write");
}

bool COutputFile::WriteZeros(uint64_t nLength)
{
    if (!IsOpen() || m_bFailed) return false;
    if (nLength == 0) return true;
    // Leave a hole: the next write seeks past it, Close sets the length.
    m_nPosition += nLength;
    m_bHolePending = true;
    return true;
}

void COutputFile::SetTimesOnClose(uint64_t nAccessTime, uint64_t nModifyTime)
{
    m_nAccessTime = nAccessTime;
    m_nModifyTime = nModifyTime;
    m_bSetTimes = true;
}

bool COutputFile::Close()
{
    if (!IsOpen()) return !m_bFailed;
    if (m_bHolePending && !m_bFailed && !SetNativeFileLength(m_hFile, m_nPosition)) Fail("truncate");
    m_bHolePending = false;
    if (m_bSetTimes) SetNativeFileTimes(m_hFile, m_nAccessTime, m_nModifyTime);
    if (!CloseNativeFile(m_hFile) && !m_bFailed) Fail("close");
    m_hFile = NO_NATIVE_FILE;
    return !m_bFailed;
}
