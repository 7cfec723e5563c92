# Settings both mingw-w64 cross builds share; the toolchain file of each build
# sets the processor and the triple first. The -posix compilers are required:
# their libstdc++ has std::mutex and std::thread.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${VANTRIX_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VANTRIX_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VANTRIX_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VANTRIX_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Everything the runtime needs is linked in, so the executables import only
# Windows' own DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Release programs carry no symbol tables.
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")
