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

    // Plain memory pages (no handler; writable for a write) go straight to
    // their bytes; everything else takes the page's full rule.
    void write(uint32_t address, uint32_t value)
    {
        const uint32_t index = (address >> mPageBits) & mPageMask;
        uint8_t* direct = mWriteDirect[index];
        if (direct != nullptr) {
            direct[address & mOffsetMask] = static_cast<uint8_t>(value);
            return;
        }
        writePage(index, address, value);
    }

    uint32_t read(uint32_t address)
    {
        const uint32_t index = (address >> mPageBits) & mPageMask;
        const uint8_t* direct = mReadDirect[index];
        if (direct != nullptr) return direct[address & mOffsetMask];
        return readPage(index, address);
    }

    // What an access needs to find a plain memory page by itself (the
    // tables stay where they are for the bus's life; remapping updates
    // their entries): index (address >> pageBits) & pageMask, offset
    // address & offsetMask; a null entry means read() or write().
    struct Direct {
        uint8_t* const* read;
        uint8_t* const* write;
        uint32_t pageBits;
        uint32_t pageMask;
        uint32_t offsetMask;
    };
    Direct getDirect() const
    {
        return Direct{ mReadDirect.data(), mWriteDirect.data(), static_cast<uint32_t>(mPageBits), mPageMask,
                       mOffsetMask };
    }

    int32_t getPageCount() const { return mPageCount; }
    const BusPage& getPage(int32_t index) const { return mPages[index]; }

private:
    // First and last page of an address range, clamped to the page count;
    // false for an empty range.
    bool pageRange(uint32_t first, uint32_t last, uint32_t& firstPage, uint32_t& lastPage) const;
    // The direct pointers of pages first..last from their records.
    void refreshDirect(uint32_t firstPage, uint32_t lastPage);
    // The whole rule of a page: its handler, else its memory, else nothing.
    void writePage(uint32_t index, uint32_t address, uint32_t value)
    {
        BusPage& page = mPages[index];
        if (page.writeHandler != nullptr) {
            page.writeHandler(address, value, page.writeContext);
        } else if (page.memory != nullptr && page.writable) {
            page.memory[address & mOffsetMask] = static_cast<uint8_t>(value);
        }
    }
    uint32_t readPage(uint32_t index, uint32_t address)
    {
        BusPage& page = mPages[index];
        if (page.readHandler != nullptr) return page.readHandler(address, page.readContext);
        if (page.memory != nullptr) return page.memory[address & mOffsetMask];
        return 0;
    }

    int32_t mAddressBits;
    int32_t mPageBits;
    int32_t mPageCount;
    uint32_t mPageMask;
    uint32_t mOffsetMask;   // page size - 1: address & mOffsetMask == address - base inside the space
    std::vector<BusPage> mPages;
    // Per page, the memory that an access may use without looking further:
    // set only where no handler serves the page (and, for writes, where the
    // memory is writable); null sends the access through the page's rule.
    std::vector<uint8_t*> mReadDirect;
    std::vector<uint8_t*> mWriteDirect;
};
