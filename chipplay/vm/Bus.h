// Bus: one address space of the emulated machine (the Z80's memory or its
// I/O ports), cut into equal pages. Each page is backed by a block of host
// memory, served by a read and a write handler, or both: a handler takes
// precedence over the memory of its page, so a driver can back a page with
// RAM and still watch writes to it.
//
//   Bus* mem = new Bus(16, 10);                     // 64 KiB in 64 pages of 1 KiB
//   mem->mapMemory(0x0000, 0xFFFF, ram, true);
//   mem->mapMemory(0x0000, 0x7FFF, rom, false);     // writes there are dropped
//   Bus* io = new Bus(8, 8);                        // one page: handlers see every port
//   io->mapWrite(0x00, 0xFF, OnPortWrite, driver);
//
// Page lookup is one shift and one mask, so addresses wider than the space
// wrap; the offset into a page's memory is masked to the page as well, so
// such an address reaches the byte it wraps to and never memory outside the
// page (address - base would run past it). Unmapped reads give 0; writes to unmapped or read-only pages are
// dropped. The memory given to a map operation is attached at the base of
// the range's first page: callers pass page-aligned ranges.
#pragma once

#include "Object.h"

#include <cstdint>
#include <vector>

typedef void (*BusWriteHandler)(uint32_t address, uint32_t value, void* context);
typedef uint32_t (*BusReadHandler)(uint32_t address, void* context);

struct BusPage {
    uint32_t base;
    BusWriteHandler writeHandler;
    void* writeContext;
    BusReadHandler readHandler;
    void* readContext;
    uint8_t* memory;
    bool writable;
};

class Bus : public virtual Object {
public:
    // Widths are kept within 0 <= pageBits <= addressBits <= 24.
    Bus(int32_t addressBits, int32_t pageBits);

    bool mapMemory(uint32_t first, uint32_t last, uint8_t* memory, bool writable);
    bool mapWrite(uint32_t first, uint32_t last, BusWriteHandler handler, void* context);
    bool mapRead(uint32_t first, uint32_t last, BusReadHandler handler, void* context);

    void write(uint32_t address, uint32_t value)
    {
        BusPage& page = mPages[(address >> mPageBits) & mPageMask];
        if (page.writeHandler != nullptr) {
            page.writeHandler(address, value, page.writeContext);
        } else if (page.memory != nullptr && page.writable) {
            page.memory[address & mOffsetMask] = static_cast<uint8_t>(value);
        }
    }

    uint32_t read(uint32_t address)
    {
        BusPage& page = mPages[(address >> mPageBits) & mPageMask];
        if (page.readHandler != nullptr) return page.readHandler(address, page.readContext);
        if (page.memory != nullptr) return page.memory[address & mOffsetMask];
        return 0;
    }

    int32_t getPageCount() const { return mPageCount; }
    const BusPage& getPage(int32_t index) const { return mPages[index]; }

private:
    // First and last page of an address range, clamped to the page count;
    // false for an empty range.
    bool pageRange(uint32_t first, uint32_t last, uint32_t& firstPage, uint32_t& lastPage) const;

    int32_t mAddressBits;
    int32_t mPageBits;
    int32_t mPageCount;
    uint32_t mPageMask;
    uint32_t mOffsetMask;   // page size - 1: address & mOffsetMask == address - base inside the space
    std::vector<BusPage> mPages;
};
