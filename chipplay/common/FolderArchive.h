// FolderArchive: a folder on disk as a data source. Names are joined to the
// folder's path as given (no case folding, no separator conversion). A name
// that would lead outside the folder (absolute, a drive, "..") opens nothing:
// the names come from the archive's own configuration.
//
//   FolderArchive a("data");   // "a.bin" opens data/a.bin; "data\" adds no separator
#pragma once

#include "Archive.h"

class FolderArchive : public Archive {
public:
    explicit FolderArchive(const std::string& path);
    File* openFile(const std::string& name, int mode) override;
    Archive* openArchive(const std::string& name) override;   // a sub-folder or a zip inside
    std::string getPath() override;

private:
    std::string join(const std::string& name) const;
    std::string mPath;
};
