// Zip archives for tests, written by minizip's zip side.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ZipMember {
    std::string name;
    std::string data;
    bool compressed;
};

// Writes the archive; true when minizip wrote every member.
bool MakeZip(const std::string& path, const std::vector<ZipMember>& members);

// Breaks the deflate stream of the archive's first member (its first block
// gets the reserved block type): its reads then fail.
bool DamageFirstMember(const std::string& path);

// Makes the archive's first member claim `size` bytes uncompressed, in its
// local header and in the central directory alike (the two agree, so the
// member still opens); its stored body stays as small as it was.
bool DeclareFirstMemberSize(const std::string& path, uint32_t size);
