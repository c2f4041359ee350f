// Loading helpers that every music driver's "file" and "patch" sections share.
#pragma once

#include <cstdint>
#include <string>

#include "File.h"

// Reads up to `length` bytes of the file to `dest`; a short file leaves the
// rest as it was.
inline void DriverReadInto(File* file, uint8_t* dest, int64_t length)
{
    if (length > 0) file->read(dest, (int)length);
}

// Writes one patch entry at `addr` of `dest` (`size` bytes): "binary" data
// is pairs of hexadecimal digits, "string" data the text with its closing
// zero byte; bytes past the end are dropped. Errors are reported with the
// driver's tag ("[PC88]", "[X1]").
void DriverApplyPatch(uint8_t* dest, uint32_t size, uint32_t addr, const std::string& type,
                      const std::string& data, const char* tag);
