// The sample product's resource set and configuration provide what the
// uninstaller relies on: documents that parse, their root tags, element ids,
// skin names and configuration keys.
#include <gtest/gtest.h>
#include <tinyxml.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <set>
#include <string>

#include "tests/support/SimTestSupport.h"

namespace {

std::string SampleDir() { return std::string(kSourceDir) + "/resources/sample"; }

void CollectIds(const TiXmlElement* element, std::set<int>* ids) {
  for (; element; element = element->NextSiblingElement()) {
    int id = 0;
    if (element->QueryIntAttribute("id", &id) == TIXML_SUCCESS) ids->insert(id);
    CollectIds(element->FirstChildElement(), ids);
  }
}

TEST(SampleResources, DocumentsParseWithTheirRootTagsAndIds) {
  struct Expected {
    int id;
    const char* root;
    std::set<int> ids;
  };
  const Expected documents[] = {
      {10000, "skins", {}},
      {10001, "style", {}},
      {10002, "string", {}},
      {11001, "layer", {1, 2, 3, 100, 101, 104, 200, 201, 206, 400, 401}},
      {11004, "layer", {100, 103, 105, 106, 107, 108, 110, 111, 112}},
  };
  for (const auto& expected : documents) {
    std::string path = SampleDir() + "/res/uninstall/" + std::to_string(expected.id) + ".xml";
    TiXmlDocument document;
    ASSERT_TRUE(document.LoadFile(path.c_str())) << path << ": " << document.ErrorDesc();
    ASSERT_NE(document.RootElement(), nullptr);
    EXPECT_STREQ(document.RootElement()->Value(), expected.root) << path;
    std::set<int> ids;
    CollectIds(document.RootElement()->FirstChildElement(), &ids);
    for (int id : expected.ids) EXPECT_TRUE(ids.count(id)) << path << " lacks element " << id;
  }
}

TEST(SampleResources, SkinsTheCodeNamesExistAndTheirImagesToo) {
  TiXmlDocument skins;
  ASSERT_TRUE(skins.LoadFile((SampleDir() + "/res/uninstall/10000.xml").c_str()));
  std::set<std::string> names;
  for (auto* e = skins.RootElement()->FirstChildElement(); e; e = e->NextSiblingElement()) {
    if (const char* name = e->Attribute("name")) names.insert(name);
    if (const char* file = e->Attribute("file")) {
      EXPECT_TRUE(PathExists(SampleDir() + "/res/uninstall/" + file)) << file;
    }
  }
  for (const char* name : {"mainbg_banner_finish", "mainbg_error", "dlg_shadow", "cmn_checkbox",
                           "cmn_checkbox_check", "cmn_radio", "cmn_radio_check"})
    EXPECT_TRUE(names.count(name)) << name;
}

TEST(SampleResources, ConfigurationHasEveryKeyInBothSections) {
  TiXmlDocument config;
  ASSERT_TRUE(config.LoadFile((SampleDir() + "/installConfig.xml").c_str()));
  const TiXmlElement* packet = config.RootElement();
  ASSERT_STREQ(packet->Value(), "packet");
  std::set<std::string> keys;
  for (const char* section : {"installcfg", "updockcfg"}) {
    const TiXmlElement* s = packet->FirstChildElement(section);
    ASSERT_NE(s, nullptr) << section;
    ASSERT_NE(s->FirstChildElement("item"), nullptr) << section;
    for (auto* item = s->FirstChildElement("item"); item; item = item->NextSiblingElement())
      if (item->Attribute("key") && item->Attribute("value")) keys.insert(item->Attribute("key"));
  }
  for (const char* key :
       {"install_dir_name", "uninstall_instance_name", "main_window_class", "uninstall_tips",
        "title", "tool_set_ext_process_name", "tool_set_ext_exit_event", "tool_set_uninstall_cmd",
        "checkbox_1", "tryno", "install_time_root_key", "install_time_sub_key",
        "install_time_value", "uuid_reg_path", "uuid_reg_key", "svrid_reg_path", "svrid_reg_key",
        "pid"})
    EXPECT_TRUE(keys.count(key)) << key;
  for (const char* list : {"installfile", "uninstallfile"}) {
    const TiXmlElement* files = packet->FirstChildElement(list);
    ASSERT_NE(files, nullptr) << list;
    EXPECT_NE(files->FirstChildElement("filelist"), nullptr) << list;
    EXPECT_NE(files->FirstChildElement("dirlist"), nullptr) << list;
  }
}

// Width and height from a PNG file's header; false when it is none.
bool PngSize(const std::string& path, int* width, int* height) {
  std::ifstream in(path, std::ios::binary);
  unsigned char head[24] = {};
  if (!in.read(reinterpret_cast<char*>(head), sizeof head) || head[1] != 'P' || head[12] != 'I') return false;
  auto be = [&](int at) { return (head[at] << 24) | (head[at + 1] << 16) | (head[at + 2] << 8) | head[at + 3]; };
  *width = be(16);
  *height = be(20);
  return true;
}

// An image named by id is looked up for scale 1.2 and 1.5 under the
// product's ressrc\chs\dpiimg; each drawing must be that much larger, and a
// strip of state frames must cut into as many whole frames of the scaled
// frame width (the framework rounds it) or its states would be drawn askew.
TEST(SampleResources, ImagesByIdHaveWholeDrawingsForEveryScale) {
  TiXmlDocument skins;
  ASSERT_TRUE(skins.LoadFile((SampleDir() + "/res/uninstall/10000.xml").c_str()));
  int checked = 0;
  for (auto* e = skins.RootElement()->FirstChildElement(); e; e = e->NextSiblingElement()) {
    int id = 0, subwidth = 0;
    if (e->QueryIntAttribute("src", &id) != TIXML_SUCCESS) continue;
    e->QueryIntAttribute("subwidth", &subwidth);
    int width = 0, height = 0;
    ASSERT_TRUE(PngSize(SampleDir() + "/res/uninstall/" + std::to_string(id) + ".png", &width, &height)) << id;
    const int frames = subwidth > 0 ? width / subwidth : 1;
    EXPECT_EQ(subwidth > 0 ? width % subwidth : 0, 0) << id;
    for (double scale : {1.2, 1.5}) {
      char name[96];
      std::snprintf(name, sizeof name, "/ressrc/chs/dpiimg/%.1f/uninstall/%d_%.1f.png", scale, id, scale);
      int w = 0, h = 0;
      ASSERT_TRUE(PngSize(SampleDir() + name, &w, &h)) << name;
      const long frame = std::lround((subwidth > 0 ? subwidth : width) * scale);
      EXPECT_EQ(w, frames * frame) << name;
      EXPECT_EQ(h, std::lround(height * scale)) << name;
    }
    ++checked;
  }
  EXPECT_GE(checked, 10);
}

}  // namespace
