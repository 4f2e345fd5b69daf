// CompareStringOrdinal on the simulated host: the comparison the file system
// uses for names, so that a caller's comparison and a lookup always agree.
#include "platform/kernel.h"
#include "platform/sim/core/SimHandles.h"
#include "platform/sim/text/SimUnicode.h"

namespace {

int Length(LPCWCH text, int count) {
  if (count >= 0) return count;
  int n = 0;
  while (text[n]) ++n;
  return n;
}

}  // namespace

int CompareStringOrdinal(LPCWCH string1, int count1, LPCWCH string2, int count2,
                         BOOL ignore_case) {
  if (!string1 || !string2 || count1 < -1 || count2 < -1 ||
      (ignore_case != FALSE && ignore_case != TRUE))
    return SimFailWith(ERROR_INVALID_PARAMETER, 0);
  const int n1 = Length(string1, count1);
  const int n2 = Length(string2, count2);
  const int common = n1 < n2 ? n1 : n2;
  for (int i = 0; i < common; ++i) {
    char16_t a = string1[i];
    char16_t b = string2[i];
    if (a == b) continue;
    if (ignore_case) {
      a = SimUpcase(a);
      b = SimUpcase(b);
      if (a == b) continue;
    }
    return a < b ? CSTR_LESS_THAN : CSTR_GREATER_THAN;
  }
  if (n1 == n2) return CSTR_EQUAL;
  return n1 < n2 ? CSTR_LESS_THAN : CSTR_GREATER_THAN;
}
