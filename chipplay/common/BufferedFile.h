// BufferedFile: a read-only File over another one (owned) that serves reads
// from one cached block. The zip reader asks for its directory a few bytes
// at a time with a seek before each; through this file a whole directory
// costs one read of the file below, and a read past the end costs nothing,
// however often a damaged directory asks for it.
//
//   File* f = new BufferedFile(System::openFile("music.kzd", File::MODE_READ));
//   ZipFile* z = new ZipFile(f);
#pragma once

#include "File.h"

#include <vector>

class BufferedFile : public File {
public:
    enum { BLOCK_SIZE = 65536 };

    explicit BufferedFile(File* file);   // takes ownership; null gives a closed file
    ~BufferedFile() override;

    bool open(const std::string& path, int mode) override;   // reopens the file below (reading)
    bool close() override;
    int read(void* buffer, int count) override;
    int write(const void* buffer, int count) override;        // always 0
    bool seek(int offset, int origin) override;               // not before 0
    int tell() override;
    int size() override;
    const void* getBuffer() override;                         // always null
    std::string getPath() override;

private:
    bool fill(int position);

    File* mFile;
    int mSize;       // the length below, asked once per open
    int mPosition;
    int mBlockStart;
    std::vector<unsigned char> mBlock;
};
