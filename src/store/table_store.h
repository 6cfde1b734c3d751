#pragma once
// The table engine: fixed-record table files, one current table, forward scans.
// Every operation reads what it needs from the file and writes before it returns; nothing is
// cached between operations. Texts (names, paths, values) are GBK bytes.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "store/file.h"

namespace korvana::store {

enum FieldType {
  kByte = 1, kShort = 2, kInt = 3, kInt64 = 4, kFloat = 5, kDouble = 6, kBool = 7,
  kDateTime = 8, kRoutine = 9, kText = 10, kBytes = 11, kMemo = 12,
};

struct FieldInfo { std::string name; int type = 0; int maxTextLength = 20; };
struct DateTime { double days = 0; };          // a date-time value
struct Omitted {};                              // an argument left out
using FieldValue = std::variant<Omitted, std::string, uint8_t, int16_t, int32_t,
                                int64_t, float, double, bool, DateTime>;

// A field as described in an open file.
struct FieldDescriptor {
  std::string name;  // GBK
  int type = 0;
  int offset = 0;    // within the record
  int width = 0;     // bytes in the record
};

// A text field and the text it must read as (TableStore::findMatching).
struct TextMatch {
  std::string field;  // GBK name, looked up as readField does
  std::string text;   // GBK bytes
};

class TableHandle;

class TableStore {
 public:
  explicit TableStore(FileSystem& fs = posixFileSystem());
  ~TableStore();
  TableStore(const TableStore&) = delete;
  TableStore& operator=(const TableStore&) = delete;

  bool createTable(const std::string& name, const std::vector<FieldInfo>& fields);
  bool openTable(const std::string& path);
  bool selectTable(const std::string& name);
  int recordCount();
  void firstRecord();
  bool skip(int n = 1);
  bool goToRecord(int n);
  bool findRecord(const std::function<bool()>& condition);  // readField inside reads the candidate
  // findRecord with the condition that each named text field reads as its text (the field's
  // bytes up to the first NUL equal the text byte for byte); a field of another type never
  // matches. The bytes are compared where they lie in the chunk read, with no value built per
  // record. Positions and results as findRecord; a name the table lacks is readField's fatal
  // error.
  bool findMatching(const std::vector<TextMatch>& matches);
  FieldValue readField(const std::string& name);
  bool writeField(const std::string& name, const FieldValue& value);
  // Stores several fields of the current record with one write of the record, so that a stop
  // leaves all of them or none. Checks and results as writeField; nothing is written when a
  // value does not suit its field.
  bool writeFields(const std::vector<std::pair<std::string, FieldValue>>& values);
  bool addRecord(const std::vector<FieldValue>& values);
  bool markDeleted();
  bool purgeDeleted();
  int lastError() const;
  static std::string errorText(int code);   // the texts of the error table (GBK)

  // The current table's position (0-based; -1 before the first record); -1 with no table.
  int position() const;

  // Opens a table file as openTable does (same path rules, same repair) but without
  // registering it: the handle is never current and cannot be selected. nullptr on failure,
  // with the code in *error.
  std::unique_ptr<TableHandle> openHandle(const std::string& path, int* error);

  // Makes every change written so far reach the disk: one sync per file written since the
  // last call. Called once at the end of each user action. False (lastError set) when a
  // sync failed.
  bool syncWritten();

  FileSystem& fileSystem();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// An unregistered opening of a table file, addressed by record and field index
// (the payer unit editor's own connection).
class TableHandle {
 public:
  ~TableHandle();
  int recordCount();
  int fieldCount() const;
  const FieldDescriptor& field(int index) const;
  int position() const;
  // The field's value as readField gives it, after setting the position to the record.
  FieldValue readFieldAt(int record, int field);
  // Sets the position to the record, then stores only the field's bytes (a shorter text is
  // padded with zero bytes, a longer one cut to the width).
  bool writeFieldAt(int record, int field, const FieldValue& value);
  // Appends a zero-filled record, which becomes current.
  bool appendBlankRecord();
  // Takes n records from the first index on out of the file; position 0.
  bool removeRecords(int first, int n);
  int lastError() const;
  // Makes this handle's writes reach the disk (one sync when it wrote since the last call).
  bool sync();

 private:
  friend class TableStore;
  struct Impl;
  explicit TableHandle(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace korvana::store
