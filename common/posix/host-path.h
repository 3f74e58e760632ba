#pragma once

// Windows paths on a Linux host.
//
//   C:\...  is  $SORVENNA_PREFIX/drive_c/...   (default prefix $HOME/.sorvenna)
//   Z:\...  is  /...
//
// Both '\' and '/' separate folders and repeated separators count as one;
// "." and ".." are resolved as Windows resolves them, never above the
// drive's root. Letter case does not matter: a component that does not exist
// as written matches an existing entry that differs only in the case of A to
// Z. A path of 260 bytes or more, a relative path, another drive, or a
// component with a byte Windows refuses in names has no host path.

#include <optional>
#include <string>

namespace sorvenna {

// The prefix folder, with drive_c made when missing; empty when there is no
// home folder to put it in.
std::string PrefixFolder();

// The host path of a Windows path, or nothing when it has none.
std::optional<std::string> HostPathOf(const char* windowsPath);

// The host path with every component as written, without looking up letter
// case: what HostPathOf gives whenever that path exists. File calls try it
// first and look letter case up only when it names nothing.
std::optional<std::string> HostPathAsWrittenOf(const char* windowsPath);

// The Windows path of an absolute host path: C:\... inside drive_c, Z:\... elsewhere.
std::string WindowsPathOf(const std::string& hostPath);

}  // namespace sorvenna
