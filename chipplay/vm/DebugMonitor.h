// DebugMonitor: the 80 x 25 text grid into which the drivers and the
// processor write their state for the debug monitor window. Cells are single
// bytes (Shift-JIS text is written byte by byte); cell (x, y) is at index
// y * 80 + x and every write runs on linearly, so text that passes column 79
// goes on at column 0 of the next row. Cells outside the 2000 of the grid
// are not written (a long line on the last row is cut there).
//
//   monitor->printf(0, 0, "PC:%04X", pc);
//   monitor->dumpHex(0, 1, ram + 0xC000, 16, 0xC000);   // "C000:00112233..."
//   monitor->putBinary(0, 2, status, 8);                 // "10000001"
//
// The window that shows the grid derives from this class and paints
// getGrid(); a new grid is all spaces.
#pragma once

#include "Object.h"

#include <cstdint>

class DebugMonitor : public virtual Object {
public:
    enum { COLUMNS = 80, ROWS = 25, CELLS = COLUMNS * ROWS };

    DebugMonitor();

    virtual bool putString(int32_t x, int32_t y, const char* text);
    virtual bool printf(int32_t x, int32_t y, const char* format, ...) __attribute__((format(printf, 4, 5)));
    virtual bool clear(int32_t x, int32_t y, int32_t count);
    virtual bool dumpHex(int32_t x, int32_t y, const uint8_t* bytes, int32_t count, uint32_t address);
    virtual bool putBinary(int32_t x, int32_t y, uint32_t value, int32_t bits);

    const char* getGrid() const { return mGrid; }

protected:
    // Linear cell index of (x, y), in 64 bits so that far-off coordinates
    // cannot wrap into the grid.
    static int64_t cellIndex(int32_t x, int32_t y) { return static_cast<int64_t>(y) * COLUMNS + x; }
    // Writes count bytes from cell `at` on, dropping cells outside the grid.
    void putCells(int64_t at, const char* bytes, int32_t count);

    char mGrid[CELLS];
};
