#pragma once
// Case rules for the ASCII letters only. Extensions, keys and schemes compare this way whatever
// the user's locale: std::tolower follows the C locale, and under a Turkish one 'I' is no 'i'.

#include <string>
#include <string_view>

namespace vorlandite {

constexpr char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }
constexpr char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

constexpr bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    return true;
}

inline std::string ToAsciiLower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = AsciiLower(c);
    return out;
}

} // namespace vorlandite
