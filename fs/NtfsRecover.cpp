// CNTFS recovery: the unnamed $DATA of one record written out as NTFS defines
// it (resident, along the run list, sparse, compressed, through attribute lists).

#include <algorithm>
#include <cstring>
#include <set>

#include "fs/Lznt1.h"
#include "fs/NTFS.h"

namespace {

constexpr uint64_t READ_BYTES = 1 << 20;
// An attribute list is a few entries per extension record; anything longer is damage.
constexpr uint64_t MAX_ATTRIBUTE_LIST = 256 * 1024;
constexpr size_t MAX_EXTENSION_RECORDS = 4096;
// NTFS files end below 16 TiB; a size field above it is damage.
constexpr uint64_t MAX_FILE_BYTES = uint64_t{1} << 44;

// One segment of the $DATA attribute: its runs start at its lowest VCN.
void AddSegment(const CNtfsAttribute& attr, CNtfsDataStream& stream, uint64_t nTotalClusters)
{
    if (!attr.m_bNonResident) {
        if (stream.m_runs.empty() && !stream.m_bResident) {
            CByteView value = attr.Value();
            stream.m_bResident = true;
            stream.m_resident.assign(value.Data(), value.Data() + value.Size());
            stream.m_nRealSize = stream.m_nInitializedSize = stream.m_nAllocatedSize = value.Size();
        }
        return;
    }
    if (stream.m_bResident) return;
    if (attr.LowestVcn() == 0) {
        stream.m_nRealSize = attr.RealSize();
        stream.m_nInitializedSize = attr.InitializedSize();
        stream.m_nAllocatedSize = attr.AllocatedSize();
        stream.m_nCompressionUnit = (attr.m_wFlags & NTFS_ATTR_FLAG_COMPRESSED) ? attr.CompressionUnit() : 0;
    }
    std::vector<CDataRun> runs = DecodeRunList(attr.RunList(), attr.LowestVcn(), nTotalClusters);
    stream.m_runs.insert(stream.m_runs.end(), runs.begin(), runs.end());
}

// Writes the file's bytes in order: cut at the output length, zeros past
// the initialized size.
class CDataWriter {
public:
    CDataWriter(COutputFile& out, uint64_t nLength, uint64_t nInitialized)
        : m_out(out), m_nLength(nLength), m_nInitialized(std::min(nInitialized, nLength)) {}

    bool Put(const uint8_t* p, uint64_t n)
    {
        n = std::min(n, m_nLength - m_nPos);
        uint64_t nData = m_nPos < m_nInitialized ? std::min(n, m_nInitialized - m_nPos) : 0;
        if (nData && !m_out.Write(p, nData)) return false;
        m_nPos += nData;
        return Zeros(n - nData);
    }
    bool Zeros(uint64_t n)
    {
        n = std::min(n, m_nLength - m_nPos);
        if (n && !m_out.WriteZeros(n)) return false;
        m_nPos += n;
        return true;
    }
    uint64_t Position() const { return m_nPos; }
    bool Done() const { return m_nPos >= m_nLength; }

private:
    COutputFile& m_out;
    uint64_t m_nLength;
    uint64_t m_nInitialized;
    uint64_t m_nPos = 0;
};

// Where a VCN lies: the run holding it, or the distance to the next run.
struct CVcnPlace {
    const CDataRun* pRun = nullptr;  // null: no run holds it (a lost segment)
    uint64_t nAvailable = 0;         // clusters from the VCN on with the same answer
};

CVcnPlace FindVcn(const std::vector<CDataRun>& runs, uint64_t nVcn)
{
    auto it = std::upper_bound(runs.begin(), runs.end(), nVcn,
                               [](uint64_t v, const CDataRun& r) { return v < r.m_nVcn; });
    if (it != runs.begin()) {
        const CDataRun& r = *(it - 1);
        if (nVcn - r.m_nVcn < r.m_nLength) return {&r, r.m_nLength - (nVcn - r.m_nVcn)};
    }
    return {nullptr, it == runs.end() ? UINT64_MAX : it->m_nVcn - nVcn};
}

// The state of one file's recovery.
class CRecovery {
public:
    CRecovery(CSectorReader& reader, int nDrive, const CNtfsGeometry& g, uint64_t nReadableBytes,
              IRecoveryProgress& progress, CRecoverResult& result)
        : m_reader(reader), m_nDrive(nDrive), m_g(g), m_nReadableClusters(nReadableBytes / g.m_nClusterSize),
          m_progress(progress), m_result(result)
    {
    }

    // False when the user cancelled or the output failed; the result says which.
    bool Continue()
    {
        m_progress.WaitWhilePaused();
        if (m_progress.IsCancelled()) m_result.m_bCancelled = true;
        return !m_result.m_bCancelled && m_bOutputOk;
    }
    bool Track(bool bOk)
    {
        m_bOutputOk = m_bOutputOk && bOk;
        return m_bOutputOk;
    }

    // Reads nCount clusters from nLcn into p: one large read, and when it
    // fails cluster by cluster, zeros in place of the unreadable ones.
    void ReadClusters(uint64_t nLcn, uint64_t nCount, uint8_t* p)
    {
        const uint64_t nCluster = m_g.m_nClusterSize;
        if (ReadBytes(nLcn * nCluster, p, nCount * nCluster)) return;
        // Past the end of the image every read fails: no cluster-by-cluster retry there.
        uint64_t nThere = nLcn < m_nReadableClusters ? std::min(nCount, m_nReadableClusters - nLcn) : 0;
        std::memset(p + nThere * nCluster, 0, (nCount - nThere) * nCluster);
        m_result.m_nUnreadableClusters += nCount - nThere;
        for (uint64_t i = 0; i < nThere; ++i) {
            if (ReadBytes((nLcn + i) * nCluster, p + i * nCluster, nCluster)) continue;
            std::memset(p + i * nCluster, 0, nCluster);
            ++m_result.m_nUnreadableClusters;
        }
    }

    void WritePlain(const CNtfsDataStream& s, CDataWriter& writer);
    void WriteCompressed(const CNtfsDataStream& s, CDataWriter& writer);

private:
    static uint64_t Lcn(const CVcnPlace& place, uint64_t nVcn)
    {
        return static_cast<uint64_t>(place.pRun->m_nLcn) + (nVcn - place.pRun->m_nVcn);
    }
    // Clusters on disk, but past the end of the image.
    bool PastImage(const CVcnPlace& place, uint64_t nVcn) const
    {
        return place.pRun && !place.pRun->IsSparse() && Lcn(place, nVcn) >= m_nReadableClusters;
    }
    bool ReadBytes(uint64_t nOffset, uint8_t* p, uint64_t nLength)
    {
        uint64_t nVolume = m_g.VolumeBytes();
        if (nOffset > nVolume || nLength > nVolume - nOffset) return false;
        return m_reader.ReadSectorsInto(m_nDrive, nOffset / SECTOR_SIZE, nLength / SECTOR_SIZE, p);
    }
    void Report(const CDataWriter& writer, uint64_t nTotal) { m_progress.SetProgress(writer.Position(), nTotal); }

    CSectorReader& m_reader;
    int m_nDrive;
    const CNtfsGeometry& m_g;
    uint64_t m_nReadableClusters;
    IRecoveryProgress& m_progress;
    CRecoverResult& m_result;
    bool m_bOutputOk = true;
    std::vector<uint8_t> m_buffer;
};

void CRecovery::WritePlain(const CNtfsDataStream& s, CDataWriter& writer)
{
    const uint64_t nCluster = m_g.m_nClusterSize;
    const uint64_t nTotal = s.m_nRealSize;
    const uint64_t nMaxClusters = std::max<uint64_t>(1, READ_BYTES / nCluster);
    m_buffer.resize(nMaxClusters * nCluster);
    uint64_t nVcn = 0;
    while (!writer.Done() && Continue()) {
        CVcnPlace place = FindVcn(s.m_runs, nVcn);
        uint64_t nLeft = (nTotal - writer.Position() + nCluster - 1) / nCluster;
        // Holes are written in one step whatever their length; data in reads of at most 1 MiB.
        uint64_t nCount = std::min(place.nAvailable, nLeft);
        if (place.pRun && !place.pRun->IsSparse()) nCount = std::min(nCount, nMaxClusters);
        bool bPastImage = PastImage(place, nVcn);
        if (bPastImage) nCount = std::min({place.nAvailable, nLeft, UINT64_MAX / nCluster});
        if (!place.pRun || bPastImage) {
            // No run covers these clusters (their place is lost with an
            // extension record or a damaged run list), or they lie past the
            // end of the image: zeros in one step, whatever their length.
            m_result.m_nUnreadableClusters += nCount;
            Track(writer.Zeros(nCount * nCluster));
        } else if (place.pRun->IsSparse()) {
            Track(writer.Zeros(nCount * nCluster));
        } else {
            ReadClusters(Lcn(place, nVcn), nCount, m_buffer.data());
            Track(writer.Put(m_buffer.data(), nCount * nCluster));
        }
        nVcn += nCount;
        Report(writer, nTotal);
    }
}

void CRecovery::WriteCompressed(const CNtfsDataStream& s, CDataWriter& writer)
{
    const uint64_t nCluster = m_g.m_nClusterSize;
    const uint64_t nUnit = uint64_t{1} << s.m_nCompressionUnit;
    const uint64_t nUnitBytes = nUnit * nCluster;
    std::vector<uint8_t> packed(nUnitBytes), unpacked(nUnitBytes);
    for (uint64_t nFirst = 0; !writer.Done() && Continue(); nFirst += nUnit) {
        CVcnPlace start = FindVcn(s.m_runs, nFirst);
        bool bUnreadable = !start.pRun || PastImage(start, nFirst);
        if ((bUnreadable || start.pRun->IsSparse()) && start.nAvailable >= nUnit) {
            uint64_t nUnits = start.nAvailable / nUnit;
            if (bUnreadable) m_result.m_nUnreadableClusters += nUnits * nUnit;
            Track(writer.Zeros(std::min(nUnits, UINT64_MAX / nUnitBytes) * nUnitBytes));
            nFirst += (nUnits - 1) * nUnit;
            continue;
        }
        // Gather the unit's clusters on disk; a unit with clusters on disk
        // followed by sparse ones holds compressed data.
        uint64_t nOnDisk = 0, nLost = 0;
        for (uint64_t nVcn = nFirst; nVcn < nFirst + nUnit;) {
            CVcnPlace place = FindVcn(s.m_runs, nVcn);
            uint64_t nCount = std::min(place.nAvailable, nFirst + nUnit - nVcn);
            if (!place.pRun) {
                nLost += nCount;
            } else if (!place.pRun->IsSparse()) {
                ReadClusters(Lcn(place, nVcn), nCount, packed.data() + nOnDisk * nCluster);
                nOnDisk += nCount;
            }
            nVcn += nCount;
        }
        m_result.m_nUnreadableClusters += nLost;
        if (nOnDisk == nUnit) {
            Track(writer.Put(packed.data(), nUnitBytes));
        } else if (nOnDisk == 0) {
            Track(writer.Zeros(nUnitBytes));
        } else {
            std::fill(unpacked.begin(), unpacked.end(), 0);
            Lznt1Decompress(packed.data(), nOnDisk * nCluster, unpacked.data(), nUnitBytes);
            Track(writer.Put(unpacked.data(), nUnitBytes));
        }
        Report(writer, s.m_nRealSize);
    }
}

}  // namespace

bool CNTFS::ReadAttributeList(const CNtfsAttribute& attr, std::vector<uint8_t>& list) const
{
    if (!attr.m_bNonResident) {
        CByteView value = attr.Value();
        list.assign(value.Data(), value.Data() + value.Size());
        return true;
    }
    uint64_t nSize = std::min(attr.RealSize(), MAX_ATTRIBUTE_LIST);
    const uint64_t nCluster = m_geometry.m_nClusterSize;
    std::vector<CDataRun> runs = DecodeRunList(attr.RunList(), 0, m_geometry.TotalClusters());
    std::vector<uint8_t> cluster(nCluster);
    list.clear();
    for (const CDataRun& run : runs) {
        for (uint64_t i = 0; i < run.m_nLength && list.size() < nSize; ++i) {
            if (run.IsSparse()) return false;
            uint64_t nOffset = (static_cast<uint64_t>(run.m_nLcn) + i) * nCluster;
            if (!ReadVolume(nOffset, cluster.data(), nCluster)) return false;
            list.insert(list.end(), cluster.begin(), cluster.begin() + static_cast<ptrdiff_t>(
                                                                    std::min(nCluster, nSize - list.size())));
        }
    }
    return list.size() == nSize;
}

void CNTFS::AddListedSegments(uint64_t nRecord, CByteView list, CNtfsDataStream& stream,
                              std::string& strNote) const
{
    std::set<uint64_t> visited{nRecord};
    std::vector<uint8_t> record;
    for (size_t nPos = 0; list.Has(nPos, 0x20);) {
        size_t nLength = list.U16(nPos + 4);
        if (nLength < 0x1A || !list.Has(nPos, nLength)) break;
        uint32_t nType = list.U32(nPos);
        uint64_t nVcn = list.U64(nPos + 8);
        uint64_t nRef = list.U64(nPos + 0x10) & NTFS_REF_MASK;
        bool bData = nType == NTFS_ATTR_DATA && list.U8(nPos + 6) == 0;
        nPos += nLength;
        // The base record's own segments were taken by the walk already.
        if (!bData || nRef == nRecord) continue;
        if (visited.size() >= MAX_EXTENSION_RECORDS || !visited.insert(nRef).second) continue;
        bool bFound = false;
        if (ReadRecord(nRef, record) && (CByteView(record.data(), record.size()).U64(0x20) & NTFS_REF_MASK) == nRecord) {
            CAttributeWalker walker(CByteView(record.data(), record.size()));
            CNtfsAttribute attr;
            while (walker.Next(attr)) {
                if (attr.m_nType != NTFS_ATTR_DATA || attr.m_nNameLength != 0 || !attr.m_bNonResident) continue;
                if (attr.LowestVcn() != nVcn) continue;
                AddSegment(attr, stream, m_geometry.TotalClusters());
                bFound = true;
            }
        }
        if (!bFound) {
            stream.m_bPartsLost = true;
            strNote = "a part of the file's run list is lost (extension record " + std::to_string(nRef) + ")";
        }
    }
    std::sort(stream.m_runs.begin(), stream.m_runs.end(),
              [](const CDataRun& a, const CDataRun& b) { return a.m_nVcn < b.m_nVcn; });
    // Overlapping runs are damage: keep the first claim on each VCN.
    std::vector<CDataRun> runs;
    for (const CDataRun& run : stream.m_runs)
        if (runs.empty() || run.m_nVcn >= runs.back().m_nVcn + runs.back().m_nLength) runs.push_back(run);
    stream.m_runs = std::move(runs);
}

bool CNTFS::CollectData(uint64_t nRecord, CByteView record, CNtfsDataStream& stream, bool bBaseOnly,
                        std::string& strNote) const
{
    bool bFound = false;
    CNtfsAttribute listAttr;
    bool bList = false;
    CAttributeWalker walker(record);
    CNtfsAttribute attr;
    while (walker.Next(attr)) {
        if (attr.m_nType == NTFS_ATTR_ATTRIBUTE_LIST && !bList) {
            listAttr = attr;
            bList = true;
        }
        if (attr.m_nType == NTFS_ATTR_DATA && attr.m_nNameLength == 0) {
            AddSegment(attr, stream, m_geometry.TotalClusters());
            bFound = true;
        }
    }
    stream.m_bFromList = bList;
    if (!bList || bBaseOnly || stream.m_bResident) return bFound;
    std::vector<uint8_t> list;
    if (!ReadAttributeList(listAttr, list)) {
        strNote = "the file's attribute list cannot be read";
        stream.m_bPartsLost = true;
        return bFound;
    }
    size_t nBefore = stream.m_runs.size();
    AddListedSegments(nRecord, CByteView(list.data(), list.size()), stream, strNote);
    return bFound || stream.m_runs.size() > nBefore || stream.m_nRealSize > 0;
}

uint64_t CNTFS::DataLength(const CNtfsDataStream& stream, std::string& strNote) const
{
    // Sizes that no run list could back are damage, not a file to write.
    uint64_t nLength = std::min({stream.m_nRealSize, stream.m_nAllocatedSize, MAX_FILE_BYTES});
    bool bSparse = std::any_of(stream.m_runs.begin(), stream.m_runs.end(), [](const CDataRun& r) { return r.IsSparse(); });
    // Data on disk cannot be longer than the source holds (a boot sector may claim any volume size).
    if (!bSparse && stream.m_nCompressionUnit == 0) nLength = std::min(nLength, GetReadableBytes());
    if (nLength < stream.m_nRealSize)
        strNote = "the recorded size (" + std::to_string(stream.m_nRealSize) + " bytes) is more than the volume can "
                  "hold; " + std::to_string(nLength) + " bytes written";
    // Clusters the runs do not reach are written as zeros and counted.
    uint64_t nEnd = stream.m_runs.empty() ? 0 : stream.m_runs.back().m_nVcn + stream.m_runs.back().m_nLength;
    if (nEnd < UINT64_MAX / m_geometry.m_nClusterSize && nEnd * m_geometry.m_nClusterSize < nLength &&
        strNote.empty())
        strNote = "the run list ends before the end of the file";
    return nLength;
}

CRecoverResult CNTFS::RecoverFile(uint64_t nStartRef, const std::string&, COutputFile& out,
                                  IRecoveryProgress* pProgress)
{
    CRecoverResult result;
    CNullRecoveryProgress nullProgress;
    IRecoveryProgress& progress = pProgress ? *pProgress : nullProgress;
    std::vector<uint8_t> record;
    ERecordFixup fixup = ERecordFixup::Ok;
    if (!m_bBootLoaded || !ReadRecord(nStartRef, record, &fixup)) {
        result.m_bWritten = false;
        result.m_strError = "MFT record " + std::to_string(nStartRef) + " cannot be read or decoded";
        return result;
    }
    std::string strNote;
    CNtfsDataStream stream;
    if (!CollectData(nStartRef, CByteView(record.data(), record.size()), stream, false, strNote)) {
        result.m_bWritten = false;
        result.m_strError = "MFT record " + std::to_string(nStartRef) + " holds no data attribute";
        return result;
    }
    if (fixup == ERecordFixup::Torn) strNote = "MFT record " + std::to_string(nStartRef) + " was torn";

    CRecovery recovery(*m_pReader, m_nDrive, m_geometry, GetReadableBytes(), progress, result);
    if (stream.m_bResident) {
        progress.SetFileSizeKB(1);
        recovery.Track(out.Write(stream.m_resident.data(), stream.m_resident.size()));
    } else {
        uint64_t nLength = DataLength(stream, strNote);
        result.m_bShort = nLength < stream.m_nRealSize || stream.m_bPartsLost;
        stream.m_nRealSize = nLength;
        progress.SetFileSizeKB(nLength / 1024);
        CDataWriter writer(out, nLength, stream.m_nInitializedSize);
        bool bCompressed = stream.m_nCompressionUnit > 0 && stream.m_nCompressionUnit <= 8 &&
                           m_geometry.m_nClusterSize <= 4096;
        if (bCompressed) recovery.WriteCompressed(stream, writer);
        else recovery.WritePlain(stream, writer);
    }
    result.m_nBytesWritten = out.GetBytesWritten();
    if (out.Failed()) {
        result.m_bWritten = false;
        result.m_strError = out.GetError();
    } else if (result.m_nUnreadableClusters) {
        result.m_strError = (strNote.empty() ? "" : strNote + ": ") + std::to_string(result.m_nUnreadableClusters) +
                            " unreadable clusters written as zeros";
    } else {
        result.m_strError = strNote;
    }
    return result;
}
