// A real crash: a child process runs the program doing random user actions and is killed with
// SIGKILL at a random moment, again and again on the same folder. After each kill the program
// starts on the files and must show every action the child finished, and the one it was in the
// middle of wholly there, wholly absent, or as a batch with part of its records.
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <sstream>

#include "safety_fixture.h"
#include "text/datetime.h"
#include "text/numbers.h"
#include "user_actions.h"

namespace korvana::safety {
namespace {

constexpr unsigned kSeed = 20100305;
constexpr int kRounds = 16;

// An action as one line on the pipe: its fields separated by tabs (GBK texts never hold a tab
// or a line break), numbers in forms that read back exactly.
std::string serialize(const Op& op) {
  char date[64], amount[64];
  std::snprintf(date, sizeof date, "%a", op.date);
  std::snprintf(amount, sizeof amount, "%a", static_cast<double>(op.amount));
  std::ostringstream os;
  os << op.kind << '\t' << op.batch.key << '\t' << op.batch.type << '\t' << op.batch.code << '\t'
     << op.batch.start << '\t' << op.batch.count << '\t' << op.number << '\t' << op.column << '\t'
     << op.tick << '\t' << date << '\t' << amount << '\t' << op.text << '\t' << op.index;
  return os.str();
}

Op deserialize(const std::string& line) {
  std::vector<std::string> f;
  std::size_t at = 0;
  for (;;) {
    const std::size_t tab = line.find('\t', at);
    f.push_back(line.substr(at, tab - at));
    if (tab == std::string::npos) break;
    at = tab + 1;
  }
  Op op(static_cast<Op::Kind>(std::stoi(f.at(0))));
  op.batch = {f.at(1), f.at(2), f.at(3), f.at(4), std::stoi(f.at(5))};
  op.number = f.at(6);
  op.column = std::stoi(f.at(7));
  op.tick = f.at(8) == "1";
  op.date = std::strtod(f.at(9).c_str(), nullptr);
  op.amount = static_cast<float>(std::strtod(f.at(10).c_str(), nullptr));
  op.text = f.at(11);
  op.index = std::stoi(f.at(12));
  return op;
}

// The real file system on a slow disk: every write takes a little while, so that most kills
// land between two writes of an action rather than between actions.
class SlowDisk final : public store::FileSystem {
 public:
  class SlowFile final : public store::File {
   public:
    explicit SlowFile(std::unique_ptr<store::File> f) : f_(std::move(f)) {}
    int64_t readAt(uint64_t o, void* b, std::size_t n) override { return f_->readAt(o, b, n); }
    int writeAt(uint64_t o, const void* b, std::size_t n) override {
      usleep(200);
      return f_->writeAt(o, b, n);
    }
    int64_t length() override { return f_->length(); }
    int truncate(uint64_t l) override {
      usleep(200);
      return f_->truncate(l);
    }
    int lock(uint64_t o, uint64_t l) override { return f_->lock(o, l); }
    int unlock(uint64_t o, uint64_t l) override { return f_->unlock(o, l); }
    int sync() override { return f_->sync(); }

   private:
    std::unique_ptr<store::File> f_;
  };
  std::unique_ptr<store::File> create(const std::string& p, int* e) override {
    auto f = store::posixFileSystem().create(p, e);
    return f ? std::make_unique<SlowFile>(std::move(f)) : nullptr;
  }
  std::unique_ptr<store::File> open(const std::string& p, int* e) override {
    auto f = store::posixFileSystem().open(p, e);
    return f ? std::make_unique<SlowFile>(std::move(f)) : nullptr;
  }
  bool exists(const std::string& p) override { return store::posixFileSystem().exists(p); }
  bool listDirectory(const std::string& p, std::vector<std::string>* n) override {
    return store::posixFileSystem().listDirectory(p, n);
  }
  bool remove(const std::string& p) override { return store::posixFileSystem().remove(p); }
  bool rename(const std::string& f, const std::string& t) override {
    return store::posixFileSystem().rename(f, t);
  }
};

// The child: random actions for ever, each announced before it starts ("B" and the action)
// and confirmed when its handler has returned ("E").
[[noreturn]] void actRandomly(const std::string& folder, unsigned seed, int out) {
  alarm(30);  // never outlive the test
  SlowDisk disk;
  Program p(folder, disk);
  if (!p.started) _exit(2);
  std::mt19937 rng(seed);
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  auto say = [&](const std::string& line) {
    const std::string all = line + "\n";
    if (write(out, all.data(), all.size()) != static_cast<ssize_t>(all.size())) _exit(3);
  };
  auto run = [&](const Op& op, const std::function<void()>& act) {
    say("B\t" + serialize(op));
    act();
    say("E");
  };
  const char* const payers[] = {"甲公司", "乙公司", "北京某某科技发展有限责任公司", ""};
  for (;;) {
    const int rows = p.book.recordsGrid().rowCount() - 2;
    const std::vector<std::string> list = p.list();
    // Mostly actions that change two tables, where a kill can leave the most behind.
    switch (pick(12)) {
      case 0:
      case 6:
      case 7: {  // add a batch
        const std::string type = pick(2) ? "服务票" : "销售票";
        char start[16];
        std::snprintf(start, sizeof start, "%08d", 100000 + pick(9000) * 100);
        const int count = 1 + pick(50);
        const Op op = Op::add(g(type), "11000821" + std::to_string(pick(100)), start, count);
        run(op, [&] { p.addBatch(type, op.batch.code, start, std::to_string(count)); });
        break;
      }
      case 1:  // choose a batch
        if (!list.empty()) p.pick(pick(static_cast<int>(list.size())));
        break;
      case 2:
      case 8:
      case 9:  // delete the shown batch
        if (!list.empty()) {
          run(Op::remove(p.tk.comboItemText(Window::Main, g("组合框_当前发票"),
                                             p.tk.comboSelection(Window::Main, g("组合框_当前发票")))),
              [&] { p.deleteCurrent(); });
        }
        break;
      case 3: {  // the payer unit editor: add, rename or delete a unit
        const int what = pick(3);
        const int units = static_cast<int>(readState(folder, false).payers.size());
        if (what == 0 || units == 0) {
          run(Op(Op::kPayerAdd), [&] { p.inPayerEditor([](invoices::PayerEditor& e) { e.add(); }); });
        } else {
          Op op(what == 1 ? Op::kPayerEdit : Op::kPayerDelete);
          op.index = pick(units);
          op.column = pick(2);
          op.text = g(payers[pick(4)]);
          run(op, [&] {
            p.inPayerEditor([&](invoices::PayerEditor& e) {
              if (op.kind == Op::kPayerEdit) {
                e.editCell(op.index, op.column, op.text);
              } else {
                e.setCurrentRow(op.index);
                e.remove();
              }
            });
          });
        }
        break;
      }
      default: {  // edit an invoice the rules let the user edit
        if (rows <= 0) break;
        int editable = 1;  // rows 1..editable may be edited: the row above each is ticked
        while (editable < rows && p.book.recordsGrid().checkMark(editable, 2)) ++editable;
        const int row = 1 + pick(editable);
        const std::string key = p.tk.comboItemText(
            Window::Main, g("组合框_当前发票"), p.tk.comboSelection(Window::Main, g("组合框_当前发票")));
        Op op = Op::edit(key, p.cell(row, 1), 2 + pick(4));
        std::string typed;
        switch (op.column) {
          case 2: op.tick = !p.book.recordsGrid().checkMark(row, 2); break;
          case 3: {
            const int month = 1 + pick(12), day = 1 + pick(28);
            typed = "2010-" + std::string(month < 10 ? "0" : "") + std::to_string(month) + "-" +
                    std::string(day < 10 ? "0" : "") + std::to_string(day);
            op.date = text::textToDate(typed);
            break;
          }
          case 4: {
            const int cents = pick(1000000);
            typed = std::to_string(cents / 100) + "." + std::to_string(cents % 100 / 10) +
                    std::to_string(cents % 10);
            op.amount = static_cast<float>(text::textToNumber(typed));
            break;
          }
          case 5:
            typed = payers[pick(4)];
            op.text = g(typed);
            break;
        }
        run(op, [&] {
          if (op.column == 2) p.click(row);
          else p.edit(row, op.column, typed);
        });
        break;
      }
    }
  }
}

struct Report {
  std::vector<Op> done;
  std::optional<Op> interrupted;
};

Report readReport(const std::string& text) {
  Report r;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("B\t", 0) == 0) {
      r.interrupted = deserialize(line.substr(2));
    } else if (line == "E" && r.interrupted) {
      r.done.push_back(*r.interrupted);
      r.interrupted.reset();
    }
  }
  return r;
}

TEST(KilledProcess, TheNextStartShowsEveryFinishedActionAndNothingHalfDone) {
  Folder folder;
  folder.restore(smallBook());
  State model = readState(folder.path());
  std::mt19937 rng(kSeed);
  int actions = 0, interrupted = 0, partial = 0;

  for (int round = 0; round < kRounds; ++round) {
    SCOPED_TRACE(::testing::Message() << "round " << round);
    int channel[2];
    ASSERT_EQ(pipe(channel), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      close(channel[0]);
      actRandomly(folder.path(), kSeed + static_cast<unsigned>(round), channel[1]);
    }
    close(channel[1]);

    // Read what the child says until the moment chosen for the kill, then the rest.
    const auto killAt =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(10 + rng() % 100);
    std::string said;
    char buffer[4096];
    bool killed = false;
    for (;;) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          killAt - std::chrono::steady_clock::now());
      if (!killed && left.count() <= 0) {
        kill(child, SIGKILL);
        killed = true;
      }
      pollfd fd{channel[0], POLLIN, 0};
      if (poll(&fd, 1, killed ? -1 : static_cast<int>(std::max<long>(1, left.count()))) <= 0) continue;
      const ssize_t got = read(channel[0], buffer, sizeof buffer);
      if (got <= 0) break;
      said.append(buffer, static_cast<std::size_t>(got));
    }
    close(channel[0]);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
        << "the child ended on its own: status " << status;

    const Report report = readReport(said);
    for (const Op& op : report.done) model = op.apply(model);
    actions += static_cast<int>(report.done.size());
    const State found = checkProgram(folder.path());
    if (report.interrupted) {
      ++interrupted;
      bool isPartial = false;
      EXPECT_TRUE(report.interrupted->accepts(model, found, &isPartial))
          << "killed in " << report.interrupted->describe();
      partial += isPartial;
    } else {
      EXPECT_EQ(found, model) << "killed between actions";
    }
    model = found;
  }
  std::printf("  %d actions finished, %d killed in the middle, %d of them left part of a batch\n",
              actions, interrupted, partial);
  EXPECT_GT(actions, kRounds);
}

}  // namespace
}  // namespace korvana::safety
