#include "app/global_param.h"
#include "app/log.h"
#include "app/payload_cipher.h"
#include "app/post_form.h"
#include "app/service_config.h"
#include "app/text_helpers.h"
#include "catalogue/catalogue.h"
#include "catalogue/json_object.h"
#include "platform/platform.h"

std::string CatalogueUrl() { return ServiceBase() + "/api/os-list"; }

CatalogueResult FetchCatalogue(const CatalogueMachine& machine, const std::wstring& channel, bool networkOk,
                               const PeEntry& previousPe, const std::function<bool()>& shouldStop) {
  platform::Files& files = platform::Current().files();
  const std::wstring cachePath = CGlobalParam::Instance()->cacheDir + L"os.json";

  std::string text;
  if (networkOk) {
    // The Base64 text goes into the form body as it is, without URL encoding.
    std::string body = "channel=" + EncryptString(WideToLocal(channel), kStatsKey);
    PostForm post;
    post.shouldStop = shouldStop;
    std::string response;
    if (post.Post(CatalogueUrl(), body, response) == 0) {
      text = DecryptString(response, kStatsKey);
      // A reply that is no catalogue (an error page, a wrong key) must not replace the
      // last good one, which runs without network fall back on.
      if (ParseJsonObject(text)) files.WriteFile(cachePath, text);
    }
  } else {
    text = files.ReadFile(cachePath).value_or("");
  }
  CatalogueResult result = ParseCatalogue(machine, text, previousPe);
  LogLine(WideToLocal(L"获取镜像列表!"));
  return result;
}
