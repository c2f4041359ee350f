// tivpack: makes and reads the service's packed files for the demo service
// and the tests, with the programs' own codec. Platform-free: it runs
// natively and, built for Windows, under Wine.
//
//   tivpack encode <in> <out>     <out> = the LZSS stream of <in> (.sbn, .smd)
//   tivpack decode <in> <out>     <out> = what the LZSS stream <in> holds
//
// Exit code 0 on success, 1 on a failure (said on stderr), 2 on a wrong
// command line. A damaged stream is still decoded as far as it goes.
#include <cstdio>
#include <cstring>

#include "slide.h"

namespace {

int Usage()
{
    std::fprintf(stderr, "usage: tivpack encode <in> <out> | decode <in> <out>\n");
    return 2;
}

int Code(bool bEncode, const char* pIn, const char* pOut)
{
    if (!SLIDE_OpenInFile(pIn)) {
        std::fprintf(stderr, "tivpack: cannot open %s\n", pIn);
        return 1;
    }
    if (!SLIDE_OpenOutFile(pOut)) {
        SLIDE_CloseInFile();
        std::fprintf(stderr, "tivpack: cannot create %s\n", pOut);
        return 1;
    }
    int ok = bEncode ? SLIDE_EncodeFile() : SLIDE_DecodeFile();
    SLIDE_CloseInFile();
    ok &= SLIDE_CloseOutFile();
    if (!ok) {
        if (bEncode)
            std::fprintf(stderr, "tivpack: encoding %s into %s failed (unreadable, too large, or not written)\n",
                         pIn, pOut);
        else
            std::fprintf(stderr, "tivpack: %s is not a whole LZSS stream, or %s could not be written "
                         "(what decoded is kept)\n", pIn, pOut);
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "encode") == 0) return Code(true, argv[2], argv[3]);
    if (argc == 4 && std::strcmp(argv[1], "decode") == 0) return Code(false, argv[2], argv[3]);
    return Usage();
}
