#include "app/cmdline/SilentRun.h"

#include "app/cmdline/SwitchSet.h"
#include "packet_public/ZText.h"
#include "platform/kernel.h"

bool IsSilentCommandLine(std::u16string_view command_line) {
  SwitchSet switches(command_line);
  if (!switches.Has(u"at")) return false;
  std::u16string value = switches.Get(u"at");
  int32_t number = value.empty() ? 1 : ParseLenientInt(value);
  return number != 0;
}

bool IsSilentRun() {
  const char16_t* line = AsU16(GetCommandLineW());
  return IsSilentCommandLine(line ? std::u16string_view(line) : std::u16string_view());
}
