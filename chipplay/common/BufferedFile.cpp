#include "BufferedFile.h"

#include <cstring>

BufferedFile::BufferedFile(File* file) : mFile(file), mSize(0), mPosition(0), mBlockStart(0)
{
    if (mFile != nullptr) mSize = mFile->size();
    if (mSize < 0) mSize = 0;
}

BufferedFile::~BufferedFile()
{
    delete mFile;
}

bool BufferedFile::open(const std::string& path, int)
{
    mBlock.clear();
    mPosition = 0;
    mBlockStart = 0;
    mSize = 0;
    if (mFile == nullptr || !mFile->open(path, File::MODE_READ)) return false;
    mSize = mFile->size();
    if (mSize < 0) mSize = 0;
    return true;
}

bool BufferedFile::close()
{
    mBlock.clear();
    return mFile != nullptr && mFile->close();
}

// Loads the aligned block that holds `position` from the file below.
bool BufferedFile::fill(int position)
{
    const int start = position / BLOCK_SIZE * BLOCK_SIZE;
    const int length = mSize - start < BLOCK_SIZE ? mSize - start : BLOCK_SIZE;
    mBlock.clear();
    if (mFile == nullptr || length <= 0 || !mFile->seek(start, File::SEEK_FROM_START)) return false;
    mBlock.resize(static_cast<size_t>(length));
    const int got = mFile->read(mBlock.data(), length);
    mBlock.resize(got > 0 ? static_cast<size_t>(got) : 0);
    mBlockStart = start;
    return !mBlock.empty();
}

int BufferedFile::read(void* buffer, int count)
{
    unsigned char* out = static_cast<unsigned char*>(buffer);
    int done = 0;
    while (done < count && mPosition < mSize) {
        const bool inBlock = !mBlock.empty() && mPosition >= mBlockStart &&
                             mPosition < mBlockStart + static_cast<int>(mBlock.size());
        if (!inBlock && !fill(mPosition)) break;
        const int offset = mPosition - mBlockStart;
        int n = static_cast<int>(mBlock.size()) - offset;
        if (n > count - done) n = count - done;
        std::memcpy(out + done, mBlock.data() + offset, static_cast<size_t>(n));
        done += n;
        mPosition += n;
    }
    return done;
}

int BufferedFile::write(const void*, int)
{
    return 0;
}

bool BufferedFile::seek(int offset, int origin)
{
    long long to;
    switch (origin) {
    case SEEK_FROM_START: to = offset; break;
    case SEEK_FROM_CURRENT: to = static_cast<long long>(mPosition) + offset; break;
    case SEEK_FROM_END: to = static_cast<long long>(mSize) + offset; break;
    default: return false;
    }
    // Past the end is allowed, as on a disk file; reads there give 0.
    if (to < 0 || to > 0x7FFFFFFF) return false;
    mPosition = static_cast<int>(to);
    return true;
}

int BufferedFile::tell()
{
    return mPosition;
}

int BufferedFile::size()
{
    return mSize;
}

const void* BufferedFile::getBuffer()
{
    return nullptr;
}

std::string BufferedFile::getPath()
{
    return mFile != nullptr ? mFile->getPath() : std::string();
}
