#ifdef _WIN32

#include "platform/NativeFiles.h"

#include <algorithm>
#include <cwctype>
#include <utility>
#include <windows.h>

#include "platform/VolumeTable.h"

namespace {

HANDLE AsHandle(NativeFile hFile) { return static_cast<HANDLE>(hFile); }

// CreateFileW's failure value is not the null this program keeps for "none".
NativeFile FromCreated(HANDLE hFile) { return hFile == INVALID_HANDLE_VALUE ? NO_NATIVE_FILE : hFile; }

// WriteFile takes 32-bit counts; 1 GiB pieces keep well inside them.
constexpr uint64_t MAX_IO_PIECE = uint64_t{1} << 30;

FILETIME AsFileTime(uint64_t nTicks)
{
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(nTicks);
    ft.dwHighDateTime = static_cast<DWORD>(nTicks >> 32);
    return ft;
}

HANDLE OpenFolderHandle(const std::wstring& strLongPath, DWORD dwAccess)
{
    // Without FILE_SHARE_DELETE the folder cannot be renamed or removed while
    // it is held, so what is made inside it by name stays inside it.
    return CreateFileW(strLongPath.c_str(), dwAccess, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

std::wstring FullPath(const std::wstring& strPath)
{
    DWORD n = GetFullPathNameW(strPath.c_str(), 0, nullptr, nullptr);
    if (n == 0) return strPath;
    std::wstring strFull(n, L'\0');
    n = GetFullPathNameW(strPath.c_str(), n, strFull.data(), nullptr);
    strFull.resize(n);
    return strFull;
}

}  // namespace

std::wstring WideFromUtf8(const std::string& str)
{
    if (str.empty()) return {};
    int n = MultiByteToWideChar(CP_UTF8, 0, str.data(), static_cast<int>(str.size()), nullptr, 0);
    std::wstring strWide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, str.data(), static_cast<int>(str.size()), strWide.data(), n);
    return strWide;
}

std::string Utf8FromWide(const std::wstring& str)
{
    if (str.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, str.data(), static_cast<int>(str.size()), nullptr, 0, nullptr, nullptr);
    std::string strUtf8(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, str.data(), static_cast<int>(str.size()), strUtf8.data(), n, nullptr, nullptr);
    return strUtf8;
}

std::wstring LongPath(const std::string& strPath)
{
    std::wstring strWide = WideFromUtf8(strPath);
    // Device paths ("\\.\C:") and paths that already lift the limit stay as they are.
    if (strWide.rfind(L"\\\\?\\", 0) == 0 || strWide.rfind(L"\\\\.\\", 0) == 0) return strWide;
    std::wstring strFull = FullPath(strWide);
    if (strFull.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + strFull.substr(2);
    return L"\\\\?\\" + strFull;
}

std::filesystem::path PathFromUtf8(const std::string& strPath) { return std::filesystem::path(WideFromUtf8(strPath)); }

std::string Utf8FromPath(const std::filesystem::path& path) { return Utf8FromWide(path.wstring()); }

std::string LastErrorText()
{
    DWORD dwError = GetLastError();
    wchar_t* pszText = nullptr;
    DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, dwError, 0, reinterpret_cast<wchar_t*>(&pszText), 0, nullptr);
    std::string strText = n ? Utf8FromWide(std::wstring(pszText, n)) : "error " + std::to_string(dwError);
    if (pszText) LocalFree(pszText);
    while (!strText.empty() && (strText.back() == '\n' || strText.back() == '\r' || strText.back() == ' ' ||
                                strText.back() == '.'))
        strText.pop_back();
    SetLastError(dwError);
    return strText;
}

bool LastErrorWasNameTaken()
{
    DWORD dwError = GetLastError();
    return dwError == ERROR_FILE_EXISTS || dwError == ERROR_ALREADY_EXISTS;
}

NativeFile CreateNewNativeFile(const std::string& strPath)
{
    // CREATE_NEW fails on any name already there, a link included: nothing is replaced or followed.
    return FromCreated(CreateFileW(LongPath(strPath).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool WriteNativeFile(NativeFile hFile, const void* pData, uint64_t nLength, uint64_t* pWritten)
{
    const auto* p = static_cast<const uint8_t*>(pData);
    while (nLength > 0) {
        DWORD dwWritten = 0;
        if (!WriteFile(AsHandle(hFile), p, static_cast<DWORD>(std::min(nLength, MAX_IO_PIECE)), &dwWritten, nullptr))
            return false;
        if (dwWritten == 0) {
            SetLastError(ERROR_WRITE_FAULT);
            return false;
        }
        p += dwWritten;
        nLength -= dwWritten;
        *pWritten += dwWritten;
    }
    return true;
}

bool SeekNativeFile(NativeFile hFile, uint64_t nOffset)
{
    LARGE_INTEGER li;
    li.QuadPart = static_cast<LONGLONG>(nOffset);
    return SetFilePointerEx(AsHandle(hFile), li, nullptr, FILE_BEGIN) != 0;
}

bool SetNativeFileLength(NativeFile hFile, uint64_t nLength)
{
    return SeekNativeFile(hFile, nLength) && SetEndOfFile(AsHandle(hFile)) != 0;
}

void SetNativeFileTimes(NativeFile hFile, uint64_t nAccessTime, uint64_t nModifyTime)
{
    FILETIME access = AsFileTime(nAccessTime), modify = AsFileTime(nModifyTime);
    (void)SetFileTime(AsHandle(hFile), nullptr, nAccessTime ? &access : nullptr, nModifyTime ? &modify : nullptr);
}

bool CloseNativeFile(NativeFile hFile) { return CloseHandle(AsHandle(hFile)) != 0; }

CNativeFolder::~CNativeFolder() { Close(); }

CNativeFolder::CNativeFolder(CNativeFolder&& other) noexcept { *this = std::move(other); }

CNativeFolder& CNativeFolder::operator=(CNativeFolder&& other) noexcept
{
    if (this != &other) {
        Close();
        m_hFolder = std::exchange(other.m_hFolder, NO_NATIVE_FILE);
        m_strPath = std::move(other.m_strPath);
        m_strLongPath = std::move(other.m_strLongPath);
    }
    return *this;
}

void CNativeFolder::Close()
{
    if (m_hFolder != NO_NATIVE_FILE) CloseHandle(AsHandle(m_hFolder));
    m_hFolder = NO_NATIVE_FILE;
}

CNativeFolder CNativeFolder::OpenForWriting(const std::string& strPath, std::string* pError)
{
    CNativeFolder folder;
    folder.m_strLongPath = LongPath(strPath);
    folder.m_hFolder = FromCreated(OpenFolderHandle(folder.m_strLongPath, FILE_READ_ATTRIBUTES));
    if (!folder.IsOpen()) {
        if (pError) *pError = strPath + ": " + LastErrorText();
        return folder;
    }
    BY_HANDLE_FILE_INFORMATION info {};
    if (!GetFileInformationByHandle(AsHandle(folder.m_hFolder), &info) ||
        !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        folder.Close();
        if (pError) *pError = strPath + ": not a folder";
        return folder;
    }
    folder.m_strPath = strPath;
    return folder;
}

NativeFile CNativeFolder::CreateNewFile(const std::string& strName) const
{
    std::wstring strFile = m_strLongPath + L"\\" + WideFromUtf8(strName);
    return FromCreated(CreateFileW(strFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
}

CNativeFolder CNativeFolder::CreateNewFolder(const std::string& strName) const
{
    CNativeFolder folder;
    std::wstring strLong = m_strLongPath + L"\\" + WideFromUtf8(strName);
    if (!CreateDirectoryW(strLong.c_str(), nullptr)) return folder;
    folder.m_hFolder = FromCreated(OpenFolderHandle(strLong, FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES));
    folder.m_strLongPath = std::move(strLong);
    folder.m_strPath = m_strPath + "\\" + strName;
    return folder;
}

void CNativeFolder::SetTimes(uint64_t nAccessTime, uint64_t nModifyTime) const
{
    SetNativeFileTimes(m_hFolder, nAccessTime, nModifyTime);
}

uint64_t CNativeFolder::MaxFileBytes() const
{
    wchar_t szFileSystem[MAX_PATH + 1] = {};
    if (!GetVolumeInformationByHandleW(AsHandle(m_hFolder), nullptr, 0, nullptr, nullptr, nullptr, szFileSystem,
                                       MAX_PATH + 1))
        return UINT64_MAX;
    std::wstring strName = szFileSystem;
    return strName == L"FAT" || strName == L"FAT32" ? 0xFFFFFFFFull : UINT64_MAX;
}

namespace {

// A destination that does not exist yet will be made inside its nearest
// existing ancestor, so that ancestor is what decides the volume.
std::wstring NearestExistingFolder(const std::string& strFolder)
{
    std::error_code ec;
    std::filesystem::path path = std::filesystem::absolute(PathFromUtf8(strFolder), ec);
    if (ec) path = PathFromUtf8(strFolder);
    while (!std::filesystem::exists(path, ec) && path.has_relative_path()) path = path.parent_path();
    return path.wstring();
}

// "\\?\Volume{...}\" of the volume mounted at a root such as "D:\", empty when the system cannot tell.
std::wstring VolumeName(const std::wstring& strRoot)
{
    wchar_t szVolume[MAX_PATH + 1] = {};
    if (!GetVolumeNameForVolumeMountPointW(strRoot.c_str(), szVolume, MAX_PATH + 1)) return {};
    return szVolume;
}

}  // namespace

bool IsOnScannedVolume(const std::string& strDestination, const std::string& strSourcePath)
{
    // An image file is not the volume its own file lies on.
    int nDrive = DriveOfDevicePath(strSourcePath);
    if (nDrive < 0) return false;
    std::wstring strFolder = NearestExistingFolder(strDestination);
    wchar_t szRoot[MAX_PATH + 1] = {};
    std::wstring strRoot = GetVolumePathNameW(strFolder.c_str(), szRoot, MAX_PATH + 1) ? szRoot : strFolder.substr(0, 3);
    std::wstring strSourceRoot = WideFromUtf8(DriveLetter(nDrive) + ":\\");
    // Volume names also see a volume mounted in a folder of another drive.
    std::wstring strDestVolume = VolumeName(strRoot), strSourceVolume = VolumeName(strSourceRoot);
    if (!strDestVolume.empty() && !strSourceVolume.empty()) return strDestVolume == strSourceVolume;
    return strRoot.size() >= 2 && strRoot[1] == L':' && towupper(strRoot[0]) == strSourceRoot[0];
}

#endif  // _WIN32
