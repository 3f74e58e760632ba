#pragma once

// Our own reader of profile (ini) files, for platforms that have none. It
// reads a file written by hand as the Windows profile reader does:
//
// - "[name]" starts a section; blanks around the name are ignored, and so is
//   whatever follows the "]". A line starting with "[" but without "]" is
//   neither a section nor a key.
// - "key = value" is a key of the section above; a line without "=" is no
//   key. Text before the first section belongs to no section.
// - Section and key names match without regard to the case of A to Z, and
//   blanks around the names asked for are ignored too.
// - A value loses its leading and trailing blanks (space, tab, vertical
//   tab), then one pair of matching outer quotes ("..." or '...').
// - A line whose first non-blank character is ";" is a comment; there are no
//   comments after a value, and "#" is no comment mark.
// - Only the first section of the name is searched, and the first key of
//   the name in it wins.
// - CR LF, LF and CR alone each end a line.
// - A file that starts with the UTF-16LE byte-order mark is UTF-16 text; it
//   is read as code page 1252, where characters that page lacks become "?".
//   No other byte-order mark is recognised.
//
// The file is streamed: at most MaxKeptLineBytes of a line are kept, the
// rest of a longer line is skipped, so neither a huge file nor an endless
// line nor binary data can make the reader grow without bound.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace sorvenna {

// Reads up to size bytes of the file into buffer: the count, 0 at the end
// of the file, negative on failure (which ends the file there).
using ProfileBytes = std::function<std::int64_t(char* buffer, std::size_t size)>;

inline constexpr std::size_t MaxKeptLineBytes = std::size_t{64} * 1024;

// The value of key in the first section named section, or nothing when the
// section or the key is missing.
std::optional<std::string> FindProfileValue(const ProfileBytes& read, std::string_view section, std::string_view key);

// Copies value, or the default when there is none, into buffer as the
// Windows reader does: a null default counts as empty and loses its
// trailing spaces; a text that does not fit is cut to size - 1 bytes. The
// bytes copied, without the NUL. Size 0 leaves the buffer alone; a null
// buffer receives nothing.
std::uint32_t CopyProfileString(const std::optional<std::string>& value, const char* defaultValue, char* buffer,
                                std::uint32_t size);

}  // namespace sorvenna
