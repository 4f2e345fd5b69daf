// winpost: one POST through the program's own HTTP adapter (WinHTTP), for the
// Wine test bed to see a usage report leave a test build the way it would.
//
//   winpost.exe [URL]   posts the body "winpost" to URL, or to the statistics
//                       URL this build was configured with; prints
//                       "url URL", "status N" (0: no response) and "reply BODY"
#include <windows.h>

#include <cstdio>
#include <string>

#include "packet_public/ZText.h"
#include "platform/http.h"
#include "platform/types.h"
#include "report/ZStatisticsUrl.h"

int wmain(int argc, wchar_t** argv) {
  const std::u16string url = argc > 1 ? std::u16string(AsU16(argv[1])) : StatisticsUrl();
  static const uint8_t kBody[] = {'w', 'i', 'n', 'p', 'o', 's', 't'};
  std::string reply;
  const long status = HttpPostBinary(url, kBody, sizeof(kBody), 5, 20, &reply);
  std::printf("url %s\nstatus %ld\nreply %s\n", Utf16ToUtf8(url).c_str(), status, reply.c_str());
  std::fflush(stdout);
  return status == 0 ? 1 : 0;
}
