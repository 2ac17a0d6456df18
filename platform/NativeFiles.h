#pragma once
// The file calls that writing recovered files needs, for the system the
// program runs on. POSIX: descriptors and the *at calls, so that every step
// stays inside the folder opened first and links are never followed.
// Windows: handles from the wide-character calls, every name converted from
// UTF-8, long paths allowed; an open folder cannot be renamed or deleted
// while it is held, so names made inside it stay inside it.

#include <cstdint>
#include <filesystem>
#include <string>

#ifdef _WIN32
using NativeFile = void*;  // a HANDLE
inline constexpr NativeFile NO_NATIVE_FILE = nullptr;
inline constexpr char NATIVE_SEPARATOR = '\\';
#else
using NativeFile = int;
inline constexpr NativeFile NO_NATIVE_FILE = -1;
inline constexpr char NATIVE_SEPARATOR = '/';
#endif

// What the last failed call of this thread said (errno, or GetLastError).
std::string LastErrorText();
// True when the last failed call found the name already taken.
bool LastErrorWasNameTaken();

// A path given as UTF-8 (as the program keeps every name), for std::filesystem.
std::filesystem::path PathFromUtf8(const std::string& strPath);
std::string Utf8FromPath(const std::filesystem::path& path);

#ifdef _WIN32
std::wstring WideFromUtf8(const std::string& str);
std::string Utf8FromWide(const std::wstring& str);
// The absolute form of a path with the "\\?\" prefix that lifts the 260-character limit.
std::wstring LongPath(const std::string& strPath);
#endif

// Creates a new file for writing; never replaces or follows anything that
// is already there. NO_NATIVE_FILE on failure (see LastErrorWasNameTaken).
NativeFile CreateNewNativeFile(const std::string& strPath);
// Writes all nLength bytes at the current position; *pWritten counts what
// reached the file, also when a later part fails.
bool WriteNativeFile(NativeFile hFile, const void* pData, uint64_t nLength, uint64_t* pWritten);
bool SeekNativeFile(NativeFile hFile, uint64_t nOffset);
bool SetNativeFileLength(NativeFile hFile, uint64_t nLength);
// Access and modification times in 100-ns ticks since 1601 (UTC); 0 leaves
// that time as it is. Best effort: a destination that cannot keep times is no failure.
void SetNativeFileTimes(NativeFile hFile, uint64_t nAccessTime, uint64_t nModifyTime);
bool CloseNativeFile(NativeFile hFile);

// An open folder that new files and folders are made in.
class CNativeFolder {
public:
    CNativeFolder() = default;
    ~CNativeFolder();
    CNativeFolder(CNativeFolder&& other) noexcept;
    CNativeFolder& operator=(CNativeFolder&& other) noexcept;
    CNativeFolder(const CNativeFolder&) = delete;
    CNativeFolder& operator=(const CNativeFolder&) = delete;

    // An existing folder this process can make files in; closed, and why in
    // *pError, when it is none.
    static CNativeFolder OpenForWriting(const std::string& strPath, std::string* pError);

    bool IsOpen() const { return m_hFolder != NO_NATIVE_FILE; }
    // A new file of that name in this folder (see CreateNewNativeFile).
    NativeFile CreateNewFile(const std::string& strName) const;
    // A new folder of that name in this folder, opened; closed on failure
    // (see LastErrorWasNameTaken).
    CNativeFolder CreateNewFolder(const std::string& strName) const;
    // The folder's own times, as SetNativeFileTimes.
    void SetTimes(uint64_t nAccessTime, uint64_t nModifyTime) const;
    // The largest file the file system holding the folder can store:
    // 4 GiB - 1 on FAT (its size field has 32 bits), else UINT64_MAX.
    uint64_t MaxFileBytes() const;
    void Close();
    const std::string& GetPath() const { return m_strPath; }

private:
    NativeFile m_hFolder = NO_NATIVE_FILE;
    std::string m_strPath;  // as the user named it, for messages and the mount table
#ifdef _WIN32
    std::wstring m_strLongPath;  // what names inside it are made from
#endif
};

// True when strFolder lies on the volume strSourcePath reads from. Linux: the
// same block device (or a mount of it), or a loop device backed by the same
// image. Windows: the same volume as the drive "\\.\X:" names.
bool IsOnScannedVolume(const std::string& strFolder, const std::string& strSourcePath);
