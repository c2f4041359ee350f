// Loading helpers that every music driver's "file" and "patch" sections share.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

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

// The song and voice slots of the compatible drivers: one fixed-size slot
// per song number in each array, filled by the "bgm" and "voice" files and
// copied to fixed addresses when the program asks for a song. The fields
// are the "option" values; each driver sets its own defaults.
struct DriverSlots {
    // Slot arrays beyond this are a damaged configuration, not song data.
    enum { MAX_BYTES = 0x4000000 };

    int32_t dataAddr;        // "mdata_addr"
    int32_t dataSize;        // "mdata_size": bytes copied to dataAddr
    int32_t fileSize;        // "mfile_size": bytes per song slot
    int32_t count;           // "mdata_num": slots in each array
    int32_t voiceAddr;       // "vdata_addr"
    int32_t voiceSize;       // "vdata_size": bytes copied to voiceAddr
    int32_t voiceFileSize;   // "vfile_size": bytes per voice slot
    std::vector<uint8_t> song;
    std::vector<uint8_t> voice;
    std::vector<uint8_t> songPresent;
    std::vector<uint8_t> voicePresent;

    // Makes the zero-filled arrays, each with one copy length past its last
    // slot so that a copy from the last slot stays inside it (a negative
    // copy length adds nothing; the copy refuses it). False, keeping
    // nothing, for no slot, a negative slot size or an array past MAX_BYTES;
    // the sums are taken in 64 bits.
    bool allocate();
    // A "bgm" (voice false) or "voice" entry: reads up to a slot's size of
    // the file into slot n, which must be 0 <= n < count, else the driver's
    // "too large" message with its tag ("[PC88C]", "[X1C]").
    void fill(bool isVoice, File* file, int32_t n, const std::string& name, const char* tag);
    bool hasSong(int32_t n) const { return n >= 0 && n < (int32_t)songPresent.size() && songPresent[n]; }
    bool hasVoice(int32_t n) const { return n >= 0 && n < (int32_t)voicePresent.size() && voicePresent[n]; }
    const uint8_t* songSlot(int32_t n) const { return song.data() + (int64_t)n * fileSize; }
    const uint8_t* voiceSlot(int32_t n) const { return voice.data() + (int64_t)n * voiceFileSize; }
};

// A "code" entry of a compatible driver: the whole file at `offset` of the
// memory, cut at its end; an offset outside the memory reads nothing and is
// reported with the driver's tag.
void DriverReadCode(File* file, uint8_t* memory, int64_t memorySize, int32_t offset, const std::string& name,
                    const char* tag);
