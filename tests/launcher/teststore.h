// Members' catalogue stores (REG.DAT) written and read by the launcher's
// end-to-end tests, scrambled as the launcher keeps them.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

std::string Md5(const std::string& s);   // the member's folder name of a user id

struct StoreContents {
    int nRecords = 0;                     // content ids C0000, C0001, ...
    std::vector<std::string> titles;      // a titled content is on sale (so every page shows it)
    std::vector<std::string> captures;    // capture paths
    std::string strName;                  // the product name of an untitled content
    int nType = 0;                        // every content's game state
};

// Fails the calling test when the store cannot be scrambled.
void WriteStore(const std::string& path, const std::string& id, const std::string& pw,
                const StoreContents& contents = StoreContents());
// "user/password/magic" of a store, "(no store)" or "(damaged)".
std::string StoreUser(const std::string& path);

// The installer's registry values (apppath, cntpath, skin of the launcher's
// key) pointed at a test's own installation for the test's life, then put
// back as they were.
class InstallValues {
public:
    InstallValues() = default;
    InstallValues(const InstallValues&) = delete;
    InstallValues& operator=(const InstallValues&) = delete;
    ~InstallValues();
    // Fails the calling test when the key cannot be opened.
    void Set(const std::string& app, const std::string& cnt, const std::string& skin = "skin.bin");

private:
    HKEY m_hKey = nullptr;
    struct Saved { const char* name; bool had; char value[1024]; } m_saved[3] = {
        { "apppath", false, "" }, { "cntpath", false, "" }, { "skin", false, "" } };
};
