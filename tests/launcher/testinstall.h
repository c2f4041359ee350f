// The installer's registry values (HKLM "SOFTWARE\tiv": apppath, cntpath,
// skin) for one end-to-end test: set while the object lives, put back as
// they were when it goes. Tests that use it take LOCK registry.
#pragma once

#include <windows.h>

#include <string>

class TivKeyForTest {
public:
    TivKeyForTest();
    ~TivKeyForTest();
    TivKeyForTest(const TivKeyForTest&) = delete;
    TivKeyForTest& operator=(const TivKeyForTest&) = delete;

    bool ok() const { return m_hKey != nullptr; }
    void Set(const char* pName, const std::string& value);
    void Remove(const char* pName);

private:
    struct Saved { const char* name; bool had; char value[1024]; };
    HKEY  m_hKey = nullptr;
    Saved m_saved[3] = { { "apppath", false, "" }, { "cntpath", false, "" }, { "skin", false, "" } };
};
