// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/profile_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "fifo_release.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>
#endif

namespace miravel {
namespace {

using namespace miravel::literals;
namespace stdfs = std::filesystem;

class TempDir {
 public:
  TempDir() {
    std::random_device rd;
    path_ = stdfs::temp_directory_path() / ("miravel-test-" + std::to_string(rd()));
    stdfs::create_directories(path_);
  }
  ~TempDir() { stdfs::remove_all(path_); }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  stdfs::path path_;
};

void Put(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string Get(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

struct ReadCase {
  const char* what;
  std::string content;
  std::string section;
  std::string key;
  std::optional<std::string> value;  // nothing: the key is missing
};

// A section of `keys` keys k0, k1... with values v0, v1..., then a second k3.
std::string ManyKeys(int keys) {
  std::string content = "[big]\n";
  for (int i = 0; i < keys; ++i) content += "k" + std::to_string(i) + "=v" + std::to_string(i) + "\n";
  return content + "k3=again\n[next]\nk=n\n";
}

TEST(ProfileRead, Cases) {
  const std::string nul_inside("k=a\0b\r\n", 7);
  const ReadCase cases[] = {
      {"plain", "[s]\r\nk=v\r\n", "s", "k", "v"},
      {"LF line ends", "[s]\nk=v\n", "s", "k", "v"},
      {"no line end at the end", "[s]\nk=v", "s", "k", "v"},
      {"section case", "[Main]\nk=v\n", "mAIN", "k", "v"},
      {"key case", "[s]\nQwText=v\n", "s", "QwTExt", "v"},
      {"Cyrillic section case", std::string("[") + std::string("ВОПРОС№1"_w) + "]\nk=v\n", std::string("Вопрос№1"_w),
       "k", "v"},
      {"Cyrillic key case, Ё", std::string("[s]\n") + std::string("ЁЖ"_w) + "=v\n", "s", std::string("ёж"_w), "v"},
      {"blanks around names and value", "[ \tsec \t]\n \t key \t=\t value  \t\n", "sec", "key", "value"},
      {"inner blanks kept", "[s]\nk=a  b\n", "s", "k", "a  b"},
      {"double quotes", "[s]\nk=\"  v \"\n", "s", "k", "  v "},
      {"single quotes", "[s]\nk=' v'\n", "s", "k", " v"},
      {"mismatched quotes stay", "[s]\nk=\"v'\n", "s", "k", "\"v'"},
      {"one quote stays", "[s]\nk=\"\n", "s", "k", "\""},
      {"only one pair of quotes goes", "[s]\nk=\"\"v\"\"\n", "s", "k", "\"v\""},
      {"backslashes are data", "[s]\nk=\"C:\\new\"\n", "s", "k", "C:\\new"},
      {"empty value is present", "[s]\nk=\n", "s", "k", ""},
      {"comment line", "[s]\n;k=v\n", "s", "k", std::nullopt},
      {"indented comment", "[s]\n  ; k=v\n", "s", "k", std::nullopt},
      {"semicolon in a value", "[s]\nk=a;b\n", "s", "k", "a;b"},
      {"first key wins", "[s]\nk=1\nK=2\n", "s", "k", "1"},
      {"first section wins", "[s]\nk=1\n[S]\nk=2\nj=3\n", "s", "k", "1"},
      {"later duplicate section is not searched", "[s]\nk=1\n[S]\nj=3\n", "s", "j", std::nullopt},
      {"missing section", "[s]\nk=v\n", "t", "k", std::nullopt},
      {"missing key", "[s]\nk=v\n", "s", "j", std::nullopt},
      {"key of another section", "[s]\nk=v\n[t]\n", "t", "k", std::nullopt},
      {"line without =", "[s]\nk\n", "s", "k", std::nullopt},
      {"= in a value", "[s]\nk=a=b\n", "s", "k", "a=b"},
      {"text after ]", "[s] junk\nk=v\n", "s", "k", "v"},
      {"qw and number without the blank", "[qw1]\nk=v\n", "qw 1", "k", std::nullopt},
      {"NUL is data", "[s]\n" + nul_inside, "s", "k", std::string("a\0b", 3)},
      {"bytes above 127", "[s]\nk=\xFF\x80\x98\n", "s", "k", "\xFF\x80\x98"},
      {"lone CR is data", "[s]\nk=a\rb\n", "s", "k", "a\rb"},
      {"escaped form", std::string("[s]\nk=\0\"a\\r\\nb\\0\\\\\"\n", 20), "s", "k", std::string("a\r\nb\0\\", 6)},
      {"malformed escape reads plain", std::string("[s]\nk=\0\"a\\qb\"\n", 14), "s", "k",
       std::string("\0\"a\\qb\"", 7)},
      {"empty file", "", "s", "k", std::nullopt},
      {"lines before the first section", "k=v\n[s]\nk=w\n", "", "k", "v"},
      {"nothing before the first section", "[s]\nk=w\n", "", "k", std::nullopt},
      {"empty section name", "[]\nk=v\n", "", "k", "v"},
      {"indented section line", " \t[s]\nk=v\n", "s", "k", "v"},
      {"section line without ]", "[s\nk=v\n", "s", "k", "v"},
      {"[ inside a line is no section", "[s]\nk=v\n x[t]\nj=w\n", "s", "j", "w"},
      {"[ after a lone CR is no section", "[s]\nk=v\r[t]\nj=w\n", "s", "j", "w"},
      {"last section line without line end", "[s]\nk=v\n[t]", "t", "k", std::nullopt},
      {"CR at the end of a section line", "[s]\nk=v\n[t\r", "t\r", "k", std::nullopt},
      {"a key among few", ManyKeys(20), "big", "k19", "v19"},
      {"a key past the first two dozen", ManyKeys(40), "big", "k39", "v39"},
      {"first key wins past two dozen", ManyKeys(40), "big", "k3", "v3"},
      {"a missing key past two dozen", ManyKeys(40), "big", "k40", std::nullopt},
      {"the section after a large one", ManyKeys(40), "next", "k", "n"},
  };
  TempDir dir;
  for (const auto& c : cases) {
    const std::string path = dir.File("case.ini");
    Put(path, c.content);
    const ProfileFile file(path);
    EXPECT_EQ(file.Find(c.section, c.key), c.value) << c.what;
    EXPECT_EQ(file.ReadText(c.section, c.key, "DEF"), c.value.value_or("DEF")) << c.what;
    EXPECT_EQ(ProfileDocument(c.content).Find(c.section, c.key), c.value) << c.what;
    // The same once an edit elsewhere has indexed every line.
    ProfileDocument edited(c.content);
    edited.Set("other", "x", "1");
    EXPECT_EQ(edited.Find(c.section, c.key), c.value) << c.what << " (edited)";
  }
}

TEST(ProfileRead, ManySectionsOfLikeNames) {
  // Names that differ only in their last digits, as a large test's questions
  // do, each found in its own section; a later one of the same name in
  // other letter case is not searched.
  constexpr int kSections = 20000;
  std::string content;
  for (int n = 1; n <= kSections; ++n) content += "[qw " + std::to_string(n) + "]\nk=" + std::to_string(n) + "\n";
  content += "[QW 7]\nk=later\nj=later\n";
  ProfileDocument doc(content);
  for (int pass = 0; pass < 2; ++pass) {
    for (int n = 1; n <= kSections; ++n) ASSERT_EQ(doc.Find("qw " + std::to_string(n), "k"), std::to_string(n)) << n;
    EXPECT_EQ(doc.Find("Qw 7", "k"), "7");
    EXPECT_EQ(doc.Find("qw 7", "j"), std::nullopt);
    EXPECT_FALSE(doc.HasSection("qw 0"));
    EXPECT_FALSE(doc.HasSection("qw " + std::to_string(kSections + 1)));
    const std::vector<std::string_view> names = doc.SectionNames();
    ASSERT_EQ(names.size(), std::size_t{kSections} + 1);
    EXPECT_EQ(names[1], "qw 2");
    EXPECT_EQ(names.back(), "QW 7");
    doc.Set("qw 1", "k", "1");  // the second pass on the indexed document
  }
}

TEST(ProfileRead, ValuesAreCutAt2047Bytes) {
  TempDir dir;
  const std::string path = dir.File("long.ini");
  const std::string value(3000, 'x');
  Put(path, "[s]\nk=" + value + "\nq=\"" + std::string(2047, 'y') + "\"\n");
  const ProfileFile file(path);
  EXPECT_EQ(file.ReadText("s", "k", ""), std::string(2047, 'x'));
  EXPECT_EQ(file.ReadText("s", "q", ""), std::string(2047, 'y'));
}

TEST(ProfileRead, MissingFileGivesDefaults) {
  const ProfileFile file("/nonexistent-dir/none.ini");
  EXPECT_EQ(file.ReadText("s", "k", "default"), "default");
  EXPECT_EQ(file.ReadNumber("s", "k", -7), -7);
  EXPECT_FALSE(file.HasSection("s"));
}

TEST(ProfileRead, SeesEveryChangeOnDisk) {
  TempDir dir;
  const std::string path = dir.File("change.ini");
  const ProfileFile file(path);
  EXPECT_EQ(file.ReadText("s", "k", "none"), "none");
  Put(path, "[s]\nk=aaaa\n");
  EXPECT_EQ(file.ReadText("s", "k", ""), "aaaa");
  Put(path, "[s]\nk=bbbb\n");  // same size, same inode
  EXPECT_EQ(file.ReadText("s", "k", ""), "bbbb");
  stdfs::remove(path);
  EXPECT_EQ(file.ReadText("s", "k", "gone"), "gone");
}

TEST(ProfileNumber, Cases) {
  struct Case {
    const char* value;
    std::optional<std::int32_t> number;
  } cases[] = {
      {"0", 0},
      {"42", 42},
      {"+42", 42},
      {"-42", -42},
      {"007", 7},
      {"  12", 12},
      {"\t12", 12},
      {"2147483647", 2147483647},
      {"-2147483648", std::numeric_limits<std::int32_t>::min()},
      {"2147483648", std::nullopt},
      {"-2147483649", std::nullopt},
      {"99999999999999999999", std::nullopt},
      {"0x1F", 31},
      {"0X1f", 31},
      {"x10", 16},
      {"X10", 16},
      {"$ff", 255},
      {"-0x10", -16},
      {"+$10", 16},
      {"0x7FFFFFFF", 2147483647},
      {"0x80000000", std::numeric_limits<std::int32_t>::min()},
      {"0xFFFFFFFF", -1},
      {"$FFFFFFFE", -2},
      {"0x00000000F", 15},
      {"0x100000000", std::nullopt},
      {"0x", std::nullopt},
      {"$", std::nullopt},
      {"", std::nullopt},
      {"-", std::nullopt},
      {"+-1", std::nullopt},
      {"- 1", std::nullopt},
      {"12abc", std::nullopt},
      {"1 2", std::nullopt},
      {"1.5", std::nullopt},
      {"0x1G", std::nullopt},
      {"abc", std::nullopt},
      {"1e3", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseProfileNumber(c.value), c.number) << '"' << c.value << '"';
}

TEST(ProfileNumber, ReadsThroughTheFile) {
  TempDir dir;
  const std::string path = dir.File("n.ini");
  Put(path, "[Option]\nQwCount = 0x0A \nTime=\"  5\"\nBad=five\nCut=" + std::string(2046, '0') + "12\n");
  const ProfileFile file(path);
  EXPECT_EQ(file.ReadNumber("option", "qwcount", -1), 10);
  EXPECT_EQ(file.ReadNumber("Option", "Time", -1), 5);  // quotes go first, then leading blanks
  EXPECT_EQ(file.ReadNumber("Option", "Bad", -1), -1);
  EXPECT_EQ(file.ReadNumber("Option", "Missing", 3), 3);
  EXPECT_EQ(file.ReadNumber("Option", "Cut", -1), 1);  // only the first 2,047 bytes count
}

TEST(ProfileWrite, CreatesAddsAndKeepsTheRest) {
  TempDir dir;
  const std::string path = dir.File("w.ini");
  ProfileFile file(path);
  file.WriteText("one", "a", "1");
  EXPECT_EQ(Get(path), "[one]\r\na=1\r\n");
  file.WriteText("two", "b", "2");
  file.WriteText("one", "c", "3");
  file.WriteNumber("two", "n", -15);
  EXPECT_EQ(Get(path), "[one]\r\na=1\r\nc=3\r\n[two]\r\nb=2\r\nn=-15\r\n");
  file.WriteText("ONE", "A", "new");  // replaces, keeping the file's spelling
  EXPECT_EQ(Get(path), "[one]\r\na=new\r\nc=3\r\n[two]\r\nb=2\r\nn=-15\r\n");
}

TEST(ProfileWrite, KeepsCommentsBlanksAndLineEndsOfAnExistingFile) {
  TempDir dir;
  const std::string path = dir.File("keep.ini");
  Put(path, "; head\n[s]\n  k = old  \nother line\n\n; about t\n[t]\nx=1");
  ProfileFile file(path);
  file.WriteText("s", "k", "new");
  file.WriteText("s", "added", "v");
  file.WriteText("t", "y", "2");
  file.WriteText("u", "z", "3");
  EXPECT_EQ(Get(path), "; head\n[s]\nk=new\nother line\nadded=v\n\n; about t\n[t]\nx=1\ny=2\n[u]\nz=3\n");
  EXPECT_EQ(file.ReadText("t", "x", ""), "1");
}

TEST(ProfileWrite, EveryValueReadsBackByteForByte) {
  const std::vector<std::string> awkward = {
      "",
      " ",
      "  lead",
      "trail\t",
      "\"q\"",
      "'q'",
      "\"",
      "\"a'",
      "a\r\nb",
      "\r",
      "\n",
      std::string(1, '\0'),
      std::string("\0\"x\"", 4),
      "\\r\\n",
      "=;[]",
      "[s]",
      "; not a comment",
      "\"\"",
      "a\\",
      "\\",
  };
  TempDir dir;
  const std::string path = dir.File("rt.ini");
  ProfileFile file(path);
  for (std::size_t i = 0; i < awkward.size(); ++i) file.WriteText("s", "k" + std::to_string(i), awkward[i]);
  const ProfileFile fresh(path);
  for (std::size_t i = 0; i < awkward.size(); ++i) {
    EXPECT_EQ(fresh.ReadText("s", "k" + std::to_string(i), "MISSING"), awkward[i]) << i;
    EXPECT_EQ(file.ReadText("s", "k" + std::to_string(i), "MISSING"), awkward[i]) << i;
  }
  // Values that need no care are stored plain.
  file.WriteText("plain", "k", "Вопрос №1: 2+2=?"_w);
  EXPECT_NE(Get(path).find(std::string("k=") + std::string("Вопрос №1: 2+2=?"_w) + "\r\n"), std::string::npos);
}

TEST(ProfileWrite, RandomValuesAndKeyOrdersRoundTrip) {
  std::mt19937 rng(2026);
  TempDir dir;
  for (int round = 0; round < 20; ++round) {
    const std::string path = dir.File("random" + std::to_string(round) + ".ini");
    ProfileFile file(path);
    std::vector<std::pair<std::pair<std::string, std::string>, std::string>> expected;
    const int writes = 1 + static_cast<int>(rng() % 60);
    for (int w = 0; w < writes; ++w) {
      const std::string section = "sec" + std::to_string(rng() % 5);
      const std::string key = "key" + std::to_string(rng() % 8);
      std::string value(rng() % 40, '\0');
      // Mostly the bytes that need care, and some of everything else.
      const char special[] = {'\0', '\r', '\n', ' ', '\t', '"', '\'', '\\', '=', ';', '['};
      for (auto& c : value) c = rng() % 2 ? special[rng() % sizeof special] : static_cast<char>(rng() & 0xFF);
      file.WriteText(section, key, value);
      auto it = std::find_if(expected.begin(), expected.end(),
                             [&](const auto& e) { return e.first.first == section && e.first.second == key; });
      if (it == expected.end()) expected.push_back({{section, key}, value});
      else it->second = value;
    }
    const ProfileFile fresh(path);
    for (const auto& [where, value] : expected) {
      ASSERT_EQ(fresh.Find(where.first, where.second), value) << where.first << "/" << where.second;
    }
    // The same answers from a document parsed from the bytes on disk.
    const ProfileDocument doc(Get(path));
    for (const auto& [where, value] : expected) ASSERT_EQ(doc.Find(where.first, where.second), value);
  }
}

TEST(ProfileWrite, FailureRaisesTheWriteErrorAndChangesNothing) {
  TempDir dir;
  const std::string blocker = dir.File("not-a-folder");
  Put(blocker, "x");
  const std::string path = blocker + "/j.ini";
  ProfileFile file(path);
  try {
    file.WriteText("s", "k", "v");
    FAIL() << "no error";
  } catch (const ProfileWriteError& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + path);
  }
  EXPECT_EQ(file.ReadText("s", "k", "none"), "none");

  // A file that is there but cannot be read is not overwritten.
  const std::string folder = dir.File("folder.ini");
  stdfs::create_directory(folder);
  ProfileFile dir_file(folder);
  EXPECT_THROW(dir_file.WriteText("s", "k", "v"), ProfileWriteError);
  EXPECT_TRUE(stdfs::is_directory(folder));
}

TEST(ProfileWrite, SeveralKeysInOneStepAsSeparateWritesWould) {
  TempDir dir;
  const std::string content = "; head\r\n[s]\r\nb=old\r\n\r\n[t]\r\nx=1\r\n";
  const std::string one_by_one = dir.File("one.ini");
  const std::string together = dir.File("together.ini");
  Put(one_by_one, content);
  Put(together, content);
  const std::vector<ProfileFile::Entry> entries = {{"a", "1"}, {"B", "new"}, {"c", " 3 "}, {"a", "again"}};
  ProfileFile separate(one_by_one);
  for (const auto& e : entries) separate.WriteText("S", e.key, e.value);
  for (const auto& e : entries) separate.WriteText("new", e.key, e.value);
  ProfileFile joined(together);
  joined.WriteTexts("S", entries);
  joined.WriteTexts("new", entries);  // a section that is not there yet
  EXPECT_EQ(Get(together), Get(one_by_one));
  EXPECT_EQ(Get(together),
            "; head\r\n[s]\r\nb=new\r\na=again\r\nc=\" 3 \"\r\n\r\n[t]\r\nx=1\r\n"
            "[new]\r\na=again\r\nB=new\r\nc=\" 3 \"\r\n");

  // Nothing to write leaves even a missing file missing.
  ProfileFile none(dir.File("none.ini"));
  none.WriteTexts("s", {});
  EXPECT_FALSE(stdfs::exists(dir.File("none.ini")));
}

TEST(ProfileWrite, ReplacesTheFileInOneStep) {
  TempDir dir;
  const std::string path = dir.File("atomic.ini");
  Put(path, "[s]\nk=old\n");
#ifdef _WIN32
  // The file's marks stay, hidden among them (the journal is hidden).
  ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
  const DWORD marks = GetFileAttributesA(path.c_str());
#else
  stdfs::permissions(path, stdfs::perms::owner_read | stdfs::perms::owner_write | stdfs::perms::group_read);
#endif
  const auto before = fs::Stamp(path);
  ProfileFile file(path);
  file.WriteText("s", "k", "new");
  const auto after = fs::Stamp(path);
  EXPECT_NE(before.inode, after.inode);  // a new file took the old one's place
  EXPECT_EQ(ProfileFile(path).ReadText("s", "k", ""), "new");
#ifdef _WIN32
  EXPECT_EQ(GetFileAttributesA(path.c_str()), marks);
#else
  EXPECT_EQ(stdfs::status(path).permissions() & stdfs::perms::all,
            stdfs::perms::owner_read | stdfs::perms::owner_write | stdfs::perms::group_read);
#endif
  // Nothing is left beside it.
  int entries = 0;
  for ([[maybe_unused]] const auto& e : stdfs::directory_iterator(stdfs::path(path).parent_path())) ++entries;
  EXPECT_EQ(entries, 1);
}

#ifndef _WIN32
// Only a regular file is read; a FIFO is never opened for a wait on a
// writer. The read needs the file's size and one byte.
TEST(FileRead, OnlyRegularFilesAreReadAndTheirSizeIsAllItTakes) {
  TempDir dir;
  const std::string fifo = dir.File("pipe.ini");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const FifoRelease release(fifo);
  const auto start = std::chrono::steady_clock::now();
  for (const std::string& path : {fifo, std::string("/dev/zero"), std::string("/dev/null"), dir.File("")})
    EXPECT_FALSE(fs::ReadWhole(path).has_value()) << path;
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_EQ(ProfileFile(fifo).ReadText("Main", "TestName", "none"), "none");
  EXPECT_FALSE(fs::Stamp(fifo).regular);
  EXPECT_TRUE(fs::Stamp(fifo).exists);

#if !defined(__SANITIZE_ADDRESS__)
  // The peak memory of reading and indexing a large sparse file, in a
  // process of its own (the sanitizer's shadow memory would blur it).
  const std::string sparse = dir.File("sparse.ini");
  std::ofstream(sparse).close();
  constexpr std::uint64_t kSize = std::uint64_t{256} << 20;
  stdfs::resize_file(sparse, kSize);
  int pipe_fds[2];
  ASSERT_EQ(::pipe(pipe_fds), 0);
  const pid_t child = ::fork();
  if (child == 0) {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const long before = usage.ru_maxrss;
    const ProfileFile file(sparse);
    const bool read = !file.HasSection("Main") && file.Snapshot().Content().size() == kSize;
    ::getrusage(RUSAGE_SELF, &usage);
    const long grown_kib = read ? usage.ru_maxrss - before : -1;
    ::_exit(::write(pipe_fds[1], &grown_kib, sizeof grown_kib) == sizeof grown_kib ? 0 : 1);
  }
  ::close(pipe_fds[1]);
  long grown_kib = -2;
  ASSERT_EQ(::read(pipe_fds[0], &grown_kib, sizeof grown_kib), static_cast<ssize_t>(sizeof grown_kib));
  ::close(pipe_fds[0]);
  ::waitpid(child, nullptr, 0);
  ASSERT_GE(grown_kib, 0) << "the file was not read whole";
  EXPECT_LE(static_cast<std::uint64_t>(grown_kib) * 1024, kSize + (std::uint64_t{32} << 20));
#endif
}
#endif

TEST(ProfileWrite, ACarriageReturnEndingTheFileStaysData) {
  // A CR with no LF after it is part of the last line; the line end added
  // for the next write must not swallow it.
  struct Case {
    std::string content, section, key;
  } cases[] = {
      {"[A]\nk=v\r", "A", "k"},
      {"[s]\nc\r=M\r", "s", "c\r"},
      {"[D]\nk=1\n[e\r", "e\r", "k"},
  };
  for (const auto& c : cases) {
    ProfileDocument doc(c.content);
    const auto before = doc.Find(c.section, c.key);
    doc.Set("e", "x", "1");
    const ProfileDocument reparsed(doc.Content());
    EXPECT_EQ(reparsed.Find(c.section, c.key), before) << c.content;
    EXPECT_EQ(reparsed.Find("e", "x"), "1") << c.content;
    EXPECT_EQ(doc.Find("e", "x"), "1") << c.content;
  }
}

TEST(ProfileWrite, LargeSectionsStayConsistent) {
  // Past a few dozen keys a section gets its own key table; adding and
  // replacing keys must keep it right.
  ProfileDocument doc;
  for (int i = 0; i < 200; ++i) doc.Set("big", "k" + std::to_string(i), std::to_string(i));
  for (int i = 0; i < 200; i += 3) doc.Set("BIG", "K" + std::to_string(i), "x" + std::to_string(i));
  doc.Set("other", "k1", "o");
  for (int i = 0; i < 200; ++i)
    ASSERT_EQ(doc.Find("big", "k" + std::to_string(i)), (i % 3 ? "" : "x") + std::to_string(i));
  const ProfileDocument reparsed(doc.Content());
  EXPECT_EQ(reparsed.Find("big", "k199"), "199");
  EXPECT_EQ(reparsed.Find("other", "k1"), "o");
}

}  // namespace
}  // namespace miravel
