// LZNT1: the first two bytes give the output capacity (up to 64 KiB), the
// rest is the compressed unit.

#include <vector>

#include "fs/Lznt1.h"
#include "fuzz/FuzzSupport.h"

using namespace fuzzsupport;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    if (nSize < 2) return 0;
    size_t nCapacity = (static_cast<size_t>(pData[0]) | (static_cast<size_t>(pData[1]) << 8)) + 1;
    // An exact-size heap buffer, so that AddressSanitizer sees a write past its end.
    std::vector<uint8_t> out(nCapacity);
    size_t nOut = Lznt1Decompress(pData + 2, nSize - 2, out.data(), out.size());
    Check(nOut <= nCapacity, "produced more than the buffer holds");
    return 0;
}
