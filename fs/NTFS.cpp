#include "fs/NTFS.h"

#include <algorithm>
#include <cstring>

#include "fs/TextCodec.h"

namespace {

// Records 0..26 hold the volume's own metadata and reserved slots.
constexpr uint64_t SKIPPED_RECORDS = 27;
constexpr uint64_t NTFS_BITMAP_RECORD = 6;

bool HasFileSignature(const uint8_t* p) { return std::memcmp(p, "FILE", 4) == 0; }

// The signature as text: the first four bytes, cut at a zero byte.
std::string SignatureText(const uint8_t* p)
{
    size_t n = 0;
    while (n < 4 && p[n] != 0) ++n;
    return std::string(reinterpret_cast<const char*>(p), n);
}

bool HasTilde(const CNtfsFileName& name)
{
    for (size_t i = 0; i < name.m_nLength; ++i)
        if (name.m_pName[2 * i] == '~' && name.m_pName[2 * i + 1] == 0) return true;
    return false;
}

// $STANDARD_INFORMATION's times, each one the record lacks taken from $FILE_NAME.
void SetTimes(CFoundEntry& entry, const CNtfsTimes& standard, const CNtfsTimes* pName)
{
    auto Pick = [](uint64_t nStandard, uint64_t nName) { return nStandard ? nStandard : nName; };
    entry.m_nCreateTime = Pick(standard.m_nCreateTime, pName ? pName->m_nCreateTime : 0);
    entry.m_nModifyTime = Pick(standard.m_nModifyTime, pName ? pName->m_nModifyTime : 0);
    entry.m_nAccessTime = Pick(standard.m_nAccessTime, pName ? pName->m_nAccessTime : 0);
}

void TrimTrailingSpace(std::string& str)
{
    size_t n = str.size();
    while (n > 0 && std::strchr(" \t\n\v\f\r", str[n - 1]) && str[n - 1] != '\0') --n;
    str.resize(n);
}

}  // namespace

CNTFS::CNTFS(int nDrive, std::unique_ptr<CSectorReader> pReader) : CFileSystem(nDrive, std::move(pReader))
{
    m_bBootLoaded = LoadBootSector() == 0;
}

CNTFS::~CNTFS() = default;

std::string CNTFS::ConvertName(const uint8_t* pName, size_t nUnits) { return Utf16LeToUtf8(pName, nUnits); }

int CNTFS::LoadBootSector()
{
    if (!m_pReader) return -1;
    std::unique_ptr<uint8_t[]> pSector = m_pReader->ReadSectors(m_nDrive, 0, 1);
    if (!pSector) {
        m_strBootProblem = "sector 0 cannot be read";
        return -1;
    }
    std::memcpy(m_boot.data(), pSector.get(), m_boot.size());
    if (!DecodeNtfsBoot(CByteView(m_boot.data(), m_boot.size()), m_geometry, &m_strBootProblem)) return -1;
    m_wRecordSize = static_cast<uint16_t>(m_geometry.m_nRecordSize);
    LoadMftExtents();
    return 0;
}

void CNTFS::LoadMftExtents()
{
    m_mft.clear();
    m_nMftBytes = 0;
    std::vector<uint8_t> record;
    if (!ReadRecord(0, record)) return;
    std::string strNote;
    CNtfsDataStream stream;
    CByteView view(record.data(), record.size());
    if (!CollectData(0, view, stream, true, strNote) || stream.m_bResident) return;
    SetMftExtents(stream.m_runs, stream.m_nRealSize);
    if (m_mft.empty() || !stream.m_bFromList) return;
    // The extension records of $MFT are found through the extents known so far.
    CNtfsDataStream full;
    if (CollectData(0, view, full, false, strNote)) SetMftExtents(full.m_runs, full.m_nRealSize);
}

void CNTFS::SetMftExtents(const std::vector<CDataRun>& runs, uint64_t nBytes)
{
    m_mft.clear();
    m_nMftBytes = 0;
    const uint64_t nCluster = m_geometry.m_nClusterSize;
    uint64_t nVirtual = 0;
    for (const CDataRun& run : runs) {
        // The MFT is never sparse and has no holes; anything else ends it.
        if (run.IsSparse() || run.m_nVcn * nCluster != nVirtual) break;
        m_mft.push_back({nVirtual, static_cast<uint64_t>(run.m_nLcn) * nCluster, run.m_nLength * nCluster});
        nVirtual += run.m_nLength * nCluster;
    }
    // Record 0 of another volume (or of a damaged one) would put the MFT elsewhere.
    if (m_mft.empty() || m_mft.front().m_nPhysical != m_geometry.m_nMftCluster * nCluster) {
        m_mft.clear();
        return;
    }
    uint64_t nLength = std::min(nBytes, nVirtual);
    nLength -= nLength % m_geometry.m_nRecordSize;
    while (!m_mft.empty() && m_mft.back().m_nVirtual >= nLength) m_mft.pop_back();
    if (m_mft.empty()) return;
    m_mft.back().m_nLength = nLength - m_mft.back().m_nVirtual;
    m_nMftBytes = nLength;
}

uint64_t CNTFS::MftToVolume(uint64_t nVirtual, uint64_t* pContiguous) const
{
    const uint64_t nStart = m_geometry.m_nMftCluster * m_geometry.m_nClusterSize;
    if (m_mft.empty() || nVirtual >= m_nMftBytes) {
        // The contiguous rule, and past the last extent its continuation.
        uint64_t nBase = m_mft.empty() ? nStart : m_mft.back().m_nPhysical + m_mft.back().m_nLength;
        uint64_t nRel = m_mft.empty() ? nVirtual : nVirtual - m_nMftBytes;
        if (pContiguous) *pContiguous = UINT64_MAX;
        return nBase + nRel;
    }
    auto it = std::upper_bound(m_mft.begin(), m_mft.end(), nVirtual,
                               [](uint64_t v, const CExtent& e) { return v < e.m_nVirtual; });
    const CExtent& e = *(it - 1);
    if (pContiguous) *pContiguous = e.m_nVirtual + e.m_nLength - nVirtual;
    return e.m_nPhysical + (nVirtual - e.m_nVirtual);
}

uint64_t CNTFS::RecordSector(uint64_t n) const
{
    return MftToVolume(n * m_geometry.m_nRecordSize, nullptr) / SECTOR_SIZE;
}

bool CNTFS::ReadVolume(uint64_t nOffset, uint8_t* pBuffer, uint64_t nLength) const
{
    uint64_t nVolume = m_geometry.VolumeBytes();
    if (nOffset % SECTOR_SIZE || nLength % SECTOR_SIZE || nOffset > nVolume || nLength > nVolume - nOffset)
        return false;
    return m_pReader->ReadSectorsInto(m_nDrive, nOffset / SECTOR_SIZE, nLength / SECTOR_SIZE, pBuffer);
}

bool CNTFS::ReadMft(uint64_t nVirtual, uint8_t* pBuffer, uint64_t nLength) const
{
    while (nLength > 0) {
        uint64_t nContiguous = 0;
        uint64_t nOffset = MftToVolume(nVirtual, &nContiguous);
        uint64_t nPiece = std::min(nLength, nContiguous);
        if (!ReadVolume(nOffset, pBuffer, nPiece)) return false;
        pBuffer += nPiece;
        nVirtual += nPiece;
        nLength -= nPiece;
    }
    return true;
}

bool CNTFS::ReadRecord(uint64_t n, std::vector<uint8_t>& record, ERecordFixup* pFixup) const
{
    const uint64_t nSize = m_geometry.m_nRecordSize;
    if (nSize == 0 || n > (UINT64_MAX / 2) / nSize) return false;
    record.assign(nSize, 0);
    if (!ReadMft(n * nSize, record.data(), nSize) || !HasFileSignature(record.data())) return false;
    ERecordFixup fixup = ApplyFixups(record.data(), record.size());
    if (pFixup) *pFixup = fixup;
    return fixup != ERecordFixup::Bad;
}

ERecordFixup CNTFS::ParseRecord(uint8_t* pRecord, uint64_t nIndex, CFoundEntry& entry, bool* pDamaged) const
{
    entry.m_strSignature = SignatureText(pRecord);
    if (!HasFileSignature(pRecord)) return ERecordFixup::Bad;
    const size_t nSize = m_wRecordSize;
    ERecordFixup fixup = ApplyFixups(pRecord, nSize);
    CByteView rec(pRecord, nSize);

    entry.m_wFlags = rec.U16(0x16);
    entry.m_bDeleted = entry.m_wFlags == 0 || entry.m_wFlags == 2;
    // Records of NTFS before 3.1 have no number field: their update sequence starts at 0x2A.
    uint32_t nNumber = rec.U16(0x04) >= 0x30 ? rec.U32(0x2C) : 0;
    entry.m_nStartRef = nNumber ? nNumber : nIndex;

    CNtfsFileName first, second, *pName = nullptr;
    CNtfsTimes times;
    bool bHaveSecond = false, bAfterFirst = false, bHaveSize = false, bHaveTimes = false;
    CAttributeWalker walker(rec);
    CNtfsAttribute attr;
    bool bBadName = false;
    while (walker.Next(attr)) {
        if (!bHaveTimes && attr.m_nType == NTFS_ATTR_STANDARD_INFORMATION && !attr.m_bNonResident)
            bHaveTimes = DecodeStandardTimes(attr.Value(), times);
        bool bName = attr.m_nType == NTFS_ATTR_FILE_NAME && !attr.m_bNonResident;
        // Each name is decoded once: its validity and its use come from the same pass.
        CNtfsFileName decoded;
        bool bDecoded = bName && DecodeFileName(attr.Value(), decoded);
        if (bName && !bDecoded) bBadName = true;
        if (bAfterFirst) {
            bHaveSecond = bDecoded;
            if (bDecoded) second = decoded;
            bAfterFirst = false;
        } else if (!pName && bDecoded) {
            first = decoded;
            pName = &first;
            bAfterFirst = true;
        }
        if (!bHaveSize && attr.m_nType == NTFS_ATTR_DATA && attr.m_nNameLength == 0) {
            if (!attr.m_bNonResident) {
                entry.m_nSize = attr.m_bytes.U32(0x10);
                bHaveSize = true;
            } else if (attr.LowestVcn() == 0) {
                entry.m_nSize = attr.RealSize();
                bHaveSize = true;
            }
        }
    }
    SetTimes(entry, times, pName ? &pName->m_times : nullptr);
    if (pDamaged) *pDamaged = bBadName || walker.Broken();
    if (!pName) return fixup;

    entry.m_nParentRef = first.m_nParentRef;
    bool bLong = HasTilde(first) && bHaveSecond;
    if (bLong) pName = &second;
    entry.m_nNameLength = pName->m_nLength;
    entry.m_nNameSpace = pName->m_nNameSpace;
    entry.m_strName = NtfsNameToUtf8(pName->m_pName, pName->m_nLength, !bLong);
    if (!bHaveSize) entry.m_nSize = pName->m_nRealSize;
    return fixup;
}

int CNTFS::ScanDrive(int, IScanProgress* pProgress)
{
    if (RefuseUnloadedScan(pProgress)) return 0;
    CNullScanProgress nullProgress;
    IScanProgress& progress = pProgress ? *pProgress : nullProgress;
    if (!m_pFound) m_pFound = std::make_unique<CFoundArray>();
    m_nTornRecords = 0;
    m_nDamagedRecords = 0;
    progress.SetTotalClusters(m_geometry.m_nTotalSectors);
    NoteShortImage();
    LoadAllocation();
    CStateJudge judge;
    ScanMft(progress, judge);
    FinishStates(judge);
    m_allocation.Clear();
    return 0;
}

void CNTFS::ScanMft(IScanProgress& progress, CStateJudge& judge)
{
    const uint64_t nRecord = m_geometry.m_nRecordSize;
    const uint64_t nChunk = static_cast<uint64_t>(m_nSectorsPerChunk) * SECTOR_SIZE;
    std::vector<uint8_t> chunk(nChunk);
    std::string strLastSignature = "FILE", strLastName;
    uint64_t nVirtual = SKIPPED_RECORDS * nRecord;
    for (;;) {
        uint64_t nLength = nChunk;
        if (nVirtual < m_nMftBytes) nLength = std::min(nLength, m_nMftBytes - nVirtual);
        bool bInside = nVirtual < m_nMftBytes;
        bool bRead = ReadMft(nVirtual, chunk.data(), nLength);
        progress.SetCurrentCluster(MftToVolume(nVirtual, nullptr) / m_geometry.m_nBytesPerSector);
        // A bad chunk inside the known extents is passed over; past them, or
        // past the end of the image (where every later chunk fails too), it
        // is the end of what can be scanned.
        if (!bRead && (!bInside || MftToVolume(nVirtual, nullptr) >= GetReadableBytes())) {
            if (bInside) NoteUnreadableMft(nVirtual, m_nMftBytes - nVirtual);
            break;
        }
        if (!bRead) NoteUnreadableMft(nVirtual, nLength);
        for (uint64_t nPos = 0; bRead && nPos + nRecord <= nLength; nPos += nRecord) {
            if (m_bStopScan) return;
            progress.WaitWhilePaused();
            if (m_bStopScan) return;
            uint8_t* pRecord = chunk.data() + nPos;
            if (!HasFileSignature(pRecord)) {
                strLastSignature = SignatureText(pRecord);
                continue;
            }
            auto pEntry = std::make_unique<CFoundEntry>();
            bool bDamaged = false;
            ERecordFixup fixup = ParseRecord(pRecord, (nVirtual + nPos) / nRecord, *pEntry, &bDamaged);
            strLastSignature = pEntry->m_strSignature;
            CountDamagedRecord(fixup, bDamaged);
            TrimTrailingSpace(pEntry->m_strName);
            if (pEntry->m_strName.empty()) pEntry->m_strName = "Name Lost";
            else strLastName = pEntry->m_strName;
            JudgeRecord(CByteView(pRecord, nRecord), *pEntry, judge);
            m_pFound->push_back(std::move(pEntry));
        }
        progress.SetCurrentName(strLastName);
        progress.SetFoundCount(m_pFound->size());
        nVirtual += nLength;
        // The stop rule holds from the MFT's last chunk on.
        if (nVirtual >= m_nMftBytes && (!bRead || strLastSignature.rfind("FILE", 0) != 0)) break;
    }
}

void CNTFS::LoadAllocation()
{
    m_allocation.Clear();
    std::vector<uint8_t> record;
    if (!ReadRecord(NTFS_BITMAP_RECORD, record)) return;
    CNtfsDataStream stream;
    std::string strNote;
    if (!CollectData(NTFS_BITMAP_RECORD, CByteView(record.data(), record.size()), stream, false, strNote)) return;
    const uint64_t nClusters = m_geometry.TotalClusters();
    const uint64_t nBytes = (nClusters + 7) / 8;
    // A bitmap shorter than the volume is not this volume's, or damaged; one
    // longer than the whole source (a boot sector claiming a far larger
    // volume) cannot be read from it, and must not be allocated.
    if (stream.m_nRealSize < nBytes || nBytes > GetReadableBytes()) return;
    std::vector<uint8_t> bytes;
    if (!ReadStreamBytes(stream, nBytes, bytes)) return;
    m_allocation.AssignBytes(bytes.data(), bytes.size(), nClusters);
    m_allocation.Finish();
}

bool CNTFS::ReadStreamBytes(const CNtfsDataStream& stream, uint64_t nBytes, std::vector<uint8_t>& bytes) const
{
    if (stream.m_bResident) {
        if (stream.m_resident.size() < nBytes) return false;
        bytes.assign(stream.m_resident.begin(), stream.m_resident.begin() + static_cast<ptrdiff_t>(nBytes));
        return true;
    }
    const uint64_t nCluster = m_geometry.m_nClusterSize;
    const uint64_t nClusters = (nBytes + nCluster - 1) / nCluster;
    bytes.assign(nClusters * nCluster, 0);
    for (const CDataRun& run : stream.m_runs) {
        if (run.m_nVcn >= nClusters) break;
        if (run.IsSparse()) continue;
        uint64_t nCount = std::min(run.m_nLength, nClusters - run.m_nVcn);
        for (uint64_t nDone = 0; nDone < nCount;) {
            uint64_t nPiece = std::min(nCount - nDone, std::max<uint64_t>(1, (16u << 20) / nCluster));
            uint64_t nOffset = (static_cast<uint64_t>(run.m_nLcn) + nDone) * nCluster;
            if (!ReadVolume(nOffset, bytes.data() + (run.m_nVcn + nDone) * nCluster, nPiece * nCluster)) return false;
            nDone += nPiece;
        }
    }
    bytes.resize(nBytes);
    return true;
}

CNTFS::CClusterUse CNTFS::DataClusterUse(CByteView record) const
{
    CClusterUse use;
    CAttributeWalker walker(record);
    CNtfsAttribute attr;
    while (walker.Next(attr)) {
        if (attr.m_nType == NTFS_ATTR_ATTRIBUTE_LIST) use.m_bListed = true;
        if (attr.m_nType != NTFS_ATTR_DATA || attr.m_nNameLength != 0 || !attr.m_bNonResident) continue;
        for (const CDataRun& run : DecodeRunList(attr.RunList(), attr.LowestVcn(), m_geometry.TotalClusters())) {
            if (run.IsSparse()) continue;
            use.m_nClusters += run.m_nLength;
            use.m_nInUse += m_allocation.CountInUse(static_cast<uint64_t>(run.m_nLcn), run.m_nLength);
        }
    }
    return use;
}

void CNTFS::JudgeRecord(CByteView record, CFoundEntry& entry, CStateJudge& judge) const
{
    if (entry.IsFolder()) return;
    if (!entry.m_bDeleted) {
        entry.m_nState = ERecoverState::Good;
        return;
    }
    if (!m_allocation.IsLoaded()) return;
    CClusterUse use = DataClusterUse(record);
    entry.m_nState = StateOfClusters(use.m_nClusters, use.m_nInUse);
    // The rest of a long file's run list lies in its extension records, found
    // by the same scan: their share is added at its end.
    uint64_t nBase = record.U64(0x20) & NTFS_REF_MASK;
    if (nBase != 0) {
        CClusterUse& total = judge.m_extensionUse[nBase];
        total.m_nClusters += use.m_nClusters;
        total.m_nInUse += use.m_nInUse;
    } else if (use.m_bListed) {
        judge.m_listed.push_back({&entry, use});
    }
}

void CNTFS::FinishStates(CStateJudge& judge) const
{
    for (auto& [pEntry, use] : judge.m_listed) {
        auto it = judge.m_extensionUse.find(pEntry->m_nStartRef);
        if (it == judge.m_extensionUse.end()) continue;
        pEntry->m_nState = StateOfClusters(use.m_nClusters + it->second.m_nClusters, use.m_nInUse + it->second.m_nInUse);
    }
}

uint64_t CNTFS::GetReadableBytes() const
{
    uint64_t nSource = m_pReader ? m_pReader->GetTotalSectors() * SECTOR_SIZE : 0;
    return nSource == 0 ? m_geometry.VolumeBytes() : std::min(nSource, m_geometry.VolumeBytes());
}

void CNTFS::NoteShortImage()
{
    if (GetReadableBytes() >= m_geometry.VolumeBytes()) return;
    NoteScanDamage("the source ends after " + std::to_string(GetReadableBytes()) + " bytes, the volume is " +
                   std::to_string(m_geometry.VolumeBytes()) + " bytes long: what lies past the end cannot be read");
}

void CNTFS::NoteUnreadableMft(uint64_t nVirtual, uint64_t nLength)
{
    const uint64_t nRecord = m_geometry.m_nRecordSize;
    NoteScanDamage("MFT records " + std::to_string(nVirtual / nRecord) + " to " +
                   std::to_string((nVirtual + nLength) / nRecord - 1) + " cannot be read");
}

void CNTFS::CountDamagedRecord(ERecordFixup fixup, bool bDamaged)
{
    if (fixup == ERecordFixup::Torn) {
        ++m_nTornRecords;
        CountScanDamage("MFT record(s) torn by a write that did not finish, decoded as they are", m_nTornRecords);
    }
    if (bDamaged || fixup == ERecordFixup::Bad) {
        ++m_nDamagedRecords;
        CountScanDamage("MFT record(s) damaged (an attribute, name or fixup outside its record), decoded as far as "
                        "they could be",
                        m_nDamagedRecords);
    }
}
