// skinview: a skin resource folder loaded as the uninstaller loads it, one
// of its layouts laid out and drawn, and every problem the loaders met.
//   skinview DIR LAYOUT_ID [--dpi N] [--out FILE.png] [--elements] [--compare PICTURE [--opaque]]
//            [--notify] [--show ID] [--hide ID] [--disable ID] [--text ID=TEXT]
//            [--attr ID:NAME=VALUE]...
// DIR is a folder of this computer (copied into the machine) or a Windows
// path of the machine. With --out the dialog is drawn headless into a PNG;
// without it, it is shown in a window of the machine until closed. The
// machine is SIMHOST_MACHINE, else a throw-away one. --dpi N gives the
// machine a screen of N DPI and lets the dialog scale for it. --elements
// prints one JSON line per element after layout. --compare PICTURE holds a
// picture of the dialog made elsewhere (another system's drawing, or a
// screenshot with --opaque) to this one's, outside the elements' text, and
// exits 1 when it is not within the tolerance. --notify runs the window
// modally and prints what its view tells the application (NotifyDialog.h).
// --show, --hide, --disable, --text and --attr change the first element of
// that id after loading, in the order given, as the program does when it
// turns pages (ElementEdits.h); an id the layout lacks ends with 1. When DIR
// is a product's "res\NAME" folder, its "ressrc\chs\dpiimg" images come
// along, so that a scaled dialog takes them as the program would. Problems go to
// standard error as "DOCUMENT:LINE: MESSAGE". On Windows DIR is a folder of
// the computer and --dpi scales the dialog as on a screen of N DPI.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/canvas.h"
#include "platform/image.h"
#include "tools/common/PictureCompare.h"
#include "tools/skinview/ElementDump.h"
#include "tools/skinview/ElementEdits.h"
#include "tools/skinview/NotifyDialog.h"
#include "tools/skinview/SkinviewHost.h"
#include "ui/dialog/CVuDialogImpl.h"
#include "ui/dialog/VuFramework.h"
#include "ui/element/CVuWindow.h"
#include "ui/resource/VuResourceLocator.h"

namespace {

struct Options {
  std::string dir;
  int layout_id = 0;
  int dpi = 0;
  std::string out;
  std::string compare;
  bool opaque = false;
  bool elements = false;
  bool notify = false;
  std::vector<ElementEdit> edits;
};

int Usage() {
  std::fprintf(stderr,
               "usage: skinview DIR LAYOUT_ID [--dpi N] [--out FILE.png] [--elements]\n"
               "                [--compare PICTURE [--opaque]] [--notify] [--show ID] [--hide ID]\n"
               "                [--disable ID] [--text ID=TEXT] [--attr ID:NAME=VALUE]...\n");
  return 2;
}

bool ParseArgs(int argc, char** argv, Options* o) {
  std::vector<std::string> positional;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--dpi" && i + 1 < argc) {
      o->dpi = std::atoi(argv[++i]);
      if (o->dpi < 48 || o->dpi > 960) return false;
    } else if (arg == "--out" && i + 1 < argc) {
      o->out = argv[++i];
    } else if (arg == "--compare" && i + 1 < argc) {
      o->compare = argv[++i];
    } else if (arg == "--opaque") {
      o->opaque = true;
    } else if (arg == "--elements") {
      o->elements = true;
    } else if (arg == "--notify") {
      o->notify = true;
    } else if (IsElementEditOption(arg) && i + 1 < argc) {
      ElementEdit edit;
      if (!ParseElementEdit(arg, argv[++i], &edit)) return false;
      o->edits.push_back(edit);
    } else if (!arg.empty() && arg[0] != '-') {
      positional.push_back(arg);
    } else {
      return false;
    }
  }
  if (positional.size() != 2) return false;
  o->dir = positional[0];
  char* end = nullptr;
  o->layout_id = static_cast<int>(std::strtol(positional[1].c_str(), &end, 10));
  return end && *end == 0 && o->layout_id > 0;
}

bool WritePng(const ZCanvas& canvas, const std::string& path) {
  std::vector<uint8_t> png;
  std::ofstream file(path, std::ios::binary);
  return canvas.EncodePng(&png) &&
         file.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
}

// The picture at path held to the drawn dialog, outside its text.
int Compare(const ZCanvas& canvas, const VuLayout& layout, const Options& options) {
  std::ifstream in(options.compare, std::ios::binary);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
  ZImage picture;
  if (!picture.LoadBytes(bytes.data(), bytes.size())) {
    std::fprintf(stderr, "skinview: %s is not a picture it reads\n", options.compare.c_str());
    return 2;
  }
  ZImage drawn;
  drawn.Assign(canvas.Width(), canvas.Height(),
               std::vector<uint32_t>(canvas.Pixels(),
                                     canvas.Pixels() + static_cast<size_t>(canvas.Width()) * canvas.Height()));
  const ZPictureDifference difference =
      ComparePictures(drawn, picture, TextRectangles(layout), options.opaque);
  const bool same = PictureDifferenceAcceptable(difference);
  std::printf("%s: %s (%s)\n", options.compare.c_str(), same ? "the dialog" : "NOT the dialog",
              DescribePictureDifference(difference).c_str());
  return same ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseArgs(argc, argv, &options)) return Usage();
  SkinviewHost host;
  if (!host.Prepare()) return 1;
  host.SetDpi(options.dpi);
  std::u16string resource_dir;
  if (!host.ResourceDirectory(options.dir, &resource_dir)) return 1;

  VuResourceLocator::Instance().SetProblemSink([](const VuLoadProblem& problem) {
    std::fprintf(stderr, "%s:%d: %s\n", problem.document.empty() ? "-" : problem.document.c_str(),
                 problem.line, problem.message.c_str());
  });
  VuFramework::Initialize(resource_dir);

  if (options.notify && options.out.empty() && options.compare.empty()) {
    NotifyDialog dialog(options.layout_id, stdout);
    if (!dialog.LoadLayout()) {
      std::fprintf(stderr, "skinview: layout %d did not load\n", options.layout_id);
      return 1;
    }
    if (!ApplyElementEdits(&dialog, options.edits, stderr)) return 1;
    dialog.DoModal(nullptr);
    return 0;
  }
  CVuDialogImpl dialog(options.layout_id);
  if (!dialog.LoadLayout()) {
    std::fprintf(stderr, "skinview: layout %d did not load\n", options.layout_id);
    return 1;
  }
  if (!ApplyElementEdits(&dialog, options.edits, stderr)) return 1;
  dialog.EnableFrameBorder(true);
  const VuLayoutAttributes& a = dialog.Layout().Attributes();
  const int cx = a.width < a.min_width ? a.min_width : a.width;
  const int cy = a.height < a.min_height ? a.min_height : a.height;

  int status = 0;
  if (!options.out.empty() || !options.compare.empty()) {
    if (cx <= 0 || cy <= 0) {
      std::fprintf(stderr, "skinview: layout %d has no size (%d x %d)\n", options.layout_id, cx, cy);
      return 1;
    }
    dialog.LayoutView(cx, cy);
    ZCanvas canvas;
    dialog.PaintClient(&canvas, cx, cy, nullptr);
    if (!options.out.empty() && !WritePng(canvas, options.out)) {
      std::fprintf(stderr, "skinview: cannot write %s\n", options.out.c_str());
      return 1;
    }
    if (options.elements) PrintElements(dialog.Layout(), stdout);
    if (!options.compare.empty()) status = Compare(canvas, dialog.Layout(), options);
  } else {
    if (!dialog.Create(nullptr)) {
      std::fprintf(stderr, "skinview: no window for layout %d\n", options.layout_id);
      return 1;
    }
    if (options.elements) PrintElements(dialog.Layout(), stdout);
    std::fflush(stdout);
    // Until the window is closed (its close button ends the dialog).
    dialog.RunModalLoop();
  }
  std::fflush(stdout);
  return status;
}
