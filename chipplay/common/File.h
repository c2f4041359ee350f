// File: one open byte stream (a file on disk, a block of memory, a member of a
// zip archive, a resource of the program). Whoever is given a File owns it
// and deletes it.
//
//   File* f = System::openFile("config.txt", File::MODE_READ);
//   if (f != nullptr) { int n = f->size(); ...; f->read(buf, n); delete f; }
//
// Open modes: 1 reads, 2 writes (creates or truncates); any value but 2 reads.
// Seek origins: 0 from the start, 1 from the current position, 2 from the end.
#pragma once

#include "Object.h"

#include <string>

class File : public virtual Object {
public:
    enum { MODE_READ = 1, MODE_WRITE = 2 };
    enum { SEEK_FROM_START = 0, SEEK_FROM_CURRENT = 1, SEEK_FROM_END = 2 };

    virtual bool open(const std::string& path, int mode) = 0;
    virtual bool close() = 0;
    virtual int read(void* buffer, int count) = 0;
    virtual int write(const void* buffer, int count) = 0;
    virtual bool seek(int offset, int origin) = 0;
    virtual int tell() = 0;
    virtual int size() = 0;
    virtual const void* getBuffer() = 0;   // the whole content in memory, or null
    virtual std::string getPath() = 0;
};
