// Loading helpers that every music driver's "file" and "patch" sections share.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Archive.h"
#include "Config.h"
#include "File.h"
#include "System.h"

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

// The chunk tables of the drivers whose program asks for song data by
// number (PC88Driver, X1Driver): table t ("data", "data2", "data3", and
// "adpcm2" on the PC-8801) holds, as chunk n, what the "data" entries with
// "no" n read, each file at its entry's "offset" within the chunk. OUT 0x81,n
// copies chunk n of every table to its region.
struct DriverChunks {
    enum { TABLES = 4, COUNT = 64 };
    // A chunk number is what OUT 0x81 can ask for: one byte.
    enum { MAX_NUMBER = 255 };
    // No region takes more than the PC-8801's 256 KB of sample memory; a
    // chunk larger than a few times that is a damaged configuration, not
    // song data.
    enum { MAX_SIZE = 0x100000 };

    // What a file does to a chunk that an earlier entry of the same number
    // has filled already. The two machines' drivers were written apart and
    // their archives count on the difference.
    enum Fill {
        // The chunk ends where this file ends: a later file that ends
        // earlier cuts off what lay beyond it (the PC-8801).
        FILL_ENDS_WITH_FILE,
        // The chunk only grows: a later file that ends earlier leaves the
        // tail of the longer one in place (the X1).
        FILL_ONLY_GROWS,
    };

    Fill fill;
    std::vector<std::vector<uint8_t>> table[TABLES];

    // Every table back to COUNT empty chunks.
    void reset();
    // A "data" entry for table t: the file into chunk n from `offset` on
    // (bytes before it zero), the table grown to hold n. A number outside
    // 0..MAX_NUMBER, a negative offset or a chunk past MAX_SIZE is reported
    // with the driver's tag and reads nothing.
    void load(int32_t t, File* file, int32_t n, int32_t offset, const std::string& name, const char* tag);
    // Chunk n of table t; null when the table has no such chunk or it is
    // empty.
    const std::vector<uint8_t>* find(int32_t t, int64_t n) const
    {
        if (n < 0 || n >= (int64_t)table[t].size() || table[t][n].empty()) return nullptr;
        return &table[t][n];
    }
};

// The song and voice slots of the compatible drivers: one fixed-size slot
// per song number in each array, filled by the "bgm" and "voice" files and
// copied to fixed addresses when the program asks for a song. The fields
// are the "option" values; each driver sets its own defaults.
struct DriverSlots {
    // Slot arrays beyond this are a damaged configuration, not song data.
    enum { MAX_BYTES = 0x4000000 };

    // How OUT 0x01,n copies song slot n; the two machines' layouts differ.
    enum Copy {
        // From the song entry's "offset" on, cut at the end of the slot; a
        // negative size or offset is reported at the copy (the PC-8801).
        COPY_FROM_OFFSET,
        // "mdata_size" bytes from the start of the slot, running on into the
        // next one when larger; a negative copy size is refused at load,
        // as nothing could make it meaningful (the X1).
        COPY_FROM_START,
    };

    Copy copy;
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

    // Reads "mdata_addr", "mdata_size", "mfile_size", "mdata_num",
    // "vdata_addr", "vdata_size" and "vfile_size", the current values as
    // the defaults.
    void readOptions(ConfigSection* section);
    // Makes the zero-filled arrays, each with one copy length past its last
    // slot so that a copy from the last slot stays inside it (a negative
    // copy length adds nothing; the copy refuses it). False, keeping
    // nothing, for no slot, a negative slot size, an array past MAX_BYTES
    // (counting each slot's presence flag as a byte),
    // or under COPY_FROM_START a negative copy size; the sums are taken in
    // 64 bits.
    bool allocate();
    // A "bgm" (voice false) or "voice" entry: reads up to a slot's size of
    // the file into slot n, which must be 0 <= n < count, else the driver's
    // "too large" message with its tag ("[PC88C]", "[X1C]").
    void fill(bool isVoice, File* file, int32_t n, const std::string& name, const char* tag);
    // OUT 0x01,n: song slot n to dataAddr of `memory` (from songOffset on
    // under COPY_FROM_OFFSET, else from the slot's start), and voice slot n
    // to voiceAddr when it was given, each cut at the end of the memory. A
    // bad size, offset or destination copies nothing and is reported with
    // the driver's tag. False, copying nothing, when slot n holds no song.
    bool load(uint8_t number, uint8_t* memory, int64_t memorySize, int64_t songOffset, const char* tag);
    bool hasSong(int32_t n) const { return n >= 0 && n < (int32_t)songPresent.size() && songPresent[n]; }
    bool hasVoice(int32_t n) const { return n >= 0 && n < (int32_t)voicePresent.size() && voicePresent[n]; }
    const uint8_t* songSlot(int32_t n) const { return song.data() + (int64_t)n * fileSize; }
    const uint8_t* voiceSlot(int32_t n) const { return voice.data() + (int64_t)n * voiceFileSize; }
};

// A file read whole to `offset` of a memory ("code" into the Z80's, "adpcm"
// into the sample RAM), cut at its end; an offset outside the memory reads
// nothing and is reported as "%s<what>のアドレスが範囲外です(%s: 0x%08x)".
void DriverReadAt(File* file, uint8_t* memory, int64_t memorySize, int32_t offset, const std::string& name,
                  const char* tag, const char* what);

// Section "file" as every driver walks it: `each`(entry, name, type, file)
// runs for every entry whose member "name" opens; one that does not is
// reported ("%sファイルのオープンに失敗しました(%s)") and skipped. The file is
// closed after each entry. False, reported, when the section is missing.
// `source` names the driver's unit for a missing-entry assertion.
template <class Each>
bool DriverForEachFile(Config* config, Archive* folder, const char* tag, const char* source, Each each)
{
    ConfigSection* section = config->getSection("file");
    if (section == nullptr) {
        System::error("%sfileセクションが見つかりません\n", tag);
        return false;
    }
    for (ConfigEntry* ent : section->entries()) {
        if (ent == NULL) {
            System::assertFailed(source, __LINE__, "ent != NULL");
            return false;
        }
        const std::string name = ent->getString("name", "");
        const std::string type = ent->getString("type", "");
        File* file = folder->openFile(name, File::MODE_READ);
        if (file == nullptr) {
            System::error("%sファイルのオープンに失敗しました(%s)\n", tag, name.c_str());
            continue;
        }
        each(ent, name, type, file);
        file->close();
        delete file;
    }
    return true;
}
