#include <gtest/gtest.h>

#include "model/ItemPath.h"
#include "model/TreeBuilder.h"

namespace {

// A found entry: folder when bFolder, with parent and start references.
std::unique_ptr<CFoundEntry> Entry(const std::string& strName, uint64_t nParent, uint64_t nStart, bool bFolder,
                                   bool bDeleted = false)
{
    auto p = std::make_unique<CFoundEntry>();
    p->m_strName = strName;
    p->m_nParentRef = nParent;
    p->m_nStartRef = nStart;
    p->m_wFlags = static_cast<uint16_t>((bFolder ? 2 : 0) | (bDeleted ? 0 : 1));
    p->m_bDeleted = bDeleted;
    return p;
}

std::string Dump(const CResultItem* pItem, int nDepth = 0)
{
    std::string s;
    for (size_t i = 0; i < pItem->GetChildCount(); ++i) {
        const CResultItem* c = pItem->GetChild(i);
        s += std::string(static_cast<size_t>(nDepth) * 2, ' ') + c->GetText() + "/" +
             std::to_string(c->GetImage()) + "\n" + Dump(c, nDepth + 1);
    }
    return s;
}

}  // namespace

TEST(TreeBuilder, PlacesDepthFirstInArrayOrderAndSortsTopLevelOnly)
{
    CFoundArray found;
    found.push_back(Entry("zeta", 5, 30, true));
    found.push_back(Entry("b.txt", 30, 31, false));
    found.push_back(Entry("Alpha", 5, 40, true, true));
    found.push_back(Entry("a.txt", 30, 32, false, true));
    found.push_back(Entry("inner", 40, 41, false));
    found.push_back(Entry("lost", 99, 50, false));
    CResultTree tree;
    CResultItem* pDrive = tree.AddDrive("C");
    CTreeBuilder builder;
    builder.Build(found, 5, pDrive, false);
    EXPECT_EQ(Dump(pDrive), "Alpha/3\n  inner/4\nzeta/2\n  b.txt/4\n  a.txt/5\n");
    EXPECT_EQ(builder.m_nFolderCount, 2);
    EXPECT_EQ(builder.m_nFileCount, 3);
    ASSERT_TRUE(found[5]);  // unreachable entries stay for the caller
    EXPECT_FALSE(found[0]);
}

TEST(TreeBuilder, CycleGuardFollowsThePathNotTheNumbers)
{
    CFoundArray found;
    // A folder made after deletions took a lower reference than its parent:
    // its content is placed (a numeric guard would hide it).
    found.push_back(Entry("parent", 5, 60, true));
    found.push_back(Entry("child", 60, 20, true));
    found.push_back(Entry("deep.txt", 20, 21, false));
    // A folder that names itself, and one that names its own parent's parent.
    found.push_back(Entry("self", 5, 5, true));
    found.push_back(Entry("loop", 20, 60, true));
    CResultTree tree;
    CResultItem* pDrive = tree.AddDrive("C");
    CTreeBuilder builder;
    builder.Build(found, 5, pDrive, false);
    EXPECT_EQ(Dump(pDrive), "parent/2\n  child/2\n    deep.txt/4\n    loop/2\nself/2\n");
}

TEST(TreeBuilder, OrphansGroupByParentReferenceInFormattedMode)
{
    CFoundArray found;
    found.push_back(Entry("top.txt", 0, 3, false));
    found.push_back(Entry("a.jpg", 0x1234, 7, false, true));
    found.push_back(Entry("sub", 0x77, 9, true));
    found.push_back(Entry("b.jpg", 0x1234, 8, false, true));
    found.push_back(Entry("in-sub", 9, 10, false));
    found.back()->m_nSize = 0;
    found[1]->m_nSize = 4096;
    CResultTree tree;
    CResultItem* pDrive = tree.AddDrive("E");
    CTreeBuilder builder;
    builder.Build(found, 0, pDrive, true);
    EXPECT_EQ(Dump(pDrive), "top.txt/4\n00001234/2\n  a.jpg/5\n  b.jpg/5\n00000077/2\n  sub/2\n    in-sub/4\n");
    const CTreeItemData* pGroup = pDrive->GetChild(1)->GetItemData();
    ASSERT_TRUE(pGroup);
    EXPECT_EQ(pGroup->GetParentRef(), "00001234");
    EXPECT_EQ(pGroup->GetStartRef(), "0");
    EXPECT_EQ(pGroup->GetSize(), "4096");
    EXPECT_EQ(builder.m_nFolderCount, 1);  // groups are not counted
    for (const auto& p : found) EXPECT_FALSE(p);
}

TEST(TreeBuilder, TotalsAccumulateOverBuilds)
{
    CTreeBuilder builder;
    for (int i = 0; i < 2; ++i) {
        CFoundArray found;
        found.push_back(Entry("d", 5, 30, true));
        found.push_back(Entry("f", 30, 31, false));
        CResultTree tree;
        builder.Build(found, 5, tree.AddDrive("C"), false);
    }
    EXPECT_EQ(builder.m_nFolderCount, 2);
    EXPECT_EQ(builder.m_nFileCount, 2);
}

TEST(TreeBuilder, DeepNestingDoesNotExhaustTheStack)
{
    CFoundArray found;
    const uint64_t nDepth = 200000;
    for (uint64_t i = 0; i < nDepth; ++i) found.push_back(Entry("d", i == 0 ? 5 : 100 + i - 1, 100 + i, true));
    CResultTree tree;
    CResultItem* pDrive = tree.AddDrive("C");
    CTreeBuilder builder;
    builder.Build(found, 5, pDrive, false);
    EXPECT_EQ(pDrive->CountDescendants(), nDepth);
}

TEST(ItemText, NameRules)
{
    struct {
        bool bDeleted;
        std::string strIn, strOut;
    } cases[] = {
        {true, "\xE5ILE.TXT", "ILE.TXT"},
        {false, "\xE5ILE.TXT", "\xE5ILE.TXT"},
        {true, "README.   ", "README."},
        {true, "in ner \t", "in ner"},
        {true, "\xE5\x80\x99x", "\xE5\x80\x99x"},  // a CJK letter that begins with 0xE5 stays
        {true, "\xE5\xC3\xA9T.TXT", "\xC3\xA9T.TXT"},
    };
    for (const auto& c : cases) EXPECT_EQ(ItemTextForEntry(c.bDeleted, c.strIn), c.strOut) << c.strIn;
}

TEST(ItemPath, AddressAndRelativePath)
{
    CResultTree tree;
    CResultItem* pDrive = tree.AddDrive("C");
    CResultItem* pFolder = pDrive->AppendChild("Folder", IMAGE_FOLDER);
    CResultItem* pFile = pFolder->AppendChild("File.txt", IMAGE_FILE);
    EXPECT_EQ(ItemAddress(tree.GetRoot()), "");
    EXPECT_EQ(ItemAddress(pDrive), "C:\\");
    EXPECT_EQ(ItemAddress(pFolder), "C:\\Folder");
    EXPECT_EQ(ItemAddress(pFile), "C:\\Folder\\File.txt");
    EXPECT_EQ(ItemRelativePath(pFile), "Folder/File.txt");
    EXPECT_EQ(FindItemByRelativePath(pDrive, "Folder/File.txt"), pFile);
    EXPECT_EQ(FindItemByRelativePath(pDrive, "Folder/None"), nullptr);
}
