// Hostile documents: every control of this area, given each of its own
// attributes at extreme values and driven by the mouse at extreme points,
// loads, lays out and paints at sizes from nothing to large without a crash,
// a hang or an unbounded allocation (the sanitizer build watches).
#include <string>
#include <vector>

#include "tests/ui/controls/controls_test_support.h"

namespace {

class HostileTest : public ControlTest {};

struct TagAttributes {
  const char* tag;
  std::vector<const char*> names;
};

const TagAttributes kControls[] = {
    {"imgbtn", {"skin", "ico_top", "caption", "caption_top", "group", "mask", "cliptype", "clipparam", "alpha"}},
    {"imgbtnsized", {"skin", "skinmid", "left"}},
    {"link", {"href"}},
    {"dlgbtn", {"id"}},
    {"dlgbtnEx2", {"id"}},
    {"check", {"check", "skin", "skin_check", "checkbox_size", "checkbox_sizeH", "text_spacing", "unique_id"}},
    {"radio", {"check", "group", "skin", "skin_check", "radiobox_size", "text_spacing"}},
    {"customradio", {"check", "group", "skin", "skin_check", "radiobox_size", "text_spacing"}},
    {"progress", {"bgskin", "posskin", "skinposx", "min", "max", "value", "showpercent", "progressbar"}},
    {"progressex", {"extendtext", "posimg_left", "min", "max", "value", "showpercent", "skinposx"}},
    {"slider", {"sliderpos", "skinbg", "skin", "bgleftmargin", "bgrightmargin", "bgtopmargin", "bgbottommargin"}},
    {"sliderviewex", {"current_value", "max_value", "step_value", "enable_mousewhell"}},
    {"hr", {"size", "style"}},
    {"hrex", {"size", "style"}},
    {"lineviewex", {"dashstyle", "linecolor", "vertical", "startcap", "endcap", "hover_linecolor", "push_linecolor"}},
    {"rundrect", {"rndwidht", "rndheight"}},
    {"rundrectpath", {"rndwidht", "rndheight", "bdrawbg", "crline", "crlinealpha", "linesize"}},
    {"shadowtext", {"hovershadow", "normalshadow", "crshadowalpha", "crshaow"}},
};

const char* const kValues[] = {"-2147483648", "2147483647", "99999999999999999999", "-1", "0",
                               "1e9",         "",           "off",                  "FFFFFF", "0x7fffffff"};

TEST_F(HostileTest, ExtremeAttributesAndPointsNeverBreakAControl) {
  const int sizes[][2] = {{0, 0}, {1, 1}, {3, 200}, {199, 119}};
  const ZPoint points[] = {{0, 0}, {-32768, 32767}, {32767, -32768}, {100, 60}};
  size_t made = 0;
  for (const TagAttributes& control : kControls) {
    for (const char* name : control.names)
      for (const char* value : kValues) {
        std::string xml = std::string("<") + control.tag + " " + name + "=\"" + value + "\"";
        if (std::string(name) != "skin") xml += " skin=\"off\"";
        if (std::string(name) != "showpercent") xml += " showpercent=\"1\"";
        xml += std::string(">Text<text pos=\"0,0,-0,-0\">in</text></") + control.tag + ">";
        for (const auto& size : sizes) {
          auto element = Make<CVuWindow>(xml, size[0], size[1]);
          ASSERT_NE(element, nullptr) << control.tag;
          ++made;
          for (uint32_t state : {0u, kVuStateHover | kVuStatePushed, kVuStateChecked | kVuStateDisabled}) {
            PaintIn(element.get(), state);
            PaintIn(element.get(), state);  // moving blocks step on
          }
          for (const ZPoint& p : points) {
            element->ModifyState(0, kVuStateDisabled);
            Send(element.get(), WM_MOUSEMOVE, p.x, p.y);
            Send(element.get(), WM_LBUTTONDOWN, p.x, p.y);
            Send(element.get(), WM_MOUSEMOVE, p.x, p.y);
            Send(element.get(), WM_LBUTTONUP, p.x, p.y);
            Send(element.get(), WM_MOUSELEAVE, p.x, p.y);
          }
          PaintIn(element.get(), 0);
        }
      }
  }
  EXPECT_EQ(made, 83u * 10u * 4u) << "every attribute, value and size";
  // A huge position still paints within the canvas.
  for (const TagAttributes& control : kControls) {
    auto element = Make<CVuWindow>(std::string("<") + control.tag + " pos=\"-2147483648,-2147483648,2147483647,2147483647\"/>",
                                   200, 120);
    ASSERT_NE(element, nullptr) << control.tag;
    PaintIn(element.get(), kVuStateHover);
  }
}

}  // namespace
