// MemFile: a File over a block of memory that never grows. With copy = true
// the block is duplicated and the copy freed with the file; with false the
// caller's block is used in place (a program resource) and never freed.
//
//   MemFile f(bytes, n, false);
//   f.read(buf, 4);   // clamped at the end of the block
#pragma once

#include "File.h"

class MemFile : public File {
public:
    MemFile(const void* block, int size, bool copy);
    ~MemFile() override;

    bool open(const std::string& path, int mode) override;   // always false
    bool close() override;                                   // no effect, false
    int read(void* buffer, int count) override;
    int write(const void* buffer, int count) override;
    bool seek(int offset, int origin) override;   // origin 2 counts back from the end
    int tell() override;
    int size() override;
    const void* getBuffer() override;
    std::string getPath() override;               // always empty

private:
    bool mOwnsBlock;
    unsigned char* mBlock;
    int mSize;
    int mPosition;
};
