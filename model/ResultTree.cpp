#include "model/ResultTree.h"

#include <algorithm>
#include <cctype>

CTreeItemData CTreeItemData::ForEntry(uint64_t nParentRef, uint64_t nStartRef, uint64_t nSize)
{
    CTreeItemData data;
    data.m_nParentRef = nParentRef;
    data.m_nStartRef = nStartRef;
    data.m_nSize = nSize;
    return data;
}

CTreeItemData CTreeItemData::ForGroup(uint64_t nParentRef, uint64_t nSize)
{
    CTreeItemData data = ForEntry(nParentRef, 0, nSize);
    data.m_bGroup = true;
    return data;
}

std::string CTreeItemData::GetStartRef() const { return std::to_string(m_nStartRef); }
std::string CTreeItemData::GetSize() const { return std::to_string(m_nSize); }

std::string CTreeItemData::GetParentRef() const
{
    if (!m_bGroup) return std::to_string(m_nParentRef);
    char sz[24];
    std::snprintf(sz, sizeof sz, "%08llX", static_cast<unsigned long long>(m_nParentRef));
    return sz;
}

const CResultItem* CResultItem::GetDriveItem() const
{
    const CResultItem* p = this;
    while (p && !p->IsDrive()) p = p->m_pParent;
    return p;
}

CResultItem* CResultItem::AppendChild(std::string strText, uint8_t nImage)
{
    auto pChild = std::make_unique<CResultItem>(std::move(strText), nImage);
    pChild->m_pParent = this;
    pChild->m_nRow = static_cast<uint32_t>(m_children.size());
    m_children.push_back(std::move(pChild));
    return m_children.back().get();
}

static bool LessNoCase(const std::string& a, const std::string& b)
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](unsigned char x, unsigned char y) {
        return std::tolower(x) < std::tolower(y);
    });
}

void CResultItem::SortChildren()
{
    std::stable_sort(m_children.begin(), m_children.end(),
                     [](const auto& a, const auto& b) { return LessNoCase(a->m_strText, b->m_strText); });
    Renumber(0);
}

void CResultItem::AdoptChildren(CResultItem& other)
{
    size_t nFrom = m_children.size();
    m_children.reserve(nFrom + other.m_children.size());
    for (auto& pChild : other.m_children) {
        pChild->m_pParent = this;
        m_children.push_back(std::move(pChild));
    }
    other.m_children.clear();
    Renumber(nFrom);
}

std::unique_ptr<CResultItem> CResultItem::RemoveChild(size_t i)
{
    if (i >= m_children.size()) return nullptr;
    std::unique_ptr<CResultItem> pChild = std::move(m_children[i]);
    m_children.erase(m_children.begin() + static_cast<std::ptrdiff_t>(i));
    pChild->m_pParent = nullptr;
    Renumber(i);
    return pChild;
}

size_t CResultItem::CountDescendants() const
{
    size_t n = 0;
    for (const auto& pChild : m_children) n += 1 + pChild->CountDescendants();
    return n;
}

void CResultItem::Renumber(size_t nFrom)
{
    for (size_t i = nFrom; i < m_children.size(); ++i) m_children[i]->m_nRow = static_cast<uint32_t>(i);
}

CResultItem* CResultTree::FindDrive(const std::string& strLetter) const
{
    for (size_t i = 0; i < m_root.GetChildCount(); ++i)
        if (m_root.GetChild(i)->GetText() == strLetter) return m_root.GetChild(i);
    return nullptr;
}

// The FAT deletion mark is a lone byte 0xE5 in front of the rest of the short
// name; a 0xE5 that begins a valid three-byte UTF-8 character is a letter of a
// long name (U+5000..U+5FFF) and stays.
static bool StartsWithDeletionMark(const std::string& strName)
{
    if (strName.empty() || static_cast<unsigned char>(strName[0]) != 0xE5) return false;
    auto Continuation = [&](size_t i) {
        return i < strName.size() && (static_cast<unsigned char>(strName[i]) & 0xC0) == 0x80;
    };
    return !(Continuation(1) && Continuation(2));
}

std::string ItemTextForEntry(bool bDeleted, const std::string& strName)
{
    size_t nEnd = strName.find_last_not_of(" \t\n\v\f\r");
    std::string strText = nEnd == std::string::npos ? std::string() : strName.substr(0, nEnd + 1);
    if (bDeleted && StartsWithDeletionMark(strText)) strText.erase(0, 1);
    return strText;
}
