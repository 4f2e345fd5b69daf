// The HTTP adapter on WinHTTP, in its synchronous mode.
#include <string>
#include <vector>

#include "platform/common/system_library.h"
#include "platform/http.h"
#include "platform/types.h"

#include <winhttp.h>

namespace {

// WinHTTP is looked up at run time in the system folder: as an import it would
// be taken from the program's own folder first, where anyone could plant one.
struct WinHttpApi {
  decltype(&::WinHttpOpen) Open = nullptr;
  decltype(&::WinHttpCloseHandle) CloseHandle = nullptr;
  decltype(&::WinHttpCrackUrl) CrackUrl = nullptr;
  decltype(&::WinHttpConnect) Connect = nullptr;
  decltype(&::WinHttpOpenRequest) OpenRequest = nullptr;
  decltype(&::WinHttpSetOption) SetOption = nullptr;
  decltype(&::WinHttpSetTimeouts) SetTimeouts = nullptr;
  decltype(&::WinHttpSendRequest) SendRequest = nullptr;
  decltype(&::WinHttpReceiveResponse) ReceiveResponse = nullptr;
  decltype(&::WinHttpQueryHeaders) QueryHeaders = nullptr;
  decltype(&::WinHttpQueryDataAvailable) QueryDataAvailable = nullptr;
  decltype(&::WinHttpReadData) ReadData = nullptr;
  bool complete = false;
};

template <class Fn>
bool Find(HMODULE module, const char* name, Fn* function) {
  *function = reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
  return *function != nullptr;
}

// Loaded once for the process and never unloaded; incomplete when the system
// lacks the library or one of its functions.
const WinHttpApi& Api() {
  static const WinHttpApi api = [] {
    WinHttpApi loaded;
    HMODULE module = LoadSystemLibrary(u"winhttp.dll");
    if (!module) return loaded;
    loaded.complete =
        Find(module, "WinHttpOpen", &loaded.Open) &&
        Find(module, "WinHttpCloseHandle", &loaded.CloseHandle) &&
        Find(module, "WinHttpCrackUrl", &loaded.CrackUrl) &&
        Find(module, "WinHttpConnect", &loaded.Connect) &&
        Find(module, "WinHttpOpenRequest", &loaded.OpenRequest) &&
        Find(module, "WinHttpSetOption", &loaded.SetOption) &&
        Find(module, "WinHttpSetTimeouts", &loaded.SetTimeouts) &&
        Find(module, "WinHttpSendRequest", &loaded.SendRequest) &&
        Find(module, "WinHttpReceiveResponse", &loaded.ReceiveResponse) &&
        Find(module, "WinHttpQueryHeaders", &loaded.QueryHeaders) &&
        Find(module, "WinHttpQueryDataAvailable", &loaded.QueryDataAvailable) &&
        Find(module, "WinHttpReadData", &loaded.ReadData);
    return loaded;
  }();
  return api;
}

// A reply body beyond this is not a statistics reply; the transfer stops
// rather than fill the memory.
constexpr size_t kMaxReply = size_t{16} << 20;

class Handle {
 public:
  explicit Handle(HINTERNET handle) : handle_(handle) {}
  ~Handle() {
    if (handle_) Api().CloseHandle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HINTERNET get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }

 private:
  HINTERNET handle_;
};

int Milliseconds(long seconds) {
  if (seconds <= 0) return 0;  // 0: WinHTTP waits without limit, as libcurl does for 0
  if (seconds > 0x7FFFFFFF / 1000) return 0x7FFFFFFF;
  return static_cast<int>(seconds * 1000);
}

bool SetDword(HINTERNET handle, DWORD option, DWORD value) {
  return Api().SetOption(handle, option, &value, sizeof(value)) != FALSE;
}

}  // namespace

long HttpPostBinary(const std::u16string& url, const uint8_t* bytes, size_t length,
                    long connect_timeout_s, long total_timeout_s, std::string* reply) {
  if (length > 0xFFFFFFFEu) return 0;
  const WinHttpApi& http = Api();
  if (!http.complete) return 0;
  const ULONGLONG started = GetTickCount64();
  std::string discarded;
  std::string* sink = reply ? reply : &discarded;

  const std::wstring wide_url(url.begin(), url.end());
  URL_COMPONENTS parts = {};
  parts.dwStructSize = sizeof(parts);
  parts.dwSchemeLength = static_cast<DWORD>(-1);
  parts.dwHostNameLength = static_cast<DWORD>(-1);
  parts.dwUrlPathLength = static_cast<DWORD>(-1);
  parts.dwExtraInfoLength = static_cast<DWORD>(-1);
  if (!http.CrackUrl(wide_url.c_str(), static_cast<DWORD>(wide_url.size()), 0, &parts))
    return 0;
  if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) return 0;
  const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
  std::wstring object(parts.lpszUrlPath ? parts.lpszUrlPath : L"", parts.dwUrlPathLength);
  if (parts.lpszExtraInfo) object.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  if (object.empty()) object = L"/";

  // The system-wide WinHTTP proxy setting, as libcurl with no proxy option
  // follows its environment's.
  Handle session(http.Open(L"Mozilla/4.0", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                             WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session) return 0;
  // WinHTTP has no limit for the whole transfer: name resolution and connection
  // get the connect time-out, each send and each receive the total one, and the
  // body loop below checks the total itself.
  const int connect_ms = Milliseconds(connect_timeout_s);
  const int total_ms = Milliseconds(total_timeout_s);
  if (!http.SetTimeouts(session.get(), connect_ms, connect_ms, total_ms, total_ms)) return 0;

  Handle connection(http.Connect(session.get(), host.c_str(), parts.nPort, 0));
  if (!connection) return 0;
  const DWORD flags = parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0;
  Handle request(http.OpenRequest(connection.get(), L"POST", object.c_str(), nullptr,
                                    WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, flags));
  if (!request) return 0;
  // What libcurl does not do unless asked: follow redirects, keep cookies, log
  // on with the user's credentials when challenged.
  if (!SetDword(request.get(), WINHTTP_OPTION_REDIRECT_POLICY,
                WINHTTP_OPTION_REDIRECT_POLICY_NEVER))
    return 0;
  if (!SetDword(request.get(), WINHTTP_OPTION_DISABLE_FEATURE, WINHTTP_DISABLE_COOKIES)) return 0;
  if (!SetDword(request.get(), WINHTTP_OPTION_AUTOLOGON_POLICY,
                WINHTTP_AUTOLOGON_SECURITY_LEVEL_HIGH))
    return 0;

  static const wchar_t kHeaders[] = L"Content-Type: application/octet-stream\r\n";
  const DWORD size = static_cast<DWORD>(length);
  void* body = length ? const_cast<uint8_t*>(bytes) : WINHTTP_NO_REQUEST_DATA;
  if (!http.SendRequest(request.get(), kHeaders, static_cast<DWORD>(-1), body, size, size, 0))
    return 0;
  if (!http.ReceiveResponse(request.get(), nullptr)) return 0;

  DWORD status = 0;
  DWORD status_size = sizeof(status);
  if (!http.QueryHeaders(request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                           WINHTTP_HEADER_NAME_BY_INDEX, &status, &status_size,
                           WINHTTP_NO_HEADER_INDEX))
    return 0;

  size_t kept = 0;
  std::vector<char> chunk;
  for (;;) {
    if (total_ms > 0 && GetTickCount64() - started > static_cast<ULONGLONG>(total_ms)) return 0;
    DWORD available = 0;
    if (!http.QueryDataAvailable(request.get(), &available)) return 0;
    if (available == 0) break;  // the end of the body
    if (available > kMaxReply - kept) return 0;
    chunk.resize(available);
    DWORD read = 0;
    if (!http.ReadData(request.get(), chunk.data(), available, &read)) return 0;
    if (read == 0) break;
    sink->append(chunk.data(), read);
    kept += read;
  }
  return static_cast<long>(status);
}
