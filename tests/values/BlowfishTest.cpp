// Blowfish against published vectors and python3-cryptography (OpenSSL) for random keys and
// data, and its refusals: data not a multiple of 8 bytes, and an object holding no key.
#include "values/Blowfish.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <sstream>

#include "values/MemoryBlock.h"
#include "core/ObjectDefinitionConverter.h"
#include "strings/RuntimeString.h"
#include "support/RaisedExceptions.h"
#include "support/TestSupport.h"

namespace {

std::string FromHex(const std::string& hex) {
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) bytes += char(std::stoi(hex.substr(i, 2), nullptr, 16));
  return bytes;
}

struct Cipher {
  BlowfishObject* object =
      reinterpret_cast<BlowfishObject*>(NewObjectFromDefinition(BlowfishClassDefinition()));
  Cipher() = default;
  explicit Cipher(const std::string& key) { Key(key); }
  ~Cipher() { RuntimeUnlockObject(&object->header); }
  void Key(const std::string& key) {
    BlowfishInitialize(object, string::FromBytes(key.data(), int64_t(key.size()), kEncodingNone).Storage());
  }
  // data through a block of the given byte order, enciphered or deciphered in place.
  std::string Run(const std::string& data, bool encipher, bool littleEndian = false) {
    MemoryBlockObject* block = newMemoryBlock(int32_t(data.size()));
    std::memcpy(block->data, data.data(), data.size());
    block->littleEndian = littleEndian;
    (encipher ? BlowfishEncipherByBlock : BlowfishDecipherByBlock)(object, block);
    std::string out(reinterpret_cast<char*>(block->data), data.size());
    RuntimeUnlockObject(&block->header);
    return out;
  }
};

TEST(Blowfish, PublishedVectorsWithBigEndianBlocks) {
  const char* vectors[][3] = {  // key, plain, cipher
      {"FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A"},
      {"0123456789ABCDEF", "1111111111111111", "61F9C3802281B096"},
      {"FEDCBA9876543210", "0123456789ABCDEF", "0ACEAB0FC6A0A28D"},
      {"7CA110454A1A6E57", "01A1D6D039776742", "59C68245EB05282B"},
      {"E0FEE0FEF1FEF1FE", "0123456789ABCDEF", "C39E072D9FAC631D"},
      {"6162636465666768696A6B6C6D6E6F707172737475767778797A", "424C4F5746495348",
       "324ED0FEF413A203"},  // "abc...z", "BLOWFISH"
  };
  for (const auto& v : vectors) {
    Cipher cipher(FromHex(v[0]));
    EXPECT_EQ(cipher.Run(FromHex(v[1]), true), FromHex(v[2])) << v[0];
    EXPECT_EQ(cipher.Run(FromHex(v[2]), false), FromHex(v[1])) << v[0];
  }
  // The two-word form is the same cipher, halves most significant byte first.
  Cipher galt("Who is John Galt?");
  int32_t left = int32_t(0xFEDCBA98), right = 0x76543210;
  BlowfishEncipher(galt.object, &left, &right);
  EXPECT_EQ(uint32_t(left), 0xCC91732Bu);
  EXPECT_EQ(uint32_t(right), 0x8022F684u);
  BlowfishDecipher(galt.object, &left, &right);
  EXPECT_EQ(uint32_t(left), 0xFEDCBA98u);
}

TEST(Blowfish, RandomKeysAndDataAgreeWithPythonCryptography) {
  const std::string script =
      (std::filesystem::path(__FILE__).parent_path() / "blowfish_vectors.py").string();
  std::istringstream lines(qvtest::ProgramOutput({"python3", script, "5", "300"}));
  std::string key, plain, expected;
  int checked = 0;
  for (; lines >> key >> plain >> expected; ++checked) {
    Cipher cipher(FromHex(key));
    ASSERT_EQ(cipher.Run(FromHex(plain), true), FromHex(expected)) << "key " << key;
    EXPECT_EQ(cipher.Run(FromHex(expected), false), FromHex(plain));
  }
  EXPECT_EQ(checked, 300) << "python3 blowfish_vectors.py printed too little";
}

TEST(Blowfish, KeyLimitsAndByteOrder) {
  std::string key100;
  for (int i = 0; i < 100; ++i) key100 += char('!' + i % 90);
  const std::string data = "0123456789abcdef";
  Cipher longKey(key100), limit(key100.substr(0, 72)), cut(std::string("ab\0cd", 5)), ab("ab");
  EXPECT_EQ(longKey.Run(data, true), limit.Run(data, true));
  EXPECT_EQ(cut.Run(data, true), ab.Run(data, true));
  EXPECT_NE(ab.Run(data, true, true), ab.Run(data, true, false));
  EXPECT_EQ(ab.Run(ab.Run(data, true, true), false, true), data);
}

TEST(Blowfish, RefusalsChangeNothing) {
  qvtest::RaisedExceptions raises;
  Cipher cipher("secret");
  EXPECT_EQ(cipher.Run("twelve bytes", true), "twelve bytes");
  EXPECT_EQ(cipher.Run("twelve bytes", false), "twelve bytes");
  EXPECT_EQ(raises.Take(), (std::vector<std::string>{
      "UnsupportedFormatException: The data being encrypted must be in multiples of 8 bytes",
      "UnsupportedFormatException: The data being decrypted must be in multiples of 8 bytes"}));
  // Never keyed, keyed with nil or a key whose first byte is NUL, keyed again with nothing.
  qvtest::ReportCapture reports;
  Cipher unkeyed, nilKey, nulKey;
  nilKey.Key("");
  nulKey.Key(std::string("\0abc", 4));
  cipher.Key("");
  ASSERT_EQ(reports.count(), 3u);
  EXPECT_EQ(reports.reports()[0].condition, "initStr");
  EXPECT_EQ(reports.reports()[0].extra, "Cannot initialize blowfish with an empty string");
  for (Cipher* c : {&unkeyed, &nilKey, &nulKey, &cipher}) {
    EXPECT_EQ(c->Run("8 bytes!", true), "8 bytes!");
    EXPECT_EQ(c->Run("8 bytes!", false), "8 bytes!");
    int32_t left = 1, right = 2;
    BlowfishEncipher(c->object, &left, &right);
    BlowfishDecipher(c->object, &left, &right);
    EXPECT_TRUE(left == 1 && right == 2);
    EXPECT_EQ(raises.Take(),
              std::vector<std::string>(4, "RuntimeException: The Blowfish cipher has no key"));
  }
}

}  // namespace
