# Cross-compiles Корвель for 64-bit Windows with Debian's mingw-w64 (posix threads) against the
# Qt 6.4.2 and the libraries unpacked from the Windows build kit korvel-mingw.tar.xz.
# ./build.sh --windows unpacks the kit and passes this file; by hand:
#   tar -xJf korvel-mingw.tar.xz -C build-win/kit
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-toolchain.cmake \
#         -DKORVEL_MINGW_ROOT=$PWD/build-win/kit/korvel-mingw
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

if(NOT KORVEL_MINGW_ROOT)
  set(KORVEL_MINGW_ROOT "$ENV{KORVEL_MINGW_ROOT}")
endif()
if(NOT KORVEL_MINGW_ROOT OR NOT EXISTS "${KORVEL_MINGW_ROOT}/qt6/lib/cmake/Qt6")
  message(FATAL_ERROR "KORVEL_MINGW_ROOT must name the unpacked korvel-mingw folder (qt6/, deps/)")
endif()
# The toolchain file is read again for every try-compile: pass the root on.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES KORVEL_MINGW_ROOT)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 "${KORVEL_MINGW_ROOT}/qt6" "${KORVEL_MINGW_ROOT}/deps")
set(CMAKE_PREFIX_PATH "${KORVEL_MINGW_ROOT}/qt6;${KORVEL_MINGW_ROOT}/deps")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Qt's build tools (moc, rcc, uic) are the host's Qt 6.4.2 from Debian (qt6-base-dev-tools).
set(QT_HOST_PATH /usr)
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake)
# The host's rcc compresses with zstd, which this Qt was built without.
set(CMAKE_AUTORCC_OPTIONS --no-zstd)

set(ENV{PKG_CONFIG_LIBDIR} "${KORVEL_MINGW_ROOT}/deps/lib/pkgconfig:${KORVEL_MINGW_ROOT}/deps/share/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
