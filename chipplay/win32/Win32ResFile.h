// Win32ResFile: a resource of a program module read as a File (the built-in
// skin description when skin\skin.txt is missing). The bytes stay the
// system's; the file only reads them.
//
//   Win32ResFile f;
//   if (f.open(GetModuleHandleA(nullptr), "skin.txt", "TEXT")) config.load(&f);
#pragma once

#include "File.h"

#include <windows.h>

class MemFile;

class Win32ResFile : public File {
public:
    Win32ResFile();
    ~Win32ResFile() override;

    bool open(HMODULE module, const std::string& name, const std::string& type);

    bool open(const std::string& path, int mode) override;   // always false: open by module, name, type
    bool close() override;
    int read(void* buffer, int count) override;
    int write(const void* buffer, int count) override;        // always 0
    bool seek(int offset, int origin) override;
    int tell() override;                                      // 0 when closed
    int size() override;                                      // 0 when closed
    const void* getBuffer() override;
    std::string getPath() override;                           // the resource name

private:
    std::string mName;
    std::string mType;
    MemFile* mFile;
};
