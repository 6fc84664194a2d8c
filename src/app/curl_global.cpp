#include "app/curl_global.h"

#include <curl/curl.h>

namespace {

struct CurlGlobal {
  CurlGlobal() { curl_global_init(CURL_GLOBAL_ALL); }
  ~CurlGlobal() { curl_global_cleanup(); }
};

}  // namespace

void EnsureCurlGlobalInit() { static const CurlGlobal global; }
