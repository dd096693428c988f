// Blowfish against the published test vectors and against python3-cryptography (OpenSSL) for
// random keys and data, with its refusals: data not a multiple of 8 bytes, and an object that
// holds no key.
#include "core/Blowfish.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <sstream>

#include "core/MemoryBlock.h"
#include "core/ObjectDefinitionConverter.h"
#include "strings/RuntimeString.h"
#include "support/RaiseCapture.h"
#include "support/TestSupport.h"

namespace {

std::string FromHex(const std::string& hex) {
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) bytes += char(std::stoi(hex.substr(i, 2), nullptr, 16));
  return bytes;
}

std::string ToHex(const std::string& bytes) {
  std::string hex;
  char digits[3];
  for (unsigned char c : bytes) {
    std::snprintf(digits, sizeof digits, "%02x", c);
    hex += digits;
  }
  return hex;
}

struct Cipher {
  BlowfishObject* object = reinterpret_cast<BlowfishObject*>(
      NewObjectFromDefinition(BlowfishClassDefinition()));
  Cipher() = default;
  explicit Cipher(const std::string& key) { Key(key); }
  ~Cipher() { RuntimeUnlockObject(&object->header); }
  void Key(const std::string& key) {
    BlowfishInitialize(object, string::FromBytes(key.data(), int64_t(key.size()), kEncodingNone).Storage());
  }
  // data through a block of the given byte order, enciphered or deciphered in place.
  std::string Run(const std::string& data, bool encipher, bool littleEndian = false) {
    MemoryBlockObject* block = newMemoryBlock(int32_t(data.size()));
    if (!data.empty()) std::memcpy(block->data, data.data(), data.size());
    block->littleEndian = littleEndian;
    (encipher ? BlowfishEncipherByBlock : BlowfishDecipherByBlock)(object, block);
    std::string out(reinterpret_cast<char*>(block->data), data.size());
    RuntimeUnlockObject(&block->header);
    return out;
  }
};

TEST(Blowfish, PublishedVectorsWithBigEndianBlocks) {
  const struct {
    const char *key, *plain, *cipher;
  } vectors[] = {
      {"FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A"},
      {"1111111111111111", "1111111111111111", "2466DD878B963C9D"},
      {"0123456789ABCDEF", "1111111111111111", "61F9C3802281B096"},
      {"FEDCBA9876543210", "0123456789ABCDEF", "0ACEAB0FC6A0A28D"},
      {"7CA110454A1A6E57", "01A1D6D039776742", "59C68245EB05282B"},
      {"0131D9619DC1376E", "5CD54CA83DEF57DA", "B1B8CC0B250F09A0"},
      {"07A1133E4A0B2686", "0248D43806F67172", "1730E5778BEA1DA4"},
      {"3849674C2602319E", "51454B582DDF440A", "A25E7856CF2651EB"},
      {"04B915BA43FEB5B6", "42FD443059577FA2", "353882B109CE8F1A"},
      {"0113B970FD34F2CE", "059B5E0851CF143A", "48F4D0884C379918"},
      {"0101010101010101", "0123456789ABCDEF", "FA34EC4847B268B2"},
      {"E0FEE0FEF1FEF1FE", "0123456789ABCDEF", "C39E072D9FAC631D"},
      {"FEDCBA9876543210", "FFFFFFFFFFFFFFFF", "6B5C5A9C5D9E0A5A"},
  };
  for (const auto& v : vectors) {
    Cipher cipher(FromHex(v.key));
    const std::string enciphered = cipher.Run(FromHex(v.plain), true);
    EXPECT_EQ(enciphered, FromHex(v.cipher)) << v.key;
    EXPECT_EQ(cipher.Run(enciphered, false), FromHex(v.plain)) << v.key;
  }
  Cipher alphabet("abcdefghijklmnopqrstuvwxyz");
  EXPECT_EQ(ToHex(alphabet.Run("BLOWFISH", true)), "324ed0fef413a203");
  Cipher galt("Who is John Galt?");
  EXPECT_EQ(ToHex(galt.Run(FromHex("FEDCBA9876543210"), true)), "cc91732b8022f684");
  // The two-word form is the same cipher: halves most significant byte first.
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
  while (lines >> key >> plain >> expected) {
    Cipher cipher(FromHex(key));
    const std::string enciphered = cipher.Run(FromHex(plain), true);
    ASSERT_EQ(ToHex(enciphered), expected) << "key " << key;
    EXPECT_EQ(ToHex(cipher.Run(enciphered, false)), plain);
    ++checked;
  }
  EXPECT_EQ(checked, 300) << "python3 blowfish_vectors.py printed too little";
}

TEST(Blowfish, KeyLimitsByteOrderAndRoundTrips) {
  std::string key100(100, 'k');
  for (int i = 0; i < 100; ++i) key100[size_t(i)] = char('!' + i % 90);
  const std::string key72 = key100.substr(0, 72);
  const std::string data = "0123456789abcdef";
  Cipher longKey(key100), limit(key72), cut(std::string("ab\0cd", 5)), ab("ab");
  EXPECT_EQ(longKey.Run(data, true), limit.Run(data, true));
  EXPECT_EQ(cut.Run(data, true), ab.Run(data, true));
  Cipher word("abcd"), repeated("abcdabcdabcd");
  EXPECT_EQ(word.Run(data, true), repeated.Run(data, true));
  EXPECT_NE(ab.Run(data, true, true), ab.Run(data, true, false));
  EXPECT_EQ(ab.Run(ab.Run(data, true, true), false, true), data);
}

TEST(Blowfish, RefusalsChangeNothing) {
  qvtest::RaiseCapture raises;
  Cipher cipher("secret");
  const std::string twelve = "twelve bytes";
  EXPECT_EQ(cipher.Run(twelve, true), twelve);
  ASSERT_EQ(raises.count(), 1u);
  EXPECT_EQ(raises.raised()[0].className, "UnsupportedFormatException");
  EXPECT_EQ(raises.raised()[0].message, "The data being encrypted must be in multiples of 8 bytes");
  raises.Take();
  EXPECT_EQ(cipher.Run(twelve, false), twelve);
  EXPECT_EQ(raises.raised()[0].message, "The data being decrypted must be in multiples of 8 bytes");
  raises.Take();
  cipher.Run("", true);
  BlowfishEncipherByBlock(cipher.object, nullptr);
  EXPECT_EQ(raises.Take(), "");
  // Never keyed, keyed with nil, or with a key whose first byte is NUL: no key, refused.
  qvtest::ReportCapture reports;
  Cipher unkeyed, nilKey, nulKey;
  nilKey.Key("");
  nulKey.Key(std::string("\0abc", 4));
  ASSERT_EQ(reports.count(), 2u);
  EXPECT_EQ(reports.reports()[0].condition, "initStr");
  EXPECT_EQ(reports.reports()[0].extra, "Cannot initialize blowfish with an empty string");
  cipher.Key("");  // a keyed object keyed again with nothing holds no key
  for (Cipher* c : {&unkeyed, &nilKey, &nulKey, &cipher}) {
    EXPECT_EQ(c->Run("8 bytes!", true), "8 bytes!");
    EXPECT_EQ(c->Run("8 bytes!", false), "8 bytes!");
    int32_t left = 1, right = 2;
    BlowfishEncipher(c->object, &left, &right);
    BlowfishDecipher(c->object, &left, &right);
    EXPECT_EQ(left, 1);
    EXPECT_EQ(right, 2);
    EXPECT_EQ(raises.Count("RuntimeException"), 4);
    EXPECT_EQ(raises.raised()[0].message, "The Blowfish cipher has no key");
    raises.Take();
  }
}

}  // namespace
