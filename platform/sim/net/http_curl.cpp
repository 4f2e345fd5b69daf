// The HTTP adapter on libcurl's easy interface.
#include <curl/curl.h>

#include <mutex>
#include <string>

#include "platform/http.h"
#include "platform/sim/text/SimAnsi.h"
#include "platform/sim/core/SimHost.h"
#include "platform/sim/net/SimRoutes.h"

namespace {

// A reply body beyond this is not a statistics reply; the transfer stops
// rather than fill the memory.
constexpr size_t kMaxReply = size_t{16} << 20;

struct ReplySink {
  std::string* reply;
  size_t kept;
};

size_t AppendReply(char* data, size_t size, size_t count, void* user) {
  auto* sink = static_cast<ReplySink*>(user);
  size_t n = size * count;
  if (n > kMaxReply - sink->kept) return 0;  // a short count aborts the transfer
  sink->reply->append(data, n);
  sink->kept += n;
  return n;
}

// libcurl's lazy global initialisation in curl_easy_init is not thread-safe
// on older versions, and two reports can be posted at the same time.
void InitCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// The host part of "scheme://[user@]host[:port][/...]"; empty when there is none.
std::string UrlHost(const std::string& url) {
  size_t start = url.find("://");
  if (start == std::string::npos) return {};
  start += 3;
  size_t end = url.find_first_of("/?#", start);
  std::string authority = url.substr(start, end == std::string::npos ? std::string::npos : end - start);
  size_t at = authority.rfind('@');
  if (at != std::string::npos) authority.erase(0, at + 1);
  if (!authority.empty() && authority[0] == '[') return {};  // a literal address is never routed
  return authority.substr(0, authority.find(':'));
}

// "HOST::ADDRESS:PORT" (any port of HOST) when the machine routes the URL's
// host; empty otherwise.
std::string ConnectTo(const std::string& url) {
  auto machine = SimHost::Machine();
  if (!machine) return {};
  std::string host = UrlHost(url);
  std::string address;
  if (!SimIsRouteHost(host) || !SimLookupRoute(*machine, host, &address)) return {};
  return host + "::" + address;
}

}  // namespace

long HttpPostBinary(const std::u16string& url, const uint8_t* bytes, size_t length,
                    long connect_timeout_s, long total_timeout_s, std::string* reply) {
  InitCurlOnce();
  const std::string ansi_url = SimUtf16ToAnsi(url);
  const std::string connect_to = ConnectTo(ansi_url);
  // With no body pointer libcurl would read the body from standard input.
  static const char kNoBody[] = "";
  const char* body = bytes ? reinterpret_cast<const char*>(bytes) : kNoBody;
  std::string discarded;
  ReplySink sink{reply ? reply : &discarded, 0};

  long status = 0;
  curl_slist* headers = nullptr;
  curl_slist* connect_list = nullptr;
  CURL* curl = curl_easy_init();
  do {
    if (!curl) break;
    curl_slist* list = curl_slist_append(headers, "Content-Type: application/octet-stream");
    if (!list) break;
    headers = list;
    list = curl_slist_append(headers, "User-Agent: Mozilla/4.0");
    if (!list) break;
    headers = list;
    if (curl_easy_setopt(curl, CURLOPT_URL, ansi_url.c_str()) != CURLE_OK) break;
    if (!connect_to.empty()) {
      connect_list = curl_slist_append(nullptr, connect_to.c_str());
      if (!connect_list || curl_easy_setopt(curl, CURLOPT_CONNECT_TO, connect_list) != CURLE_OK)
        break;
      // A routed post goes straight to its loopback target, whatever proxy
      // the Linux environment around the machine names.
      if (curl_easy_setopt(curl, CURLOPT_NOPROXY, "*") != CURLE_OK) break;
    }
    if (curl_easy_setopt(curl, CURLOPT_POST, 1L) != CURLE_OK) break;
    if (curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body) != CURLE_OK) break;
    if (curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(length)) != CURLE_OK)
      break;
    if (curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers) != CURLE_OK) break;
    if (curl_easy_setopt(curl, CURLOPT_TIMEOUT, total_timeout_s) != CURLE_OK) break;
    if (curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, connect_timeout_s) != CURLE_OK) break;
    if (curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, AppendReply) != CURLE_OK) break;
    if (curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink) != CURLE_OK) break;
    if (curl_easy_perform(curl) != CURLE_OK) break;
    long code = 0;
    if (curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &code) != CURLE_OK) break;
    status = code;
  } while (false);
  curl_slist_free_all(headers);
  curl_slist_free_all(connect_list);
  curl_easy_cleanup(curl);
  return status;
}
