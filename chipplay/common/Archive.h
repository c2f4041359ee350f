// Archive: a data source that hands out Files by name: a folder on disk or a
// zip file. The caller owns and deletes every File and Archive it is given.
//
//   Archive* a = System::openArchive("music.kzd");
//   File* f = a ? a->openFile("config.txt", File::MODE_READ) : nullptr;
#pragma once

#include "Object.h"

#include <string>

class File;

class Archive : public virtual Object {
public:
    virtual File* openFile(const std::string& name, int mode) = 0;
    virtual Archive* openArchive(const std::string& name) = 0;   // a source inside this one, or null
    virtual std::string getPath() = 0;
};
