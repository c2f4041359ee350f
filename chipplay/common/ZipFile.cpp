#include "ZipFile.h"

#include "Trace.h"

#include <minizip/unzip.h>

#include <new>
#include <utility>

namespace {

// minizip's file functions over a File (the opaque value).
voidpf ZipOpen(voidpf opaque, const char* filename, int mode)
{
    File* file = static_cast<File*>(opaque);
    if (file == nullptr) return nullptr;
    int fileMode = File::MODE_READ;
    if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ &&
        (mode & (ZLIB_FILEFUNC_MODE_EXISTING | ZLIB_FILEFUNC_MODE_CREATE)) != 0) {
        fileMode = File::MODE_WRITE;
    }
    if (filename != nullptr) file->open(filename, fileMode);
    return file;
}

uLong ZipRead(voidpf opaque, voidpf, void* buf, uLong size)
{
    File* file = static_cast<File*>(opaque);
    if (file == nullptr) return 0;
    int n = file->read(buf, static_cast<int>(size));
    return n > 0 ? static_cast<uLong>(n) : 0;
}

uLong ZipWrite(voidpf opaque, voidpf, const void* buf, uLong size)
{
    File* file = static_cast<File*>(opaque);
    if (file == nullptr) return 0;
    int n = file->write(buf, static_cast<int>(size));
    return n > 0 ? static_cast<uLong>(n) : 0;
}

long ZipTell(voidpf opaque, voidpf)
{
    File* file = static_cast<File*>(opaque);
    return file ? file->tell() : -1;
}

long ZipSeek(voidpf opaque, voidpf, uLong offset, int origin)
{
    File* file = static_cast<File*>(opaque);
    if (file == nullptr) return -1;
    int fileOrigin;
    switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET: fileOrigin = File::SEEK_FROM_START; break;
    case ZLIB_FILEFUNC_SEEK_CUR: fileOrigin = File::SEEK_FROM_CURRENT; break;
    case ZLIB_FILEFUNC_SEEK_END: fileOrigin = File::SEEK_FROM_END; break;
    default: return -1;
    }
    return file->seek(static_cast<int>(offset), fileOrigin) ? 0 : -1;
}

int ZipClose(voidpf opaque, voidpf)
{
    File* file = static_cast<File*>(opaque);
    if (file == nullptr) return -1;
    return file->close() ? 0 : -1;
}

int ZipError(voidpf, voidpf)
{
    return 0;
}

void FillIoTable(zlib_filefunc_def* table, File* file)
{
    table->zopen_file = ZipOpen;
    table->zread_file = ZipRead;
    table->zwrite_file = ZipWrite;
    table->ztell_file = ZipTell;
    table->zseek_file = ZipSeek;
    table->zclose_file = ZipClose;
    table->zerror_file = ZipError;
    table->opaque = file;
}

// minizip's name buffer (kMaxZipName inside unzip.c): unzLocateFile
// refuses longer names and reads stored names cut to it.
const int kMaxZipName = 256;

// minizip's comparison for case-sensitivity 2: only a-z fold, byte by byte,
// up to the first NUL.
bool SameNameIgnoringCase(const char* a, const char* b)
{
    for (;;) {
        char c1 = *a++;
        char c2 = *b++;
        if (c1 >= 'a' && c1 <= 'z') c1 = static_cast<char>(c1 - 0x20);
        if (c2 >= 'a' && c2 <= 'z') c2 = static_cast<char>(c2 - 0x20);
        if (c1 != c2) return false;
        if (c1 == 0) return true;
    }
}

}  // namespace

const ZipDirectory::Entry* ZipDirectory::find(const std::string& name) const
{
    // unzLocateFile refuses a name as long as its buffer.
    if (name.size() >= static_cast<size_t>(kMaxZipName)) return nullptr;
    for (const Entry& e : entries) {
        if (SameNameIgnoringCase(e.name.c_str(), name.c_str())) return &e;
    }
    return nullptr;
}

std::shared_ptr<ZipDirectory> ZipFile::readDirectory(File* archiveFile)
{
    if (archiveFile == nullptr) return nullptr;
    zlib_filefunc_def table;
    FillIoTable(&table, archiveFile);
    const std::string path = archiveFile->getPath();
    unzFile handle = unzOpen2(path.c_str(), &table);
    if (handle == nullptr) return nullptr;
    std::shared_ptr<ZipDirectory> directory = std::make_shared<ZipDirectory>();
    // The walk unzLocateFile makes, once: it stops at the first entry that
    // cannot be read, and so does every lookup.
    for (int err = unzGoToFirstFile(handle); err == UNZ_OK; err = unzGoToNextFile(handle)) {
        char name[kMaxZipName + 1];
        unz_file_info info;   // the 32-bit call fills it whether asked or not
        if (unzGetCurrentFileInfo(handle, &info, name, sizeof name - 1, nullptr, 0, nullptr, 0) != UNZ_OK) break;
        name[kMaxZipName] = 0;
        unz_file_pos pos;
        if (unzGetFilePos(handle, &pos) != UNZ_OK) break;
        directory->entries.push_back(ZipDirectory::Entry{name, pos.pos_in_zip_directory, pos.num_of_file});
    }
    unzClose(handle);
    return directory;
}

ZipFile::ZipFile(File* archiveFile, std::shared_ptr<const ZipDirectory> directory)
    : mArchiveFile(archiveFile),
      mIoTable(nullptr),
      mHandle(nullptr),
      mSize(0),
      mMemberOpen(false),
      mDirectory(std::move(directory))
{
    if (mArchiveFile != nullptr) mArchivePath = mArchiveFile->getPath();
}

ZipFile::~ZipFile()
{
    close();
    delete mIoTable;
    delete mArchiveFile;
}

bool ZipFile::open(const std::string& name, int)
{
    close();
    mName = name;

    do {
        if (mIoTable == nullptr) {
            mIoTable = new (std::nothrow) zlib_filefunc_def;
            if (mIoTable == nullptr) {
                Trace("[ZipFile]入出力ハンドラテーブルが生成できません\n");
                break;
            }
            FillIoTable(mIoTable, mArchiveFile);
        }
        mHandle = unzOpen2(mArchivePath.c_str(), mIoTable);
        if (mHandle == nullptr) {
            Trace("[ZipFile]アーカイブファイルが開けません\n");
            break;
        }
        bool found;
        if (mDirectory) {
            const ZipDirectory::Entry* entry = mDirectory->find(name);
            unz_file_pos pos = {entry ? entry->positionInDirectory : 0, entry ? entry->number : 0};
            found = entry != nullptr && unzGoToFilePos(mHandle, &pos) == UNZ_OK;
        } else {
            found = unzLocateFile(mHandle, name.c_str(), 2) == UNZ_OK;
        }
        if (!found) {
            Trace("[ZipFile]アーカイブ内にファイル(%s)が見つかりません\n", name.c_str());
            break;
        }
        if (unzOpenCurrentFile(mHandle) != UNZ_OK) {
            Trace("[ZipFile]アーカイブ内のファイル(%s)が開けません\n", name.c_str());
            break;
        }
        mMemberOpen = true;
        unz_file_info info;
        if (unzGetCurrentFileInfo(mHandle, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) {
            Trace("[ZipFile]アーカイブ内のファイル情報を取得できません\n");
            break;
        }
        mSize = static_cast<int>(info.uncompressed_size);
        return true;
    } while (false);

    Trace("[ZipFile]アーカイブ名: %s\n", mArchivePath.c_str());
    Trace("[ZipFile]ファイル名: %s\n", name.c_str());
    close();
    return false;
}

bool ZipFile::close()
{
    // A lookup that failed leaves a handle without an open member: it and the
    // archive file it holds open are closed all the same.
    if (mHandle != nullptr) {
        if (mMemberOpen) unzCloseCurrentFile(mHandle);
        unzClose(mHandle);
        mHandle = nullptr;
    }
    mMemberOpen = false;
    mSize = 0;
    mName.clear();
    return true;
}

int ZipFile::read(void* buffer, int count)
{
    if (!mMemberOpen || count <= 0) return 0;
    return unzReadCurrentFile(mHandle, buffer, static_cast<unsigned>(count));
}

int ZipFile::write(const void*, int)
{
    return 0;
}

bool ZipFile::seek(int, int)
{
    return false;
}

int ZipFile::tell()
{
    if (!mMemberOpen) return -1;
    return static_cast<int>(unztell(mHandle));
}

int ZipFile::size()
{
    return mMemberOpen ? mSize : -1;
}

const void* ZipFile::getBuffer()
{
    return nullptr;
}

std::string ZipFile::getPath()
{
    return mName;
}
