#include "tests/core/TestSupport.h"

#include <array>
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

#include "model/ItemPath.h"
#include "model/TreeBuilder.h"

namespace testsupport {

CTempDir::CTempDir(const std::string& strTag)
{
    std::filesystem::path base = VARNEL_FIXTURE_DIR;
    std::filesystem::create_directories(base);
    std::string strTemplate = (base / (strTag + ".XXXXXX")).string();
    std::vector<char> buf(strTemplate.begin(), strTemplate.end());
    buf.push_back('\0');
    if (!::mkdtemp(buf.data())) throw std::runtime_error("mkdtemp failed for " + strTemplate);
    m_path = buf.data();
}

CTempDir::~CTempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

int Run(const std::string& strCommand, std::string* pOutput)
{
    FILE* pPipe = ::popen((strCommand + " 2>&1").c_str(), "r");
    if (!pPipe) return -1;
    std::array<char, 4096> buf{};
    std::string strOut;
    size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), pPipe)) > 0) strOut.append(buf.data(), n);
    int nStatus = ::pclose(pPipe);
    if (pOutput) *pOutput = strOut;
    return WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1;
}

int RunProgram(const std::string& strProgram, const std::string& strArgs, std::string* pOut, std::string* pErr)
{
    CTempDir tmp("stderr");
    const std::string strErrFile = tmp / "stderr";
    int nStatus = Run("{ " + Quote(strProgram) + " " + strArgs + " 2>" + Quote(strErrFile) + "; }", pOut);
    if (pErr) {
        auto bytes = ReadFileBytes(strErrFile);
        pErr->assign(bytes.begin(), bytes.end());
    }
    return nStatus;
}

std::string MustRun(const std::string& strCommand)
{
    std::string strOut;
    int nStatus = Run(strCommand, &strOut);
    EXPECT_EQ(nStatus, 0) << strCommand << "\n" << strOut;
    return strOut;
}

std::string Quote(const std::string& str)
{
    std::string strOut = "'";
    for (char c : str) strOut += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return strOut + "'";
}

bool HaveTool(const std::string& strProgram) { return Run("command -v " + Quote(strProgram)) == 0; }

std::vector<uint8_t> ReadFileBytes(const std::string& strPath)
{
    std::ifstream in(strPath, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteFileBytes(const std::string& strPath, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(strPath, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> PatternBytes(size_t nLength, uint32_t nSeed)
{
    std::mt19937 gen(nSeed);
    std::vector<uint8_t> bytes(nLength);
    for (auto& b : bytes) b = static_cast<uint8_t>(gen());
    return bytes;
}

std::unique_ptr<CFileSystem> OpenEngine(const std::string& strImage, const std::string& strFileSystem)
{
    std::string strError;
    auto pSource = CFileSectorSource::Open(strImage, &strError);
    EXPECT_TRUE(pSource) << strError;
    return CreateFileSystem(2, strFileSystem, std::make_unique<CSectorReader>(2, std::move(pSource)));
}

std::unique_ptr<CFileSystem> MemoryEngine(std::vector<uint8_t> bytes, const std::string& strFileSystem)
{
    return CreateFileSystem(2, strFileSystem,
                            std::make_unique<CSectorReader>(2, std::make_unique<CMemorySectorSource>(std::move(bytes))));
}

CScanned ScanImage(const std::string& strImage, const std::string& strFileSystem, bool bFormattedMode)
{
    CScanned scanned;
    scanned.pEngine = OpenEngine(strImage, strFileSystem);
    scanned.pTree = std::make_unique<CResultTree>();
    scanned.pDrive = scanned.pTree->AddDrive("C");
    if (!scanned.pEngine) return scanned;
    CNullScanProgress progress;
    scanned.pEngine->ScanDrive(2, &progress);
    std::unique_ptr<CFoundArray> pFound = scanned.pEngine->TakeFound();
    if (pFound) {
        CTreeBuilder builder;
        builder.Build(*pFound, scanned.pEngine->GetRootRef(), scanned.pDrive, bFormattedMode);
    }
    return scanned;
}

const CResultItem* FindItem(const CResultItem* pDrive, const std::string& strPath)
{
    const CResultItem* pItem = FindItemByRelativePath(pDrive, strPath);
    return pItem == pDrive ? nullptr : pItem;
}

static void Collect(const CResultItem* pItem, std::vector<std::pair<std::string, const CResultItem*>>& out)
{
    for (size_t i = 0; i < pItem->GetChildCount(); ++i) {
        const CResultItem* pChild = pItem->GetChild(i);
        out.emplace_back(ItemRelativePath(pChild), pChild);
        Collect(pChild, out);
    }
}

std::vector<std::pair<std::string, const CResultItem*>> ListItems(const CResultItem* pDrive)
{
    std::vector<std::pair<std::string, const CResultItem*>> out;
    Collect(pDrive, out);
    return out;
}

CRecoverResult RecoverToFile(CFileSystem& engine, const std::string& strFileSystem, const CResultItem& item,
                             const std::string& strOutPath)
{
    std::string strError;
    COutputFile out = COutputFile::Create(strOutPath, &strError);
    EXPECT_TRUE(out.IsOpen()) << strError;
    CNullRecoveryProgress progress;
    const CTreeItemData* pData = item.GetItemData();
    EXPECT_NE(pData, nullptr);
    CRecoverResult result;
    if (strFileSystem == "NTFS")
        result = engine.RecoverFile(pData->m_nStartRef, item.GetText(), out, &progress);
    else
        result = engine.RecoverFromCluster(ItemAddress(&item), out, engine.m_nDrive, pData->m_nStartRef,
                                           pData->m_nSize, item.IsDeleted(), &progress);
    out.Close();
    return result;
}

}  // namespace testsupport
