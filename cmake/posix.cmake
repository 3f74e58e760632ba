# The Linux platform layer: Windows paths on a prefix folder, our own
# profile reader, directory search and spooler.
target_sources(sorvenna_core PRIVATE
    common/posix/host-path.cpp
    common/posix/files-posix.cpp
    common/posix/file-handle-posix.cpp
    common/posix/copy-posix.cpp
    common/posix/search-posix.cpp
    common/posix/profile-posix.cpp
    common/posix/process-posix.cpp
    common/posix/spooler-posix.cpp
    common/framework/dialog-posix.cpp
)

add_executable(Sorvenna common/framework/entry-posix.cpp)
target_link_libraries(Sorvenna PRIVATE sorvenna_core sorvenna_warnings)
