// ZipFile: one member of a zip archive, decompressed by minizip as it is read
// (never held whole). It owns the File on the zip itself and gives minizip
// an I/O table over that File, so the zip can sit on any kind of File.
//
//   ZipFile* z = new ZipFile(System::openFile("music.kzd", 1));
//   if (z->open("Data/Song.bin", 1)) { int n = z->size(); z->read(buf, n); }
//   delete z;   // closes the member and deletes the archive's File
//
// Names are looked up case-insensitively against the whole stored name,
// folder part included, with the separators the zip stores. Members are
// read-only: write gives 0 and seek is always false.
#pragma once

#include "File.h"

struct zlib_filefunc_def_s;

class ZipFile : public File {
public:
    explicit ZipFile(File* archiveFile);   // takes ownership
    ~ZipFile() override;

    bool open(const std::string& name, int mode) override;
    bool close() override;
    int read(void* buffer, int count) override;   // negative for a damaged member
    int write(const void* buffer, int count) override;
    bool seek(int offset, int origin) override;
    int tell() override;
    int size() override;
    const void* getBuffer() override;
    std::string getPath() override;               // the member name

private:
    File* mArchiveFile;
    zlib_filefunc_def_s* mIoTable;
    std::string mName;
    void* mHandle;
    int mSize;
    // The archive's own path, taken when the object is made: closing the
    // archive File forgets its path, and a ZipFile may be opened again.
    std::string mArchivePath;
    bool mMemberOpen;
};
