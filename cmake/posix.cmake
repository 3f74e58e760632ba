# The Linux platform layer: Windows paths on a prefix folder, our own
# profile reader, directory search and spooler.
target_sources(sorvenna_core PRIVATE
    common/posix/host-path.cpp
    common/posix/files-posix.cpp
    common/posix/file-handle-posix.cpp
    common/posix/copy-posix.cpp
    common/posix/search-posix.cpp
    common/posix/wildcard.cpp
    common/posix/profile-posix.cpp
    common/profile-reader.cpp
    common/posix/process-posix.cpp
    common/posix/spooler-cups.cpp
    common/posix/cups-queue.cpp
    common/posix/spooler-records.cpp
    common/posix/cups-spool-view.cpp
    common/framework/dialog-posix.cpp
)

# The spooler is CUPS: libcups from the system (libcups2-dev on Debian).
find_package(Cups REQUIRED)
target_link_libraries(sorvenna_core PUBLIC Cups::Cups)

add_executable(Sorvenna common/framework/entry-posix.cpp)
target_link_libraries(Sorvenna PRIVATE sorvenna_core sorvenna_warnings)
