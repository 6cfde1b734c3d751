#pragma once
// A table file's bytes read as the file lays them out, without the store: the header's record
// count and record size, the field descriptors, and the records' fields. For checking what
// the store wrote (or left) on disk independently of its own reading.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace korvana::testing {

class RawTable {
 public:
  struct Field {
    std::string name;  // GBK
    int32_t type = 0;
    std::size_t offset = 0;  // in the record
    std::size_t width = 0;   // a text field's width; 8 for the others
  };

  explicit RawTable(std::string bytes);

  const std::string& bytes() const { return bytes_; }
  // The fixed header is there; without it every other answer is empty or 0.
  bool hasHeader() const;
  int32_t count() const { return count_; }  // as the header says
  std::size_t recordSize() const { return recordSize_; }
  std::size_t dataStart() const { return dataStart_; }  // where the first record begins
  // Where the records the header counts end.
  std::size_t endOfRecords() const { return dataStart_ + static_cast<std::size_t>(count_) * recordSize_; }
  // The descriptors that lie wholly in the file, in their order.
  const std::vector<Field>& fields() const { return fields_; }
  // The field of that name; throws std::out_of_range when there is none.
  const Field& field(const std::string& gbkName) const;
  // How many of the counted records lie wholly in the file, from the first on.
  int storedRecords() const;

  // Where record `index` begins in the file, and its bytes (the caller keeps to
  // storedRecords()).
  std::size_t offsetOf(int index) const { return dataStart_ + static_cast<std::size_t>(index) * recordSize_; }
  const char* record(int index) const { return bytes_.data() + offsetOf(index); }
  // The text of a field of a stored record, up to its first zero byte.
  std::string text(int index, const Field& field) const;
  // The little-endian 32-bit number at `offset` of the file; 0 where it runs past the end.
  int32_t int32At(std::size_t offset) const;

 private:
  std::string bytes_;
  int32_t count_ = 0;
  std::size_t recordSize_ = 0, dataStart_ = 0;
  std::vector<Field> fields_;
};

}  // namespace korvana::testing
