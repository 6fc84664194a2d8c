#include "app/program_folders.h"

#include "app/global_param.h"

std::wstring ProgramFolder() {
  std::wstring folder = CGlobalParam::Instance()->programDir;
  if (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  return folder;
}

std::wstring ToolFolder() { return ProgramFolder() + L"\\tool"; }
