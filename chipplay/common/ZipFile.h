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

#include <memory>
#include <vector>

struct zlib_filefunc_def_s;

// The members of a zip as its central directory lists them, read once for
// an archive (ZipFile::readDirectory) and shared by the members it opens.
struct ZipDirectory {
    struct Entry {
        std::string name;                    // as stored (cut to 256 bytes, as minizip reads it)
        unsigned long positionInDirectory;   // minizip's unz_file_pos
        unsigned long number;
    };
    std::vector<Entry> entries;   // up to the first entry the reader could not read

    // The first entry whose whole name equals `name` with a-z and A-Z taken
    // as one (the lookup of unzLocateFile with case-sensitivity 2); null
    // when none does.
    const Entry* find(const std::string& name) const;
};

class ZipFile : public File {
public:
    // Takes ownership of the archive file. With a directory, open() finds
    // the member there instead of reading the zip's directory again.
    explicit ZipFile(File* archiveFile, std::shared_ptr<const ZipDirectory> directory = nullptr);
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

    // Lists the members of the zip on `archiveFile` (not taken); null when it
    // is no zip.
    static std::shared_ptr<ZipDirectory> readDirectory(File* archiveFile);

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
    std::shared_ptr<const ZipDirectory> mDirectory;
};
