#pragma once
// An output file being written by an engine. It is created by the recovery
// walk (which decides its name and where it goes); engines only append to it.

#include <cstdint>
#include <ctime>
#include <string>

class COutputFile {
public:
    COutputFile() = default;
    // Takes an open, writable descriptor.
    explicit COutputFile(int fd, std::string strPath) : m_fd(fd), m_strPath(std::move(strPath)) {}
    ~COutputFile();
    COutputFile(COutputFile&& other) noexcept;
    COutputFile& operator=(COutputFile&& other) noexcept;
    COutputFile(const COutputFile&) = delete;
    COutputFile& operator=(const COutputFile&) = delete;

    // Creates a new file for writing (never replacing one): for tests and tools.
    static COutputFile Create(const std::string& strPath, std::string* pError);

    bool IsOpen() const { return m_fd >= 0; }
    // False once any write has failed; the reason is kept in GetError.
    bool Write(const void* pData, uint64_t nLength);
    // Appends nLength zero bytes (a hole where the file system allows it).
    bool WriteZeros(uint64_t nLength);
    // Access and modification times the file is given when it is closed,
    // after its last write (UTIME_OMIT leaves one as it is).
    void SetTimesOnClose(const struct timespec& access, const struct timespec& modify);
    // Flushes the length of trailing holes, sets the times asked for and
    // closes. False if writing failed; times the destination cannot take are
    // no failure.
    bool Close();

    uint64_t GetBytesWritten() const { return m_nPosition; }
    bool Failed() const { return m_bFailed; }
    const std::string& GetError() const { return m_strError; }
    const std::string& GetPath() const { return m_strPath; }
    int GetFd() const { return m_fd; }

private:
    bool Fail(const char* pszWhat);
    int m_fd = -1;
    std::string m_strPath;
    uint64_t m_nPosition = 0;
    bool m_bHolePending = false;
    bool m_bFailed = false;
    bool m_bSetTimes = false;
    struct timespec m_times[2] {};
    std::string m_strError;
};
