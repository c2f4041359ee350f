// ZipArchive: a zip file as a data source. It holds only the path; each
// openFile opens the zip afresh with its own stream and its own read of the
// zip directory, so any number of members may be open at once. A file that
// is no zip is accepted here and fails at its first openFile.
//
//   ZipArchive a("music.kzd");
//   File* f = a.openFile("config.txt", File::MODE_READ);   // null when absent
#pragma once

#include "Archive.h"

class ZipArchive : public Archive {
public:
    explicit ZipArchive(const std::string& path);
    File* openFile(const std::string& name, int mode) override;
    Archive* openArchive(const std::string& name) override;   // always null: no nesting
    std::string getPath() override;

private:
    std::string mPath;
};
