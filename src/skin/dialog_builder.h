#pragma once
// Builds a control tree from a skin XML file: the <Window> element sets the window's size
// and caption band, <Font> elements declare the fonts, and the first control element is
// the root. Element names are control classes ("Button", "VerticalLayout", ...); names the
// library does not know are offered to the window's callback.

#include <string>

#include "skin/control.h"

namespace DuiLib {

class CPaintManagerUI;

class IDialogBuilderCallback {
 public:
  virtual ~IDialogBuilderCallback() = default;
  virtual CControlUI* CreateControl(LPCTSTR className) = 0;
};

class CDialogBuilder {
 public:
  // The skin file is read relative to the resource path. Null when it cannot be read or
  // parsed; the reason is kept in GetLastError.
  CControlUI* Create(const CDuiString& skinFile, IDialogBuilderCallback* callback, CPaintManagerUI* manager);
  CControlUI* CreateFromText(const std::string& xml, IDialogBuilderCallback* callback, CPaintManagerUI* manager);
  const std::string& GetLastError() const { return error_; }

 private:
  std::string error_;
};

// A control of one of the library's classes by its skin element name, or null.
CControlUI* CreateBuiltinControl(const CDuiString& className);

}  // namespace DuiLib
