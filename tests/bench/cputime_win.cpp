#include "cputime.h"

#include <windows.h>

double ProcessCpuSeconds()
{
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
        return 0;
    const auto toSeconds = [](const FILETIME& f) {
        return (((unsigned long long)f.dwHighDateTime << 32) | f.dwLowDateTime) * 1e-7;
    };
    return toSeconds(kernel) + toSeconds(user);
}
