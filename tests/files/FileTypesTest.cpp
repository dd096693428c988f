// The file-type registry: registration order kept through deregistration, extensions matched
// at the end of a name ignoring case, empty list pieces skipped (an empty extension would match
// every name), type codes gathered without repeats, "????" accepting everything.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "files/FileTypes.h"

namespace {

std::string Bytes(const string& text) {
  return std::string(reinterpret_cast<const char*>(text.Bytes()), size_t(text.Length()));
}

// Registers types for one test and forgets them at its end.
class Registered {
 public:
  Registered(std::initializer_list<std::array<const char*, 4>> types) {
    for (const auto& type : types) {
      RuntimeRegisterFileType(string(type[0]).Storage(), string(type[1]).Storage(),
                              string(type[2]).Storage(), string(type[3]).Storage());
      mNames.push_back(type[0]);
    }
  }
  ~Registered() {
    for (const std::string& name : mNames) {
      RuntimeDeregisterFileType(string(name.c_str()).Storage());
    }
  }

 private:
  std::vector<std::string> mNames;
};

std::string Names() {
  std::string names;
  for (const FileType* type = FirstFileType(); type; type = type->next) {
    names += Bytes(type->name) + ",";
  }
  return names;
}

TEST(FileTypes, RegistrationOrderSurvivesDeregistration) {
  Registered types({{"A", "", "", ""}, {"B", "", "", ""}, {"third", "", "", ""}});
  EXPECT_EQ(Names(), "A,B,third,");
  RuntimeDeregisterFileType(string("b").Storage());
  EXPECT_EQ(Names(), "A,third,");
  RuntimeDeregisterFileType(string("nobody").Storage());
  EXPECT_EQ(Names(), "A,third,");
}

TEST(FileTypes, ExtensionsMatchTheEndOfANameIgnoringCase) {
  Registered types({{"Text", "ttxt", "TEXT", ";.txt;;.TEXT;"}, {"Empty", "", "", ""},
                    {"Also text", "", "", ".txt"}});
  const FileType* text = FirstFileType();
  EXPECT_EQ(FileTypeExtensionMatch(*text, "notes.Txt"), 3);
  EXPECT_EQ(FileTypeExtensionMatch(*text, "A.text"), 3);
  EXPECT_EQ(FileTypeExtensionMatch(*text, "txt"), 0);
  EXPECT_EQ(FileTypeExtensionMatch(*text, "plain"), 0);
  EXPECT_EQ(FileTypeExtensionMatch(*text->next, "anything"), 0);
  EXPECT_EQ(Bytes(FileTypeNameForFile("/a/notes.TXT")), "Text");  // the first on a tie
  EXPECT_EQ(Bytes(FileTypeNameForFile("/a/notes.doc")), "");
  EXPECT_EQ(Bytes(AllFileTypeExtensions()), ".txt;.TEXT;.txt;");
  EXPECT_EQ(FourCharCode(text->creator), 0x74747874u);
  EXPECT_EQ(FourCharCode(text->next->type), 0x3F3F3F3Fu);
  EXPECT_EQ(FourCharCode("ab"), 0x61622020u);
}

TEST(FileTypes, ListsOfNamesAndCodes) {
  Registered types({{"Text", "", "TEXT", ".txt"}, {"Picture", "", "PICT", ".pct;.pict"},
                    {"Text", "", "TXT2", ".text"}, {"Any", "", "", ".any"}});
  SimpleVector<const FileType*> list;
  BuildFileTypeList(";;text;Nothing;Picture;", &list);
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(Bytes(list[0]->type) + Bytes(list[1]->type) + Bytes(list[2]->type), "TEXTTXT2PICT");

  EXPECT_TRUE(FileTypeListAccepts("Text", "a.text", 0));
  EXPECT_FALSE(FileTypeListAccepts("Picture;;", "a.text", 0));
  EXPECT_TRUE(FileTypeListAccepts("Picture;JPEG", "photo", 0x4A504547));
  EXPECT_FALSE(FileTypeListAccepts("JPEG", "photo", 0x47494620));
  EXPECT_TRUE(FileTypeListAccepts("????", "anything", 0));

  bool acceptAll = true;
  EXPECT_EQ(Bytes(FileTypeCodesOfList("Text;Picture;text;GIFf;toolong", &acceptAll)),
            "TEXTPICTGIFf");
  EXPECT_FALSE(acceptAll);
  EXPECT_EQ(Bytes(FileTypeCodesOfList("Text;Any;Picture", &acceptAll)), "TEXT");
  EXPECT_TRUE(acceptAll);
}

}  // namespace
