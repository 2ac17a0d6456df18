#pragma once
// Where the sectors of a volume come from: a block device, a disk image file,
// or (for byte-level tests and fuzzers) a buffer in memory. Every source is
// read-only; nothing in the program can write through one.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/NativeFiles.h"

class ISectorSource {
public:
    virtual ~ISectorSource() = default;
    // Reads exactly nLength bytes at byte offset nOffset. False when any of
    // them cannot be read (error, or past the end): a short read is a failure.
    virtual bool ReadAt(uint64_t nOffset, void* pBuffer, size_t nLength) = 0;
    // Size of the source in bytes, 0 when it cannot be told.
    virtual uint64_t GetSize() const = 0;
};

// A block device or an image file, opened read-only. POSIX: O_RDONLY and
// pread. Windows: GENERIC_READ, positioned with SetFilePointer and read with
// ReadFile; the raw volume of a drive letter ("\\.\C:") is read the same way.
class CFileSectorSource final : public ISectorSource {
public:
    // Null and a message in *pError when the path cannot be opened for reading.
    static std::unique_ptr<CFileSectorSource> Open(const std::string& strPath, std::string* pError);
#ifdef _WIN32
    // The raw volume of a drive (NT family): "\\.\C:" for 2. Needs administrator rights.
    static std::unique_ptr<CFileSectorSource> OpenDrive(int nDrive, std::string* pError);
#endif
    ~CFileSectorSource() override;
    CFileSectorSource(const CFileSectorSource&) = delete;
    CFileSectorSource& operator=(const CFileSectorSource&) = delete;

    bool ReadAt(uint64_t nOffset, void* pBuffer, size_t nLength) override;
    uint64_t GetSize() const override { return m_nSize; }

private:
    CFileSectorSource(NativeFile hFile, uint64_t nSize) : m_hFile(hFile), m_nSize(nSize) {}
    NativeFile m_hFile;
    uint64_t m_nSize;
};

// A volume held in memory; tests may mark byte ranges unreadable to act as bad sectors.
class CMemorySectorSource final : public ISectorSource {
public:
    explicit CMemorySectorSource(std::vector<uint8_t> bytes) : m_bytes(std::move(bytes)) {}
    bool ReadAt(uint64_t nOffset, void* pBuffer, size_t nLength) override;
    uint64_t GetSize() const override { return m_bytes.size(); }
    void MarkUnreadable(uint64_t nOffset, uint64_t nLength) { m_bad.push_back({nOffset, nLength}); }
    std::vector<uint8_t>& Bytes() { return m_bytes; }

private:
    struct Range { uint64_t nOffset, nLength; };
    std::vector<uint8_t> m_bytes;
    std::vector<Range> m_bad;
};
