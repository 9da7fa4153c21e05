#pragma once
#include <string>
#include <vector>

// The delimiter scanner used by the .b4s reader and the skin scripts.
// Searches are exact (case-sensitive). An empty delimiter never occurs.
namespace Tokens {

// Drops everything up to and including the first `open` (when `open` does not
// occur, drops the first open.size() - 1 characters instead), then cuts the
// rest at the first `close` (nothing is cut when `close` does not occur).
std::string TokenBetween(const std::string& text, const std::string& open, const std::string& close);

// Every non-empty TokenBetween while `open` still occurs, in order; after each
// token the scan moves on past the `close` that ended it. A token with no
// `close` after it runs to the end of the text and is the last one (the
// opens inside it would only repeat ever shorter tails of it). Linear in the
// text size.
std::vector<std::string> TokensBetween(const std::string& text, const std::string& open, const std::string& close);

} // namespace Tokens
