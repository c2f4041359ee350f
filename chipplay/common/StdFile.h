// StdFile: a file on disk through a standard buffered stream. What
// System::openFile hands out.
//
//   StdFile f;
//   if (f.open("rec.wav", File::MODE_WRITE)) f.write(data, n);
#pragma once

#include "File.h"

#include <cstdio>

class StdFile : public File {
public:
    StdFile();
    ~StdFile() override;

    // A new StdFile open on `path`, owned by the caller; null when it does
    // not open or cannot be had. What every System's openFile hands out.
    static File* openNew(const std::string& path, int mode);

    bool open(const std::string& path, int mode) override;   // "wb" for mode 2, else "rb"
    bool close() override;                // false when the buffered bytes did not reach the disk
    int read(void* buffer, int count) override;
    int write(const void* buffer, int count) override;
    bool seek(int offset, int origin) override;
    int tell() override;
    int size() override;                  // leaves the position where it was
    const void* getBuffer() override;     // always null
    std::string getPath() override;       // empty once closed

private:
    std::string mPath;
    FILE* mStream;
};
