#pragma once
// Fills the command templates of the external tools. The templates keep their printf
// form ("%s", "%c", "%d", "%%"), so that each reads as the command line it makes; the
// values are wide strings, characters and numbers, checked against the conversions.

#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

class TemplateValue {
 public:
  TemplateValue(std::wstring_view text) : value_(std::wstring(text)) {}
  TemplateValue(const std::wstring& text) : value_(text) {}
  TemplateValue(const wchar_t* text) : value_(std::wstring(text)) {}
  TemplateValue(wchar_t letter) : value_(letter) {}
  TemplateValue(int number) : value_(number) {}

  const std::variant<std::wstring, wchar_t, int>& value() const { return value_; }

 private:
  std::variant<std::wstring, wchar_t, int> value_;
};

// The template with its conversions replaced by the values, in order. A conversion
// without its value, a value of the wrong kind or a value left over is a mistake in the
// caller and throws std::invalid_argument.
std::wstring FillTemplate(std::wstring_view format, std::initializer_list<TemplateValue> values);
