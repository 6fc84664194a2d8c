#include "skin/dialog_builder.h"

#include <pugixml.hpp>

#include <functional>
#include <map>

#include "platform/codepage.h"
#include "skin/attributes.h"
#include "skin/button.h"
#include "skin/container.h"
#include "skin/gif_anim.h"
#include "skin/label.h"
#include "skin/layouts.h"
#include "skin/list.h"
#include "skin/option.h"
#include "skin/paint_manager.h"
#include "skin/progress.h"
#include "skin/resources.h"
#include "skin/web_browser.h"

namespace DuiLib {
namespace {

// Real skins nest a dozen levels; the bound keeps building, laying out and painting a
// tree (all recursive) far from the end of the stack.
constexpr int kMaxSkinDepth = 256;
constexpr int kMaxFontPixels = 500;

CDuiString Wide(const char* utf8) { return platform::Utf8ToWide(utf8); }

// A number attribute of an element through the skins' one number reader; `fallback`
// when the element lacks it.
int NumberAttribute(const pugi::xml_node& node, const char* name, int fallback, int lo, int hi) {
  pugi::xml_attribute attr = node.attribute(name);
  return attr ? ParseInt(Wide(attr.value()), lo, hi) : fallback;
}

void ReadFont(const pugi::xml_node& node, CPaintManagerUI* manager) {
  FontSpec font;
  font.family = Wide(node.attribute("name").as_string("微软雅黑"));
  font.pixelSize = NumberAttribute(node, "size", 12, 1, kMaxFontPixels);
  font.bold = ParseBool(Wide(node.attribute("bold").as_string()));
  font.underline = ParseBool(Wide(node.attribute("underline").as_string()));
  font.italic = ParseBool(Wide(node.attribute("italic").as_string()));
  manager->AddFont(NumberAttribute(node, "id", 0, 0, kSkinNumberLimit), font,
                   ParseBool(Wide(node.attribute("default").as_string())));
}

// Builds the control of `node` and its children, `depth` levels below the window. Null
// with `error` set when the controls nest deeper than the library builds; null without
// an error for a class nobody knows (the element is skipped).
CControlUI* BuildControl(const pugi::xml_node& node, IDialogBuilderCallback* callback, int depth, std::string& error) {
  if (depth > kMaxSkinDepth) {
    error = "skin nests controls deeper than " + std::to_string(kMaxSkinDepth) + " levels (element <" +
            node.name() + "> at byte " + std::to_string(node.offset_debug()) + ")";
    return nullptr;
  }
  CDuiString className = Wide(node.name());
  CControlUI* control = CreateBuiltinControl(className);
  if (!control && callback) control = callback->CreateControl(className.c_str());
  if (!control) return nullptr;
  for (const pugi::xml_attribute& attr : node.attributes()) {
    control->SetAttribute(Wide(attr.name()).c_str(), Wide(attr.value()).c_str());
  }
  auto* container = static_cast<CContainerUI*>(control->GetInterface(L"Container"));
  for (const pugi::xml_node& child : node.children()) {
    if (child.type() != pugi::node_element) continue;
    CControlUI* built = BuildControl(child, callback, depth + 1, error);
    if (!error.empty()) {
      delete control;
      return nullptr;
    }
    if (built && container) {
      container->Add(built);
    } else {
      delete built;
    }
  }
  return control;
}

}  // namespace

CControlUI* CreateBuiltinControl(const CDuiString& className) {
  static const std::map<CDuiString, std::function<CControlUI*()>> factories = {
      {L"Control", [] { return new CControlUI; }},
      {L"Label", [] { return new CLabelUI; }},
      {L"Text", [] { return new CTextUI; }},
      {L"Button", [] { return new CButtonUI; }},
      {L"Option", [] { return new COptionUI; }},
      {L"Progress", [] { return new CProgressUI; }},
      {L"GifAnim", [] { return new CGifAnimUI; }},
      {L"Container", [] { return new CContainerUI; }},
      {L"HorizontalLayout", [] { return new CHorizontalLayoutUI; }},
      {L"VerticalLayout", [] { return new CVerticalLayoutUI; }},
      {L"TabLayout", [] { return new CTabLayoutUI; }},
      {L"List", [] { return new CListUI; }},
      {L"ListContainerElement", [] { return new CListContainerElementUI; }},
      {L"WebBrowser", [] { return new CWebBrowserUI; }},
  };
  auto it = factories.find(className);
  return it == factories.end() ? nullptr : it->second();
}

CControlUI* CDialogBuilder::Create(const CDuiString& skinFile, IDialogBuilderCallback* callback,
                                   CPaintManagerUI* manager) {
  auto bytes = ReadResourceFile(skinFile);
  if (!bytes) {
    error_ = "cannot read skin file " + platform::WideToUtf8(ResourceFilePath(skinFile));
    return nullptr;
  }
  CControlUI* root = CreateFromText(*bytes, callback, manager);
  if (!root) error_ = platform::WideToUtf8(ResourceFilePath(skinFile)) + ": " + error_;
  return root;
}

CControlUI* CDialogBuilder::CreateFromText(const std::string& xml, IDialogBuilderCallback* callback,
                                           CPaintManagerUI* manager) {
  pugi::xml_document doc;
  pugi::xml_parse_result parsed = doc.load_buffer(xml.data(), xml.size(), pugi::parse_default, pugi::encoding_utf8);
  if (!parsed) {
    error_ = std::string("skin is not XML: ") + parsed.description();
    return nullptr;
  }
  pugi::xml_node window = doc.child("Window");
  if (!window) {
    error_ = "skin has no Window element";
    return nullptr;
  }
  if (manager) {
    if (auto size = window.attribute("size")) manager->SetInitSize(ParseSize(Wide(size.value())));
    if (auto caption = window.attribute("caption")) manager->SetCaptionRect(ParseRect(Wide(caption.value())));
  }
  error_.clear();
  CControlUI* root = nullptr;
  for (const pugi::xml_node& node : window.children()) {
    if (node.type() != pugi::node_element) continue;
    if (std::string(node.name()) == "Font") {
      if (manager) ReadFont(node, manager);
    } else if (!root) {
      root = BuildControl(node, callback, 1, error_);
      if (!error_.empty()) return nullptr;
    }
  }
  if (!root) error_ = "skin has no control";
  return root;
}

}  // namespace DuiLib
