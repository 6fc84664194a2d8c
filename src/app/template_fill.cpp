#include "app/template_fill.h"

#include <stdexcept>

namespace {

[[noreturn]] void Mismatch(const std::string& what, size_t index) {
  throw std::invalid_argument("command template: " + what + " at value " + std::to_string(index + 1));
}

}  // namespace

std::wstring FillTemplate(std::wstring_view format, std::initializer_list<TemplateValue> values) {
  std::wstring out;
  auto next = values.begin();
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != L'%') {
      out += format[i];
      continue;
    }
    if (++i == format.size()) throw std::invalid_argument("command template ends in '%'");
    const wchar_t conversion = format[i];
    if (conversion == L'%') {
      out += L'%';
      continue;
    }
    const size_t index = static_cast<size_t>(next - values.begin());
    if (next == values.end()) Mismatch("no value", index);
    const auto& value = (next++)->value();
    if (conversion == L's' && std::holds_alternative<std::wstring>(value)) {
      out += std::get<std::wstring>(value);
    } else if (conversion == L'c' && std::holds_alternative<wchar_t>(value)) {
      out += std::get<wchar_t>(value);
    } else if (conversion == L'd' && std::holds_alternative<int>(value)) {
      out += std::to_wstring(std::get<int>(value));
    } else {
      Mismatch(std::string("a value that does not fit '%") + static_cast<char>(conversion) + "'", index);
    }
  }
  if (next != values.end()) Mismatch("a value left over", static_cast<size_t>(next - values.begin()));
  return out;
}
