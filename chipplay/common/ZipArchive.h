// ZipArchive: a zip file as a data source. It holds the path and, from the
// first openFile on, the zip's directory, read once; each openFile opens the
// zip afresh with its own stream, so any number of members may be open at
// once. Streams are read a block at a time (BufferedFile): a directory that
// claims more than the file holds costs no more reads than a sound one. A
// file that is no zip is accepted here and fails at every openFile.
//
//   ZipArchive a("music.kzd");
//   File* f = a.openFile("config.txt", File::MODE_READ);   // null when absent
#pragma once

#include "Archive.h"

#include <memory>

struct ZipDirectory;

class ZipArchive : public Archive {
public:
    explicit ZipArchive(const std::string& path);
    File* openFile(const std::string& name, int mode) override;
    Archive* openArchive(const std::string& name) override;   // always null: no nesting
    std::string getPath() override;

private:
    std::string mPath;
    std::shared_ptr<const ZipDirectory> mDirectory;   // null until read
    bool mDirectoryRead;
};
