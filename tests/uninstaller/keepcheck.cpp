// keepcheck [-skin <name>] <relative path>...: prints "keep <path>" or
// "delete <path>" for each path below an application folder, as the
// uninstaller decides with the registry's skin name.
#include <cstdio>
#include <cstring>

#include "uninstpath.h"

int main(int argc, char** argv)
{
    int i = 1;
    const char* pSkin = nullptr;
    if (argc > 2 && std::strcmp(argv[1], "-skin") == 0) {
        pSkin = argv[2];
        i = 3;
    }
    if (i >= argc) return 2;
    for (; i < argc; i++) {
        std::printf("%s %s\n", UNINST_IsDeletable(argv[i], pSkin) ? "delete" : "keep", argv[i]);
    }
    return 0;
}
