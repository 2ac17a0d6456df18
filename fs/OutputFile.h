#pragma once
// An output file being written by an engine. It is created by the recovery
// walk (which decides its name and where it goes); engines only append to it.

#include <cstdint>
#include <string>

#include "platform/NativeFiles.h"

class COutputFile {
public:
    COutputFile() = default;
    // Takes an open, writable file.
    explicit COutputFile(NativeFile hFile, std::string strPath) : m_hFile(hFile), m_strPath(std::move(strPath)) {}
    ~COutputFile();
    COutputFile(COutputFile&& other) noexcept;
    COutputFile& operator=(COutputFile&& other) noexcept;
    COutputFile(const COutputFile&) = delete;
    COutputFile& operator=(const COutputFile&) = delete;

    // Creates a new file for writing (never replacing one): for tests and tools.
    static COutputFile Create(const std::string& strPath, std::string* pError);

    bool IsOpen() const { return m_hFile != NO_NATIVE_FILE; }
    // False once any write has failed; the reason is kept in GetError.
    bool Write(const void* pData, uint64_t nLength);
    // Appends nLength zero bytes (a hole where the file system allows it).
    bool WriteZeros(uint64_t nLength);
    // Access and modification times the file is given when it is closed,
    // after its last write: 100-ns ticks since 1601 (UTC), 0 leaves one as it is.
    void SetTimesOnClose(uint64_t nAccessTime, uint64_t nModifyTime);
    // Flushes the length of trailing holes, sets the times asked for and
    // closes. False if writing failed; times the destination cannot take are
    // no failure.
    bool Close();

    uint64_t GetBytesWritten() const { return m_nPosition; }
    bool Failed() const { return m_bFailed; }
    const std::string& GetError() const { return m_strError; }
    const std::string& GetPath() const { return m_strPath; }

private:
    bool Fail(const char* pszWhat);
    NativeFile m_hFile = NO_NATIVE_FILE;
    std::string m_strPath;
    uint64_t m_nPosition = 0;
    bool m_bHolePending = false;
    bool m_bFailed = false;
    bool m_bSetTimes = false;
    uint64_t m_nAccessTime = 0;
    uint64_t m_nModifyTime = 0;
    std::string m_strError;
};
