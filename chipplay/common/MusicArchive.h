// The data source of a title's music: the folder name with ".kzd" (the
// player's own zip extension), else with ".zip", else the folder itself.
// Null when none exists; the caller reports it and owns what it is given.
//
//   Archive* a = OpenMusicArchive(folder);
#pragma once

#include <string>

class Archive;

Archive* OpenMusicArchive(const std::string& folder);
