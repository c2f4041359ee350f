#include "Bus.h"

#include <cstddef>

Bus::Bus(int32_t addressBits, int32_t pageBits)
{
    // A width outside what a 32-bit address can carry would make the shifts
    // below undefined: bring the widths into range rather than build a bus
    // whose page lookup reads past its table.
    if (addressBits < 0) addressBits = 0;
    if (addressBits > 31) addressBits = 31;
    if (pageBits < 0) pageBits = 0;
    if (pageBits > addressBits) pageBits = addressBits;
    if (addressBits - pageBits > 24) pageBits = addressBits - 24;
    mAddressBits = addressBits;
    mPageBits = pageBits;
    mPageCount = 1 << (addressBits - pageBits);
    mPageMask = (uint32_t)mPageCount - 1;
    mOffsetMask = ((uint32_t)1 << mPageBits) - 1;
    mPages = new BusPage[mPageCount];
    for (int32_t i = 0; i < mPageCount; ++i) {
        BusPage& p = mPages[i];
        p.base = (uint32_t)i << mPageBits;
        p.write = nullptr;
        p.writeContext = nullptr;
        p.read = nullptr;
        p.readContext = nullptr;
        p.memory = nullptr;
        p.writable = true;
    }
}

Bus::~Bus()
{
    delete[] mPages;
}

bool Bus::pageRange(uint32_t first, uint32_t last, uint32_t* firstPage, uint32_t* lastPage) const
{
    uint32_t a = first >> mPageBits;
    uint32_t b = last >> mPageBits;
    if (b >= (uint32_t)mPageCount) b = (uint32_t)mPageCount - 1;
    if (a > b) return false;
    *firstPage = a;
    *lastPage = b;
    return true;
}

bool Bus::mapMemory(uint32_t first, uint32_t last, uint8_t* memory, bool writable)
{
    uint32_t a, b;
    if (!pageRange(first, last, &a, &b)) return true;
    const uint32_t pageSize = (uint32_t)1 << mPageBits;
    for (uint32_t i = a; i <= b; ++i) {
        mPages[i].memory = memory == nullptr ? nullptr : memory + (std::size_t)(i - a) * pageSize;
        mPages[i].writable = writable;
    }
    return true;
}

bool Bus::mapWrite(uint32_t first, uint32_t last, BusWriteHandler handler, void* context)
{
    uint32_t a, b;
    if (!pageRange(first, last, &a, &b)) return true;
    for (uint32_t i = a; i <= b; ++i) {
        mPages[i].write = handler;
        mPages[i].writeContext = context;
    }
    return true;
}

bool Bus::mapRead(uint32_t first, uint32_t last, BusReadHandler handler, void* context)
{
    uint32_t a, b;
    if (!pageRange(first, last, &a, &b)) return true;
    for (uint32_t i = a; i <= b; ++i) {
        mPages[i].read = handler;
        mPages[i].readContext = context;
    }
    return true;
}
