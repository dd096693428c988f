#include "answers/Answers.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>

#include "core/Export.h"
#include "core/ExportRegistry.h"
#include "support/TestSupport.h"

extern char** environ;

namespace answers {

namespace {

constexpr const char* kArrow = " -> ";
constexpr const char* kVariantMark = " | ";

std::vector<Area>& AreaList() {
  static std::vector<Area> areas;
  return areas;
}

std::string TablePath(const std::string& area) {
  return std::string(QV_ANSWERS_DIR) + "/" + area + ".txt";
}

std::string SelfPath() {
  char path[4096];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return "";
  path[n] = '\0';
  return path;
}

// The environment of this process with the variant's changes and the child's own settings.
std::vector<std::string> ChildEnvironment(const std::vector<std::string>& changes) {
  std::vector<std::string> result;
  for (char** e = environ; *e; ++e) result.emplace_back(*e);
  auto remove = [&](const std::string& name) {
    std::erase_if(result, [&](const std::string& entry) {
      return entry.compare(0, name.size() + 1, name + "=") == 0;
    });
  };
  for (const std::string& change : changes) {
    const size_t equals = change.find('=');
    remove(change.substr(0, equals));
    if (equals != std::string::npos) result.push_back(change);
  }
  return result;
}

// One variant's lines as the child wrote them ("key -> answer", "#called NAME").
struct VariantRun {
  bool skipped = false;
  std::string why;  // a failed or skipped run's standard error
  std::vector<std::pair<std::string, std::string>> lines;
  std::vector<std::string> called;
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Splits "key -> answer" at the first arrow that follows the key's closing parenthesis or
// quote: keys hold quoted values only, in which an arrow is escaped, so the first " -> " that
// is outside quotes ends the key.
bool SplitLine(const std::string& line, std::string* key, std::string* answer) {
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '\\') {
      ++i;
    } else if (line[i] == '"') {
      quoted = !quoted;
    } else if (!quoted && line.compare(i, 4, kArrow) == 0) {
      *key = line.substr(0, i);
      *answer = line.substr(i + 4);
      return true;
    }
  }
  return false;
}

VariantRun RunVariant(const Area& area, size_t index, const Variant& variant) {
  VariantRun run;
  char outPath[] = "/tmp/qv-answers-XXXXXX";
  const int out = mkstemp(outPath);
  char errPath[] = "/tmp/qv-answers-err-XXXXXX";
  const int err = mkstemp(errPath);
  if (out < 0 || err < 0) {
    ADD_FAILURE() << "mkstemp: " << std::strerror(errno);
    return run;
  }
  std::vector<std::string> changes = variant.environment;
  changes.push_back(std::string("QV_ANSWERS_EMIT=") + area.name);
  changes.push_back("QV_ANSWERS_VARIANT=" + std::to_string(index));
  changes.push_back(std::string("QV_ANSWERS_OUT=") + outPath);
  const std::vector<std::string> environment = ChildEnvironment(changes);
  std::vector<char*> envp;
  for (const std::string& entry : environment) envp.push_back(const_cast<char*>(entry.c_str()));
  envp.push_back(nullptr);

  std::vector<std::string> argv = variant.wrapper;
  argv.push_back(SelfPath());
  argv.push_back("--gtest_also_run_disabled_tests");
  argv.push_back("--gtest_filter=AnswersEmit.DISABLED_Run");
  const int devnull = open("/dev/null", O_RDWR | O_CLOEXEC);
  int error = 0;
  const pid_t child = qvtest::Spawn(argv, envp.data(), devnull, err, err, &error);
  close(devnull);
  int status = -1;
  if (child < 0) {
    ADD_FAILURE() << "cannot start the variant " << variant.name << ": " << std::strerror(error);
  } else {
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
  }
  close(out);
  close(err);
  run.why = ReadFile(errPath);
  const std::string text = ReadFile(outPath);
  unlink(outPath);
  unlink(errPath);
  if (child < 0) return run;
  if (WIFEXITED(status) && WEXITSTATUS(status) == kVariantSkipped) {
    run.skipped = true;
    return run;
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    ADD_FAILURE() << "area " << area.name << ", variant " << variant.name
                  << " ended with status " << status << ":\n"
                  << run.why;
  }
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind("#called ", 0) == 0) {
      run.called.push_back(line.substr(8));
      continue;
    }
    std::string key, answer;
    if (!SplitLine(line, &key, &answer)) {
      ADD_FAILURE() << "unreadable line from variant " << variant.name << ": " << line;
      continue;
    }
    run.lines.emplace_back(variant.name.empty() ? key : variant.name + kVariantMark + key,
                           answer);
  }
  return run;
}

struct CommittedTable {
  std::vector<std::pair<std::string, std::string>> lines;
  std::map<std::string, std::string> byKey;
};

CommittedTable ReadCommitted(const std::string& path) {
  CommittedTable table;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::string key, answer;
    if (!SplitLine(line, &key, &answer)) continue;
    table.lines.emplace_back(key, answer);
    table.byKey[key] = answer;
  }
  return table;
}

bool InVariant(const std::string& key, const Variant& variant) {
  const std::string prefix = variant.name + kVariantMark;
  return !variant.name.empty() && key.compare(0, prefix.size(), prefix) == 0;
}

void WriteTable(const std::string& path, const Area& area,
                const std::vector<std::pair<std::string, std::string>>& lines) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << "# The answers of the " << area.name
      << " area: one line per call, \"key -> answer\". Written by scripts/answers.\n";
  for (const auto& [key, answer] : lines) out << key << kArrow << answer << '\n';
  if (!out) ADD_FAILURE() << "cannot write " << path;
}

// Prints what differs, keyed: changed answers, lines gone, lines new; at most limit of each.
void ReportDifferences(const CommittedTable& committed,
                       const std::vector<std::pair<std::string, std::string>>& lines) {
  constexpr int kLimit = 200;
  std::map<std::string, std::string> now(lines.begin(), lines.end());
  int changed = 0, gone = 0, added = 0;
  std::ostringstream text;
  for (const auto& [key, answer] : committed.lines) {
    const auto found = now.find(key);
    if (found == now.end()) {
      if (gone++ < kLimit) text << "- " << key << kArrow << answer << '\n';
    } else if (found->second != answer) {
      if (changed++ < kLimit) {
        text << "  " << key << "\n    was " << answer << "\n    now " << found->second << '\n';
      }
    }
  }
  for (const auto& [key, answer] : lines) {
    if (!committed.byKey.count(key) && added++ < kLimit) {
      text << "+ " << key << kArrow << answer << '\n';
    }
  }
  if (changed || gone || added) {
    ADD_FAILURE() << changed << " answers changed, " << gone << " lines gone, " << added
                  << " lines new (scripts/answers writes the table again; say why in the "
                     "commit):\n"
                  << text.str();
  }
}

}  // namespace

void Table::Line(const std::string& key, const std::string& answer) {
  if (key.find('\n') != std::string::npos || answer.find('\n') != std::string::npos) {
    ADD_FAILURE() << "a line break in a table line: " << key;
    return;
  }
  if (!mKeys.emplace(key, true).second) {
    ADD_FAILURE() << "the key is given twice: " << key;
    return;
  }
  mLines.emplace_back(key, answer);
}

void Table::Called(const std::string& exportName) {
  if (mCalledSet.emplace(exportName, true).second) mCalled.push_back(exportName);
}

bool RegisterArea(const Area& area) {
  AreaList().push_back(area);
  return true;
}

const Area* FindArea(const std::string& name) {
  for (const Area& area : AreaList()) {
    if (name == area.name) return &area;
  }
  return nullptr;
}

void SkipVariant(const std::string& reason) {
  std::fprintf(stderr, "%s\n", reason.c_str());
  std::fflush(nullptr);
  _exit(kVariantSkipped);
}

std::vector<const Area*> Areas() {
  std::vector<const Area*> result;
  for (const Area& area : AreaList()) result.push_back(&area);
  return result;
}

void CheckArea(const std::string& name) {
  const Area* area = FindArea(name);
  ASSERT_NE(area, nullptr) << "no area " << name;
  const std::string path = TablePath(name);
  const CommittedTable committed = ReadCommitted(path);
  const std::vector<Variant> variants = area->variants();
  std::vector<std::pair<std::string, std::string>> lines;
  std::set<std::string> called;
  for (size_t i = 0; i < variants.size(); ++i) {
    VariantRun run = RunVariant(*area, i, variants[i]);
    if (run.skipped) {
      // Where the machine cannot make this variant, its committed lines stand.
      std::printf("answers: %s, variant %s not run here: %s\n", area->name,
                  variants[i].name.c_str(), run.why.c_str());
      for (const auto& line : committed.lines) {
        if (InVariant(line.first, variants[i])) lines.push_back(line);
        if (line.first.rfind("called | ", 0) == 0) called.insert(line.first.substr(9));
      }
      continue;
    }
    lines.insert(lines.end(), run.lines.begin(), run.lines.end());
    called.insert(run.called.begin(), run.called.end());
  }
  // Which exports the area called, for the table of exports without rows (Answers.Exports).
  for (const std::string& exportName : called) lines.emplace_back("called | " + exportName, "yes");
  const char* write = std::getenv("QV_ANSWERS_WRITE");
  if (write && *write && std::strcmp(write, "0") != 0) {
    WriteTable(path, *area, lines);
    std::printf("answers: wrote %zu lines to %s\n", lines.size(), path.c_str());
    return;
  }
  if (committed.lines.empty()) {
    ADD_FAILURE() << path << " holds no lines: scripts/answers writes it";
    return;
  }
  ReportDifferences(committed, lines);
}

// --- Readable forms ---------------------------------------------------------------------------

std::string QuoteBytes(const void* bytes, size_t length) {
  static const char kHex[] = "0123456789ABCDEF";
  const auto* p = static_cast<const unsigned char*>(bytes);
  std::string text = "\"";
  for (size_t i = 0; i < length; ++i) {
    const unsigned char c = p[i];
    switch (c) {
      case '\\': text += "\\\\"; break;
      case '"': text += "\\\""; break;
      case '\n': text += "\\n"; break;
      case '\r': text += "\\r"; break;
      case '\t': text += "\\t"; break;
      default:
        if (c >= 0x20 && c < 0x7F) {
          text += char(c);
        } else {
          text += "\\x";
          text += kHex[c >> 4];
          text += kHex[c & 15];
        }
    }
  }
  return text + "\"";
}

std::string EncodingName(TextEncoding encoding) {
  switch (encoding) {
    case kEncodingUTF8: return "UTF-8";
    case kEncodingUnicode16: return "UTF-16";
    case kEncodingUTF32: return "UTF-32";
    case kEncodingMacRoman: return "MacRoman";
    case kEncodingWindowsLatin1: return "WindowsLatin1";
    case 0x0201: return "Latin1";
    case kEncodingASCII: return "ASCII";
    case kEncodingISO2022JP: return "ISO-2022-JP";
    case 0x0920: return "EUC-JP";
    case 0x0A01: return "ShiftJIS";
    case 0x0420: return "CP932";
    case 0x0421: return "GBK";
    case 0x0422: return "CP949";
    case 0x0423: return "Big5";
    case kEncodingNone: return "none";
    default: break;
  }
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", encoding);
  return text;
}

std::string QuoteString(const stringStorage* value) {
  if (!value) return "\"\"";
  return QuoteBytes(stringStorage::CString(value), value->length) + "@" +
         EncodingName(value->encoding);
}

std::string QuoteString(const string& value) { return QuoteString(value.Storage()); }

std::string Number(double value) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
  if (value == 0) return std::signbit(value) ? "-0" : "0";
  // The shortest text that reads back, in no locale: an area that runs under one still
  // writes 0.5 and 100, not "0,5" or "1e+02".
  char text[40];
  const std::to_chars_result written = std::to_chars(text, text + sizeof text, value);
  return std::string(text, written.ptr);
}

std::string Number(int64_t value) { return std::to_string(value); }

std::string ErrorName(int code) {
  if (code == 0) return "0";
  const char* name = strerrorname_np(code);
  return name ? name : std::to_string(code);
}

// --- Calling an export ------------------------------------------------------------------------

Words& Words::Add(uint32_t word) {
  mWords.push_back(word);
  return *this;
}
Words& Words::Add64(uint64_t value) {
  return Add(uint32_t(value)).Add(uint32_t(value >> 32));
}
Words& Words::AddDouble(double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return Add64(bits);
}
Words& Words::AddSingle(float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return Add(bits);
}

const RelocEntry* Export(const std::string& name) {
  const RelocEntry* entry = LookupExportEntry(name.c_str());
  EXPECT_NE(entry, nullptr) << "no export " << name;
  return entry;
}

CallResult CallExport(Table& table, const std::string& name, const Words& words) {
  CallResult result;
  const RelocEntry* entry = Export(name);
  const char* signature = FindExportSignature(name.c_str());
  if (!entry || !signature) return result;
  table.Called(entry->name);
  // cdecl: the caller pushes and pops every word, and the callee reads only its own, so a call
  // through a pointer of sixteen words passes any shorter list the same way.
  uint32_t w[16] = {};
  const std::vector<uint32_t>& given = words.Get();
  if (given.size() > 16) {
    ADD_FAILURE() << name << ": more than 16 argument words";
    return result;
  }
  std::copy(given.begin(), given.end(), w);
  using IntegerCall = uint64_t (*)(uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t,
                                   uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t,
                                   uint32_t, uint32_t, uint32_t, uint32_t);
  using FloatingCall = double (*)(uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t,
                                  uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t,
                                  uint32_t, uint32_t, uint32_t, uint32_t);
  if (signature[0] == 'f' || signature[0] == 'd') {
    result.floating = reinterpret_cast<FloatingCall>(entry->code)(
        w[0], w[1], w[2], w[3], w[4], w[5], w[6], w[7], w[8], w[9], w[10], w[11], w[12], w[13],
        w[14], w[15]);
  } else {
    result.integer = reinterpret_cast<IntegerCall>(entry->code)(
        w[0], w[1], w[2], w[3], w[4], w[5], w[6], w[7], w[8], w[9], w[10], w[11], w[12], w[13],
        w[14], w[15]);
    if (signature[0] == 'i') result.integer &= 0xFFFFFFFFu;
    if (signature[0] == 'v') result.integer = 0;
  }
  return result;
}

}  // namespace answers

// The child side: runs one variant of one area and writes its lines to QV_ANSWERS_OUT. Started
// by CheckArea alone (disabled, so that no run of the suite starts it by itself).
TEST(AnswersEmit, DISABLED_Run) {
  const char* areaName = std::getenv("QV_ANSWERS_EMIT");
  const char* index = std::getenv("QV_ANSWERS_VARIANT");
  const char* out = std::getenv("QV_ANSWERS_OUT");
  ASSERT_TRUE(areaName && index && out);
  const answers::Area* area = answers::FindArea(areaName);
  ASSERT_NE(area, nullptr);
  const std::vector<answers::Variant> variants = area->variants();
  const size_t i = std::strtoul(index, nullptr, 10);
  ASSERT_LT(i, variants.size());
  answers::Table table;
  area->emit(variants[i], table);
  std::ofstream file(out, std::ios::binary | std::ios::trunc);
  for (const auto& [key, answer] : table.Lines()) file << key << " -> " << answer << '\n';
  for (const std::string& name : table.CalledExports()) file << "#called " << name << '\n';
  ASSERT_TRUE(file.good()) << "cannot write " << out;
}
