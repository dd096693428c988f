// Files of packed test applications: reading and writing their block files, and putting a
// section of them into a copy of the test binary, which then loads it as its own image.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qvtest {

using Bytes = std::vector<uint8_t>;

Bytes ReadFile(const std::string& path);
void WriteFile(const std::string& path, const Bytes& bytes);
void PutWord(Bytes& bytes, size_t at, uint32_t value);

// The six block files of the image in folder, in section order.
std::vector<Bytes> ReadBlockFiles(const std::string& folder);
// The section's content: each block behind its u32 size.
Bytes SectionContent(const std::vector<Bytes>& blocks);
// Block builders. A resource record: the type's four bytes as they stand in the file ("TXET"
// for 'TEXT'), the id, the length (the data's unless given), then the data.
void AppendResourceRecord(Bytes& block, const char* fileTypeBytes, uint16_t id, const Bytes& data,
                          int64_t length = -1);
// A version option (tag 2): six numbers and three texts.
void AppendVersionOption(Bytes& block, const uint32_t (&words)[6], const std::string& shortText,
                         const std::string& longText, const std::string& info);

// A copy of this test binary in folder ("app.exe") with content added as the section name;
// its path.
std::string WithSection(const std::string& folder, const Bytes& content,
                        const std::string& name = ".qv");

}  // namespace qvtest
