#include "WaveWriter.h"

#include "File.h"
#include "System.h"
#include "Trace.h"

#include <cstring>
#include <new>

namespace {

const char kSource[] = "player/WaveWriter.cpp";

void Put16(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void Put32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; i++) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// A 32-bit size field at `at`, the distance from behind the field to `end`.
bool PatchSize(File* file, int at, int end)
{
    uint8_t field[4];
    Put32(field, static_cast<uint32_t>(end - at - 4));
    return file->seek(at, File::SEEK_FROM_START) && file->write(field, 4) == 4;
}

}  // namespace

WaveWriter::WaveWriter() : mFile(nullptr), mRiffSizeAt(0), mDataSizeAt(0)
{
    Trace("[WaveWriter]インスタンス生成\n");
}

WaveWriter::~WaveWriter()
{
    close();
}

bool WaveWriter::open(File* file, int32_t rate)
{
    if (file == nullptr) return false;
    ObjectLocker hold(*this);
    close();
    mFile = file;
    uint8_t zero[4] = {};
    uint8_t fmt[24];
    std::memcpy(fmt, "fmt ", 4);
    Put32(fmt + 4, 16);
    Put16(fmt + 8, 1);   // PCM
    Put16(fmt + 10, 2);  // channels
    Put32(fmt + 12, static_cast<uint32_t>(rate));
    Put32(fmt + 16, static_cast<uint32_t>(rate) * 4);
    Put16(fmt + 20, 4);   // bytes a frame
    Put16(fmt + 22, 16);  // bits a sample
    // A header the file does not take leaves the recorder without a file:
    // the first write fails and the recording ends with its error.
    bool ok = mFile->seek(0, File::SEEK_FROM_START) && mFile->write("RIFF", 4) == 4;
    mRiffSizeAt = mFile->tell();
    ok = ok && mFile->write(zero, 4) == 4 && mFile->write("WAVE", 4) == 4 &&
         mFile->write(fmt, sizeof fmt) == static_cast<int>(sizeof fmt) && mFile->write("data", 4) == 4;
    mDataSizeAt = mFile->tell();
    ok = ok && mFile->write(zero, 4) == 4;
    if (!ok) {
        delete mFile;
        mFile = nullptr;
    }
    return true;
}

bool WaveWriter::write(const int32_t* _buffer, int32_t frames)
{
    ObjectLocker hold(*this);
    if (mFile == nullptr) return false;
    SYSTEM_CHECK(kSource, _buffer != NULL, false);
    if (frames <= 0) return frames == 0;
    const int64_t bytes = static_cast<int64_t>(frames) * 4;
    // The header's sizes are 32 bits and the file's positions int: a block
    // that would carry the file past what both hold ends the recording.
    const int at = mFile->tell();
    if (at < 0 || static_cast<int64_t>(at) + bytes > MAX_FILE_BYTES) return false;
    int16_t* block = new (std::nothrow) int16_t[static_cast<size_t>(frames) * 2];
    if (block == nullptr) return false;
    for (int32_t i = 0; i < frames * 2; i++) block[i] = static_cast<int16_t>(_buffer[i] & 0xFFFF);
    const int written = mFile->write(block, static_cast<int>(bytes));
    delete[] block;
    // A full disk takes fewer bytes than it was given.
    return written == static_cast<int>(bytes);
}

bool WaveWriter::close()
{
    ObjectLocker hold(*this);
    if (mFile == nullptr) return true;
    // The recording is whole only when both sizes were patched and the
    // file's last buffered bytes reached the disk (a disk that fills up at
    // the end fails only here).
    const int end = mFile->tell();
    bool ok = end >= HEADER_BYTES;
    ok = ok && PatchSize(mFile, mRiffSizeAt, end);
    ok = ok && PatchSize(mFile, mDataSizeAt, end);
    ok = mFile->close() && ok;
    delete mFile;
    mFile = nullptr;
    return ok;
}
