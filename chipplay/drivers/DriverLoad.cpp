#include "DriverLoad.h"

#include "System.h"

namespace {

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

void DriverApplyPatch(uint8_t* dest, uint32_t size, uint32_t addr, const std::string& type,
                      const std::string& data, const char* tag)
{
    if (type == "binary") {
        for (size_t at = 0; addr < size && at < data.size(); at += 2) {
            const int hi = HexDigit(data[at]);
            const int lo = at + 1 < data.size() ? HexDigit(data[at + 1]) : -1;
            if (hi < 0 || lo < 0) {
                System::error("%s16進数として無効な文字が指定されました\n", tag);
                break;
            }
            dest[addr++] = (uint8_t)(hi * 16 + lo);
        }
    } else if (type == "string") {
        for (size_t at = 0; addr < size && at <= data.size(); at++) dest[addr++] = (uint8_t)data.c_str()[at];
    } else {
        System::error("%s不明なpatchのtypeです(%s)\n", tag, type.c_str());
    }
}
