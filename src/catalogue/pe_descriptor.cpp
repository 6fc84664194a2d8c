#include "catalogue/pe_descriptor.h"

#include <json/json.h>

#include <memory>
#include <sstream>

#include "app/global_param.h"
#include "app/text_helpers.h"
#include "catalogue/decimal_text.h"
#include "catalogue/json_object.h"
#include "platform/platform.h"

namespace {

std::wstring DescriptorPath() { return CGlobalParam::Instance()->cacheDir + L"pe.json"; }

std::string TextOf(const Json::Value& root, const char* name) {
  const Json::Value& v = root[name];
  return v.isString() ? v.asString() : std::string();
}

// The descriptor names a file inside peDir; a name that reaches elsewhere (a path, "..")
// is not acted on.
bool IsPlainFileName(const std::wstring& name) {
  return !name.empty() && name != L"." && name != L".." && name.find_first_of(L"\\/:") == std::wstring::npos;
}

}  // namespace

bool SavePeDescriptor(const PeEntry& pe) {
  Json::Value root(Json::objectValue);
  root["nFileSize"] = std::to_string(pe.size);
  root["sFileName"] = WideToLocal(pe.fileName);
  root["sUrl"] = WideToLocal(pe.url);
  Json::StreamWriterBuilder builder;
  builder["indentation"] = "";
  builder["emitUTF8"] = true;  // the code page 936 bytes stand as they are, unescaped
  return platform::Current().files().WriteFile(DescriptorPath(), Json::writeString(builder, root) + "\n");
}

bool LoadPeDescriptor(PeEntry& pe) {
  auto text = platform::Current().files().ReadFile(DescriptorPath());
  return text && ReadPeDescriptor(*text, pe);
}

bool ReadPeDescriptor(const std::string& text, PeEntry& pe) {
  std::optional<Json::Value> root = ParseJsonObject(text);
  if (!root || root->empty()) return false;
  pe = PeEntry{};
  pe.fileName = LocalToWide(TextOf(*root, "sFileName"));
  pe.url = LocalToWide(TextOf(*root, "sUrl"));
  pe.size = ParseDecimalText(TextOf(*root, "nFileSize"));
  return true;
}

void ReconcilePeDescriptor(PeEntry& pe) {
  PeEntry cached;
  if (!LoadPeDescriptor(cached) || !IsPlainFileName(cached.fileName)) return;
  platform::Files& files = platform::Current().files();
  const std::wstring& peDir = CGlobalParam::Instance()->peDir;
  if (cached.size == pe.size) {
    if (cached.fileName != pe.fileName && files.FileExists(peDir + cached.fileName)) pe.fileName = cached.fileName;
    return;
  }
  files.RemoveFile(peDir + cached.fileName);
  files.RemoveFile(peDir + L"WEPE64.WIM");
}
