#include "app/protected_file.h"

#include "app/run_hidden.h"
#include "app/template_fill.h"

void DeleteProtectedFile(const std::wstring& path) {
  RunHidden(L"cmd.exe", FillTemplate(L"/c attrib -s -r -h \"%s\"", {path}), std::nullopt, true);
  RunHidden(L"cmd.exe", FillTemplate(L"/c del /q \"%s\"", {path}), std::nullopt, true);
}
