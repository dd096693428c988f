// qvpack: packs i386 relocatable objects into an application image.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ElfObject.h"
#include "ImageOutput.h"
#include "ImagePacker.h"
#include "ImageResources.h"
#include "PackError.h"

namespace {

constexpr char kUsage[] = R"(Usage: qvpack [OPTIONS] OBJECT.o...

Packs 32-bit ELF relocatable objects (gcc -m32 -c -fno-pic -fno-omit-frame-pointer
-fno-asynchronous-unwind-tables -fno-stack-protector) into an application image.

Output (at least one):
  -o, --output DIR          write code.dat, data.dat, import.dat, symbols.dat, rsrc.dat and
                            options.dat into DIR
  --embed EXE OUT           copy the framework executable EXE to OUT with the image as its
                            .qv section (objcopy)
Image:
  --entry NAME              the entry function, laid out first (default QVEntry)
  --resource TYPE:ID:FILE   add FILE as resource TYPE (four characters, e.g. TEXT) number ID
                            (decimal, or hexadecimal after 0x)
  --icon W:H:FILE           add a window icon of W x H pixels; FILE holds raw RGBA bytes
  -h, --help                show this text

How an application declares what it uses (tests/images/qvapp.h has macros for each):
  framework function   declare it extern and call it; a call becomes a kind 1 record in
                       mode 1 (PC-relative), taking its address a kind 1 record in mode 0
  shared-library       put the NUL-terminated pair "function", "library" into a section
  function             named .qvlibs, e.g.
                         QV_SHARED_FUNCTION(cos, "libm.so.6")   /* from qvapp.h */
                       then declare and call the function normally; calls become kind 4
  string constant      a string record (five words: reference count, data pointer 0,
                       capacity, length, encoding; then length byte, text, NUL) in a
                       section named .qvstrings; QV_STR("text") from qvapp.h makes one and
                       yields its address; each reference becomes a kind 5 record
  own code and data    references into the code become kind 3, into the data kind 2

Refused, with an error: an address stored in a writable section (the loader patches code
words only: make such tables const so they live in the code block), an addend on an
imported symbol, a PC-relative reference into the data block, position-independent code.
)";

struct Options {
  std::vector<std::string> objects;
  std::string outputFolder;
  std::string embedFrom;
  std::string embedTo;
  std::string entry = "QVEntry";
  std::vector<std::string> resources;
  std::vector<std::string> icons;
};

std::vector<std::string> SplitFields(const std::string& text, size_t count) {
  std::vector<std::string> fields;
  size_t start = 0;
  while (fields.size() + 1 < count) {
    const size_t colon = text.find(':', start);
    if (colon == std::string::npos) break;
    fields.push_back(text.substr(start, colon - start));
    start = colon + 1;
  }
  fields.push_back(text.substr(start));
  if (fields.size() != count) throw PackError("'" + text + "' has too few ':' fields");
  return fields;
}

uint32_t ParseNumber(const std::string& text) {
  char* end = nullptr;
  errno = 0;
  const bool hex = text.rfind("0x", 0) == 0 || text.rfind("0X", 0) == 0;
  const unsigned long long value = std::strtoull(text.c_str(), &end, hex ? 16 : 10);
  if (text.empty() || *end != 0 || errno != 0 || value > UINT32_MAX || text[0] == '-')
    throw PackError("'" + text + "' is not a number");
  return static_cast<uint32_t>(value);
}

const char* TakeValue(int argc, char** argv, int* i) {
  if (*i + 1 >= argc) throw PackError(std::string(argv[*i]) + " needs a value");
  return argv[++*i];
}

Options ParseCommandLine(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "-o" || argument == "--output") {
      options.outputFolder = TakeValue(argc, argv, &i);
    } else if (argument == "--embed") {
      options.embedFrom = TakeValue(argc, argv, &i);
      options.embedTo = TakeValue(argc, argv, &i);
    } else if (argument == "--entry") {
      options.entry = TakeValue(argc, argv, &i);
    } else if (argument == "--resource") {
      options.resources.push_back(TakeValue(argc, argv, &i));
    } else if (argument == "--icon") {
      options.icons.push_back(TakeValue(argc, argv, &i));
    } else if (!argument.empty() && argument[0] == '-') {
      throw PackError("unknown option " + argument + " (see --help)");
    } else {
      options.objects.push_back(argument);
    }
  }
  if (options.objects.empty()) throw PackError("no input objects (see --help)");
  if (options.outputFolder.empty() && options.embedTo.empty())
    throw PackError("no output: give --output DIR or --embed EXE OUT (see --help)");
  return options;
}

void AddCommandLineResources(const Options& options, PackedImage* blocks) {
  for (const std::string& text : options.resources) {
    const auto fields = SplitFields(text, 3);
    AppendResource(&blocks->resources, fields[0], ParseNumber(fields[1]), ReadWholeFile(fields[2]));
  }
  for (const std::string& text : options.icons) {
    const auto fields = SplitFields(text, 3);
    AppendIconOption(&blocks->options, ParseNumber(fields[0]), ParseNumber(fields[1]),
                     ReadWholeFile(fields[2]));
  }
}

int Run(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "-h") || !std::strcmp(argv[i], "--help")) {
      std::fputs(kUsage, stdout);
      return 0;
    }
  }
  const Options options = ParseCommandLine(argc, argv);
  std::vector<ElfObject> objects;
  for (const std::string& path : options.objects) objects.push_back(ElfObject::ReadFile(path));
  PackedImage blocks;
  ImagePacker(objects, options.entry).Pack(&blocks);
  AddCommandLineResources(options, &blocks);
  if (!options.outputFolder.empty()) WriteBlockFiles(options.outputFolder, blocks);
  if (!options.embedTo.empty()) EmbedImage(options.embedFrom, options.embedTo, blocks);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(argc, argv);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "qvpack: %s\n", error.what());
    return 1;
  }
}
