// Bus: one address space of the emulated machine (the Z80's memory or its
// I/O ports), cut into equal pages. Each page is backed by a block of host
// memory, served by a read and a write handler, or left unmapped.
//
//   Bus mem(16, 12);                          // 16 pages of 4 KiB
//   mem.mapMemory(0x0000, 0xFFFF, ram, true); // ram: 64 KiB, page-aligned
//   Bus io(8, 8);                             // one page: handlers see every port
//   io.mapWrite(0x00, 0xFF, PortWrite, self);
//   io.mapRead(0x00, 0xFF, PortRead, self);
//
// A handler on a page wins over the page's memory, so a page can be backed
// by memory and watched at the same time. Reads of unmapped addresses give
// 0; writes to unmapped or read-only pages are dropped. The page is chosen
// by one shift and one mask: a bus with as many page bits as address bits
// has a single page whose handlers see the whole address. An address beyond
// the space wraps onto the page that its low bits select, memory included:
// the offset inside the page is masked too, so no access leaves the page's
// block.
//
// read and write run on every emulated memory access and every IN and OUT:
// they allocate nothing, take no lock and are defined here so they inline.
#pragma once

#include <cstdint>

#if CHIPPLAY_BUS_IS_OBJECT
#include "Object.h"
#define CHIPPLAY_BUS_BASE : public virtual Object
#else
#define CHIPPLAY_BUS_BASE
#endif

typedef void (*BusWriteHandler)(uint32_t address, uint32_t value, void* context);
typedef uint32_t (*BusReadHandler)(uint32_t address, void* context);

struct BusPage {
    uint32_t base;              // first address of the page
    BusWriteHandler write;
    void* writeContext;
    BusReadHandler read;
    void* readContext;
    uint8_t* memory;            // the byte for an address is memory[address - base]
                                // (for addresses inside the space)
    bool writable;
};

class Bus CHIPPLAY_BUS_BASE {
public:
    Bus(int32_t addressBits, int32_t pageBits);
    ~Bus();
    Bus(const Bus&) = delete;
    Bus& operator=(const Bus&) = delete;

    // The range [first, last] selects whole pages; the memory is attached at
    // the base of the first page of the range (callers pass aligned ranges).
    bool mapMemory(uint32_t first, uint32_t last, uint8_t* memory, bool writable);
    bool mapWrite(uint32_t first, uint32_t last, BusWriteHandler handler, void* context);
    bool mapRead(uint32_t first, uint32_t last, BusReadHandler handler, void* context);

    void write(uint32_t address, uint32_t value)
    {
        BusPage& page = mPages[(address >> mPageBits) & mPageMask];
        if (page.write != nullptr) {
            page.write(address, value, page.writeContext);
        } else if (page.memory != nullptr && page.writable) {
            page.memory[address & mOffsetMask] = (uint8_t)value;
        }
    }

    uint32_t read(uint32_t address) const
    {
        const BusPage& page = mPages[(address >> mPageBits) & mPageMask];
        if (page.read != nullptr) return page.read(address, page.readContext);
        if (page.memory != nullptr) return page.memory[address & mOffsetMask];
        return 0;
    }

    int32_t getAddressBits() const { return mAddressBits; }
    int32_t getPageBits() const { return mPageBits; }
    int32_t getPageCount() const { return mPageCount; }

private:
    // Page indices of [first, last] clamped to the bus; false when empty.
    bool pageRange(uint32_t first, uint32_t last, uint32_t* firstPage, uint32_t* lastPage) const;

    int32_t mAddressBits;
    int32_t mPageBits;
    int32_t mPageCount;
    uint32_t mPageMask;
    uint32_t mOffsetMask;       // offset of an address inside its page
    BusPage* mPages;
};
