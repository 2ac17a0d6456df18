#include "fs/NtfsRecord.h"

#include <array>

#include "fs/TextCodec.h"

namespace {

constexpr size_t NTFS_STRIDE = 512;

bool IsPowerOfTwo(uint64_t n) { return n != 0 && (n & (n - 1)) == 0; }

// Sectors per cluster at 0x0D: a count, or above 0x80 the power 2^(256-v)
// that large-cluster volumes use.
uint64_t SectorsPerCluster(uint8_t v)
{
    if (v <= 0x80) return v;
    unsigned nShift = 256u - v;
    return nShift <= 16 ? (uint64_t{1} << nShift) : 0;
}

}  // namespace

uint64_t RecordSizeFromBoot(int8_t c, uint64_t nClusterSize)
{
    if (c < 0) {
        int nShift = -static_cast<int>(c);
        return nShift < 32 ? (uint64_t{1} << nShift) : 0;
    }
    return static_cast<uint64_t>(c) * nClusterSize;
}

bool DecodeNtfsBoot(CByteView boot, CNtfsGeometry& g, std::string* pWhy)
{
    auto Refuse = [pWhy](const char* pszWhy) {
        if (pWhy) *pWhy = std::string("boot sector: ") + pszWhy;
        return false;
    };
    if (!boot.Has(0, 0x48)) return Refuse("shorter than its fields");
    uint32_t nBps = boot.U16(0x0B);
    if (!IsPowerOfTwo(nBps) || nBps < 512 || nBps > 4096) return Refuse("bytes per sector is not 512 .. 4096");
    uint64_t nSpc = SectorsPerCluster(boot.U8(0x0D));
    if (!IsPowerOfTwo(nSpc)) return Refuse("sectors per cluster is not a power of two");
    uint64_t nClusterSize = nSpc * nBps;
    if (nClusterSize > (uint64_t{1} << 21)) return Refuse("clusters are larger than 2 MiB");
    uint64_t nRecordSize = RecordSizeFromBoot(static_cast<int8_t>(boot.U8(0x40)), nClusterSize);
    if (nRecordSize != 1024 && nRecordSize != 4096) return Refuse("MFT records are neither 1024 nor 4096 bytes");

    uint64_t nTotal = boot.U64(0x28);
    uint64_t nMft = boot.U64(0x30);
    if (nTotal == 0 || nTotal > UINT64_MAX / nBps) return Refuse("the sector count is 0 or too large");
    uint64_t nVolumeBytes = nTotal * nBps;
    if (nMft == 0 || nMft > nVolumeBytes / nClusterSize || nMft * nClusterSize + nRecordSize > nVolumeBytes)
        return Refuse("the MFT does not lie inside the volume");

    g.m_nBytesPerSector = nBps;
    g.m_nClusterSize = nClusterSize;
    g.m_nTotalSectors = nTotal;
    g.m_nMftCluster = nMft;
    g.m_nRecordSize = static_cast<uint32_t>(nRecordSize);
    return true;
}

ERecordFixup ApplyFixups(uint8_t* pRecord, size_t nSize)
{
    CByteView rec(pRecord, nSize);
    size_t nOffset = rec.U16(0x04);
    size_t nCount = rec.U16(0x06);
    if (nCount < 2 || nCount - 1 > nSize / NTFS_STRIDE || !rec.Has(nOffset, 2 * nCount)) return ERecordFixup::Bad;
    uint16_t wSequence = rec.U16(nOffset);
    ERecordFixup result = ERecordFixup::Ok;
    for (size_t i = 1; i < nCount; ++i) {
        size_t nEnd = i * NTFS_STRIDE - 2;
        if (rec.U16(nEnd) != wSequence) result = ERecordFixup::Torn;
        pRecord[nEnd] = pRecord[nOffset + 2 * i];
        pRecord[nEnd + 1] = pRecord[nOffset + 2 * i + 1];
    }
    return result;
}

CByteView CNtfsAttribute::Value() const
{
    size_t nOffset = m_bytes.U16(0x14);
    size_t nLength = m_bytes.U32(0x10);
    return m_bytes.Has(nOffset, nLength) ? m_bytes.Sub(nOffset, nLength) : CByteView();
}

CByteView CNtfsAttribute::RunList() const
{
    size_t nOffset = m_bytes.U16(0x20);
    if (nOffset < 0x40 || nOffset >= m_bytes.Size()) return {};
    return m_bytes.Sub(nOffset, m_bytes.Size() - nOffset);
}

CAttributeWalker::CAttributeWalker(CByteView record) : m_record(record)
{
    m_nPos = record.U16(0x14);
    size_t nUsed = record.U32(0x18);
    m_nEnd = nUsed < record.Size() ? nUsed : record.Size();
}

bool CAttributeWalker::Next(CNtfsAttribute& attr)
{
    if (m_nPos < 0x18 || m_nPos >= m_nEnd || m_nEnd - m_nPos < 0x18) return false;
    uint32_t nType = m_record.U32(m_nPos);
    if (nType == NTFS_ATTR_END) return false;
    size_t nLength = m_record.U32(m_nPos + 4);
    bool bNonResident = m_record.U8(m_nPos + 8) != 0;
    if (nLength < 0x18 || nLength > m_nEnd - m_nPos || (bNonResident && nLength < 0x40)) return false;
    attr.m_nType = nType;
    attr.m_bNonResident = bNonResident;
    attr.m_nNameLength = m_record.U8(m_nPos + 9);
    attr.m_wFlags = m_record.U16(m_nPos + 0x0C);
    attr.m_bytes = m_record.Sub(m_nPos, nLength);
    m_nPos += nLength;
    return true;
}

bool CAttributeWalker::Broken() const
{
    // The end marker is 4 bytes; the used size may stop right after them.
    return !m_record.Has(m_nPos, 4) || m_nPos < 0x18 || m_nPos + 4 > m_nEnd || m_record.U32(m_nPos) != NTFS_ATTR_END;
}

bool FindAttribute(CByteView record, uint32_t nType, CNtfsAttribute& attr)
{
    CAttributeWalker walker(record);
    while (walker.Next(attr))
        if (attr.m_nType == nType && attr.m_nNameLength == 0) return true;
    return false;
}

int64_t ReadRunValue(const uint8_t* p, int nCount)
{
    if (nCount <= 0 || nCount > 8) return 0;
    uint64_t nValue = 0;
    for (int i = 0; i < nCount; ++i) nValue |= static_cast<uint64_t>(p[i]) << (8 * i);
    if (nCount < 8 && (p[nCount - 1] & 0x80)) nValue |= ~uint64_t{0} << (8 * nCount);
    return static_cast<int64_t>(nValue);
}

std::vector<CDataRun> DecodeRunList(CByteView runList, uint64_t nStartVcn, uint64_t nTotalClusters)
{
    std::vector<CDataRun> runs;
    size_t nPos = 0;
    uint64_t nVcn = nStartVcn;
    int64_t nLcn = 0;
    while (runList.Has(nPos, 1)) {
        uint8_t byHeader = runList.U8(nPos);
        int nLenBytes = byHeader & 0x0F;
        int nOffBytes = byHeader >> 4;
        if (byHeader == 0 || nLenBytes == 0 || nLenBytes > 8 || nOffBytes > 8) break;
        if (!runList.Has(nPos + 1, static_cast<size_t>(nLenBytes + nOffBytes))) break;
        const uint8_t* p = runList.Data() + nPos + 1;
        int64_t nLength = ReadRunValue(p, nLenBytes);
        if (nLength <= 0 || static_cast<uint64_t>(nLength) > UINT64_MAX / 2 - nVcn) break;
        CDataRun run;
        run.m_nVcn = nVcn;
        run.m_nLength = static_cast<uint64_t>(nLength);
        if (nOffBytes > 0) {
            int64_t nDelta = ReadRunValue(p + nLenBytes, nOffBytes);
            if ((nDelta > 0 && nLcn > INT64_MAX - nDelta) || nLcn + nDelta < 0) break;
            nLcn += nDelta;
            uint64_t nStart = static_cast<uint64_t>(nLcn);
            if (nTotalClusters && (nStart >= nTotalClusters || run.m_nLength > nTotalClusters - nStart)) break;
            run.m_nLcn = nLcn;
        }
        runs.push_back(run);
        nVcn += run.m_nLength;
        nPos += 1 + static_cast<size_t>(nLenBytes + nOffBytes);
    }
    return runs;
}

bool DecodeStandardTimes(CByteView value, CNtfsTimes& times)
{
    if (!value.Has(0, 0x20)) return false;
    times.m_nCreateTime = value.U64(0x00);
    times.m_nModifyTime = value.U64(0x08);
    times.m_nAccessTime = value.U64(0x18);  // 0x10 is the record's own change time
    return true;
}

bool DecodeFileName(CByteView value, CNtfsFileName& name)
{
    if (!value.Has(0, 0x42)) return false;
    uint8_t nLength = value.U8(0x40);
    if (!value.Has(0x42, 2u * nLength)) return false;
    name.m_nParentRef = value.U64(0) & NTFS_REF_MASK;
    name.m_times.m_nCreateTime = value.U64(0x08);
    name.m_times.m_nModifyTime = value.U64(0x10);
    name.m_times.m_nAccessTime = value.U64(0x20);
    name.m_nRealSize = value.U64(0x30);
    name.m_nLength = nLength;
    name.m_nNameSpace = value.U8(0x41);
    name.m_pName = value.Data() + 0x42;
    return true;
}

uint16_t LowerUtf16(uint16_t c)
{
    if (c >= 'A' && c <= 'Z') return static_cast<uint16_t>(c + 0x20);
    if (c < 0xC0) return c;
    if (c <= 0xDE) return c == 0xD7 ? c : static_cast<uint16_t>(c + 0x20);
    if (c == 0x130) return 'i';
    if (c >= 0x100 && c <= 0x137) return static_cast<uint16_t>(c | 1);
    if (c >= 0x139 && c <= 0x148) return (c & 1) ? static_cast<uint16_t>(c + 1) : c;
    if (c >= 0x14A && c <= 0x177) return static_cast<uint16_t>(c | 1);
    if (c == 0x178) return 0xFF;
    if (c >= 0x179 && c <= 0x17E) return (c & 1) ? static_cast<uint16_t>(c + 1) : c;
    if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return static_cast<uint16_t>(c + 0x20);
    if (c >= 0x410 && c <= 0x42F) return static_cast<uint16_t>(c + 0x20);
    if (c >= 0x400 && c <= 0x40F) return static_cast<uint16_t>(c + 0x50);
    return c;
}

std::string NtfsNameToUtf8(const uint8_t* pName, size_t nUnits, bool bLower)
{
    if (!bLower) return Utf16LeToUtf8(pName, nUnits);
    std::array<uint8_t, 2 * 255> lower{};
    if (nUnits > 255) nUnits = 255;
    for (size_t i = 0; i < nUnits; ++i) {
        auto c = LowerUtf16(static_cast<uint16_t>(pName[2 * i] | (pName[2 * i + 1] << 8)));
        lower[2 * i] = static_cast<uint8_t>(c & 0xFF);
        lower[2 * i + 1] = static_cast<uint8_t>(c >> 8);
    }
    return Utf16LeToUtf8(lower.data(), nUnits);
}
