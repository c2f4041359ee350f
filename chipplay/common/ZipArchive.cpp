#include "ZipArchive.h"

#include "BufferedFile.h"
#include "System.h"
#include "ZipFile.h"

#include <new>

ZipArchive::ZipArchive(const std::string& path) : mPath(path), mDirectoryRead(false)
{
}

File* ZipArchive::openFile(const std::string& name, int mode)
{
    std::shared_ptr<const ZipDirectory> directory;
    {
        ObjectLocker hold(*this);
        if (!mDirectoryRead) {
            File* diskFile = System::openFile(mPath, File::MODE_READ);
            if (diskFile == nullptr) return nullptr;   // perhaps there next time
            BufferedFile listing(diskFile);
            mDirectory = ZipFile::readDirectory(&listing);
            mDirectoryRead = true;
        }
        directory = mDirectory;
    }
    // No zip: nothing in it can be found.
    if (!directory) return nullptr;
    File* diskFile = System::openFile(mPath, File::MODE_READ);
    if (diskFile == nullptr) return nullptr;
    File* archiveFile = new (std::nothrow) BufferedFile(diskFile);
    if (archiveFile == nullptr) {
        delete diskFile;
        return nullptr;
    }
    ZipFile* member = new (std::nothrow) ZipFile(archiveFile, directory);
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
