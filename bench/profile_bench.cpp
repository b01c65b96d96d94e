// SPDX-License-Identifier: GPL-3.0-or-later
// Benchmarks of the profile-file service on a large test file, beside the
// inih parser (its C callback interface and its C++ INIReader) on the same
// file.
//
// The test file has 10,000 questions of Russian text in Windows-1251, about
// 2.5 MB, written once into a temporary directory and removed at exit. Every
// parse benchmark reads that file from disk (page-cached after the first
// pass), so all of them include opening and reading it.
//
// The question benchmarks measure what showing one question costs once the
// test file is open: the question text and the four options (each a lookup
// plus the decoding of the cipher) and one number from the answer journal, a
// small second file.

#include <benchmark/benchmark.h>
#include <ini.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <INIReader.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <system_error>
#include <unistd.h>
#include <utility>
#include <vector>

#include "platform/cp1251.h"
#include "platform/file_system.h"
#include "platform/profile_file.h"
#include "testdata/cipher.h"
#include "testdata/test_file.h"

namespace {

using miravel::ProfileDocument;
using miravel::ProfileFile;
using miravel::Text;
using miravel::testdata::TestFileReader;

constexpr std::int32_t kQuestions = 10000;
constexpr std::size_t kEntriesPerQuestion = 6;  // QwText, va0..va3, otv
constexpr std::size_t kHeaderEntries = 5;  // TestName, Desc, Komment, QwCount, Time
constexpr std::size_t kEntries = kHeaderEntries + kEntriesPerQuestion * kQuestions;
// inih reads a line into a 200-byte buffer; every generated line stays below.
constexpr std::size_t kLongestLine = 190;

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "profile_bench: %s\n", what.c_str());
  std::abort();
}

// --- generated texts -------------------------------------------------------

const std::vector<Text>& Words() {
  static const std::vector<Text> kWords = [] {
    const char* const utf8[] = {
        "какой",
        "из",
        "перечисленных",
        "вариантов",
        "является",
        "правильным",
        "ответом",
        "на",
        "вопрос",
        "о",
        "свойствах",
        "треугольника",
        "если",
        "известно",
        "что",
        "его",
        "стороны",
        "равны",
        "между",
        "собой",
        "а",
        "углы",
        "при",
        "основании",
        "составляют",
        "градусов",
        "в",
        "каком",
        "году",
        "была",
        "подписана",
        "грамота",
        "князя",
        "определите",
        "значение",
        "выражения",
        "при",
        "условии",
        "переменная",
        "принимает",
        "целые",
        "значения",
        "укажите",
        "верное",
        "утверждение",
        "относительно",
        "закона",
        "сохранения",
        "энергии",
        "для",
        "замкнутой",
        "системы",
        "тел",
        "чему",
        "равна",
        "сумма",
        "внутренних",
        "многоугольника",
        "как",
        "называется",
        "процесс",
        "превращения",
        "воды",
        "пар",
        "температуре",
        "кипения",
        "выберите",
        "слово",
        "с",
        "безударной",
        "гласной",
        "корне",
        "где",
        "находится",
        "столица",
        "области",
        "сколько",
        "будет",
        "решений",
        "у",
        "уравнения",
        "второй",
        "степени",
        "число",
        "Москва",
        "Россия",
        "Пушкин",
        "Ломоносов",
        "Волга",
        "Сибирь",
        "1812",
        "45",
        "360",
        "2,5",
        "100",
        "7",
    };
    std::vector<Text> out;
    for (const char* w : utf8) out.push_back(miravel::cp1251::FromUtf8(w));
    return out;
  }();
  return kWords;
}

// A sentence of random words, `min`..`max` bytes long before the final mark.
Text Sentence(std::mt19937& rng, std::size_t min, std::size_t max, std::string_view end) {
  const auto& words = Words();
  std::uniform_int_distribution<std::size_t> pick(0, words.size() - 1);
  std::uniform_int_distribution<std::size_t> length(min, max);
  const std::size_t want = length(rng);
  Text out;
  while (out.size() < want) {
    const Text& w = words[pick(rng)];
    if (!out.empty() && out.size() + 1 + w.size() > max) break;
    if (!out.empty()) out += ' ';
    out += w;
  }
  if (!out.empty()) {
    // Capitalise a Cyrillic first letter: lower case is 0xE0..0xFF.
    const auto first = static_cast<unsigned char>(out[0]);
    if (first >= 0xE0) out[0] = static_cast<char>(first - 0x20u);
  }
  out += end;
  return out;
}

// Whether the enciphered text is stored by the profile service exactly as it
// is, and reads the same through inih: no escaping, no quoting, nothing that
// inih takes for a comment, a separator or a line end.
bool PlainInBothParsers(const Text& enciphered) {
  if (miravel::EncodeProfileValue(enciphered) != enciphered) return false;
  for (const char c : enciphered)
    if (c == '\0' || c == '\r' || c == '\n' || c == ';' || c == '#' || c == '"' || c == '\'') return false;
  if (!enciphered.empty() && (enciphered.front() == ' ' || enciphered.back() == ' ' || enciphered.front() == '\t' ||
                              enciphered.back() == '\t'))
    return false;
  return true;
}

// A Cr-enciphered sentence whose cipher form passes PlainInBothParsers.
Text EncipheredSentence(std::mt19937& rng, std::size_t min, std::size_t max, std::string_view end) {
  for (int attempt = 0; attempt < 1000; ++attempt) {
    Text e = miravel::testdata::Cr(Sentence(rng, min, max, end));
    if (PlainInBothParsers(e)) return e;
  }
  Fail("no plain enciphered text after 1000 attempts");
}

// --- the files ---------------------------------------------------------------

struct Line {
  std::string key;
  std::string value;
};
struct Section {
  std::string name;
  std::vector<Line> lines;
};

std::string Render(const std::vector<Section>& sections) {
  std::string out;
  for (const auto& s : sections) {
    out += '[';
    out += s.name;
    out += "]\r\n";
    for (const auto& l : s.lines) {
      const std::size_t before = out.size();
      out += l.key;
      out += '=';
      out += l.value;
      if (out.size() - before > kLongestLine) Fail("generated line too long: " + l.key);
      out += "\r\n";
    }
  }
  return out;
}

std::vector<Section> MakeTest() {
  std::mt19937 rng(20240611);  // fixed seed: the same file on every run
  std::vector<Section> sections;
  sections.push_back({"Main",
                      {{"TestName", EncipheredSentence(rng, 20, 40, "")},
                       {"Desc", EncipheredSentence(rng, 60, 120, ".")},
                       {"Komment", EncipheredSentence(rng, 40, 100, ".")}}});
  sections.push_back({"Option", {{"QwCount", std::to_string(kQuestions)}, {"Time", "90"}}});
  constexpr std::string_view kCodes = "@&%#";
  std::uniform_int_distribution<std::size_t> code(0, 3);
  for (std::int32_t n = 1; n <= kQuestions; ++n) {
    Section s{miravel::testdata::QuestionSection(n), {}};
    s.lines.push_back({"QwText", EncipheredSentence(rng, 60, 148, "?")});
    for (int k = 0; k < 4; ++k)
      s.lines.push_back({miravel::testdata::OptionKey(k), EncipheredSentence(rng, 10, 39, "")});
    s.lines.push_back({"otv", std::string(1, kCodes[code(rng)])});
    sections.push_back(std::move(s));
  }
  return sections;
}

std::string MakeJournal() {
  std::vector<Section> sections;
  sections.push_back({"Journal",
                      {{"Student", miravel::cp1251::FromUtf8("Иванов Пётр")},
                       {"Group", miravel::cp1251::FromUtf8("10 Б")},
                       {"Started", "2024-06-11 09:00"},
                       {"Current", "4711"},
                       {"Answered", "4710"},
                       {"Right", "3900"}}});
  sections.push_back({"Answers", {{"1", "2"}, {"2", "0"}, {"3", "3"}, {"4", "1"}}});
  return Render(sections);
}

void WriteFile(const std::filesystem::path& path, const std::string& content) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) Fail("cannot create " + path.string());
  const bool ok = std::fwrite(content.data(), 1, content.size(), f) == content.size();
  if (std::fclose(f) != 0 || !ok) Fail("cannot write " + path.string());
}

std::string ReadWholeFile(const char* path) {
  std::string out;
  std::FILE* f = std::fopen(path, "rb");
  if (f == nullptr) return out;
  char buffer[1 << 16];
  for (;;) {
    const std::size_t got = std::fread(buffer, 1, sizeof buffer, f);
    out.append(buffer, got);
    if (got < sizeof buffer) break;
  }
  std::fclose(f);
  return out;
}

// inih's view of the file, for the check that both parsers read it the same.
int CollectEntry(void* user, const char* section, const char* name, const char* value) {
  auto& all = *static_cast<std::map<std::pair<std::string, std::string>, std::string>*>(user);
  all.emplace(std::make_pair(std::string(section), std::string(name)), std::string(value));
  return 1;
}

// The generated files, made on first use and removed at exit.
class Files {
 public:
  static const Files& Get() {
    static const Files kFiles;
    return kFiles;
  }
  Files(const Files&) = delete;
  Files& operator=(const Files&) = delete;

  ~Files() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }

  const std::string& test() const { return test_; }
  const std::string& journal() const { return journal_; }
  std::size_t testSize() const { return test_size_; }

 private:
  Files() {
    dir_ = std::filesystem::temp_directory_path() / ("miravel-bench-" + std::to_string(static_cast<long>(::getpid())));
    std::filesystem::create_directories(dir_);
    const auto sections = MakeTest();
    const std::string content = Render(sections);
    test_ = (dir_ / "big.tst").string();
    journal_ = (dir_ / "journal.ini").string();
    WriteFile(test_, content);
    WriteFile(journal_, MakeJournal());
    test_size_ = content.size();
    Check(sections, content);
  }

  // Both parsers must see the same 70,005 entries, or the comparison would
  // not be of the same work.
  void Check(const std::vector<Section>& sections, const std::string& content) const {
    std::size_t lines = 0;
    for (const char c : content) lines += c == '\n' ? 1u : 0u;
    if (lines != 2 + kHeaderEntries + (1 + kEntriesPerQuestion) * kQuestions)
      Fail("unexpected line count " + std::to_string(lines));

    std::map<std::pair<std::string, std::string>, std::string> inih;
    if (ini_parse(test_.c_str(), CollectEntry, &inih) != 0) Fail("inih reports an error");
    if (inih.size() != kEntries) Fail("inih sees " + std::to_string(inih.size()) + " entries");

    const ProfileDocument doc(content);
    for (const auto& s : sections) {
      for (const auto& l : s.lines) {
        const auto ours = doc.Find(s.name, l.key);
        const auto it = inih.find({s.name, l.key});
        if (!ours || *ours != l.value) Fail("profile service misreads [" + s.name + "] " + l.key);
        if (it == inih.end() || it->second != l.value) Fail("inih misreads [" + s.name + "] " + l.key);
      }
    }
  }

  std::filesystem::path dir_;
  std::string test_;
  std::string journal_;
  std::size_t test_size_ = 0;
};

// The question numbers a run goes through: spread over the whole file in a
// fixed pseudo-random order, so neither the start nor the end of the file is
// favoured.
const std::vector<std::int32_t>& QuestionOrder() {
  static const std::vector<std::int32_t> kOrder = [] {
    std::vector<std::int32_t> out;
    for (std::int32_t n = 1; n <= kQuestions; ++n) out.push_back(n);
    std::shuffle(out.begin(), out.end(), std::mt19937(7));
    return out;
  }();
  return kOrder;
}

void SetParseCounters(benchmark::State& state) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(Files::Get().testSize()));
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(kEntries));
}

// --- parsing the whole file ---------------------------------------------------

// A fresh ProfileFile and its first read: stat, read and parse of the file.
void BM_Parse_ProfileFile(benchmark::State& state) {
  const auto& files = Files::Get();
  for (auto _ : state) {
    ProfileFile f(files.test());
    Text name = f.ReadText("Main", "TestName", "");
    benchmark::DoNotOptimize(name);
  }
  SetParseCounters(state);
}
BENCHMARK(BM_Parse_ProfileFile)->Unit(benchmark::kMillisecond);

// Reading the file into a string and parsing it with ProfileDocument.
void BM_Parse_ProfileDocument(benchmark::State& state) {
  const auto& files = Files::Get();
  for (auto _ : state) {
    ProfileDocument doc(ReadWholeFile(files.test().c_str()));
    auto name = doc.Find("Main", "TestName");
    benchmark::DoNotOptimize(name);
  }
  SetParseCounters(state);
}
BENCHMARK(BM_Parse_ProfileDocument)->Unit(benchmark::kMillisecond);

// ProfileDocument on content already in memory (the copy into its argument
// included): the parse alone.
void BM_Parse_ProfileDocumentInMemory(benchmark::State& state) {
  const auto& files = Files::Get();
  const std::string content = ReadWholeFile(files.test().c_str());
  for (auto _ : state) {
    ProfileDocument doc(content);
    auto name = doc.Find("Main", "TestName");
    benchmark::DoNotOptimize(name);
  }
  SetParseCounters(state);
}
BENCHMARK(BM_Parse_ProfileDocumentInMemory)->Unit(benchmark::kMillisecond);

// The floor: reading the file into a string, nothing parsed.
void BM_ReadFileOnly(benchmark::State& state) {
  const auto& files = Files::Get();
  for (auto _ : state) {
    std::string content = ReadWholeFile(files.test().c_str());
    benchmark::DoNotOptimize(content);
  }
  SetParseCounters(state);
}
BENCHMARK(BM_ReadFileOnly)->Unit(benchmark::kMillisecond);

// The service's own whole-file read (what ProfileFile uses), nothing parsed:
// with BM_Stat and BM_Parse_ProfileDocumentInMemory it splits the first read.
void BM_ReadFileService(benchmark::State& state) {
  const auto& files = Files::Get();
  for (auto _ : state) {
    auto content = miravel::fs::ReadWhole(files.test());
    if (!content) state.SkipWithError("read failed");
    benchmark::DoNotOptimize(content);
  }
  SetParseCounters(state);
}
BENCHMARK(BM_ReadFileService)->Unit(benchmark::kMillisecond);

int CountEntry(void* user, const char* /*section*/, const char* /*name*/, const char* /*value*/) {
  ++*static_cast<std::size_t*>(user);
  return 1;
}

// inih's C interface with a handler that only counts: its parse, no storage.
void BM_Parse_Inih(benchmark::State& state) {
  const auto& files = Files::Get();
  for (auto _ : state) {
    std::size_t count = 0;
    if (ini_parse(files.test().c_str(), CountEntry, &count) != 0) state.SkipWithError("inih error");
    benchmark::DoNotOptimize(count);
  }
  SetParseCounters(state);
}
BENCHMARK(BM_Parse_Inih)->Unit(benchmark::kMillisecond);

// inih's C interface on content already in memory.
void BM_Parse_InihInMemory(benchmark::State& state) {
  const auto& files = Files::Get();
  const std::string content = ReadWholeFile(files.test().c_str());
  for (auto _ : state) {
    std::size_t count = 0;
    if (ini_parse_string(content.c_str(), CountEntry, &count) != 0) state.SkipWithError("inih error");
    benchmark::DoNotOptimize(count);
  }
  SetParseCounters(state);
}
BENCHMARK(BM_Parse_InihInMemory)->Unit(benchmark::kMillisecond);

// INIReader: inih plus a std::map of every entry, what a C++ user would pick.
void BM_Parse_INIReader(benchmark::State& state) {
  const auto& files = Files::Get();
  for (auto _ : state) {
    INIReader reader(files.test());
    if (reader.ParseError() != 0) state.SkipWithError("INIReader error");
    std::string name = reader.Get("Main", "TestName", "");
    benchmark::DoNotOptimize(name);
  }
  SetParseCounters(state);
}
BENCHMARK(BM_Parse_INIReader)->Unit(benchmark::kMillisecond);

// --- reads on an open file -------------------------------------------------------

// The reads that showing question N needs. Argument 0: N runs over the whole
// file in pseudo-random order; otherwise N is the argument.
void BM_QuestionReads(benchmark::State& state) {
  const auto& files = Files::Get();
  const ProfileFile test(files.test());
  const ProfileFile journal(files.journal());
  const TestFileReader reader(test);
  if (reader.QuestionCount(0) != kQuestions) state.SkipWithError("question count misread");
  if (journal.ReadNumber("Journal", "Current", -1) != 4711) state.SkipWithError("journal misread");
  const auto& order = QuestionOrder();
  const auto fixed = static_cast<std::int32_t>(state.range(0));
  std::size_t i = 0;
  std::size_t bytes = 0;
  for (auto _ : state) {
    const std::int32_t n = fixed != 0 ? fixed : order[i++ % order.size()];
    Text q = reader.QuestionText(n);
    Text a0 = reader.OptionText(n, 0);
    Text a1 = reader.OptionText(n, 1);
    Text a2 = reader.OptionText(n, 2);
    Text a3 = reader.OptionText(n, 3);
    std::int32_t current = journal.ReadNumber("Journal", "Current", 0);
    bytes += q.size() + a0.size() + a1.size() + a2.size() + a3.size();
    benchmark::DoNotOptimize(q);
    benchmark::DoNotOptimize(a0);
    benchmark::DoNotOptimize(a1);
    benchmark::DoNotOptimize(a2);
    benchmark::DoNotOptimize(a3);
    benchmark::DoNotOptimize(current);
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));  // questions
  state.counters["text_bytes"] = benchmark::Counter(static_cast<double>(bytes), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_QuestionReads)->Arg(0)->Arg(1)->Arg(kQuestions / 2)->Arg(kQuestions)->Unit(benchmark::kMicrosecond);

// The same reads as BM_QuestionReads, with the question's five texts read
// together (TestFileReader::Question: one check of the file for all five).
void BM_QuestionReadTogether(benchmark::State& state) {
  const auto& files = Files::Get();
  const ProfileFile test(files.test());
  const ProfileFile journal(files.journal());
  const TestFileReader reader(test);
  if (reader.QuestionCount(0) != kQuestions) state.SkipWithError("question count misread");
  const auto& order = QuestionOrder();
  const auto fixed = static_cast<std::int32_t>(state.range(0));
  std::size_t i = 0;
  for (auto _ : state) {
    const std::int32_t n = fixed != 0 ? fixed : order[i++ % order.size()];
    auto q = reader.Question(n);
    std::int32_t current = journal.ReadNumber("Journal", "Current", 0);
    benchmark::DoNotOptimize(q);
    benchmark::DoNotOptimize(current);
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));  // questions
}
BENCHMARK(BM_QuestionReadTogether)->Arg(0)->Arg(kQuestions)->Unit(benchmark::kMicrosecond);

// One ReadText on the open test file: a stat plus a lookup.
void BM_ReadText(benchmark::State& state) {
  const auto& files = Files::Get();
  const ProfileFile test(files.test());
  (void)test.ReadText("Main", "TestName", "");
  const auto& order = QuestionOrder();
  std::size_t i = 0;
  for (auto _ : state) {
    Text t = test.ReadText(miravel::testdata::QuestionSection(order[i++ % order.size()]), "QwText", "");
    benchmark::DoNotOptimize(t);
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_ReadText)->Unit(benchmark::kNanosecond);

// The same lookup on the in-memory document: no stat, so the difference to
// BM_ReadText is the cost of the file check.
void BM_DocumentFind(benchmark::State& state) {
  const auto& files = Files::Get();
  const ProfileDocument doc(ReadWholeFile(files.test().c_str()));
  const auto& order = QuestionOrder();
  std::size_t i = 0;
  for (auto _ : state) {
    auto t = doc.Find(miravel::testdata::QuestionSection(order[i++ % order.size()]), "QwText");
    benchmark::DoNotOptimize(t);
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_DocumentFind)->Unit(benchmark::kNanosecond);

// A bare stat() of the test file: the floor of the per-call file check.
void BM_Stat(benchmark::State& state) {
  const auto& files = Files::Get();
  for (auto _ : state) {
    struct stat st {};
    const int rc = ::stat(files.test().c_str(), &st);
    benchmark::DoNotOptimize(rc);
    benchmark::DoNotOptimize(st);
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_Stat)->Unit(benchmark::kNanosecond);

// For scale: the same lookup in INIReader's map (no file check).
void BM_INIReaderGet(benchmark::State& state) {
  const auto& files = Files::Get();
  const INIReader reader(files.test());
  const auto& order = QuestionOrder();
  std::size_t i = 0;
  for (auto _ : state) {
    std::string t = reader.Get(miravel::testdata::QuestionSection(order[i++ % order.size()]), "QwText", "");
    benchmark::DoNotOptimize(t);
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_INIReaderGet)->Unit(benchmark::kNanosecond);

// --- replacing a file -----------------------------------------------------------

// The same replacement as fs::WriteReplacing, without its flushes of the new
// file and of the folder: the baseline that shows what durability costs.
bool ReplaceWithoutFlush(const std::string& path, std::string_view bytes) {
  const std::string temp = path + ".~unflushed";
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  const bool written = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  return ::close(fd) == 0 && written && ::rename(temp.c_str(), path.c_str()) == 0;
}

// One journal replacement of state.range(0) bytes (a journal of about 100
// and of 10,000 answers), flushed (range(1) == 1, fs::WriteReplacing) or not.
// The file lies on the file system of the temporary folder.
void BM_ReplaceJournal(benchmark::State& state) {
  const auto& files = Files::Get();
  const std::string path = files.journal() + ".replaced";
  const std::string bytes(static_cast<std::size_t>(state.range(0)), 'x');
  const bool flushed = state.range(1) == 1;
  std::int64_t replaced = 0;
  for (auto _ : state) {
    if (flushed ? miravel::fs::WriteReplacing(path, bytes) : ReplaceWithoutFlush(path, bytes)) ++replaced;
  }
  if (replaced != state.iterations()) state.SkipWithError("a replacement failed");
  std::error_code ec;
  std::filesystem::remove(path, ec);
  state.counters["replaced"] = static_cast<double>(replaced);
}
BENCHMARK(BM_ReplaceJournal)
    ->ArgNames({"bytes", "flushed"})
    ->Args({20'000, 0})
    ->Args({20'000, 1})
    ->Args({2'000'000, 0})
    ->Args({2'000'000, 1})
    ->Unit(benchmark::kMicrosecond);

// What each recording and the report add to tell whether the journal is as
// the run wrote it (AnswerJournal::ChangedBehindTheRun): the file's stamp, a
// read of the whole file and a comparison with what the run wrote.
void BM_CheckJournal(benchmark::State& state) {
  const auto& files = Files::Get();
  const std::string path = files.journal() + ".checked";
  const std::string bytes(static_cast<std::size_t>(state.range(0)), 'x');
  if (!miravel::fs::WriteReplacing(path, bytes)) {
    state.SkipWithError("the journal could not be written");
    return;
  }
  std::int64_t same = 0;
  for (auto _ : state) {
    const miravel::fs::FileStamp stamp = miravel::fs::Stamp(path);
    if (!stamp.exists || !stamp.regular || stamp.size != bytes.size()) continue;
    const auto content = miravel::fs::ReadWhole(path);
    if (content && content->bytes == bytes) ++same;
  }
  if (same != state.iterations()) state.SkipWithError("a check found the journal changed");
  std::error_code ec;
  std::filesystem::remove(path, ec);
}
BENCHMARK(BM_CheckJournal)->ArgNames({"bytes"})->Arg(20'000)->Arg(2'000'000)->Unit(benchmark::kMicrosecond);

}  // namespace
