#include "DriverLoad.h"

#include "System.h"
#include "Trace.h"

#include <cstring>
#include <new>

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

void DriverChunks::reset()
{
    for (std::vector<std::vector<uint8_t>>& t : table) {
        t.clear();
        t.resize(COUNT);
    }
}

void DriverChunks::load(int32_t t, File* file, int32_t n, int32_t offset, const std::string& name, const char* tag)
{
    const int64_t fileSize = file->size() > 0 ? file->size() : 0;
    if (n < 0 || n > MAX_NUMBER) {
        System::error("%sデータ番号が範囲外です(%s: %d)\n", tag, name.c_str(), (int)n);
        return;
    }
    if (offset < 0 || (int64_t)offset + fileSize > MAX_SIZE) {
        System::error("%sデータのオフセットかサイズが範囲外です(%s: offset %d, size %lld)\n", tag, name.c_str(),
                      (int)offset, (long long)fileSize);
        return;
    }
    std::vector<std::vector<uint8_t>>& chunks = table[t];
    if ((size_t)n >= chunks.size()) chunks.resize((size_t)n + 1);
    std::vector<uint8_t>& chunk = chunks[n];
    const size_t end = (size_t)(offset + fileSize);
    if (fill == FILL_ENDS_WITH_FILE || chunk.size() < end) chunk.resize(end, 0);
    DriverReadInto(file, chunk.data() + offset, fileSize);
}

void DriverSlots::readOptions(ConfigSection* section)
{
    dataAddr = section->getInt("mdata_addr", dataAddr);
    dataSize = section->getInt("mdata_size", dataSize);
    fileSize = section->getInt("mfile_size", fileSize);
    count = section->getInt("mdata_num", count);
    voiceAddr = section->getInt("vdata_addr", voiceAddr);
    voiceSize = section->getInt("vdata_size", voiceSize);
    voiceFileSize = section->getInt("vfile_size", voiceFileSize);
}

bool DriverSlots::allocate()
{
    // Every slot also has its presence flag: the count is part of the bound,
    // or a huge count over files of size 0 would pass and fill as many flags.
    const int64_t songBytes = (int64_t)count * fileSize + (dataSize > 0 ? dataSize : 0) + count;
    const int64_t voiceBytes = (int64_t)count * voiceFileSize + (voiceSize > 0 ? voiceSize : 0) + count;
    if (count <= 0 || fileSize < 0 || voiceFileSize < 0 || songBytes > MAX_BYTES || voiceBytes > MAX_BYTES)
        return false;
    if (copy == COPY_FROM_START && (dataSize < 0 || voiceSize < 0)) return false;
    try {
        song.assign((size_t)(songBytes - count), 0);
        voice.assign((size_t)(voiceBytes - count), 0);
        songPresent.assign((size_t)count, 0);
        voicePresent.assign((size_t)count, 0);
    } catch (const std::bad_alloc&) {
        song.clear();
        voice.clear();
        songPresent.clear();
        voicePresent.clear();
        return false;
    }
    return true;
}

void DriverSlots::fill(bool isVoice, File* file, int32_t n, const std::string& name, const char* tag)
{
    // A slot number is an index: below 0 is as wrong as past the end.
    if (n < 0 || n >= count) {
        System::error(isVoice ? "%s音色番号が大きすぎます(%s:%d(最大:%d))\n" : "%s曲番号が大きすぎます(%s:%d(最大:%d))\n",
                      tag, name.c_str(), (int)n, (int)count);
        return;
    }
    if (isVoice) {
        voicePresent[n] = 1;
        DriverReadInto(file, voice.data() + (int64_t)n * voiceFileSize, voiceFileSize);
    } else {
        songPresent[n] = 1;
        DriverReadInto(file, song.data() + (int64_t)n * fileSize, fileSize);
    }
}

// Bounds are checked in 64 bits: a configuration or song entry may give
// negative or huge sizes, offsets and addresses, and those copy nothing.
// The slot arrays hold a copy length past the last slot, so the source
// never runs out.
bool DriverSlots::load(uint8_t number, uint8_t* memory, int64_t memorySize, int64_t songOffset, const char* tag)
{
    if (!hasSong(number)) return false;
    const int64_t offset = copy == COPY_FROM_OFFSET ? songOffset : 0;
    int64_t length = dataSize;
    if (copy == COPY_FROM_OFFSET && length >= 0 && offset >= 0 && offset + length > fileSize)
        length = fileSize - offset;
    if (length < 0 || offset < 0) {
        System::error("%s曲データのサイズかオフセットが不正です(#%02x: size %d, offset %d)\n", tag, number,
                      (int)dataSize, (int)offset);
    } else if (dataAddr < 0 || dataAddr >= memorySize) {
        System::error("%s曲データの転送先が範囲外です(0x%08x)\n", tag, (unsigned)dataAddr);
    } else {
        if (dataAddr + length > memorySize) length = memorySize - dataAddr;
        memcpy(memory + dataAddr, songSlot(number) + offset, (size_t)length);
        Trace("%sBGM #%02x Loaded\n", tag, number);
    }

    if (!hasVoice(number)) return true;
    int64_t voiceLength = voiceSize;
    if (voiceLength < 0) {
        System::error("%s音色データのサイズが不正です(#%02x: size %d)\n", tag, number, (int)voiceSize);
    } else if (voiceAddr < 0 || voiceAddr >= memorySize) {
        System::error("%s音色データの転送先が範囲外です(0x%08x)\n", tag, (unsigned)voiceAddr);
    } else {
        if (voiceAddr + voiceLength > memorySize) voiceLength = memorySize - voiceAddr;
        memcpy(memory + voiceAddr, voiceSlot(number), (size_t)voiceLength);
    }
    return true;
}

void DriverReadAt(File* file, uint8_t* memory, int64_t memorySize, int32_t offset, const std::string& name,
                  const char* tag, const char* what)
{
    if (offset < 0 || offset >= memorySize) {
        System::error("%s%sのアドレスが範囲外です(%s: 0x%08x)\n", tag, what, name.c_str(), (unsigned)offset);
        return;
    }
    int64_t length = file->size() > 0 ? file->size() : 0;
    if (offset + length > memorySize) length = memorySize - offset;
    DriverReadInto(file, memory + offset, length);
}
