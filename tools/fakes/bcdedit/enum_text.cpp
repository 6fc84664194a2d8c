#include "fakes/bcdedit/enum_text.h"

#include <algorithm>
#include <vector>

#include "fakes/bcdedit/element_rules.h"

namespace fakes {
namespace {

constexpr size_t kValueColumn = 24;

void Line(std::string& text, const std::string& name, const std::string& value) {
  text += name;
  text.append(name.size() < kValueColumn ? kValueColumn - name.size() : 1, ' ');
  text += value + "\n";
}

void Block(std::string& text, const BootStore& store, const std::string& id, const BootObject& object) {
  std::string heading = KindHeading(object.type);
  text += heading + "\n" + std::string(heading.size(), '-') + "\n";
  Line(text, "identifier", id);
  if (!object.description.empty()) Line(text, "description", object.description);
  if (object.type == kBootManager) {
    if (!store.defaultEntry.empty()) Line(text, "default", store.defaultEntry);
    for (size_t i = 0; i < store.displayOrder.size(); ++i) {
      Line(text, i == 0 ? "displayorder" : "", store.displayOrder[i]);
    }
  }
  // Known elements in their order, then any others a profile gave, by name.
  const auto& known = KnownElements();
  for (const std::string& name : known) {
    auto found = object.elements.find(name);
    if (found != object.elements.end()) Line(text, name, found->second);
  }
  for (const auto& [name, value] : object.elements) {
    if (std::find(known.begin(), known.end(), name) == known.end()) Line(text, name, value);
  }
}

}  // namespace

std::string EnumText(const BootStore& store) {
  // The boot manager, the entries of the display order, then the others by identifier.
  std::vector<std::string> order{"{bootmgr}"};
  for (const std::string& id : store.displayOrder) {
    if (store.objects.count(id) == 1 && std::find(order.begin(), order.end(), id) == order.end()) order.push_back(id);
  }
  for (const auto& entry : store.objects) {
    if (std::find(order.begin(), order.end(), entry.first) == order.end()) order.push_back(entry.first);
  }
  std::string text;
  for (const std::string& id : order) {
    if (!text.empty()) text += "\n";
    Block(text, store, id, store.objects.at(id));
  }
  return text;
}

}  // namespace fakes
