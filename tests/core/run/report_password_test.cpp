// SPDX-License-Identifier: GPL-3.0-or-later
// The report password rules: which typed texts each one accepts, and the
// hashes that the site configuration may hold.
#include "run/report_password.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace miravel::run {
namespace {

using namespace miravel::literals;

TEST(ReportPassword, WhatEachRuleAccepts) {
  if (!PasswordHashesAvailable()) GTEST_SKIP() << "built without password hashes (MIRAVEL_PASSWORD_HASHES)";
  // A password with Cyrillic letters and a blank: the hash is of its UTF-8
  // form, the window types Windows-1251.
  const std::optional<std::string> hash = HashPassword("Пароль 1");
  ASSERT_TRUE(hash);
  struct Case {
    const char* name;
    ReportPassword rule;
    std::vector<Text> accepted;
    std::vector<Text> refused;
  };
  const std::vector<Case> cases = {
      {"built-in", ReportPassword::BuiltIn(), {"407152"}, {"407153", " 407152", "407152 ", "4071520", ""}},
      {"hash",
       ReportPassword::Hash(*hash),
       {Text("Пароль 1"_w)},
       {"407152", Text("пароль 1"_w), Text("Пароль 1 "_w), Text("Пароль"_w), "", "Пароль 1"}},
      {"refuse all", ReportPassword::RefuseAll(), {}, {"407152", "", Text("Пароль 1"_w)}},
      {"a hash that is none", ReportPassword::Hash("407152"), {}, {"407152", ""}},
      {"an empty hash", ReportPassword::Hash(""), {}, {"407152", ""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (const Text& typed : c.accepted) EXPECT_TRUE(c.rule.Accepts(typed)) << typed;
    for (const Text& typed : c.refused) EXPECT_FALSE(c.rule.Accepts(typed)) << typed;
  }
}

TEST(ReportPassword, HashesAreSaltedAndTheirFormIsChecked) {
  if (!PasswordHashesAvailable()) GTEST_SKIP() << "built without password hashes (MIRAVEL_PASSWORD_HASHES)";
  const std::optional<std::string> a = HashPassword("407152");
  const std::optional<std::string> b = HashPassword("407152");
  ASSERT_TRUE(a && b);
  EXPECT_NE(*a, *b) << "every hash has its own salt";
  EXPECT_EQ(a->rfind("$argon2id$", 0), 0u) << *a;
  EXPECT_TRUE(ReportPassword::Hash(*b).Accepts("407152"));

  EXPECT_TRUE(IsPasswordHash(*a));
  for (const std::string& not_a_hash : {std::string(), std::string("407152"), a->substr(0, a->size() - 1) + "!",
                                        a->substr(0, 30), std::string("$argon2id$v=19$m=65536,t=2,p=1$"),
                                        *a + std::string(200, 'A'), std::string(*a).insert(10, 1, '\0')})
    EXPECT_FALSE(IsPasswordHash(not_a_hash)) << not_a_hash;
}

TEST(ReportPassword, TheCostsOfAHashAreReadFromItsText) {
  const struct {
    const char* hash;
    std::optional<HashCost> cost;
    bool within_bounds;
  } table[] = {
      {"$argon2id$v=19$m=65536,t=2,p=1$c2FsdA$aGFzaA", HashCost{2, 65536, 1}, true},
      {"$argon2i$v=19$m=262144,t=4,p=1$c2FsdA$aGFzaA", HashCost{4, 262144, 1}, true},
      {"$argon2id$m=16384,t=1,p=4$c2FsdA$aGFzaA", HashCost{1, 16384, 4}, true},
      {"$argon2id$v=19$m=65536,t=5,p=1$c2FsdA$aGFzaA", HashCost{5, 65536, 1}, false},
      {"$argon2id$v=19$m=65536,t=0,p=1$c2FsdA$aGFzaA", HashCost{0, 65536, 1}, false},
      {"$argon2id$v=19$m=262145,t=2,p=1$c2FsdA$aGFzaA", HashCost{2, 262145, 1}, false},
      {"$argon2id$v=19$m=16383,t=2,p=1$c2FsdA$aGFzaA", HashCost{2, 16383, 1}, false},
      {"$argon2id$v=19$m=4294967295,t=4294967295,p=1$c2FsdA$aGFzaA", HashCost{4294967295, 4294967295, 1}, false},
      {"$argon2id$v=19$m=99999999999999999999,t=2,p=1$c2FsdA$aGFzaA", std::nullopt, false},
      {"$argon2id$v=19$t=2,m=65536,p=1$c2FsdA$aGFzaA", std::nullopt, false},
      {"$argon2id$v=19$m=,t=2,p=1$c2FsdA$aGFzaA", std::nullopt, false},
      {"$argon2id$v=19$m=65536,t=2,p=1", std::nullopt, false},
      {"$argon2d$v=19$m=65536,t=2,p=1$c2FsdA$aGFzaA", std::nullopt, false},
      {"$6$salt$abcdefghijklmnop", std::nullopt, false},
      {"", std::nullopt, false},
  };
  for (const auto& row : table) {
    SCOPED_TRACE(row.hash);
    const std::optional<HashCost> cost = HashCostOf(row.hash);
    ASSERT_EQ(cost.has_value(), row.cost.has_value());
    if (!cost) continue;
    EXPECT_EQ(cost->t, row.cost->t);
    EXPECT_EQ(cost->m_kib, row.cost->m_kib);
    EXPECT_EQ(cost->p, row.cost->p);
    EXPECT_EQ(HashCostWithinBounds(*cost), row.within_bounds);
  }
  // The hashes this program makes are within the bounds.
  if (!PasswordHashesAvailable()) return;
  const std::optional<std::string> made = HashPassword("1");
  ASSERT_TRUE(made);
  ASSERT_TRUE(HashCostOf(*made));
  EXPECT_TRUE(HashCostWithinBounds(*HashCostOf(*made))) << *made;
}

using std::chrono::hours;
using std::chrono::milliseconds;
using std::chrono::seconds;

TEST(WrongPasswords, TheWaitGrowsFromTheFifthInARowAndIsCapped) {
  const struct {
    std::int64_t wrong_in_a_row;
    milliseconds wait;
  } table[] = {
      {-1, seconds(0)},
      {0, seconds(0)},
      {1, seconds(0)},
      {4, seconds(0)},
      {5, seconds(1)},
      {6, seconds(2)},
      {7, seconds(4)},
      {8, seconds(8)},
      {9, seconds(16)},
      {10, seconds(30)},
      {11, seconds(30)},
      {1'000'000, seconds(30)},
      {std::numeric_limits<std::int64_t>::max(), seconds(30)},
  };
  for (const auto& row : table) EXPECT_EQ(WrongPasswordWait(row.wrong_in_a_row), row.wait) << row.wrong_in_a_row;
}

TEST(WrongPasswords, TryingEverySixDigitPasswordTakesLongerThanASchoolDay) {
  // At worst the right one of the 10^6 comes last: 999 999 wrong ones, each
  // followed by its wait. The first four wait nothing, the 5th to 9th
  // 1 + 2 + 4 + 8 + 16 = 31 s, and the other 999 990 30 s each:
  // 31 + 29 999 700 = 29 999 731 s, about 347 days; half the space, the
  // average guesser's share, still takes about 174 days.
  milliseconds total{0};
  for (std::int64_t wrong = 1; wrong < 1'000'000; ++wrong) total += WrongPasswordWait(wrong);
  EXPECT_EQ(total, seconds(31 + 30 * (999'999 - 9)));
  EXPECT_GT(total, hours(8));
  // What a school day of 8 hours lets through: the first five tries start at
  // once, the next four 1, 3, 7 and 15 s in, and from 31 s on one every
  // 30 s: 9 + (28 800 - 31) / 30 + 1 = 968 tries, under a thousandth of the
  // passwords.
  std::int64_t tries = 0;
  for (milliseconds spent{0}; spent <= hours(8); spent += WrongPasswordWait(tries)) ++tries;
  EXPECT_EQ(tries, 9 + (28'800 - 31) / 30 + 1);
  EXPECT_LT(tries * 1000, 1'000'000);
}

TEST(WrongPasswords, TheTriesWaitAfterWrongOnesAndNeverAfterTheRightOne) {
  using Clock = PasswordTries::Clock;
  Clock::time_point t{seconds(1000)};
  PasswordTries tries;
  EXPECT_TRUE(tries.Ready(t));
  for (int i = 0; i < 4; ++i) {
    ASSERT_TRUE(tries.Begin(t));
    EXPECT_FALSE(tries.Ready(t)) << "one check at a time";
    EXPECT_FALSE(tries.Begin(t));
    EXPECT_TRUE(tries.Finish(false, t));
    EXPECT_TRUE(tries.Ready(t)) << "no wait after the first four";
  }
  ASSERT_TRUE(tries.Begin(t));
  EXPECT_TRUE(tries.Finish(false, t));
  EXPECT_EQ(tries.wrongInARow(), 5);
  EXPECT_EQ(tries.WaitLeft(t), seconds(1));
  EXPECT_FALSE(tries.Begin(t + milliseconds(999))) << "the right password waits like any other";
  EXPECT_EQ(tries.WaitLeft(t + milliseconds(400)), milliseconds(600));
  t += seconds(1);
  EXPECT_TRUE(tries.Ready(t));
  EXPECT_EQ(tries.WaitLeft(t), Clock::duration::zero());

  // A check abandoned when the window was closed: its wrong verdict counts,
  // its right one opens nothing and ends no count.
  ASSERT_TRUE(tries.Begin(t));
  tries.Abandon();
  EXPECT_TRUE(tries.Finish(false, t));
  EXPECT_EQ(tries.wrongInARow(), 6);
  EXPECT_EQ(tries.WaitLeft(t), seconds(2));
  t += seconds(2);
  ASSERT_TRUE(tries.Begin(t));
  tries.Abandon();
  EXPECT_FALSE(tries.Finish(true, t));
  EXPECT_EQ(tries.wrongInARow(), 6);
  tries.Abandon();  // no check under way: the next one is not abandoned
  ASSERT_TRUE(tries.Begin(t));
  EXPECT_TRUE(tries.Finish(true, t));
  EXPECT_EQ(tries.wrongInARow(), 0) << "the right one ends the count";
  EXPECT_TRUE(tries.Ready(t)) << "and sets no wait";
}

}  // namespace
}  // namespace miravel::run
