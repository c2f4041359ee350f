#include "FolderArchive.h"

#include "System.h"

FolderArchive::FolderArchive(const std::string& path) : mPath(path)
{
}

std::string FolderArchive::join(const std::string& name) const
{
    if (mPath.empty()) return name;
    char last = mPath.back();
    return (last == '/' || last == '\\') ? mPath + name : mPath + "/" + name;
}

File* FolderArchive::openFile(const std::string& name, int mode)
{
    return System::openFile(join(name), mode);
}

Archive* FolderArchive::openArchive(const std::string& name)
{
    return System::openArchive(join(name));
}

std::string FolderArchive::getPath()
{
    return mPath;
}
