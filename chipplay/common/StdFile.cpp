#include "StdFile.h"

#include <new>

StdFile::StdFile() : mStream(nullptr)
{
}

StdFile::~StdFile()
{
    close();
}

File* StdFile::openNew(const std::string& path, int mode)
{
    StdFile* f = new (std::nothrow) StdFile();
    if (f == nullptr) return nullptr;
    if (f->open(path, mode)) return f;
    delete f;
    return nullptr;
}

bool StdFile::open(const std::string& path, int mode)
{
    close();
    mPath = path;   // kept after a failed open
    mStream = std::fopen(path.c_str(), mode == MODE_WRITE ? "wb" : "rb");
    return mStream != nullptr;
}

bool StdFile::close()
{
    // fclose writes what is still buffered: a full disk shows up here.
    bool ok = true;
    if (mStream != nullptr) {
        ok = std::fclose(mStream) == 0;
        mStream = nullptr;
    }
    mPath.clear();
    return ok;
}

int StdFile::read(void* buffer, int count)
{
    if (mStream == nullptr || count <= 0) return 0;
    return static_cast<int>(std::fread(buffer, 1, static_cast<size_t>(count), mStream));
}

int StdFile::write(const void* buffer, int count)
{
    if (mStream == nullptr || count <= 0) return 0;
    return static_cast<int>(std::fwrite(buffer, 1, static_cast<size_t>(count), mStream));
}

bool StdFile::seek(int offset, int origin)
{
    if (mStream == nullptr) return false;
    int whence;
    switch (origin) {
    case SEEK_FROM_START: whence = SEEK_SET; break;
    case SEEK_FROM_CURRENT: whence = SEEK_CUR; break;
    case SEEK_FROM_END: whence = SEEK_END; break;
    default: return false;
    }
    return std::fseek(mStream, offset, whence) == 0;
}

int StdFile::tell()
{
    if (mStream == nullptr) return -1;
    return static_cast<int>(std::ftell(mStream));
}

int StdFile::size()
{
    if (mStream == nullptr) return -1;
    long here = std::ftell(mStream);
    std::fseek(mStream, 0, SEEK_END);
    long end = std::ftell(mStream);
    std::fseek(mStream, here, SEEK_SET);
    return static_cast<int>(end);
}

const void* StdFile::getBuffer()
{
    return nullptr;
}

std::string StdFile::getPath()
{
    return mPath;
}
