// Converting 1 MB of UTF-8 to UTF-16 and back through the framework beside calling iconv
// directly (opening the converter for each conversion, as the framework does).
#include <iconv.h>

#include <cstdlib>
#include <string>

#include "BenchRatio.h"
#include "strings/RuntimeString.h"
#include "strings/TextEncoding.h"

namespace {

// About 1 MB of mixed text: ASCII, Latin accents and Japanese.
std::string MakeText() {
  const std::string piece = "Hello, world! caf\xC3\xA9 na\xC3\xAFve \xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E ";
  std::string text;
  while (text.size() < (1u << 20)) text += piece;
  return text;
}

// One conversion with iconv directly, into a buffer sized for the output.
size_t ConvertDirect(const char* to, const char* from, const std::string& in, std::string& out) {
  iconv_t cd = iconv_open(to, from);
  out.resize(2 * in.size() + 16);
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  char* dst = out.data();
  size_t dstLeft = out.size();
  iconv(cd, &src, &srcLeft, &dst, &dstLeft);
  iconv_close(cd);
  out.resize(out.size() - dstLeft);
  return out.size();
}

void BM_RoundTripFramework(benchmark::State& state) {
  std::string text = MakeText();
  string utf8 = string::FromBytes(text.data(), static_cast<int64_t>(text.size()), kEncodingUTF8);
  for (auto _ : state) {
    // The two directions alternate sources, so the one-entry cache never answers.
    string wide = ConvertEncoding(utf8, kEncodingUnicode16);
    string back = ConvertEncoding(wide, kEncodingUTF8);
    benchmark::DoNotOptimize(back.Storage());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_RoundTripFramework)->Unit(benchmark::kMillisecond);

void BM_RoundTripIconv(benchmark::State& state) {
  std::string text = MakeText();
  for (auto _ : state) {
    std::string wide, back;
    ConvertDirect("UTF16LE", "UTF8", text, wide);
    ConvertDirect("UTF8", "UTF16LE", wide, back);
    benchmark::DoNotOptimize(back.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_RoundTripIconv)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return qvbench::RunWithRatios(argc, argv, {{"BM_RoundTripFramework", "BM_RoundTripIconv"}},
                                1.2);
}
