#include "MemFile.h"

#include <cstring>
#include <new>

MemFile::MemFile(const void* block, int size, bool copy)
    : mOwnsBlock(copy), mBlock(nullptr), mSize(size < 0 ? 0 : size), mPosition(0)
{
    if (copy) {
        mBlock = new (std::nothrow) unsigned char[mSize > 0 ? mSize : 1];
        if (mBlock == nullptr) mSize = 0;
        else if (block != nullptr && mSize > 0) std::memcpy(mBlock, block, static_cast<size_t>(mSize));
    } else {
        mBlock = static_cast<unsigned char*>(const_cast<void*>(block));
        if (mBlock == nullptr) mSize = 0;
    }
}

MemFile::~MemFile()
{
    if (mOwnsBlock) delete[] mBlock;
}

bool MemFile::open(const std::string&, int)
{
    return false;
}

bool MemFile::close()
{
    return false;
}

int MemFile::read(void* buffer, int count)
{
    if (count <= 0) return 0;
    if (count >= mSize - mPosition) count = mSize - mPosition;
    if (count < 1) return 0;
    std::memcpy(buffer, mBlock + mPosition, static_cast<size_t>(count));
    mPosition += count;
    return count;
}

int MemFile::write(const void* buffer, int count)
{
    if (count <= 0) return 0;
    if (count >= mSize - mPosition) count = mSize - mPosition;
    if (count < 1) return 0;
    std::memcpy(mBlock + mPosition, buffer, static_cast<size_t>(count));
    mPosition += count;
    return count;
}

bool MemFile::seek(int offset, int origin)
{
    long long target;
    switch (origin) {
    case SEEK_FROM_START: target = offset; break;
    case SEEK_FROM_CURRENT: target = static_cast<long long>(mPosition) + offset; break;
    case SEEK_FROM_END: target = static_cast<long long>(mSize) - offset; break;
    default: return false;
    }
    if (target < 0 || target > mSize) return false;
    mPosition = static_cast<int>(target);
    return true;
}

int MemFile::tell()
{
    return mPosition;
}

int MemFile::size()
{
    return mSize;
}

const void* MemFile::getBuffer()
{
    return mBlock;
}

std::string MemFile::getPath()
{
    return std::string();
}
