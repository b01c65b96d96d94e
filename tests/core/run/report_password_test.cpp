// SPDX-License-Identifier: GPL-3.0-or-later
// The report password rules: which typed texts each one accepts, and the
// hashes that the site configuration may hold.
#include "run/report_password.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace miravel::run
