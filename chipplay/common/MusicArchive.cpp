#include "MusicArchive.h"

#include "System.h"

Archive* OpenMusicArchive(const std::string& folder)
{
    if (Archive* a = System::openArchive(folder + ".kzd")) return a;
    if (Archive* a = System::openArchive(folder + ".zip")) return a;
    return System::openArchive(folder);
}
