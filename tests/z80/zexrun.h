// Runs one of the instruction exercisers (zexdoc, zexall) on the CP/M
// machine and splits its report into groups.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "CpmMachine.h"

struct ZexGroup {
    std::string name;     // as printed, without the dots
    bool ok;
    std::string detail;   // "ERROR **** crc expected:... found:..." when not ok
};

struct ZexRun {
    bool loaded = false;
    std::string error;
    std::string output;
    CpmMachine::Result result = { CpmMachine::kCycleLimit, 0 };
    std::vector<ZexGroup> groups;
};

inline void ZexSink(void* context, const char* text, size_t length)
{
    static_cast<std::string*>(context)->append(text, length);
}

// The exercisers live outside the tree; the build passes their folder.
inline std::string ZexPath(const char* file)
{
    return std::string(TIV_Z80_EXERCISERS) + "/" + file;
}

inline bool ZexPresent(const char* file)
{
    FILE* f = std::fopen(ZexPath(file).c_str(), "rb");
    if (f == nullptr) return false;
    std::fclose(f);
    return true;
}

inline ZexRun RunZex(const char* file)
{
    ZexRun run;
    static CpmMachine machine;   // 64 KiB: keep it off the stack
    run.loaded = machine.loadFile(ZexPath(file), &run.error);
    if (!run.loaded) return run;
    // zexdoc and zexall need about 52.5 billion cycles; twice that means a hang.
    run.result = machine.run(105000000000LL, ZexSink, &run.output);

    // Each group prints "<name>....  OK" or "<name>....  ERROR **** crc ...",
    // with CR LF around.
    size_t pos = 0;
    while (pos < run.output.size()) {
        size_t end = run.output.find('\n', pos);
        if (end == std::string::npos) end = run.output.size();
        std::string line = run.output.substr(pos, end - pos);
        pos = end + 1;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        while (!line.empty() && (line.front() == '\r' || line.front() == ' ')) line.erase(0, 1);
        const size_t dots = line.find("..");
        if (dots == std::string::npos) continue;
        ZexGroup g;
        g.name = line.substr(0, dots);
        const size_t text = line.find_first_not_of(". ", dots);
        g.detail = text == std::string::npos ? "" : line.substr(text);
        g.ok = g.detail == "OK";
        run.groups.push_back(g);
    }
    return run;
}
