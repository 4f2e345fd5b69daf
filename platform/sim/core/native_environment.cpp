// A 64-bit machine stores the environment as its 32-bit programs see it (the
// uninstaller is one); a native program sees the 64-bit folders instead, as
// WOW64 sets them per process on Windows.
#include "platform/sim/core/SimEnvironment.h"

#include "platform/sim/text/SimUnicode.h"

std::u16string SimNativeVariableName(const std::u16string& name) {
  struct Pair {
    const char16_t* asked;
    const char16_t* stored;  // empty: a native program has no such variable
  };
  static const Pair kPairs[] = {
      {u"ProgramFiles", u"ProgramW6432"},
      {u"CommonProgramFiles", u"CommonProgramW6432"},
      {u"PROCESSOR_ARCHITECTURE", u"PROCESSOR_ARCHITEW6432"},
      {u"PROCESSOR_ARCHITEW6432", u""},
  };
  for (const Pair& pair : kPairs)
    if (SimEqualNoCase(name, pair.asked)) return pair.stored;
  return name;
}
