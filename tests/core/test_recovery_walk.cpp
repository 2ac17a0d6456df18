// The recovery walk on a real NTFS volume: folder structure, output rules
// (sanitised names, nothing outside the destination, no file replaced), and
// runs that go on past a failing file.

#include <filesystem>
#include <gtest/gtest.h>

#include "model/ItemPath.h"
#include "recover/RecoveryWalk.h"
#include "tests/core/NtfsFixtures.h"
#include "tests/core/TestSupport.h"

using namespace testsupport;
namespace fsys = std::filesystem;

namespace {

// Letter case aside, as the name rule lower-cases some names: ASCII and the
// Latin-1 letters (U+00C0..U+00DE but U+00D7) fold.
std::string Lower(std::string s)
{
    for (size_t i = 0; i < s.size(); ++i) {
        auto c = static_cast<unsigned char>(s[i]);
        if (c >= 'A' && c <= 'Z') s[i] = static_cast<char>(c + 32);
        if (c == 0xC3 && i + 1 < s.size()) {
            auto d = static_cast<unsigned char>(s[i + 1]);
            if (d >= 0x80 && d <= 0x9E && d != 0x97) s[i + 1] = static_cast<char>(d + 32);
            ++i;
        }
    }
    return s;
}

// Every file below a folder, relative path (lower case) -> bytes.
std::map<std::string, std::vector<uint8_t>> FilesBelow(const fsys::path& root)
{
    std::map<std::string, std::vector<uint8_t>> files;
    for (const auto& entry : fsys::recursive_directory_iterator(root))
        if (entry.is_regular_file())
            files[Lower(fsys::relative(entry.path(), root).string())] = ReadFileBytes(entry.path().string());
    return files;
}

class RecoveryWalk : public ::testing::Test {
protected:
    void SetUp() override
    {
        const ntfsfix::CVolume& volume = ntfsfix::Volume("basic");
        ASSERT_TRUE(volume.m_bOk) << volume.m_strError;
        m_pVolume = &volume;
        m_scanned = ScanImage(volume.m_strImage, "NTFS");
        ASSERT_TRUE(m_scanned.pDrive->HasChildren());
    }
    const CResultItem* Item(const std::string& strPath)
    {
        for (const auto& [strItemPath, pItem] : ListItems(m_scanned.pDrive))
            if (Lower(strItemPath) == Lower(strPath)) return pItem;
        ADD_FAILURE() << "no item " << strPath;
        return nullptr;
    }

    const ntfsfix::CVolume* m_pVolume = nullptr;
    CScanned m_scanned;
};

}  // namespace

TEST_F(RecoveryWalk, WritesWholeSubtreesByteForByte)
{
    CTempDir out("walk-tree");
    CRecoveryWalk walk(*m_scanned.pEngine, "NTFS", nullptr);
    std::string strError;
    ASSERT_TRUE(walk.SetDestination(out.Path().string(), &strError)) << strError;
    for (size_t i = 0; i < m_scanned.pDrive->GetChildCount(); ++i) walk.RecoverItem(*m_scanned.pDrive->GetChild(i));

    const CRecoveryReport& report = walk.GetReport();
    EXPECT_TRUE(report.AllWritten()) << report.EndText() << ": " << (report.m_failures.empty() ? "" : report.m_failures[0].m_strSource + " " + report.m_failures[0].m_strReason);
    EXPECT_EQ(report.EndText(), "Recovery Completed Successfully");
    auto files = FilesBelow(out.Path());
    for (const auto& [strPath, bytes] : m_pVolume->m_deleted) {
        ASSERT_TRUE(files.count(Lower(strPath))) << strPath;
        EXPECT_TRUE(files[Lower(strPath)] == bytes) << strPath;
    }
    // Live files come along too, and a deleted folder's empty subfolder is a folder.
    EXPECT_EQ(files["docs/report.bin"], PatternBytes(200000, 2));
    EXPECT_TRUE(fsys::is_directory(out.Path() / "trip" / "sub"));
}

TEST_F(RecoveryWalk, OutputNamesStayInsideAndNeverReplaceAFile)
{
    const CResultItem* pReport = Item("Docs/report.bin");
    ASSERT_TRUE(pReport);
    // Items named as a hostile volume could name them, over real data.
    CResultTree tree;
    CResultItem* pDrive = tree.AddDrive("C");
    CResultItem* pFolder = pDrive->AppendChild("..", IMAGE_DELETED_FOLDER);
    pFolder->SetItemData(*pReport->GetItemData());
    for (const char* pszName : {"../../escape.bin", "same.bin", "same.bin", ".."}) {
        CResultItem* pFile = pFolder->AppendChild(pszName, IMAGE_DELETED_FILE);
        pFile->SetItemData(*pReport->GetItemData());
    }
    CTempDir out("walk-names");
    fsys::create_directories(out.Path() / "dest" / "__");
    WriteFileBytes((out.Path() / "dest" / "__" / "same.bin").string(), {'o', 'l', 'd'});

    CRecoveryWalk walk(*m_scanned.pEngine, "NTFS", nullptr);
    std::string strError;
    ASSERT_TRUE(walk.SetDestination((out.Path() / "dest").string(), &strError)) << strError;
    walk.RecoverItem(*pFolder);
    walk.RecoverItem(*pFolder);  // a second run into the same folder keeps the first

    auto files = FilesBelow(out.Path());
    std::vector<std::string> names;
    for (const auto& [strPath, bytes] : files) names.push_back(strPath);
    EXPECT_EQ(names, (std::vector<std::string>{
                         "dest/__ (2)/.._.._escape.bin",
                         "dest/__ (2)/__",
                         "dest/__ (2)/same (2).bin",
                         "dest/__ (2)/same.bin",
                         "dest/__ (3)/.._.._escape.bin",
                         "dest/__ (3)/__",
                         "dest/__ (3)/same (2).bin",
                         "dest/__ (3)/same.bin",
                         "dest/__/same.bin",
                     }));
    EXPECT_EQ(files["dest/__/same.bin"], (std::vector<uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(files["dest/__ (2)/same (2).bin"], PatternBytes(200000, 2));
    EXPECT_TRUE(walk.GetReport().AllWritten());
}

TEST_F(RecoveryWalk, AFailingFileDoesNotEndTheRun)
{
    const CResultItem* pReadme = Item("readme.txt");
    ASSERT_TRUE(pReadme);
    CResultTree tree;
    CResultItem* pDrive = tree.AddDrive("C");
    CResultItem* pFolder = pDrive->AppendChild("run", IMAGE_FOLDER);
    for (uint64_t nRef : {pReadme->GetItemData()->m_nStartRef, uint64_t{987654321}, pReadme->GetItemData()->m_nStartRef}) {
        CResultItem* pFile = pFolder->AppendChild("f" + std::to_string(pFolder->GetChildCount()) + ".txt", IMAGE_FILE);
        pFile->SetItemData(CTreeItemData::ForEntry(5, nRef, 120));
    }
    CTempDir out("walk-fail");
    CRecoveryWalk walk(*m_scanned.pEngine, "NTFS", nullptr);
    std::string strError;
    ASSERT_TRUE(walk.SetDestination(out.Path().string(), &strError)) << strError;
    walk.RecoverItem(*pFolder);

    const CRecoveryReport& report = walk.GetReport();
    EXPECT_EQ(report.m_nFilesWritten, 2u);
    EXPECT_EQ(report.m_nFilesFailed, 1u);
    ASSERT_EQ(report.m_failures.size(), 1u);
    EXPECT_EQ(report.m_failures[0].m_strSource, "C:\\run\\f1.txt");
    EXPECT_FALSE(report.AllWritten());
    EXPECT_NE(report.EndText(), "Recovery Completed Successfully");
    EXPECT_NE(report.EndText().find("1 failed"), std::string::npos) << report.EndText();
    EXPECT_EQ(ReadFileBytes(out / "run/f2.txt"), ReadFileBytes(out / "run/f0.txt"));
}

TEST_F(RecoveryWalk, UnwritableDestinationsAreRefused)
{
    CTempDir out("walk-dest");
    WriteFileBytes(out / "file", {1});
    CRecoveryWalk walk(*m_scanned.pEngine, "NTFS", nullptr);
    std::string strError;
    EXPECT_FALSE(walk.SetDestination(out / "missing", &strError));
    EXPECT_NE(strError.find("No such file"), std::string::npos) << strError;
    EXPECT_FALSE(walk.SetDestination(out / "file", &strError));
    // A read-only file system refuses even root.
    fsys::create_directories(out.Path() / "ro");
    if (testsupport::Run("mount -t tmpfs -o ro,size=1m tmpfs " + Quote(out / "ro")) == 0) {
        EXPECT_FALSE(walk.SetDestination(out / "ro", &strError));
        EXPECT_NE(strError.find("Read-only"), std::string::npos) << strError;
        testsupport::Run("umount " + Quote(out / "ro"));
    }
}
