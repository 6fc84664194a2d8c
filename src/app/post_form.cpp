#include "app/post_form.h"

#include <curl/curl.h>

#include <cstdio>

#include "app/curl_global.h"

namespace {

size_t AppendToResponse(char* data, size_t size, size_t count, void* userdata) {
  auto* response = static_cast<std::string*>(userdata);
  // Any return other than the byte count makes libcurl abort the transfer.
  if (data == nullptr || response == nullptr) return 0;
  response->append(data, size * count);
  return size * count;
}

int PrintTrace(CURL*, curl_infotype type, char* data, size_t size, void*) {
  const char* label = nullptr;
  switch (type) {
    case CURLINFO_HEADER_IN: label = "[HEADER_IN]"; break;
    case CURLINFO_HEADER_OUT: label = "[HEADER_OUT]"; break;
    case CURLINFO_DATA_IN: label = "[DATA_IN]"; break;
    case CURLINFO_DATA_OUT: label = "[DATA_OUT]"; break;
    default: return 0;
  }
  // The data is not zero-terminated: print exactly `size` bytes of it.
  std::printf("%s%.*s\n", label, static_cast<int>(size), data);
  return 0;
}

int AbortWhenStopping(void* userdata, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  const auto& shouldStop = *static_cast<const std::function<bool()>*>(userdata);
  return shouldStop() ? 1 : 0;
}

}  // namespace

int PostForm::Post(const std::string& url, const std::string& body, std::string& response) const {
  EnsureCurlGlobalInit();
  CURL* curl = curl_easy_init();
  if (curl == nullptr) return CURLE_FAILED_INIT;
  if (debugTrace) {
    curl_easy_setopt(curl, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(curl, CURLOPT_DEBUGFUNCTION, PrintTrace);
  }
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_POST, 1L);
  curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.c_str());
  curl_easy_setopt(curl, CURLOPT_READFUNCTION, nullptr);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, AppendToResponse);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &response);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(connectTimeout.count()));
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(timeout.count()));
  if (shouldStop) {
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, AbortWhenStopping);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &shouldStop);
  }
  CURLcode result = curl_easy_perform(curl);
  curl_easy_cleanup(curl);
  return result;
}
