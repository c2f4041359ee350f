#include "Win32ResFile.h"

#include "MemFile.h"
#include "Trace.h"

#include <new>

Win32ResFile::Win32ResFile() : mFile(nullptr)
{
}

Win32ResFile::~Win32ResFile()
{
    close();
}

bool Win32ResFile::open(HMODULE module, const std::string& name, const std::string& type)
{
    close();
    mName = name;
    mType = type;
    const char* n = name.c_str();
    const char* t = type.c_str();
    HRSRC found = FindResourceA(module, n, t);
    if (found == nullptr) {
        Trace("[Win32ResFile] resourceが見つかりません(%s,%s)\n", n, t);
        return false;
    }
    HGLOBAL loaded = LoadResource(module, found);
    if (loaded == nullptr) {
        Trace("[Win32ResFile] resourceがロードできません(%s,%s)\n", n, t);
        return false;
    }
    const void* bytes = LockResource(loaded);
    if (bytes == nullptr) {
        Trace("[Win32ResFile] resourceがロックできません(%s,%s)\n", n, t);
        return false;
    }
    DWORD size = SizeofResource(module, found);
    if (size == 0) {
        Trace("[Win32ResFile] resourceのサイズを取得できません(%s,%s)\n", n, t);
        return false;
    }
    mFile = new (std::nothrow) MemFile(bytes, static_cast<int>(size), false);
    if (mFile == nullptr) {
        Trace("[Win32ResFile] メモリファイルを作成できません(%s,%s)\n", n, t);
        return false;
    }
    return true;
}

bool Win32ResFile::open(const std::string&, int)
{
    return false;
}

bool Win32ResFile::close()
{
    delete mFile;
    mFile = nullptr;
    return true;
}

int Win32ResFile::read(void* buffer, int count)
{
    return mFile ? mFile->read(buffer, count) : 0;
}

int Win32ResFile::write(const void*, int)
{
    return 0;
}

bool Win32ResFile::seek(int offset, int origin)
{
    return mFile ? mFile->seek(offset, origin) : false;
}

int Win32ResFile::tell()
{
    return mFile ? mFile->tell() : 0;
}

int Win32ResFile::size()
{
    return mFile ? mFile->size() : 0;
}

const void* Win32ResFile::getBuffer()
{
    return mFile ? mFile->getBuffer() : nullptr;
}

std::string Win32ResFile::getPath()
{
    return mName;
}
