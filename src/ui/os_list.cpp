#include "ui/os_list.h"

COsListUI::COsListUI() { SetAttribute(L"header", L"hidden"); }

void* COsListUI::GetInterface(DuiLib::LPCTSTR name) {
  return std::wstring(name) == L"OsList" ? this : CListUI::GetInterface(name);
}
