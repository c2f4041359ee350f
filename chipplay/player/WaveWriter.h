// WaveWriter: records the player's output, frame for frame as it goes to
// the device, into a 16-bit stereo PCM WAV file.
//
//   WaveWriter w;
//   w.open(System::openFile("song.wav", File::MODE_WRITE), 44100);   // takes the file
//   while (recording) if (!w.write(frames, n)) { w.close(); ... -3 ... }
//   w.close();                                                       // patches the sizes
//
// The 44-byte header is written with both size fields 0; close() patches the
// RIFF size (file length - 8) and the data size (file length - 44). Both are
// 32-bit fields and File positions are int, so write() refuses a block that
// would take the file past MAX_FILE_BYTES (the recording then ends with its
// error, as it does when the file takes fewer bytes than it was given).
// close() is true only when the sizes were patched and the file closed
// cleanly: anything else is a broken recording.
#pragma once

#include "Object.h"

#include <cstdint>

class File;

class WaveWriter : public virtual Object {
public:
    enum { HEADER_BYTES = 44 };
    // The largest file a recording may make: File positions are int.
    static constexpr int64_t MAX_FILE_BYTES = 0x7FFFFFFF;

    WaveWriter();
    ~WaveWriter() override;

    bool open(File* file, int32_t rate);
    bool write(const int32_t* _buffer, int32_t frames);
    bool close();
    bool isOpen() const { return mFile != nullptr; }

    WaveWriter(const WaveWriter&) = delete;
    WaveWriter& operator=(const WaveWriter&) = delete;

private:
    File* mFile;
    int mRiffSizeAt;
    int mDataSizeAt;
};
