#include "teststore.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "cmnutil.h"
#include "contentslist.h"
#include "md5.h"
#include "reg.h"
#include "testdir.h"

std::string Md5(const std::string& s)
{
    char hex[33];
    MD5_StringToHex(s.c_str(), hex);
    return hex;
}

void WriteStore(const std::string& path, const std::string& id, const std::string& pw, const StoreContents& contents)
{
    CfhIf h;
    std::memset(&h, 0, sizeof(h));
    std::memcpy(h.strMagic, "2xpU", 4);
    std::strcpy(h.strUserId, id.c_str());
    std::strcpy(h.strPassword, pw.c_str());
    std::strcpy(h.strLastUpdate, "20261201");
    h.lCount = contents.nRecords;
    std::string plain(reinterpret_cast<const char*>(&h), sizeof(h));
    for (int i = 0; i < contents.nRecords; i++) {
        ContIf c;
        std::memset(&c, 0, sizeof(c));
        std::memcpy(c.strCode, "tiv", 3);
        std::snprintf(c.strContentsId, sizeof(c.strContentsId), "C%04d", i);
        if (i < static_cast<int>(contents.titles.size())) {
            std::snprintf(c.strProductName, sizeof(c.strProductName), "%s", contents.titles[i].c_str());
            std::memcpy(c.strStartDate, "20200101", 9);
            std::memcpy(c.strEndDate, "20991231", 9);
        } else {
            std::snprintf(c.strProductName, sizeof(c.strProductName), "%s", contents.strName.c_str());
        }
        if (i < static_cast<int>(contents.captures.size()))
            std::snprintf(c.strGameCapturePath, sizeof(c.strGameCapturePath), "%s", contents.captures[i].c_str());
        c.type = contents.nType;
        plain.append(reinterpret_cast<const char*>(&c), sizeof(c));
    }
    std::vector<char> out(plain.size() + 1);
    int n = 0;
    ASSERT_EQ(CMNUTIL_Encode(plain.data(), static_cast<int>(plain.size()), CMNUTIL_KEY, out.data(), &n,
                             static_cast<int>(out.size())), 1);
    WriteAll(path, std::string(out.data(), n));
}

std::string StoreUser(const std::string& path)
{
    std::string raw = ReadAll(path);
    if (raw.size() < sizeof(CfhIf) + 1) return "(no store)";
    std::vector<char> plain(raw.size());
    int n = 0;
    if (!CMNUTIL_Decode(raw.data(), static_cast<int>(raw.size()), CMNUTIL_KEY, plain.data(), &n)) return "(damaged)";
    CfhIf h;
    std::memcpy(&h, plain.data(), sizeof(h));
    return std::string(h.strUserId) + "/" + h.strPassword + "/" + std::string(h.strMagic, 4);
}

void InstallValues::Set(const std::string& app, const std::string& cnt, const std::string& skin)
{
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, REG_TIV_KEY, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_hKey,
                              nullptr), ERROR_SUCCESS);
    for (auto& s : m_saved) {
        DWORD cb = sizeof(s.value);
        s.had = RegQueryValueExA(m_hKey, s.name, nullptr, nullptr, (BYTE*)s.value, &cb) == ERROR_SUCCESS;
    }
    REG_SetString(m_hKey, "apppath", app.c_str());
    REG_SetString(m_hKey, "cntpath", cnt.c_str());
    REG_SetString(m_hKey, "skin", skin.c_str());
}

InstallValues::~InstallValues()
{
    if (m_hKey == nullptr) return;
    for (auto& s : m_saved) {
        if (s.had) REG_SetString(m_hKey, s.name, s.value);
        else RegDeleteValueA(m_hKey, s.name);
    }
    RegCloseKey(m_hKey);
}
