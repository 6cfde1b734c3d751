#pragma once
// The table file format and the mechanics shared by TableStore and TableHandle: reading and
// validating a file, the repair on open, appends, compaction, and field encoding.
//
// Layout: a 112-byte header ("WEDB", version, creation date-time, record count at 16, next
// serial at 20, record size at 24, reserved), the field count at 112, one 72-byte descriptor
// per field from 116 on, then the records, each starting with its 4-byte serial.
//
// Crash safety rests on two orders. An append writes the record before the count that
// includes it, so a stop leaves either the old count (the bytes after it are cut on the next
// open) or the new count with a whole record. A compaction moves the kept records down in
// order and writes the count last; serials grow along the file, so on the next open a record
// whose |serial| does not exceed that of an earlier record is recognised as a copy left behind
// by an interrupted compaction and dropped.
//
// Internal to the store; other layers use table_store.h.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "store/file.h"
#include "store/table_store.h"

namespace korvana::store::detail {

inline constexpr int kHeaderSize = 112;
inline constexpr int kDescriptorSize = 72;
inline constexpr int kFieldNameSize = 17;
inline constexpr uint64_t kCountOffset = 16;
inline constexpr uint64_t kNextSerialOffset = 20;
inline constexpr int32_t kVersion = 0x00010000;
inline constexpr int kMaxTextLength = 1024;
// Records moved per read and write by a compaction.
inline constexpr int kCompactionChunkBytes = 163840;
// Bytes read per system call by a scan (at least; whole records).
inline constexpr int kScanChunkBytes = 256 * 1024;

// Bytes a field of the type occupies in a record; 0 for an unknown type.
int fieldWidth(int type, int maxTextLength);

// An open table file with its layout as read from the file.
struct TableFile {
    std::unique_ptr<File> file;
    std::vector<FieldDescriptor> fields;
    int recordSize = 0;
    int64_t dataStart = 0;
    bool dirty = false;        // written since the last sync
    std::vector<char> record;  // one record's bytes, reused by single-record operations

    uint64_t offsetOf(int64_t index) const {
        return static_cast<uint64_t>(dataStart + index * static_cast<int64_t>(recordSize));
    }
};

// Holds a lock on a byte range for the lifetime of the guard.
class RangeLock {
  public:
    RangeLock(File& file, uint64_t offset, uint64_t length)
        : file_(file), offset_(offset), length_(length) {
        result_ = file_.lock(offset_, length_);
    }
    ~RangeLock() {
        if (result_ == 0) file_.unlock(offset_, length_);
    }
    RangeLock(const RangeLock&) = delete;
    RangeLock& operator=(const RangeLock&) = delete;
    int result() const { return result_; }

  private:
    File& file_;
    uint64_t offset_, length_;
    int result_;
};

// The header, field count and descriptors of a new table (fields already validated).
std::string buildHeader(const std::vector<FieldInfo>& fields, double creationDays);

// The local time now as days since 1899-12-30, whole seconds.
double nowAsDays();

// Validates an opened file and repairs it (see above). 0, or -22 (not a table file), -23
// (version too new) or a file-system code. A refused file is never written.
int loadTableFile(std::unique_ptr<File> file, TableFile* out);

// Drops what an interrupted append or compaction left behind: bytes after the counted
// records, a partly written last record, and stale copies. Reads the length and the header
// again; the caller holds the whole-file lock. 0 or the code of a failed read or write.
int repairRecords(TableFile& t);

// The record count from the header under the header lock (a negative stored value reads as
// 0): 0, -65 when it cannot be read, or the lock's code when another opening holds the lock
// (at once, or after waitMs).
int readCount(TableFile& t, int32_t* count, int waitMs = 0);

// Appends a record whose bytes after the serial are `record` (recordSize bytes; the serial
// is filled in). *index receives the new record's index.
int appendRecord(TableFile& t, char* record, int32_t* index);

// Drops every marked record (negative serial), keeping the order of the others.
int purgeMarked(TableFile& t);

// Drops records [first, first + n) (clamped to the count). -60 when first is outside.
int removeRange(TableFile& t, int64_t first, int64_t n);

// Whether a value may be stored into a field of the type: numbers into numeric fields,
// otherwise the same kind.
bool valueSuits(int type, const FieldValue& value);

// Stores a suiting value into a field's bytes (`bytes` points at the field, width bytes).
// padText: a shorter text is followed by zero bytes up to the width; otherwise only its
// terminating NUL is stored and the bytes after it keep what they held. A longer text is cut
// to the width, without a NUL.
void encodeField(const FieldDescriptor& field, const FieldValue& value, char* bytes,
                 bool padText);

// The field's value from its bytes; the empty value of its type when bytes is null.
FieldValue decodeField(const FieldDescriptor& field, const char* bytes);

}  // namespace korvana::store::detail
