// screenshot and input: a live window's last presented frame saved as a PNG,
// and the mouse, key and close input a display would give it (a press and
// a release apart, a right click, a key with Shift held).
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "platform/canvas.h"
#include "platform/sim/text/SimUnicode.h"
#include "platform/sim/display/SimPresent.h"
#include "platform/sim/windows/SimWindows.h"
#include "tools/simhost/SimhostCommands.h"

namespace {

// DIR [--title T | --class C] REST...: finds the window; REST is left in rest.
int FindWindowFrame(const Args& args, SimFrame* frame, Args* rest) {
  if (args.empty()) return Usage();
  if (!OpenMachine(args[0])) return 2;
  size_t next = 1;
  std::u16string title, class_name;
  bool by_title = false, by_class = false;
  if (next + 1 < args.size() && args[next] == "--title") {
    title = SimToUtf16(args[next + 1]);
    by_title = true;
    next += 2;
  } else if (next + 1 < args.size() && args[next] == "--class") {
    class_name = SimToUtf16(args[next + 1]);
    by_class = true;
    next += 2;
  }
  rest->assign(args.begin() + static_cast<ptrdiff_t>(next), args.end());
  if (!SimFindFrame(by_title ? &title : nullptr, by_class ? &class_name : nullptr, frame))
    return Fail("no such window on the machine's display");
  return 0;
}

bool Number(const std::string& text, int* value) {
  char* end = nullptr;
  long parsed = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end || parsed < -100000 || parsed > 100000) return false;
  *value = static_cast<int>(parsed);
  return true;
}

UINT KeyByName(const std::string& name) {
  if (name.size() == 1) {
    char c = name[0];
    if (c >= 'a' && c <= 'z') return static_cast<UINT>(c - 'a' + 'A');
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return static_cast<UINT>(c);
  }
  if (name.size() >= 2 && (name[0] == 'F' || name[0] == 'f')) {
    int n = 0;
    if (Number(name.substr(1), &n) && n >= 1 && n <= 12) return static_cast<UINT>(0x70 + n - 1);
  }
  const struct {
    const char* name;
    UINT key;
  } names[] = {{"Return", VK_RETURN}, {"Enter", VK_RETURN}, {"Escape", VK_ESCAPE},
               {"Tab", VK_TAB},       {"Space", VK_SPACE},  {"BackSpace", VK_BACK},
               {"Delete", VK_DELETE}, {"Left", VK_LEFT},    {"Right", VK_RIGHT},
               {"Up", VK_UP},         {"Down", VK_DOWN},    {"Home", VK_HOME},
               {"End", VK_END}};
  for (const auto& entry : names)
    if (strcasecmp(entry.name, name.c_str()) == 0) return entry.key;
  return 0;
}

}  // namespace

int CmdScreenshot(const Args& args) {
  SimFrame frame;
  Args rest;
  if (int code = FindWindowFrame(args, &frame, &rest)) return code;
  if (rest.size() != 1) return Usage();
  ZCanvas canvas;
  if (!canvas.Create(frame.width, frame.height)) return Fail("the frame has no size");
  std::memcpy(canvas.Pixels(), frame.pixels.data(), frame.pixels.size() * sizeof(uint32_t));
  std::vector<uint8_t> png;
  std::ofstream out(rest[0], std::ios::binary);
  if (!canvas.EncodePng(&png) ||
      !out.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size())))
    return Fail("cannot write " + rest[0]);
  return 0;
}

int CmdInput(const Args& args) {
  SimFrame frame;
  Args rest;
  if (int code = FindWindowFrame(args, &frame, &rest)) return code;
  if (rest.empty()) return Usage();
  std::vector<SimInput> inputs;
  SimInput input;
  const std::string& action = rest[0];
  int x = 0, y = 0;
  const bool pointer = action == "click" || action == "move" || action == "down" ||
                       action == "up" || action == "rclick";
  if (pointer && rest.size() == 3 && Number(rest[1], &x) && Number(rest[2], &y)) {
    // Client pixels, as the frame shows them; the input counts from the window's corner.
    input.x = x + frame.origin_x;
    input.y = y + frame.origin_y;
    input.kind = SimInputKind::kMouseMove;
    inputs.push_back(input);
    if (action == "click" || action == "down") {
      input.kind = SimInputKind::kLeftDown;
      inputs.push_back(input);
    }
    if (action == "click" || action == "up") {
      input.kind = SimInputKind::kLeftUp;
      inputs.push_back(input);
    }
    if (action == "rclick") {
      input.kind = SimInputKind::kRightDown;
      inputs.push_back(input);
      input.kind = SimInputKind::kRightUp;
      inputs.push_back(input);
    }
  } else if (action == "key" && rest.size() == 2) {
    // "Shift+Tab", "Alt+F4": the modifiers are held around the key.
    std::string name = rest[1];
    std::vector<UINT> modifiers;
    for (;;) {
      const size_t plus = name.find('+');
      if (plus == std::string::npos || plus + 1 == name.size()) break;
      const std::string word = name.substr(0, plus);
      if (strcasecmp(word.c_str(), "shift") == 0) {
        modifiers.push_back(VK_SHIFT);
      } else if (strcasecmp(word.c_str(), "alt") == 0) {
        modifiers.push_back(VK_MENU);
      } else if (strcasecmp(word.c_str(), "ctrl") == 0) {
        modifiers.push_back(VK_CONTROL);
      } else {
        return Fail("unknown modifier " + word);
      }
      name = name.substr(plus + 1);
    }
    const UINT key = KeyByName(name);
    if (!key) return Fail("unknown key " + rest[1]);
    input.kind = SimInputKind::kKeyDown;
    for (UINT modifier : modifiers) {
      input.key = modifier;
      inputs.push_back(input);
    }
    input.key = key;
    inputs.push_back(input);
    input.kind = SimInputKind::kKeyUp;
    inputs.push_back(input);
    for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it) {
      input.key = *it;
      inputs.push_back(input);
    }
  } else if (action == "close" && rest.size() == 1) {
    input.kind = SimInputKind::kClose;
    inputs.push_back(input);
  } else {
    return Usage();
  }
  for (const SimInput& each : inputs)
    if (!SimInjectInput(frame.window, each)) return Fail("the window is gone");
  return 0;
}
