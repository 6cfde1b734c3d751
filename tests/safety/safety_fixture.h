#pragma once
// What the data-safety scenarios share: a data folder, the program started on it with the
// headless toolkit, what the user does, what the table files hold, a model of what each user
// action changes, and the check of what a freshly started program shows.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "invoices/invoice_book.h"
#include "invoices/payer_editor.h"
#include "store/file.h"
#include "support/headless_toolkit.h"
#include "support/temp_files.h"

namespace korvana::safety {

using invoices::Window;
using testing::HeadlessToolkit;
using testing::g;
using testing::readBytes;
using testing::u;
using testing::writeBytes;

// A new empty folder, removed with everything in it at the end; in memory where the machine
// has a memory file system.
class Folder : public testing::TempDir {
 public:
  Folder();
  // The names of the files in the folder, sorted.
  std::vector<std::string> names() const;
  // The three table files' bytes, and putting them back.
  std::map<std::string, std::string> tables() const;
  void restore(const std::map<std::string, std::string>& tables) const;
};

// What the table files hold (texts GBK).
struct Batch {
  std::string key, type, code, start;
  int count = 0;
  bool operator==(const Batch&) const = default;
};
struct Invoice {
  std::string key, number;
  double date = 0;
  float amount = 0;
  std::string payer;
  bool issued = false;
  bool operator==(const Invoice&) const = default;
};
struct Payer {
  std::string number, name;
  bool operator==(const Payer&) const = default;
};
struct State {
  std::vector<Batch> batches;
  std::vector<Invoice> invoices;
  std::vector<Payer> payers;
  bool operator==(const State&) const = default;
};
void PrintTo(const Batch& b, std::ostream* os);
void PrintTo(const Invoice& r, std::ostream* os);
void PrintTo(const Payer& p, std::ostream* os);
void PrintTo(const State& s, std::ostream* os);

// The tables of the folder, read from the files directly. A repaired file (the program has
// opened it since it was last written) must end right after its last record.
State readState(const std::string& folder, bool repaired = true);

// The program started on a folder: the headless toolkit and the invoice book, wired as the
// windows wire them. Fatal run-time errors throw FatalError (installed for the whole program).
struct FatalError {
  int code;
  std::string message;  // UTF-8
};

class Program {
 public:
  explicit Program(const std::string& folder,
                   store::FileSystem& fs = store::posixFileSystem());
  ~Program();

  bool started = false;
  HeadlessToolkit tk;
  invoices::InvoiceBook book;

  // What the user does. `beforeClick` runs right before the deciding click (确定, Yes, the
  // editor's button), so that a test can arm a fault for the action alone.
  void addBatch(const std::string& type, const std::string& code, const std::string& start,
                const std::string& count, const std::function<void()>& beforeClick = {});
  void pick(int index);
  bool edit(int row, int column, const std::string& utf8Text);
  bool click(int row);
  void deleteCurrent(const std::function<void()>& beforeClick = {});
  void inPayerEditor(const std::function<void(invoices::PayerEditor&)>& script);

  // What the user sees.
  std::vector<std::string> list();      // batch list items (GBK)
  std::vector<std::string> messages();  // the texts of the boxes shown so far (UTF-8)
  std::string cell(int row, int column);  // records grid (GBK)
  std::string box(const std::string& utf8Control);  // a main-window edit box (GBK)
};

// One user action as the tables see it: what it changes when it runs to its end, and which
// states a run that stopped part-way may leave.
struct Op {
  enum Kind { kAdd, kDelete, kEdit, kPayerAdd, kPayerEdit, kPayerDelete };
  explicit Op(Kind k) : kind(k) {}
  Kind kind;
  Batch batch;          // kAdd: the new batch; kDelete: its key
  std::string number;   // kEdit: the invoice number of the row
  int column = 0;       // kEdit: 2 tick, 3 date, 4 amount, 5 payer; kPayerEdit: the field
  bool tick = false;
  double date = 0;
  float amount = 0;
  std::string text;     // kEdit payer, kPayerEdit text (GBK)
  int index = 0;        // kPayerEdit, kPayerDelete: the record

  static Op add(const std::string& type, const std::string& code, const std::string& start,
                int count);  // GBK texts
  static Op remove(const std::string& key);
  static Op edit(const std::string& key, const std::string& number, int column);

  State apply(const State& before) const;
  // The state is `before`, the state after the action, or a partial state the action may
  // leave when it is cut short: a new batch with the first of its invoice records, or a batch
  // being deleted that keeps a final part of its records. *partial tells which.
  bool accepts(const State& before, const State& found, bool* partial = nullptr) const;
  std::string describe() const;
};

// Checks the tables on their own: keys unique; every invoice record of a batch that exists,
// the records of a batch one block, no invoice number of a batch twice. Returns each key's
// block (first record, number of records).
std::map<std::string, std::pair<std::size_t, std::size_t>> checkTables(const State& s);

// Checks what the program shows for the selected batch against what the tables hold: the count
// box, and a row for each record that carries its key, from the first one on, at most its
// count, each with its own number, date, payer and tick.
void checkShown(Program& p, const State& s);

// Starts a program on the folder with the real file system and checks what it shows: every
// file opens, the batch list equals the batch table, every batch shows exactly the invoice
// records that carry its key (contiguous in the table, in order, each once, at most its
// count), and no invoice record is without its batch. Batches of more than displayLimit
// records are checked in the files only. Returns what the files hold after the start.
State checkProgram(const std::string& folder, int displayLimit = 200);

// A file system that passes everything to the real one and records, per action, which files
// were written and synced, in order; a sync can be made to fail.
class RecordingFileSystem final : public store::FileSystem {
 public:
  struct Event {
    std::string file;  // the path the file was opened with
    bool sync;         // false: a write (writeAt or truncate)
  };
  std::vector<Event> events;
  int failSyncAt = 0;  // the n-th sync from now on fails with -11 (0: none)
  int syncs = 0;

  std::unique_ptr<store::File> create(const std::string& path, int* error) override;
  std::unique_ptr<store::File> open(const std::string& path, int* error) override;
  bool exists(const std::string& path) override;
  bool listDirectory(const std::string& path, std::vector<std::string>* names) override;
  bool remove(const std::string& path) override;
  bool rename(const std::string& from, const std::string& to) override;
};

}  // namespace korvana::safety
