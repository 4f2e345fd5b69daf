// The machine database keeps its compiled statements for reuse: a statement
// handed out again must start clean (no row left over, no old binding), and
// two statements of one text alive at once must not share their cursor.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/sim/core/SimDb.h"
#include "tests/support/SimTestSupport.h"

namespace {

class MachineDbTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    db_ = SimDb::Open(temp_.Path() + "/machine.db", true, &error);
    ASSERT_NE(db_, nullptr) << error;
    for (const char* name : {"a", "b", "c"}) {
      SimStatement insert(*db_, "INSERT INTO facts(name, value) VALUES(?1, ?2)");
      insert.Bind(1, std::string(name)).Bind(2, std::string("value of ") + name);
      EXPECT_FALSE(insert.Step());
      EXPECT_FALSE(insert.Failed());
    }
  }

  TempDir temp_;
  std::unique_ptr<SimDb> db_;
};

const char* const kAll = "SELECT name FROM facts ORDER BY name";
const char* const kOne = "SELECT value FROM facts WHERE name = ?1";

TEST_F(MachineDbTest, AReusedStatementStartsFromItsFirstRowWithoutOldBindings) {
  {
    SimStatement all(*db_, kAll);
    ASSERT_TRUE(all.Step());
    EXPECT_EQ(all.Text(0), "a");
    // Left in the middle of its rows.
  }
  SimStatement again(*db_, kAll);
  std::vector<std::string> names;
  while (again.Step()) names.push_back(again.Text(0));
  EXPECT_EQ(names, (std::vector<std::string>{"a", "b", "c"}));

  {
    SimStatement one(*db_, kOne);
    one.Bind(1, std::string("b"));
    ASSERT_TRUE(one.Step());
    EXPECT_EQ(one.Text(0), "value of b");
  }
  // The same text without a binding: the parameter is NULL, no row matches.
  SimStatement unbound(*db_, kOne);
  EXPECT_FALSE(unbound.Step());
  EXPECT_FALSE(unbound.Failed());
}

TEST_F(MachineDbTest, StatementsOfOneTextAliveTogetherHaveTheirOwnCursors) {
  SimStatement outer(*db_, kAll);
  std::vector<std::string> pairs;
  while (outer.Step()) {
    SimStatement inner(*db_, kAll);
    while (inner.Step()) pairs.push_back(outer.Text(0) + inner.Text(0));
  }
  EXPECT_EQ(pairs.size(), 9u);
  EXPECT_EQ(pairs.front(), "aa");
  EXPECT_EQ(pairs.back(), "cc");
}

TEST_F(MachineDbTest, ABrokenStatementFailsEveryTimeAndTextsMadeAtRunTimeStayBounded) {
  for (int i = 0; i < 2; ++i) {
    SimStatement broken(*db_, "SELECT nothing FROM no_such_table");
    EXPECT_FALSE(broken.Ok());
    EXPECT_FALSE(broken.Step());
    EXPECT_TRUE(broken.Failed());
  }
  // Many distinct texts, from several threads at once: each answers right.
  std::vector<std::thread> threads;
  std::vector<int> wrong(4, 0);
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < 300; ++i) {
        const std::string sql = "SELECT " + std::to_string(t * 1000 + i) + ", value FROM facts WHERE name = 'c'";
        SimStatement st(*db_, sql.c_str());
        if (!st.Step() || st.Int(0) != t * 1000 + i || st.Text(1) != "value of c") ++wrong[t];
      }
    });
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(wrong, (std::vector<int>{0, 0, 0, 0}));
}

}  // namespace
