# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (package
# g++-mingw-w64-x86-64-posix). The posix flavour of the compiler is needed:
# the sound cues run on a std::thread. windres compiles the resources of
# paarix.exe (its manifest and version). scripts/cross-windows uses it:
#   cmake -S . -B build-mingw -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(PAARIX_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${PAARIX_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PAARIX_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${PAARIX_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${PAARIX_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Self-contained programs: the C++ runtime and winpthread are linked in, so the
# .exe files run without the compiler's DLLs beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Where wine is installed, CTest and gtest_discover_tests run the programs in it.
find_program(PAARIX_WINE NAMES wine wine64)
if(PAARIX_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${PAARIX_WINE})
endif()
