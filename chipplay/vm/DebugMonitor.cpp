#include "DebugMonitor.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

DebugMonitor::DebugMonitor()
{
    std::memset(mGrid, ' ', sizeof mGrid);
}

void DebugMonitor::putCells(int64_t at, const char* bytes, int32_t count)
{
    for (int32_t i = 0; i < count; i++, at++) {
        if (at >= 0 && at < CELLS) mGrid[at] = bytes[i];
    }
}

bool DebugMonitor::putString(int32_t x, int32_t y, const char* text)
{
    if (text == nullptr) return true;
    size_t length = std::strlen(text);
    if (length > CELLS * 2) length = CELLS * 2;   // more can never land in the grid
    putCells(cellIndex(x, y), text, static_cast<int32_t>(length));
    return true;
}

bool DebugMonitor::printf(int32_t x, int32_t y, const char* format, ...)
{
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);   // longer output is cut
    va_end(args);
    return putString(x, y, text);
}

bool DebugMonitor::clear(int32_t x, int32_t y, int32_t count)
{
    int64_t at = cellIndex(x, y);
    for (int32_t i = 0; i < count && at < CELLS; i++, at++) {
        if (at >= 0) mGrid[at] = ' ';
    }
    return true;
}

bool DebugMonitor::dumpHex(int32_t x, int32_t y, const uint8_t* bytes, int32_t count, uint32_t address)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04X:", static_cast<unsigned>(address & 0xFFFF));
    int64_t at = cellIndex(x, y);
    putCells(at, text, 5);
    if (bytes == nullptr) return true;
    for (int32_t i = 0; i < count && at + 5 + 2 * static_cast<int64_t>(i) < CELLS; i++) {
        std::snprintf(text, sizeof text, "%02X", bytes[i]);
        putCells(at + 5 + 2 * static_cast<int64_t>(i), text, 2);
    }
    return true;
}

bool DebugMonitor::putBinary(int32_t x, int32_t y, uint32_t value, int32_t bits)
{
    if (bits > 32) bits = 32;
    char text[32];
    for (int32_t i = 0; i < bits; i++) text[i] = ((value >> (bits - 1 - i)) & 1) ? '1' : '0';
    if (bits > 0) putCells(cellIndex(x, y), text, bits);
    return true;
}
