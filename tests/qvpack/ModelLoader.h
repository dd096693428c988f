// A minimal loader written for the tests from the image format alone: it parses import
// records, walks chains, and patches a private copy of the code, so that packed images can be
// checked and run without the framework's own loader.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "PackedImage.h"

struct ModelRecord {
  uint8_t kind = 0;
  uint8_t mode = 0;
  uint32_t site = 0;            // kinds 2, 3, 5; first site of kinds 1 and 4
  std::vector<uint32_t> chain;  // kinds 1 and 4: every site, in chain order
  std::string name;
  std::string library;
};

// Parses an import block against the unpatched code; fails the current test on a malformed
// block or a chain that leaves the code.
std::vector<ModelRecord> ParseImportRecords(const std::vector<uint8_t>& import,
                                            const std::vector<uint8_t>& code);

uint32_t CodeWord(const std::vector<uint8_t>& code, uint32_t offset);

// The image placed in executable memory and linked.
class ModelImage {
 public:
  ModelImage(const PackedImage& blocks, const std::map<std::string, void*>& exports);
  ~ModelImage();
  ModelImage(const ModelImage&) = delete;
  ModelImage& operator=(const ModelImage&) = delete;

  void RunEntry() const;
  uint8_t* code() const { return mCode; }
  uint8_t* data() const { return mData.empty() ? nullptr : const_cast<uint8_t*>(mData.data()); }

 private:
  void Patch(uint32_t site, uint32_t value);
  uint8_t* mCode = nullptr;
  size_t mMapped = 0;
  std::vector<uint8_t> mData;
};
