#pragma once
// Payload text is 8-bit Windows-1252. These convert at the boundary to and from UTF-8.
// The five bytes that Windows-1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the
// C1 control characters of the same value, as the platform's own conversion does, so every
// byte string survives a round trip through UTF-8.

#include <optional>
#include <string>
#include <string_view>

namespace vorlandite {

std::string Cp1252ToUtf8(std::string_view bytes);

// nullopt when the text is not valid UTF-8 or holds a character Windows-1252 cannot carry.
std::optional<std::string> Utf8ToCp1252(std::string_view utf8);

} // namespace vorlandite
