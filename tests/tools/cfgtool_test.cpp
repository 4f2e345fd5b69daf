#include <gtest/gtest.h>

#include <string>

#include "tests/support/SimTestSupport.h"

namespace {

class CfgtoolTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return dir_.Path() + "/" + name; }
  TempDir dir_;
};

TEST_F(CfgtoolTest, PackScramblesAndUnpackRestores) {
  const std::string xml = "<?xml version=\"1.0\"?>\n<packet><installcfg/></packet>\n";
  ASSERT_TRUE(WriteTextFile(Path("in.xml"), xml));
  auto packed = RunCommand({kCfgtoolPath, "pack", Path("in.xml"), Path("out.dat")});
  ASSERT_EQ(packed.exit_code, 0) << packed.err;
  std::string data = ReadTextFile(Path("out.dat"));
  ASSERT_EQ(data.size(), xml.size() + 4);
  EXPECT_EQ(data.substr(0, 4), ".tmp");
  for (size_t i = 0; i < xml.size(); ++i)
    ASSERT_EQ(static_cast<unsigned char>(data[4 + i]), static_cast<unsigned char>(xml[i]) ^ 0xA7);
  auto unpacked = RunCommand({kCfgtoolPath, "unpack", Path("out.dat")});
  EXPECT_EQ(unpacked.exit_code, 0);
  EXPECT_EQ(unpacked.out, xml);
}

TEST_F(CfgtoolTest, BadInputGivesOneLineAndExitCodeTwo) {
  WriteTextFile(Path("empty.dat"), "");
  WriteTextFile(Path("short.dat"), ".tm");
  WriteTextFile(Path("magic-only.dat"), ".tmp");
  WriteTextFile(Path("wrong.dat"), "<?xml version=\"1.0\"?><packet/>");
  WriteTextFile(Path("empty.xml"), "");
  const std::vector<std::vector<std::string>> cases = {
      {kCfgtoolPath, "unpack", Path("missing.dat")},
      {kCfgtoolPath, "unpack", Path("empty.dat")},
      {kCfgtoolPath, "unpack", Path("short.dat")},
      {kCfgtoolPath, "unpack", Path("magic-only.dat")},
      {kCfgtoolPath, "unpack", Path("wrong.dat")},
      {kCfgtoolPath, "unpack", dir_.Path()},
      {kCfgtoolPath, "pack", Path("missing.xml"), Path("x.dat")},
      {kCfgtoolPath, "pack", Path("empty.xml"), Path("x.dat")},
      {kCfgtoolPath, "pack", Path("wrong.dat"), dir_.Path() + "/no/such/dir/x.dat"},
      {kCfgtoolPath},
      {kCfgtoolPath, "unpack"},
      {kCfgtoolPath, "explode", Path("wrong.dat")},
  };
  for (const auto& argv : cases) {
    auto result = RunCommand(argv);
    std::string shown = argv.size() > 1 ? argv[1] + " " + (argv.size() > 2 ? argv[2] : "") : "";
    EXPECT_EQ(result.exit_code, 2) << shown;
    EXPECT_TRUE(result.out.empty()) << shown;
    ASSERT_FALSE(result.err.empty()) << shown;
    EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << shown << ": " << result.err;
  }
}

}  // namespace
