#include "support/raw_table.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "store/table_store.h"

namespace korvana::testing {

namespace {

// The fixed header: the record count at 16, the record size at 24, the number of fields at
// 112. A 72-byte descriptor per field follows: the name (20 bytes), the type at 20, the
// offset in the record at 24 and a text field's width at 28.
constexpr std::size_t kHeaderSize = 116;
constexpr std::size_t kDescriptorSize = 72;
constexpr std::size_t kNameSize = 20;

}  // namespace

RawTable::RawTable(std::string bytes) : bytes_(std::move(bytes)) {
  if (!hasHeader()) return;
  count_ = int32At(16);
  recordSize_ = static_cast<std::size_t>(int32At(24));
  const int32_t fieldCount = int32At(112);
  dataStart_ = kHeaderSize + kDescriptorSize * static_cast<std::size_t>(fieldCount);
  for (int32_t i = 0; i < fieldCount; ++i) {
    const std::size_t d = kHeaderSize + kDescriptorSize * static_cast<std::size_t>(i);
    if (d + kDescriptorSize > bytes_.size()) break;
    Field f;
    f.name.assign(bytes_.data() + d, strnlen(bytes_.data() + d, kNameSize));
    f.type = int32At(d + 20);
    f.offset = static_cast<std::size_t>(int32At(d + 24));
    f.width = f.type == store::kText ? static_cast<std::size_t>(int32At(d + 28)) : 8;
    fields_.push_back(std::move(f));
  }
}

bool RawTable::hasHeader() const { return bytes_.size() >= kHeaderSize; }

const RawTable::Field& RawTable::field(const std::string& gbkName) const {
  for (const Field& f : fields_) {
    if (f.name == gbkName) return f;
  }
  throw std::out_of_range("no field " + gbkName);
}

int RawTable::storedRecords() const {
  if (count_ <= 0 || dataStart_ > bytes_.size()) return 0;
  if (recordSize_ == 0) return count_;
  const std::size_t fit = (bytes_.size() - dataStart_) / recordSize_;
  return static_cast<int>(std::min<std::size_t>(fit, static_cast<std::size_t>(count_)));
}

std::string RawTable::text(int index, const Field& field) const {
  const std::size_t at = offsetOf(index) + field.offset;
  if (at >= bytes_.size()) return {};
  const char* p = bytes_.data() + at;
  return std::string(p, strnlen(p, std::min(field.width, bytes_.size() - at)));
}

int32_t RawTable::int32At(std::size_t offset) const {
  int32_t v = 0;
  if (offset + 4 <= bytes_.size()) std::memcpy(&v, bytes_.data() + offset, 4);
  return v;
}

}  // namespace korvana::testing
