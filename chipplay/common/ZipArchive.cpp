#include "ZipArchive.h"

#include "System.h"
#include "ZipFile.h"

#include <new>

ZipArchive::ZipArchive(const std::string& path) : mPath(path)
{
}

File* ZipArchive::openFile(const std::string& name, int mode)
{
    File* archiveFile = System::openFile(mPath, File::MODE_READ);
    if (archiveFile == nullptr) return nullptr;
    ZipFile* member = new (std::nothrow) ZipFile(archiveFile);
    if (member == nullptr) {
        delete archiveFile;
        return nullptr;
    }
    if (!member->open(name, mode)) {
        delete member;
        return nullptr;
    }
    return member;
}

Archive* ZipArchive::openArchive(const std::string&)
{
    return nullptr;
}

std::string ZipArchive::getPath()
{
    return mPath;
}
