// Converting 1 MB of UTF-8 to UTF-16 and back through the framework beside calling iconv
// directly (opening the converter for each conversion); and a short text at a time, where the
// framework's kept converters stand beside converters opened once. Then conversions that lose
// characters beside lossless ones of the same text: the mixed text to ASCII (its accents and
// Japanese refused) and Japanese text to Windows Latin-1 (every character refused), each beside
// the same text to UTF-16.
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

// One conversion with a converter kept open, into a buffer sized for the output.
size_t ConvertWith(iconv_t cd, const std::string& in, std::string& out) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  out.resize(2 * in.size() + 16);
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  char* dst = out.data();
  size_t dstLeft = out.size();
  iconv(cd, &src, &srcLeft, &dst, &dstLeft);
  out.resize(out.size() - dstLeft);
  return out.size();
}

// One conversion with iconv directly, opening the converter for it.
size_t ConvertDirect(const char* to, const char* from, const std::string& in, std::string& out) {
  iconv_t cd = iconv_open(to, from);
  size_t size = ConvertWith(cd, in, out);
  iconv_close(cd);
  return size;
}

// About 1 MB of Japanese sentences.
std::string MakeJapaneseText() {
  const std::string piece =
      "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE\xE6\x96\x87\xE7\xAB\xA0\xE3\x81\xA7"
      "\xE3\x81\x99\xE3\x80\x82\xE3\x82\xAB\xE3\x82\xBF\xE3\x82\xAB\xE3\x83\x8A\xE3\x82\x82";
  std::string text;
  while (text.size() < (1u << 20)) text += piece;
  return text;
}

// One conversion of text from UTF-8 to the target, through the converter itself, which the
// one-entry cache of ConvertEncoding would otherwise answer from the second time on.
void ConvertOnce(benchmark::State& state, const std::string& text, TextEncoding target) {
  string utf8 = string::FromBytes(text.data(), static_cast<int64_t>(text.size()), kEncodingUTF8);
  for (auto _ : state) {
    string converted = string::Adopt(ConvertTextUnix(utf8.Storage(), kEncodingUTF8, target));
    benchmark::DoNotOptimize(converted.Storage());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}

void BM_MixedToASCIILossy(benchmark::State& state) { ConvertOnce(state, MakeText(), kEncodingASCII); }
BENCHMARK(BM_MixedToASCIILossy)->Unit(benchmark::kMillisecond);

void BM_MixedToUTF16Lossless(benchmark::State& state) {
  ConvertOnce(state, MakeText(), kEncodingUnicode16);
}
BENCHMARK(BM_MixedToUTF16Lossless)->Unit(benchmark::kMillisecond);

void BM_JapaneseToLatin1Lossy(benchmark::State& state) {
  ConvertOnce(state, MakeJapaneseText(), kEncodingWindowsLatin1);
}
BENCHMARK(BM_JapaneseToLatin1Lossy)->Unit(benchmark::kMillisecond);

void BM_JapaneseToUTF16Lossless(benchmark::State& state) {
  ConvertOnce(state, MakeJapaneseText(), kEncodingUnicode16);
}
BENCHMARK(BM_JapaneseToUTF16Lossless)->Unit(benchmark::kMillisecond);

const std::string kShortText = "caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC.txt";

void BM_ShortRoundTripFramework(benchmark::State& state) {
  string utf8 = string::FromBytes(kShortText.data(), int64_t(kShortText.size()), kEncodingUTF8);
  for (auto _ : state) {
    string wide = ConvertEncoding(utf8, kEncodingUnicode16);
    string back = ConvertEncoding(wide, kEncodingUTF8);
    benchmark::DoNotOptimize(back.Storage());
  }
}
BENCHMARK(BM_ShortRoundTripFramework);

void BM_ShortRoundTripIconv(benchmark::State& state) {
  iconv_t toWide = iconv_open("UTF16LE", "UTF8"), toUTF8 = iconv_open("UTF8", "UTF16LE");
  for (auto _ : state) {
    std::string wide, back;
    ConvertWith(toWide, kShortText, wide);
    ConvertWith(toUTF8, wide, back);
    benchmark::DoNotOptimize(back.data());
  }
  iconv_close(toWide);
  iconv_close(toUTF8);
}
BENCHMARK(BM_ShortRoundTripIconv);

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
  // The short text's string records weigh beside a few bytes' conversion: no aim, a figure.
  return qvbench::RunWithRatios(
      argc, argv,
      {{"BM_RoundTripFramework", "BM_RoundTripIconv", 1.2},
       {"BM_ShortRoundTripFramework", "BM_ShortRoundTripIconv", 0},
       {"BM_MixedToASCIILossy", "BM_MixedToUTF16Lossless", 3},
       {"BM_JapaneseToLatin1Lossy", "BM_JapaneseToUTF16Lossless", 3}});
}
