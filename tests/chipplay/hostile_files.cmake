# Completes the copy of the hostile music archives in the build folder with
# the files that are not kept in the tree: the assembled Z80 programs and
# the oversized files. A case asks for a file by naming it in its config.txt.
#   cmake -DDIR=<copy of hostile/> -DZ80=<folder of the assembled .bin> -P hostile_files.cmake
file(GLOB cases LIST_DIRECTORIES true "${DIR}/*")
# One byte more than the largest chunk a driver accepts (1 MB), all HALT
# (0x76) when loaded as code; and a sample larger than the 256 KB ADPCM RAM.
string(REPEAT "v" 1048577 big)
string(REPEAT "w" 300000 adpcm)
foreach(case ${cases})
  if(NOT IS_DIRECTORY "${case}")
    continue()
  endif()
  file(READ "${case}/config.txt" config HEX)
  foreach(prog pc88_song_loop pc88compat_host x1_song_loop x1compat_host x1_ctc_fast busy_opna busy_adpcm)
    string(HEX "${prog}.bin" name)
    string(FIND "${config}" "${name}" at)
    if(NOT at EQUAL -1)
      file(COPY "${Z80}/${prog}.bin" DESTINATION "${case}")
    endif()
  endforeach()
  string(HEX "big1m.bin" name)
  string(FIND "${config}" "${name}" at)
  if(NOT at EQUAL -1)
    file(WRITE "${case}/big1m.bin" "${big}")
  endif()
  string(HEX "adpcm300k.bin" name)
  string(FIND "${config}" "${name}" at)
  if(NOT at EQUAL -1)
    file(WRITE "${case}/adpcm300k.bin" "${adpcm}")
  endif()
endforeach()
