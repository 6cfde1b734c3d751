// The table engine on a hostile file: the input is a table file. It is opened (validation and
// repair), every read path runs over it (recordCount, skip, goToRecord, findRecord, readField
// of every field of every record, readFieldAt through a second opening), and then, on this
// in-memory copy, a purge and a removal. A file that is refused must be left as it was.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "memory_files.h"
#include "store/table_store.h"
#include "text/fatal.h"

namespace {

const std::string kPath = "/fuzz/t.EDB";

// Reading a field the table has must never be fatal.
int installFatalHandler() {
  korvana::text::setFatalHandler([](int, const std::string&) { std::abort(); });
  return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace korvana;
  static const int installed = installFatalHandler();
  (void)installed;

  const std::string input(reinterpret_cast<const char*>(data), size);
  fuzz::MemoryFileSystem fs;
  fs.files[kPath] = input;
  store::TableStore db(fs);
  if (!db.openTable(kPath)) {
    const int code = db.lastError();
    if (code != -22 && code != -23) std::abort();  // only "not a table" and "too new"
    if (fs.files[kPath] != input) std::abort();    // a refused file is never written
    return 0;
  }

  int error = 0;
  std::unique_ptr<store::TableHandle> handle = db.openHandle(kPath, &error);
  if (!handle) std::abort();  // the file has just been opened and repaired
  std::vector<std::string> names;
  for (int f = 0; f < handle->fieldCount(); ++f) names.push_back(handle->field(f).name);

  const int count = db.recordCount();
  if (count < 0 || static_cast<int64_t>(count) > static_cast<int64_t>(fs.files[kPath].size()))
    std::abort();
  db.firstRecord();
  for (int i = 0; i <= count; ++i) {
    for (const std::string& name : names) db.readField(name);
    db.skip(1);
  }
  db.skip(1);
  db.goToRecord(count);
  db.skip(-1);
  db.goToRecord(-5);
  db.firstRecord();
  db.findRecord([&] {
    for (const std::string& name : names) db.readField(name);
    return false;
  });
  for (int i = 0; i <= count && i < 16; ++i) {
    for (int f = 0; f < handle->fieldCount(); ++f) handle->readFieldAt(i, f);
  }

  // The changes that move records, on this copy.
  db.purgeDeleted();
  if (db.recordCount() > count) std::abort();
  if (handle->recordCount() > 0) handle->removeRecords(handle->recordCount() / 2, 1);
  store::TableStore again(fs);
  if (!again.openTable(kPath)) std::abort();  // what the engine leaves opens again
  return 0;
}
