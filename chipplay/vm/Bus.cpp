#include "Bus.h"

#include <cstddef>

Bus::Bus(int32_t addressBits, int32_t pageBits)
{
    // An address space wider than 24 bits would need a page table of
    // millions of entries; the machines here use 8 and 16.
    if (addressBits < 0) addressBits = 0;
    if (addressBits > 24) addressBits = 24;
    if (pageBits < 0) pageBits = 0;
    if (pageBits > addressBits) pageBits = addressBits;
    mAddressBits = addressBits;
    mPageBits = pageBits;
    mPageCount = 1 << (addressBits - pageBits);
    mPageMask = static_cast<uint32_t>(mPageCount - 1);
    mOffsetMask = (1u << pageBits) - 1;
    mPages.resize(mPageCount);
    for (int32_t i = 0; i < mPageCount; i++) {
        BusPage& page = mPages[i];
        page.base = static_cast<uint32_t>(i) << pageBits;
        page.writeHandler = nullptr;
        page.writeContext = nullptr;
        page.readHandler = nullptr;
        page.readContext = nullptr;
        page.memory = nullptr;
        page.writable = true;
    }
    mReadDirect.assign(mPageCount, nullptr);
    mWriteDirect.assign(mPageCount, nullptr);
}

void Bus::refreshDirect(uint32_t firstPage, uint32_t lastPage)
{
    for (uint32_t i = firstPage; i <= lastPage; i++) {
        const BusPage& page = mPages[i];
        mReadDirect[i] = page.readHandler == nullptr ? page.memory : nullptr;
        mWriteDirect[i] = page.writeHandler == nullptr && page.writable ? page.memory : nullptr;
    }
}

bool Bus::pageRange(uint32_t first, uint32_t last, uint32_t& firstPage, uint32_t& lastPage) const
{
    firstPage = first >> mPageBits;
    lastPage = last >> mPageBits;
    uint32_t count = static_cast<uint32_t>(mPageCount);
    if (firstPage >= count) return false;
    if (lastPage >= count) lastPage = count - 1;
    return firstPage <= lastPage;
}

bool Bus::mapMemory(uint32_t first, uint32_t last, uint8_t* memory, bool writable)
{
    uint32_t from, to;
    if (!pageRange(first, last, from, to)) return true;
    size_t pageSize = static_cast<size_t>(1) << mPageBits;
    for (uint32_t i = from; i <= to; i++) {
        mPages[i].memory = memory != nullptr ? memory + (i - from) * pageSize : nullptr;
        mPages[i].writable = writable;
    }
    refreshDirect(from, to);
    return true;
}

bool Bus::mapWrite(uint32_t first, uint32_t last, BusWriteHandler handler, void* context)
{
    uint32_t from, to;
    if (!pageRange(first, last, from, to)) return true;
    for (uint32_t i = from; i <= to; i++) {
        mPages[i].writeHandler = handler;
        mPages[i].writeContext = context;
    }
    refreshDirect(from, to);
    return true;
}

bool Bus::mapRead(uint32_t first, uint32_t last, BusReadHandler handler, void* context)
{
    uint32_t from, to;
    if (!pageRange(first, last, from, to)) return true;
    for (uint32_t i = from; i <= to; i++) {
        mPages[i].readHandler = handler;
        mPages[i].readContext = context;
    }
    refreshDirect(from, to);
    return true;
}
