#include "FolderArchive.h"

#include "ShiftJis.h"
#include "System.h"

namespace {

// A member name stays inside the folder: not absolute, no drive or stream
// (":"), and no part made only of dots and spaces with two or more dots
// (Windows reads "..." and ". ." as ".."). Parts are split at whole
// Shift-JIS characters, so a trail byte 0x5C is not a separator.
bool StaysInside(const std::string& name)
{
    if (name.empty() || name[0] == '/' || name[0] == '\\') return false;
    size_t dots = 0;
    bool onlyDots = true;
    for (size_t i = 0; i <= name.size(); i++) {
        const unsigned char c = i < name.size() ? static_cast<unsigned char>(name[i]) : '/';
        if (c == '/' || c == '\\') {
            if (onlyDots && dots >= 2) return false;
            dots = 0;
            onlyDots = true;
            continue;
        }
        if (c == ':') return false;
        if (c == '.') {
            dots++;
        } else if (c != ' ') {
            onlyDots = false;
            if (IsShiftJisLead(c) && i + 1 < name.size()) i++;
        }
    }
    return true;
}

}  // namespace

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
    if (!StaysInside(name)) return nullptr;
    return System::openFile(join(name), mode);
}

Archive* FolderArchive::openArchive(const std::string& name)
{
    if (!StaysInside(name)) return nullptr;
    return System::openArchive(join(name));
}

std::string FolderArchive::getPath()
{
    return mPath;
}
