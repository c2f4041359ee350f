// DebugMonitor: the 80 x 25 text grid into which the drivers and the
// processor write their state for the debug monitor window. Cell (x, y) is
// byte y * 80 + x; writes run on linearly, so text past column 79 continues
// on the next row. The window implements it; here is only the interface.
//
//   monitor->printf(0, 3, "PC:%04X", pc);
#pragma once

#include <cstdint>

#include "Object.h"

class DebugMonitor : public virtual Object {
public:
    virtual bool putString(int32_t x, int32_t y, const char* text) = 0;
    // Formats into 1024 bytes (longer output is cut), then putString.
    virtual bool printf(int32_t x, int32_t y, const char* format, ...) __attribute__((format(printf, 4, 5))) = 0;
    virtual bool clear(int32_t x, int32_t y, int32_t count) = 0;
    // "%04X:" of the address's low 16 bits, then "%02X" per byte, no spaces.
    virtual bool dumpHex(int32_t x, int32_t y, const uint8_t* bytes, int32_t count, uint32_t address) = 0;
    // bits cells of '1'/'0', from bit bits-1 down to bit 0.
    virtual bool putBinary(int32_t x, int32_t y, uint32_t value, int32_t bits) = 0;
};
