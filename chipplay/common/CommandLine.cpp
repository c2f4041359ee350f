#include "CommandLine.h"

std::vector<std::string> SplitCommandLine(const char* line)
{
    std::vector<std::string> args;
    if (line == nullptr) return args;
    const char* p = line;
    for (;;) {
        while (*p == ' ' || *p == '\t') p++;
        if (*p == '\0') break;
        std::string arg;
        bool quoted = false;
        for (; *p != '\0'; p++) {
            if (*p == '"') {
                quoted = !quoted;
            } else if (!quoted && (*p == ' ' || *p == '\t')) {
                break;
            } else {
                arg += *p;
            }
        }
        args.push_back(arg);
    }
    return args;
}
