#include "engine/actions/ZShortCutAction.h"

#include "engine/guard/ZDeletionGuard.h"
#include "engine/guard/ZPathNames.h"
#include "packet_public/CCmdLineParser.h"
#include "platform/files.h"
#include "platform/kernel.h"
#include "platform/shell.h"
#include "packet_public/ZText.h"

#include <cstdio>

ZShortCutAction::ZShortCutAction(const std::u16string& record_path) : ZFileActionBase(record_path) {}

int ZShortCutAction::LoadFromXml(const ZXmlElement& element) {
  const char16_t* line = AsU16(GetCommandLineW());
  return LoadWithCommandLine(element, line ? std::u16string_view(line) : std::u16string_view());
}

int ZShortCutAction::LoadWithCommandLine(const ZXmlElement& element,
                                         std::u16string_view command_line) {
  if (!element) return 0;
  CCmdLineParser parser(command_line);
  std::optional<std::u16string> icons = parser.GetVal(u"ico");
  if (icons && *icons == u"0") return 0;
  arguments_ = TextAttribute(element, "cmdline");
  link_name_ = TextAttribute(element, "name");
  description_ = TextAttribute(element, "des");
  quick_launch_bar_ = NumberAttribute(element, "quicklaunchbar");
  return 1;
}

void ZShortCutAction::Uninstall(int phase) {
  if (phase != kUninstallPhase) return;
  char16_t desktop[MAX_PATH] = {};
  if (!SHGetSpecialFolderPathW(nullptr, desktop, CSIDL_DESKTOPDIRECTORY, FALSE)) return;
  const std::u16string link = std::u16string(desktop) + u"\\" + link_name_ + u".lnk";
  const std::string trace = "shortcut path: " + Utf16ToUtf8(link) + "\r\n";
  std::fwrite(trace.data(), 1, trace.size(), stdout);
  std::fflush(stdout);
  if (!PathFileExistsW(link.c_str())) return;
  // The link's name stays a name: nothing it spells may lead out of the desktop.
  const std::u16string approved = Guard().ApproveBelow(link, desktop, u"shortcut");
  if (approved.empty() ||
      !PathEqualNoCase(ParentPath(approved), ResolveTouchedPath(desktop).path) ||
      Guard().ApproveFile(approved).empty())
    return;
  DeleteFileW(approved.c_str());
}
