#include "report/ZStatisticsUrl.h"

#include "packet_public/ZText.h"

#ifndef UNINST_STATISTICS_HOST
#define UNINST_STATISTICS_HOST "statistics.uninstaller.invalid"
#endif

std::u16string StatisticsUrl() {
  return u"http://" + Utf8ToUtf16(UNINST_STATISTICS_HOST) + u"/nep/v1/";
}
