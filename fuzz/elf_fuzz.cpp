// qvpack's ELF reader and packer on any bytes: a PackError is the expected refusal; any other
// exception, a crash or a sanitizer report is a fault.
#include <vector>

#include "ElfObject.h"
#include "FuzzSupport.h"
#include "ImagePacker.h"
#include "PackError.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    std::vector<ElfObject> objects;
    objects.push_back(ElfObject::Parse("fuzz.o", std::vector<uint8_t>(data, data + size)));
    ImagePacker packer(objects, "QVEntry");
    PackedImage image;
    packer.Pack(&image);
  } catch (const PackError&) {
  }
  return 0;
}
