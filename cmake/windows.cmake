# The Windows build (cross-compiled with mingw-w64, see mingw-toolchain.cmake): the fonts the
# windows name travel with the program, every Windows executable runs here under Wine, and
# `cmake --install` lays out the program's folder that the installer and the portable .zip hold.

# A Windows machine has none of Debian's fonts: the windows' font (fonts-paratype) and the one
# the help pictures are drawn with (fonts-dejavu-core) are loaded from the program's fonts/
# folder at start-up, with their licences beside them.
set(KORVEL_WINDOWS_FONTS
    /usr/share/fonts/truetype/paratype/PTN57F.ttf /usr/share/fonts/truetype/paratype/PTN77F.ttf
    /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf /usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf)
foreach(font IN LISTS KORVEL_WINDOWS_FONTS)
  if(NOT EXISTS ${font})
    message(FATAL_ERROR "${font} is missing: ./deps.sh installs fonts-paratype and fonts-dejavu-core")
  endif()
endforeach()
set(KORVEL_FONTS_DIR ${CMAKE_BINARY_DIR}/fonts)
file(COPY ${KORVEL_WINDOWS_FONTS} DESTINATION ${KORVEL_FONTS_DIR})
configure_file(/usr/share/doc/fonts-paratype/copyright ${KORVEL_FONTS_DIR}/PT-Sans-license.txt COPYONLY)
configure_file(/usr/share/doc/fonts-dejavu-core/copyright ${KORVEL_FONTS_DIR}/DejaVu-license.txt COPYONLY)

# korvel_fonts_beside(target): the fonts in a fonts/ folder beside a program that opens windows.
function(korvel_fonts_beside target)
  add_custom_command(TARGET ${target} POST_BUILD VERBATIM
                     COMMAND ${CMAKE_COMMAND} -E copy_directory ${KORVEL_FONTS_DIR} $<TARGET_FILE_DIR:${target}>/fonts)
endfunction()

# The DLLs the executables load: Qt's, the libraries', and the compiler's runtime.
set(KORVEL_GCC_RUNTIME_DIR /usr/lib/gcc/x86_64-w64-mingw32/12-posix)
set(KORVEL_DLL_DIRS ${KORVEL_MINGW_ROOT}/qt6/bin ${KORVEL_MINGW_ROOT}/deps/bin ${KORVEL_GCC_RUNTIME_DIR}
                    /usr/x86_64-w64-mingw32/lib)

# Every Windows executable of the build (the tests, the tools the tests start, the test
# discovery) runs through wine-run: Wine in a prefix of this build, the DLL folders on its path.
set(KORVEL_WINE_PATH "")
foreach(dir IN LISTS KORVEL_DLL_DIRS)
  string(REPLACE "/" "\\" windir "Z:${dir}")
  string(APPEND KORVEL_WINE_PATH "${windir};")
endforeach()
configure_file(${CMAKE_SOURCE_DIR}/cmake/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)

# korvel_wine_shim(target VAR): VAR names a script that starts the target under wine-run, for test
# scripts that start the build's programs as Linux programs are started.
function(korvel_wine_shim target var)
  set(shim ${CMAKE_BINARY_DIR}/wine-shims/${target})
  get_property(made GLOBAL PROPERTY KORVEL_WINE_SHIMS)
  if(NOT target IN_LIST made)
    set_property(GLOBAL APPEND PROPERTY KORVEL_WINE_SHIMS ${target})
    file(GENERATE OUTPUT ${shim} CONTENT "#!/bin/sh\nexec '${CMAKE_CROSSCOMPILING_EMULATOR}' '$<TARGET_FILE:${target}>' \"$@\"\n"
         FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  endif()
  set(${var} ${shim} PARENT_SCOPE)
endfunction()
