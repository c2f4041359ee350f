#include "testinstall.h"

#include "reg.h"

TivKeyForTest::TivKeyForTest()
{
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, REG_TIV_KEY, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_hKey, nullptr) !=
        ERROR_SUCCESS) {
        m_hKey = nullptr;
        return;
    }
    for (auto& s : m_saved) {
        DWORD cb = sizeof(s.value) - 1;
        s.had = RegQueryValueExA(m_hKey, s.name, nullptr, nullptr, reinterpret_cast<BYTE*>(s.value), &cb) ==
                ERROR_SUCCESS;
    }
}

TivKeyForTest::~TivKeyForTest()
{
    if (m_hKey == nullptr) return;
    for (auto& s : m_saved) {
        if (s.had) REG_SetString(m_hKey, s.name, s.value);
        else RegDeleteValueA(m_hKey, s.name);
    }
    RegCloseKey(m_hKey);
}

void TivKeyForTest::Set(const char* pName, const std::string& value)
{
    if (m_hKey != nullptr) REG_SetString(m_hKey, pName, value.c_str());
}

void TivKeyForTest::Remove(const char* pName)
{
    if (m_hKey != nullptr) RegDeleteValueA(m_hKey, pName);
}
