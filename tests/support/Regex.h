#pragma once

// <regex> for tests. GCC 12 with the sanitizers warns inside the library's own
// std::function moves (-Wmaybe-uninitialized, a false positive in its code,
// not ours); the warning is silenced for the header's lines only.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <regex>
#pragma GCC diagnostic pop
