#pragma once
// UTF-16 text of the records, as the UTF-8 the library works in.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace xldl {

std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view text);
// The string in a record field of `capacity` units, or nothing when it has no
// terminating zero inside the field.
std::optional<std::u16string> FieldText(const char16_t* field, size_t capacity);
// Copies `text` into a field with its terminating zero; false (and the field left
// empty) when it does not fit.
bool SetFieldText(char16_t* field, size_t capacity, std::u16string_view text);

}  // namespace xldl
