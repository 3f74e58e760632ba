# The Windows platform layer: the real Win32 ANSI calls and the C runtime,
# and the window shell with its resources.
enable_language(RC)

target_sources(sorvenna_core PRIVATE
    common/win32/files-win32.cpp
    common/win32/file-handle-win32.cpp
    common/win32/search-win32.cpp
    common/win32/process-win32.cpp
    common/win32/profile-win32.cpp
    common/win32/spooler-win32.cpp
    common/win32/codepage-win32.cpp
    common/framework/dialog-win32.cpp
)
# The system's common controls and print spooler.
target_link_libraries(sorvenna_core PUBLIC comctl32 winspool)

# A Python that has the imaging library, for drawing the icon.
function(sorvenna_find_imaging_python result)
    find_program(candidate_on_path NAMES python3 NO_CACHE)
    find_program(candidate_of_system NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH NO_CACHE)
    foreach(candidate IN ITEMS ${candidate_on_path} ${candidate_of_system})
        execute_process(COMMAND ${candidate} -c "import PIL" RESULT_VARIABLE status OUTPUT_QUIET ERROR_QUIET)
        if(status EQUAL 0)
            set(${result} ${candidate} PARENT_SCOPE)
            return()
        endif()
    endforeach()
    message(FATAL_ERROR "The icon needs python3 with PIL (Debian package python3-pil).")
endfunction()
sorvenna_find_imaging_python(SORVENNA_IMAGING_PYTHON)

set(SORVENNA_ICON ${CMAKE_CURRENT_BINARY_DIR}/res/Sorvenna.ico)
add_custom_command(
    OUTPUT ${SORVENNA_ICON}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/res
    COMMAND ${SORVENNA_IMAGING_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/scripts/make-icon.py ${SORVENNA_ICON}
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/scripts/make-icon.py
    COMMENT "Drawing the icon"
    VERBATIM)
set_source_files_properties(res/Sorvenna.rc PROPERTIES
    OBJECT_DEPENDS "${SORVENNA_ICON};${CMAKE_CURRENT_SOURCE_DIR}/res/Sorvenna.manifest;${CMAKE_CURRENT_SOURCE_DIR}/res/resource.h")

# The resource script on its own: the compiler's warning options are not the
# resource compiler's. The icon is listed so that drawing it belongs to this target.
add_library(sorvenna_resources OBJECT res/Sorvenna.rc ${SORVENNA_ICON})
target_include_directories(sorvenna_resources PRIVATE res ${CMAKE_CURRENT_BINARY_DIR}/res)

add_executable(Sorvenna WIN32 common/framework/entry-win32.cpp $<TARGET_OBJECTS:sorvenna_resources>)
target_link_libraries(Sorvenna PRIVATE sorvenna_core sorvenna_warnings)
# The C++ runtime, libgcc and the threads library linked in, so that the
# agent needs only DLLs that come with Windows.
target_link_options(Sorvenna PRIVATE -static)

if(SORVENNA_TESTS)
    add_subdirectory(tests/wine)
endif()
