#pragma once

#include <string_view>

namespace sorvenna {

// Whether name matches a Windows wildcard pattern, without regard to the
// letter case of A to Z. "*" matches any run of characters, "?" one
// character or none at the end of the name or before a dot, and a pattern
// that ends in ".*" also matches where the name has nothing left, so that
// "*.*" matches names without a dot.
bool MatchesWildcard(std::string_view pattern, std::string_view name);

}  // namespace sorvenna
