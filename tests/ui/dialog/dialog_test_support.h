// What the dialog tests share: a fresh machine with the framework's
// process-wide pools and locator emptied, resource files written into it,
// and the problems the loaders report collected.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/SimTestSupport.h"
#include "ui/resource/VuResourceLocator.h"
#include "ui/resource/VuStringTable.h"
#include "ui/skin/VuImagePools.h"
#include "ui/skin/VuSkinPool.h"
#include "ui/style/VuStyle.h"

// The problem lines ("DOCUMENT:LINE: MESSAGE") of skinview's standard error;
// other lines (a sanitizer's leak summary of a system library, say) are no
// problem the loaders reported.
inline std::string ProblemLines(const std::string& err) {
  std::istringstream in(err);
  std::string line, kept;
  while (std::getline(in, line)) {
    const size_t colon = line.find(':');
    int number = 0;
    char after = 0;
    if (colon != std::string::npos && colon > 0 &&
        std::sscanf(line.c_str() + colon, ":%d%c", &number, &after) == 2 && after == ':')
      kept += line + "\n";
  }
  return kept;
}

// The framework's process-wide pools and locator as a fresh process has them.
inline void ResetVuFramework() {
  VuResourceLocator::Instance().ResetForTest();
  VuSkinPool::Instance().Clear();
  VuStylePool::Instance().Clear();
  VuStringTable::Instance().Clear();
  VuImagePool::Png().Clear();
  VuImagePool::Jpg().Clear();
  VuBmpPool::Instance().Clear();
}

class DialogTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    ResetFramework();
    VuResourceLocator::Instance().SetProblemSink(
        [this](const VuLoadProblem& problem) { problems_.push_back(problem); });
    RunCommand({"/bin/mkdir", "-p", Real("res/uninstall"), Real("res/second")});
  }
  void TearDown() override {
    ResetFramework();
    MachineTest::TearDown();
  }
  static void ResetFramework() { ResetVuFramework(); }

  // A file of the primary resource folder (C:\res\uninstall).
  void WriteResource(const std::string& name, const std::string& text) {
    ASSERT_TRUE(WriteTextFile(Real("res/uninstall/" + name), text));
  }
  // The sample skin set copied into the primary resource folder.
  void CopySampleSet() {
    const std::string from = std::string(kSourceDir) + "/resources/sample/res/uninstall/.";
    ASSERT_EQ(RunCommand({"/bin/cp", "-r", from, Real("res/uninstall")}).exit_code, 0);
  }
  static constexpr const char16_t* kPrimary = u"C:\\res\\uninstall";

  // Every problem as "DOCUMENT:LINE: MESSAGE", one per line.
  std::string Problems() const {
    std::string out;
    for (const VuLoadProblem& p : problems_)
      out += p.document + ":" + std::to_string(p.line) + ": " + p.message + "\n";
    return out;
  }
  // True when a problem's message holds every one of the words.
  bool Reported(const std::vector<std::string>& words) const {
    for (const VuLoadProblem& p : problems_) {
      bool all = true;
      for (const std::string& w : words) all = all && p.message.find(w) != std::string::npos;
      if (all) return true;
    }
    return false;
  }

  std::vector<VuLoadProblem> problems_;
};
