#include "app/system_drive.h"

#include <boost/algorithm/string/trim.hpp>
#include <string>

#include "platform/platform.h"

wchar_t SystemDirectoryDrive() {
  std::wstring directory = platform::Current().system().SystemDirectory();
  if (directory.size() >= 260) directory.resize(259);  // GetSystemDirectoryW's buffer
  boost::algorithm::trim(directory);
  return directory.empty() ? 0 : directory[0];
}
