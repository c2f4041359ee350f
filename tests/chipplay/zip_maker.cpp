#include "zip_maker.h"

#include "testdir.h"

#include <minizip/zip.h>

bool MakeZip(const std::string& path, const std::vector<ZipMember>& members)
{
    zipFile zf = zipOpen(path.c_str(), APPEND_STATUS_CREATE);
    if (zf == nullptr) return false;
    bool ok = true;
    for (const ZipMember& m : members) {
        zip_fileinfo info = {};
        ok = ok && zipOpenNewFileInZip(zf, m.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                       m.compressed ? Z_DEFLATED : 0, m.compressed ? 9 : 0) == ZIP_OK;
        ok = ok && zipWriteInFileInZip(zf, m.data.data(), static_cast<unsigned>(m.data.size())) == ZIP_OK;
        ok = ok && zipCloseFileInZip(zf) == ZIP_OK;
    }
    return zipClose(zf, nullptr) == ZIP_OK && ok;
}

bool DamageFirstMember(const std::string& path)
{
    std::string bytes = ReadAll(path);
    if (bytes.size() < 30 || bytes.compare(0, 4, "PK\x03\x04") != 0) return false;
    auto u16 = [&](size_t at) { return static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8; };
    size_t data = 30 + u16(26) + u16(28);
    if (data >= bytes.size()) return false;
    bytes[data] = 0x07;   // final block, block type 3: reserved, an error to inflate
    WriteAll(path, bytes);
    return true;
}

bool DeclareFirstMemberSize(const std::string& path, uint32_t size)
{
    std::string bytes = ReadAll(path);
    if (bytes.size() < 30 || bytes.compare(0, 4, "PK\x03\x04") != 0) return false;
    const size_t central = bytes.find("PK\x01\x02");
    if (central == std::string::npos || central + 46 > bytes.size()) return false;
    for (size_t at : {static_cast<size_t>(22), central + 24}) {
        for (int i = 0; i < 4; i++) bytes[at + static_cast<size_t>(i)] = static_cast<char>(size >> (8 * i));
    }
    WriteAll(path, bytes);
    return true;
}
