#include "app/pe_component.h"

#include <mutex>

namespace {

constexpr size_t kMaxPathChars = 259;
constexpr size_t kMaxLabelChars = 63;

struct PeComponent {
  std::mutex lock;
  std::wstring isoPath;
  std::wstring wimPath;
  std::wstring label = L"PRLM-10PE-1.0";
};

PeComponent& Component() {
  static PeComponent component;
  return component;
}

}  // namespace

bool SetPeComponentPaths(const std::wstring& componentPath) {
  PeComponent& c = Component();
  std::lock_guard guard(c.lock);
  c.isoPath.clear();
  c.wimPath.clear();
  if (componentPath.empty() || componentPath.size() > kMaxPathChars) return false;
  c.isoPath = componentPath;
  const size_t slash = componentPath.rfind(L'\\');
  c.wimPath = (slash == std::wstring::npos ? L"" : componentPath.substr(0, slash + 1)) + L"WEPE64.WIM";
  return true;
}

std::wstring peIsoPath() {
  PeComponent& c = Component();
  std::lock_guard guard(c.lock);
  return c.isoPath;
}

std::wstring peWimPath() {
  PeComponent& c = Component();
  std::lock_guard guard(c.lock);
  return c.wimPath;
}

std::wstring peLabel() {
  PeComponent& c = Component();
  std::lock_guard guard(c.lock);
  return c.label;
}

void SetPeLabel(const std::wstring& label) {
  PeComponent& c = Component();
  std::lock_guard guard(c.lock);
  c.label = label.substr(0, kMaxLabelChars);
}
