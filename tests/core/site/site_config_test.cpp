// SPDX-License-Identifier: GPL-3.0-or-later
// The site configuration: which files give which report password rule,
// results folder and start-up problem, and how the password line of a file
// is set while the rest of it stays.
#include "site/site_config.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#include <aclapi.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <iostream>

#include "unprivileged.h"
#endif

// A results folder that is a full path on the system the tests run on.
#ifdef _WIN32
#define SRV "C:/srv"
#else
#define SRV "/srv"
#endif

namespace miravel::site {
namespace {

namespace stdfs = std::filesystem;
using run::ReportPassword;
using Kind = ReportPassword::Kind;

// One hash made for the whole test program (making one takes a while).
const std::string& SampleHash() {
  static const std::string kHash = run::HashPassword("Пароль 1").value_or("");
  return kHash;
}

class TempFolder {
 public:
  TempFolder() {
    std::random_device rd;
    path_ = stdfs::temp_directory_path() / ("miravel-site-test-" + std::to_string(rd()) + std::to_string(rd()));
    stdfs::create_directories(path_);
    stdfs::permissions(path_, stdfs::perms::owner_all | stdfs::perms::group_read | stdfs::perms::group_exec |
                                  stdfs::perms::others_read | stdfs::perms::others_exec);
  }
  ~TempFolder() {
    std::error_code ec;
    stdfs::permissions(path_ / "locked", stdfs::perms::owner_all, ec);
    stdfs::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  stdfs::path path_;
};

void Put(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  ASSERT_TRUE(out.good()) << path;
}

// The file as the administrator leaves it: on Windows owned by the
// Administrators group, which alone with SYSTEM may change it, and readable
// by the users (or, with `users_write`, writable by them too). (On Linux a
// file the tests make is root's: they run as root.)
void AsAdministratorsFile(const std::string& path, [[maybe_unused]] bool users_write = false) {
#ifdef _WIN32
  PSID admins = nullptr;
  PSID system = nullptr;
  PSID users = nullptr;
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  ASSERT_TRUE(AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                       &admins));
  ASSERT_TRUE(AllocateAndInitializeSid(&nt, 1, SECURITY_LOCAL_SYSTEM_RID, 0, 0, 0, 0, 0, 0, 0, &system));
  ASSERT_TRUE(
      AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS, 0, 0, 0, 0, 0, 0, &users));
  EXPLICIT_ACCESS_W access[3] = {};
  const PSID trustees[3] = {admins, system, users};
  for (int i = 0; i < 3; ++i) {
    access[i].grfAccessPermissions = i < 2 ? GENERIC_ALL : users_write ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ;
    access[i].grfAccessMode = SET_ACCESS;
    access[i].Trustee.TrusteeForm = TRUSTEE_IS_SID;
    access[i].Trustee.ptstrName = static_cast<LPWSTR>(trustees[i]);
  }
  PACL dacl = nullptr;
  ASSERT_EQ(SetEntriesInAclW(3, access, nullptr, &dacl), static_cast<DWORD>(ERROR_SUCCESS));
  std::wstring wide = stdfs::path(path).wstring();
  EXPECT_EQ(SetNamedSecurityInfoW(
                wide.data(), SE_FILE_OBJECT,
                OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, admins,
                nullptr, dacl, nullptr),
            static_cast<DWORD>(ERROR_SUCCESS))
      << path;
  LocalFree(dacl);
  for (PSID sid : trustees) FreeSid(sid);
#else
  static_cast<void>(path);
#endif
}

#ifdef _WIN32
// Whether the file at `path` is owned by the Administrators group as
// AsAdministratorsFile left it. Wine keeps no owner where the file system
// has no extended attributes: every file is then the user's.
bool OwnedByAdministrators(const std::string& path) {
  std::wstring wide = stdfs::path(path).wstring();
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetNamedSecurityInfoW(wide.data(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                            &descriptor) != ERROR_SUCCESS)
    return false;
  const bool admins = owner != nullptr && IsWellKnownSid(owner, WinBuiltinAdministratorsSid);
  LocalFree(descriptor);
  return admins;
}
#endif

// Loads the configuration at `path`. A test not run as root cannot make a
// file of root's, which Load alone trusts (nor a test under Wine a file of
// the administrators' where the owner is not kept): it checks what Parse
// makes of the file's text instead.
LoadResult LoadAsRootWrote(const std::string& path) {
#ifdef _WIN32
  if (!OwnedByAdministrators(path)) {
#else
  if (::geteuid() != 0) {
#endif
    std::string text(static_cast<std::size_t>(stdfs::file_size(path)), '\0');
    std::ifstream(path, std::ios::binary).read(text.data(), static_cast<std::streamsize>(text.size()));
    return Parse(text);
  }
  return Load(path);
}

const char* KindName(Kind kind) {
  switch (kind) {
    case Kind::kBuiltIn: return "built-in";
    case Kind::kHash: return "hash";
    case Kind::kRefuseAll: return "refuse-all";
  }
  return "?";
}

// What a load came to, in one line, so that a case shows all of it at once.
std::string Summary(const LoadResult& r) {
  std::string s = std::string(r.found ? "found" : "absent") + ", " + KindName(r.config.report_password.kind());
  if (r.problem) s += ", problem: " + Describe(*r.problem);
  if (r.config.results_folder) {
    const std::u8string folder = r.config.results_folder->u8string();
    s += ", folder " + std::string(folder.begin(), folder.end());
  }
  if (!r.warnings.empty()) s += ", " + std::to_string(r.warnings.size()) + " warning(s)";
  return s;
}

struct Expected {
  bool found = true;
  Kind rule = Kind::kBuiltIn;
  std::optional<Problem> problem;
  std::optional<std::string> folder;
  std::size_t warnings = 0;
};

// A file that is read: its rule, folder and warnings.
Expected Sound(Kind rule = Kind::kBuiltIn, std::optional<std::string> folder = std::nullopt, std::size_t warnings = 0) {
  Expected e;
  e.rule = rule;
  e.folder = std::move(folder);
  e.warnings = warnings;
  return e;
}
// A broken file: every password is refused.
Expected Broken(ProblemKind kind, std::size_t line, std::optional<std::string> folder = std::nullopt) {
  Expected e;
  e.rule = Kind::kRefuseAll;
  e.problem = Problem{kind, line};
  e.folder = std::move(folder);
  return e;
}

std::string Summary(const Expected& e) {
  LoadResult r;
  r.found = e.found;
  r.config.report_password = e.rule == Kind::kHash        ? ReportPassword::Hash(SampleHash())
                             : e.rule == Kind::kRefuseAll ? ReportPassword::RefuseAll()
                                                          : ReportPassword::BuiltIn();
  r.problem = e.problem;
  if (e.folder) r.config.results_folder = stdfs::path(std::u8string(e.folder->begin(), e.folder->end()));
  r.warnings.resize(e.warnings);
  return Summary(r);
}

// A hash of the empty password, made once.
const std::string& EmptyPasswordHash() {
  static const std::string kHash = run::HashPassword("").value_or("");
  return kHash;
}

// `hash` naming the costs `cost` ("m=...,t=...") instead of its own: its
// digest no longer matches, but its form is sound.
std::string WithCost(std::string hash, const std::string& cost) {
  const std::size_t start = hash.find("m=");
  const std::size_t end = hash.find(",p=");
  return hash.replace(start, end - start, cost);
}

// Skips a test that needs password hashes in a build without them.
#define NEEDS_PASSWORD_HASHES() \
  if (!run::PasswordHashesAvailable()) GTEST_SKIP() << "built without password hashes (MIRAVEL_PASSWORD_HASHES)"

TEST(SiteConfig, FilesAndWhatTheyGive) {
  NEEDS_PASSWORD_HASHES();
  ASSERT_FALSE(SampleHash().empty());
  const std::string& hash = SampleHash();
  struct Case {
    const char* name;
    std::string text;
    Expected expected;
  };
  const Case cases[] = {
      {"empty", "", Sound()},
      {"comments and blank lines only", "# nothing yet\n\n  ; nor here\n", Sound()},
      {"a section without keys", "[report]\n", Sound()},
      {"a hash", "[report]\npassword = " + hash + "\n", Sound(Kind::kHash)},
      {"a folder", "[results]\nfolder = " SRV "/miravel/results\n", Sound(Kind::kBuiltIn, SRV "/miravel/results")},
      {"both, with a BOM, CR LF, blanks, any letter case and no last line end",
       "\xEF\xBB\xBF# site\r\n [Report] \r\n\tPassword\t=  " + hash + "  \r\n[RESULTS]\r\nfolder=" SRV "/класс 5#a",
       Sound(Kind::kHash, SRV "/класс 5#a")},
      {"unknown section and key are ignored with a warning",
       "[colours]\nmain = red\nother = blue\n[report]\ncolour = red\npassword = " + hash + "\n",
       Sound(Kind::kHash, std::nullopt, 2)},
      {"a line that is no key", "[report]\npassword\n", Broken(ProblemKind::kMalformedLine, 2)},
      {"a key before any section", "password = " + hash + "\n", Broken(ProblemKind::kMalformedLine, 1)},
      {"an unclosed section", "[report\n", Broken(ProblemKind::kMalformedLine, 1)},
      {"a line that is not UTF-8", "# \xCF\xE0\xF0\xEE\xEB\xFC\n[report]\n", Broken(ProblemKind::kMalformedLine, 1)},
      {"the password twice", "[report]\npassword = " + hash + "\n[report]\npassword = " + hash + "\n",
       Broken(ProblemKind::kRepeatedKey, 4)},
      {"the password in plain text", "[report]\npassword = 407152\n", Broken(ProblemKind::kMalformedHash, 2)},
      {"an empty password", "[report]\npassword =\n", Broken(ProblemKind::kMalformedHash, 2)},
      {"a cut hash", "[report]\npassword = " + hash.substr(0, hash.size() - 5) + "\n",
       Broken(ProblemKind::kMalformedHash, 2)},
      {"a hash of another scheme", "[report]\npassword = $6$salt$abcdefghijklmnop\n",
       Broken(ProblemKind::kMalformedHash, 2)},
      {"a relative folder: the password is refused, the first problem is named",
       "[results]\nfolder = results\n[report]\npassword = 407152\n", Broken(ProblemKind::kMalformedFolder, 2)},
      {"a hash of the empty password", "[report]\npassword = " + EmptyPasswordHash() + "\n",
       Broken(ProblemKind::kEmptyPasswordHash, 2)},
      {"a hash that costs 2^32 - 1 passes", "[report]\npassword = " + WithCost(hash, "m=65536,t=4294967295") + "\n",
       Broken(ProblemKind::kHashCost, 2)},
      {"a hash that costs 5 passes", "[report]\npassword = " + WithCost(hash, "m=65536,t=5") + "\n",
       Broken(ProblemKind::kHashCost, 2)},
      {"a hash that costs 4 TiB", "[report]\npassword = " + WithCost(hash, "m=4294967295,t=2") + "\n",
       Broken(ProblemKind::kHashCost, 2)},
      {"a hash that costs 512 MiB", "[report]\npassword = " + WithCost(hash, "m=524288,t=2") + "\n",
       Broken(ProblemKind::kHashCost, 2)},
      {"a hash that costs 8 MiB", "[report]\npassword = " + WithCost(hash, "m=8192,t=2") + "\n",
       Broken(ProblemKind::kHashCost, 2)},
      {"a broken password line keeps a sound folder", "[report]\npassword = x\n[results]\nfolder = " SRV "/r\n",
       Broken(ProblemKind::kMalformedHash, 2, SRV "/r")},
  };
  TempFolder dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.File("miravel.conf");
    Put(path, c.text);
    AsAdministratorsFile(path);
    EXPECT_EQ(Summary(LoadAsRootWrote(path)), Summary(c.expected));
  }
}

TEST(SiteConfig, TheHashIsTheFilesAndTheWarningsNameTheLines) {
  NEEDS_PASSWORD_HASHES();
  const LoadResult r = Parse("[x]\n[report]\nkey = 1\npassword = " + SampleHash() + "\n");
  EXPECT_EQ(r.config.report_password.hash(), SampleHash());
  EXPECT_EQ(r.warnings, (std::vector<std::string>{"line 1: unknown section [x], ignored",
                                                  "line 3: unknown key \"key\" in [report], ignored"}));
  EXPECT_EQ(r.ignored, (std::vector<Ignored>{{1, "x", ""}, {3, "report", "key"}}));
}

#ifndef MIRAVEL_PASSWORD_HASHES
// Only a build without libsodium has this case.
TEST(SiteConfig, WithoutPasswordHashesASetHashRefusesEveryPassword) {
  ASSERT_FALSE(run::PasswordHashesAvailable());
  const LoadResult r = Parse("[report]\nkey = 1\npassword = $argon2id$v=19$m=65536,t=2,p=1$c2FsdA$aGFzaA\n");
  EXPECT_EQ(r.problem, (Problem{ProblemKind::kNoHashSupport, 3}));
  EXPECT_EQ(r.config.report_password.kind(), Kind::kRefuseAll);
  EXPECT_FALSE(run::HashPassword("407152"));
}
#endif

#ifndef _WIN32
TEST(SiteConfig, FilesThatCannotBeRead) {
  TempFolder dir;
  Expected absent;
  absent.found = false;
  const Expected unreadable = Broken(ProblemKind::kUnreadable, 0);
  const Expected not_regular = Broken(ProblemKind::kNotRegularFile, 0);

  EXPECT_EQ(Summary(Load(dir.File("none.conf"))), Summary(absent));
  EXPECT_EQ(Summary(Load(dir.File("none/miravel.conf"))), Summary(absent));
  EXPECT_EQ(Summary(Load("")), Summary(unreadable)) << "no known place is no reason to open the report";

  stdfs::create_directory(dir.File("folder.conf"));
  EXPECT_EQ(Summary(Load(dir.File("folder.conf"))), Summary(not_regular));
  // A FIFO is never opened for reading, so nothing waits on it.
  ASSERT_EQ(::mkfifo(dir.File("fifo.conf").c_str(), 0644), 0);
  EXPECT_EQ(Summary(Load(dir.File("fifo.conf"))), Summary(not_regular));
  // A link to nothing is there, but cannot be read.
  stdfs::create_symlink(dir.File("none.conf"), dir.File("dangling.conf"));
  EXPECT_EQ(Summary(Load(dir.File("dangling.conf"))), Summary(unreadable));

  // Without the rights to read the file, or to look into its folder.
  const std::string file = dir.File("private.conf");
  Put(file, "[report]\n");
  ASSERT_EQ(::chmod(file.c_str(), 0600), 0);
  stdfs::create_directory(dir.File("locked"));
  Put(dir.File("locked/miravel.conf"), "[report]\n");
  ASSERT_EQ(::chmod(dir.File("locked").c_str(), 0700), 0);
  const unprivileged::Outcome child =
      unprivileged::Run([&] { return Summary(Load(file)) + "\n" + Summary(Load(dir.File("locked/miravel.conf"))); });
  ASSERT_EQ(child.status, unprivileged::Outcome::Status::kReturned) << child.text;
  EXPECT_EQ(child.text, Summary(unreadable) + "\n" + Summary(unreadable));
}
#endif

#ifdef _WIN32
TEST(SiteConfig, OnWindowsOnlyTheAdministratorsMayChangeTheFile) {
  TempFolder dir;
  const std::string path = dir.File("miravel.conf");
  Put(path, "[results]\nfolder = " SRV "/r\n");
  AsAdministratorsFile(path);
  if (!OwnedByAdministrators(path)) GTEST_SKIP() << "this file system keeps no owner of a file's (Wine)";
  EXPECT_EQ(Summary(Load(path)), Summary(Sound(Kind::kBuiltIn, SRV "/r")));
  AsAdministratorsFile(path, true);
  EXPECT_EQ(Summary(Load(path)), Summary(Broken(ProblemKind::kWritableByOthers, 0)));
  // Without a DACL everyone may do everything.
  std::wstring wide = stdfs::path(path).wstring();
  ASSERT_EQ(
      SetNamedSecurityInfoW(wide.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr, nullptr),
      static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(Summary(Load(path)), Summary(Broken(ProblemKind::kWritableByOthers, 0)));
}
#endif

#ifndef _WIN32
TEST(SiteConfig, OnlyAFileThatRootAloneMayChangeIsTrusted) {
  if (::geteuid() != 0) GTEST_SKIP() << "making files of root's and of others takes root";
  TempFolder dir;
  const std::string sound = "[results]\nfolder = /srv/r\n";
  const Expected trusted = Sound(Kind::kBuiltIn, "/srv/r");
  const struct {
    const char* name;
    mode_t file_mode;
    bool student_owns_file;
    mode_t folder_mode;
    bool student_owns_folder;
    Expected expected;
  } cases[] = {
      {"root's, 0644, in root's 0755 folder", 0644, false, 0755, false, trusted},
      {"read by root alone", 0600, false, 0755, false, trusted},
      {"group-writable", 0664, false, 0755, false, Broken(ProblemKind::kWritableByOthers, 0)},
      {"world-writable", 0646, false, 0755, false, Broken(ProblemKind::kWritableByOthers, 0)},
      {"another user's, 0644", 0644, true, 0755, false, Broken(ProblemKind::kNotRootsFile, 0)},
      {"in a world-writable folder", 0644, false, 0777, false, Broken(ProblemKind::kLooseFolder, 0)},
      {"in a group-writable folder", 0644, false, 0775, false, Broken(ProblemKind::kLooseFolder, 0)},
      {"in a sticky world-writable folder", 0644, false, 01777, false, trusted},
      {"in another user's folder", 0644, false, 0755, true, Broken(ProblemKind::kLooseFolder, 0)},
  };
  const std::string folder = dir.File("etc");
  const std::string path = dir.File("etc/miravel.conf");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    stdfs::create_directory(folder);
    Put(path, sound);
    ASSERT_EQ(::chmod(path.c_str(), c.file_mode), 0);
    ASSERT_EQ(::chown(path.c_str(), c.student_owns_file ? unprivileged::kUid : 0, 0), 0);
    ASSERT_EQ(::chmod(folder.c_str(), c.folder_mode), 0);
    ASSERT_EQ(::chown(folder.c_str(), c.student_owns_folder ? unprivileged::kUid : 0, 0), 0);
    EXPECT_EQ(Summary(Load(path)), Summary(c.expected));
    // The student's own run sees the same.
    const unprivileged::Outcome child = unprivileged::Run([&] { return Summary(Load(path)); });
    ASSERT_EQ(child.status, unprivileged::Outcome::Status::kReturned) << child.text;
    const Expected unreadable = Broken(ProblemKind::kUnreadable, 0);
    EXPECT_EQ(child.text, Summary(c.file_mode == 0600 ? unreadable : c.expected));
    // Without the file, a folder that others may change is no proof that
    // there never was one.
    stdfs::remove(path);
    const LoadResult missing = Load(path);
    EXPECT_EQ(missing.problem.has_value(), c.expected.problem && c.expected.problem->kind == ProblemKind::kLooseFolder);
    stdfs::remove_all(folder);
  }
}

TEST(SiteConfig, AStudentWhoEmptiesAWritableFileOpensNoReport) {
  NEEDS_PASSWORD_HASHES();
  if (::geteuid() != 0) GTEST_SKIP() << "making a file of root's takes root";
  TempFolder dir;
  const std::string path = dir.File("miravel.conf");
  Put(path, "[report]\npassword = " + SampleHash() + "\n");
  ASSERT_EQ(::chmod(path.c_str(), 0666), 0);
  const unprivileged::Outcome child = unprivileged::Run([&] {
    std::ofstream(path, std::ios::trunc).close();  // the student empties it
    return std::to_string(stdfs::file_size(path));
  });
  ASSERT_EQ(child.status, unprivileged::Outcome::Status::kReturned) << child.text;
  ASSERT_EQ(child.text, "0");
  const LoadResult r = Load(path);
  EXPECT_EQ(r.problem, (Problem{ProblemKind::kWritableByOthers, 0}));
  EXPECT_FALSE(r.config.report_password.Accepts("407152"));
}

TEST(SiteConfig, ALargeFileIsRefusedUnread) {
  if (::geteuid() != 0) GTEST_SKIP() << "making a file of root's takes root";
  TempFolder dir;
  const std::string path = dir.File("miravel.conf");
  // The largest file read: comments up to the byte.
  std::string text = "[results]\nfolder = /srv/r\n";
  text.append(kMaxFileSize - text.size() - 1, '#').push_back('\n');
  Put(path, text);
  EXPECT_EQ(Summary(Load(path)), Summary(Sound(Kind::kBuiltIn, "/srv/r")));
  Put(path, text + "\n");
  EXPECT_EQ(Summary(Load(path)), Summary(Broken(ProblemKind::kTooLarge, 0)));
  // 100 MB of newlines: refused by its size, before a byte is read.
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    const std::string megabyte(1'000'000, '\n');
    for (int i = 0; i < 100; ++i) out << megabyte;
  }
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Summary(Load(path)), Summary(Broken(ProblemKind::kTooLarge, 0)));
  const auto took = std::chrono::steady_clock::now() - start;
  std::cout << "a 100 MB file was refused in " << std::chrono::duration_cast<std::chrono::microseconds>(took).count()
            << " µs\n";
  EXPECT_LT(took, std::chrono::seconds(1));
}
#endif

TEST(SiteConfig, SettingThePasswordKeepsTheRestOfTheFile) {
  const std::string h = "$argon2id$new";
  struct Case {
    const char* name;
    std::string before;
    std::string after;
  };
  const Case cases[] = {
      {"no file yet", "", "# Miravel's site configuration (man miravel).\n[report]\npassword = " + h + "\n"},
      {"a results folder only", "[results]\nfolder = " SRV "/r",
       "[results]\nfolder = " SRV "/r\n[report]\npassword = " + h + "\n"},
      {"an old password among other keys, CR LF and a BOM",
       "\xEF\xBB\xBF# site\r\n[report]\r\nother = 1\r\n  PASSWORD = old\r\n[results]\r\nfolder = " SRV "/r\r\n",
       "\xEF\xBB\xBF# site\r\n[report]\r\nother = 1\r\npassword = " + h + "\r\n[results]\r\nfolder = " SRV "/r\r\n"},
      {"a report section without a password, new lines as the file's", "[report]\r\n# no password yet\r\n",
       "[report]\r\npassword = " + h + "\r\n# no password yet\r\n"},
      {"a password set twice: one is left", "[report]\npassword = a\n[x]\npassword = keep\n[report]\npassword = b\n",
       "[report]\npassword = " + h + "\n[x]\npassword = keep\n[report]\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const EditResult edited = WithReportPasswordHash(c.before, h);
    EXPECT_FALSE(edited.problem);
    EXPECT_EQ(edited.text, c.after);
  }
  // A real hash set this way is read back.
  NEEDS_PASSWORD_HASHES();
  const EditResult real = WithReportPasswordHash("[results]\nfolder = " SRV "/r\n", SampleHash());
  EXPECT_EQ(Summary(Parse(real.text)), Summary(Sound(Kind::kHash, SRV "/r")));

  // A file with a line that is no setting is not touched.
  for (const std::string broken : {"[report]\npassword\n", "folder = " SRV "\n[report]\n"}) {
    const EditResult edited = WithReportPasswordHash(broken, h);
    ASSERT_TRUE(edited.problem) << broken;
    EXPECT_EQ(edited.problem->kind, ProblemKind::kMalformedLine);
  }
  EXPECT_EQ(WithReportPasswordHash("# a\n[report]\nx\n", h).problem, (Problem{ProblemKind::kMalformedLine, 3}));
}

// --- a results folder on a network share ------------------------------------------

// On Windows a share's UNC path (\\server\share\folder) is a full path, kept
// exactly as written, in any alphabet; one that names no share is none. On
// Linux the share is mounted, and a UNC path is no full path there.
TEST(SiteConfigNetworkFolder, AUncPathIsKeptAsWrittenWhereItIsAFullPath) {
  struct Case {
    const char* value;
    bool full_path;  // on this system
  };
#ifdef _WIN32
  const Case cases[] = {
      {R"(\\server\share\results)", true},
      {R"(\\school-srv\Результаты\9 «А» класс)", true},
      {R"(\\10.0.0.5\miravel$\results\)", true},
      {"//server/share/results", true},
      {R"(\\server)", false},
      {R"(\\server\)", false},
      {R"(\\.\pipe\results)", false},
      {R"(\server\share\results)", false},  // a folder of the current drive
  };
#else
  const Case cases[] = {
      {R"(\\server\share\results)", false},
      {"/mnt/school-srv/results", true},
  };
#endif
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    const LoadResult r = Parse(std::string("[results]\nfolder = ") + c.value + "\n");
    if (!c.full_path) {
      EXPECT_EQ(r.problem, (Problem{ProblemKind::kMalformedFolder, 2}));
      EXPECT_FALSE(r.config.results_folder);
      continue;
    }
    EXPECT_FALSE(r.problem) << Describe(*r.problem);
    ASSERT_TRUE(r.config.results_folder);
    const std::u8string folder = r.config.results_folder->u8string();
    EXPECT_EQ(std::string(folder.begin(), folder.end()), c.value);
  }
}

}  // namespace
}  // namespace miravel::site
