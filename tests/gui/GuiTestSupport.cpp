#include "tests/gui/GuiTestSupport.h"

#include <algorithm>

#include "model/EditionProfile.h"
#include "model/ItemPath.h"
#include "model/TreeBuilder.h"

namespace guitest {

void CFakeEnumerator::Detach(const std::string& strSource)
{
    m_volumes.erase(std::remove_if(m_volumes.begin(), m_volumes.end(),
                                   [&](const CVolumeInfo& v) { return v.m_strSourcePath == strSource; }),
                    m_volumes.end());
}

CVolumeInfo Volume(const std::string& strSource, EDriveType nType, const std::string& strFileSystem,
                   const std::string& strLabel, const std::string& strDescription)
{
    CVolumeInfo info;
    info.m_strSourcePath = strSource;
    info.m_nType = nType;
    info.m_strFileSystem = strFileSystem;
    info.m_strVolumeLabel = strLabel;
    info.m_strSerial = "1234-ABCD";
    info.m_strDescription = strDescription;
    return info;
}

void ResetMachine(const std::string& strEdition)
{
    g_strEdition = strEdition;
    CVolumeTable::Instance().Clear();
}

std::unique_ptr<CFoundEntry> Entry(const std::string& strName, uint64_t nParent, uint64_t nStart, bool bFolder,
                                   bool bDeleted, uint64_t nSize)
{
    auto p = std::make_unique<CFoundEntry>();
    p->m_strName = strName;
    p->m_nParentRef = nParent;
    p->m_nStartRef = nStart;
    p->m_nSize = nSize;
    p->m_bDeleted = bDeleted;
    p->m_wFlags = static_cast<uint16_t>((bFolder ? 2 : 0) | (bDeleted ? 0 : 1));
    p->m_strSignature = "FILE";
    return p;
}

std::unique_ptr<CResultItem> BuildSampleResult()
{
    CFoundArray found;
    found.push_back(Entry("Docs", 5, 30, true));
    found.push_back(Entry("b.txt", 30, 31, false, false, 10));
    found.push_back(Entry("Sub", 30, 40, true, true));
    found.push_back(Entry("a.txt", 30, 32, false, true, 20));
    found.push_back(Entry("deep.txt", 40, 41, false, true, 30));
    found.push_back(Entry("Report.doc", 30, 33, false, false, 40));
    found.push_back(Entry("empty", 5, 50, true));
    found.push_back(Entry("readme.txt", 5, 37, false, false, 1234));
    found.push_back(Entry("Zeta.bin", 5, 60, false, true, 99));
    auto pBuilt = std::make_unique<CResultItem>("C", IMAGE_DRIVE);
    CTreeBuilder builder;
    builder.Build(found, 5, pBuilt.get(), false);
    return pBuilt;
}

CResultItem* ItemAt(CRecoveryDlg& dlg, const QString& strAddress)
{
    CResultItem* pItem = dlg.NavigateToPath(strAddress, true);
    return pItem && ItemAddress(pItem) == strAddress.toStdString() ? pItem : nullptr;
}

}  // namespace guitest
