# Each subsystem folder holds portable files and thin Win32 files told apart
# by name: "x_win.cpp" uses the Windows API, every other .cpp is portable.
# Files ending in "_main_win.cpp" are program entries and belong to no library.
set(VANTRIX_SUBSYSTEMS app services fixers/assoc fixers/restrict fixers/advanced fixers/undo maintenance)
set(VANTRIX_PORTABLE_SOURCES)
set(VANTRIX_WIN_SOURCES)
foreach(dir IN LISTS VANTRIX_SUBSYSTEMS)
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp)
    foreach(source IN LISTS sources)
        if(source MATCHES "_main_win\\.cpp$")
            continue()
        elseif(source MATCHES "_win\\.cpp$")
            list(APPEND VANTRIX_WIN_SOURCES ${source})
        else()
            list(APPEND VANTRIX_PORTABLE_SOURCES ${source})
        endif()
    endforeach()
endforeach()
