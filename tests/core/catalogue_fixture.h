// Helpers for the catalogue tests: a clean catalogue per test and records
// made field by field.
#pragma once

#include <cstdlib>
#include <cstring>
#include <string>

#include "contentslist.h"
#include "refstore.h"

inline void ResetCatalogue()
{
    std::free(g_pContIf);
    std::free(g_pContTmpIf);
    g_pContIf = nullptr;
    g_pContTmpIf = nullptr;
    g_nContCnt = 0;
    g_nContTmpCnt = 0;
    std::memset(g_strLastUpdate, 0, sizeof(g_strLastUpdate));
}

// A record from the independent byte layout, as a ContIf.
inline ContIf ToCont(const ref::Record& r)
{
    ContIf c;
    std::memcpy(&c, r.b.data(), sizeof(c));
    return c;
}

// Replaces the catalogue (or the previous list) with copies of the records.
template <size_t N>
inline void SetRecords(ContIf*& pArray, int& nCnt, const ContIf (&recs)[N])
{
    std::free(pArray);
    pArray = static_cast<ContIf*>(std::malloc(sizeof(ContIf) * N));
    std::memcpy(pArray, recs, sizeof(ContIf) * N);
    nCnt = static_cast<int>(N);
}

inline std::string Field(const char* p) { return p != nullptr ? std::string(p) : std::string("(null)"); }
