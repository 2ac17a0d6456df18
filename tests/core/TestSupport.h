#pragma once
// Helpers shared by the core tests: temporary folders, running the real tools
// that make fixture volumes, reading files back.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "disk/SectorReader.h"
#include "fs/FileSystem.h"
#include "model/ResultTree.h"

namespace testsupport {

// A fresh folder under the build tree's fixture folder, removed with the object.
class CTempDir {
public:
    explicit CTempDir(const std::string& strTag);
    ~CTempDir();
    const std::filesystem::path& Path() const { return m_path; }
    std::string operator/(const std::string& strName) const { return (m_path / strName).string(); }

private:
    std::filesystem::path m_path;
};

// Runs a shell command; returns its exit status and, when wanted, its stdout.
// (Inside a TEST body call it as testsupport::Run: testing::Test has a Run of its own.)
int Run(const std::string& strCommand, std::string* pOutput = nullptr);
// Runs a program with shell-quoted arguments, its stdout and stderr apart.
int RunProgram(const std::string& strProgram, const std::string& strArgs, std::string* pOut,
               std::string* pErr = nullptr);
// Runs a command and fails the current test (with its output) when it fails.
std::string MustRun(const std::string& strCommand);
// Single-quotes a string for the shell.
std::string Quote(const std::string& str);
// True when the program is on PATH.
bool HaveTool(const std::string& strProgram);

std::vector<uint8_t> ReadFileBytes(const std::string& strPath);
void WriteFileBytes(const std::string& strPath, const std::vector<uint8_t>& bytes);
// Deterministic pseudo-random content, so that every file of a fixture differs.
std::vector<uint8_t> PatternBytes(size_t nLength, uint32_t nSeed);

// An engine over an image file (not through the volume table).
std::unique_ptr<CFileSystem> OpenEngine(const std::string& strImage, const std::string& strFileSystem);
// An engine over bytes in memory.
std::unique_ptr<CFileSystem> MemoryEngine(std::vector<uint8_t> bytes, const std::string& strFileSystem);

// Scans an image and builds its tree under a drive item (as the CLI does);
// the returned tree owns everything.
struct CScanned {
    std::unique_ptr<CFileSystem> pEngine;
    std::unique_ptr<CResultTree> pTree;
    CResultItem* pDrive = nullptr;
};
CScanned ScanImage(const std::string& strImage, const std::string& strFileSystem, bool bFormattedMode = false);

// The item at a "/"-joined path below a drive item, or null.
const CResultItem* FindItem(const CResultItem* pDrive, const std::string& strPath);
// Every item below a drive as "path" -> item, depth first.
std::vector<std::pair<std::string, const CResultItem*>> ListItems(const CResultItem* pDrive);

// Writes one result file through its engine into strOutPath; the result of the engine.
CRecoverResult RecoverToFile(CFileSystem& engine, const std::string& strFileSystem, const CResultItem& item,
                             const std::string& strOutPath);

}  // namespace testsupport
