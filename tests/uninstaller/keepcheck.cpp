// keepcheck <relative path>...: prints "keep <path>" or "delete <path>" for
// each path below an application folder, as the uninstaller decides.
#include <cstdio>

#include "uninstpath.h"

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; i++) {
        std::printf("%s %s\n", UNINST_IsDeletable(argv[i]) ? "delete" : "keep", argv[i]);
    }
    return argc > 1 ? 0 : 2;
}
