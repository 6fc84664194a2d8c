#include "catalogue/decimal_text.h"

#include <sstream>

int64_t ParseDecimalText(const std::string& text) {
  std::istringstream in(text);
  int64_t value = 0;
  if (!(in >> value)) return 0;
  return value;
}
