#pragma once
// What the tests of every layer share about files: a fresh folder per test, a file's bytes
// read and written whole, and the conversion of UTF-8 literals to the program's GBK texts and
// back.
#include <string>

namespace korvana::testing {

// UTF-8 to GBK and back.
std::string g(const std::string& utf8);
std::string u(const std::string& gbk);

// A new empty folder, removed with everything in it at the end (its own permissions given
// back first, so that a test may take them away). Its name starts with "korvana-<name>-"; it
// is made in `base`, or in the system's temporary folder when `base` is empty. A folder that
// cannot be made throws std::runtime_error.
class TempDir {
 public:
  explicit TempDir(const std::string& name, const std::string& base = {});
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }  // no trailing separator
  std::string file(const std::string& utf8Name) const { return path_ + "/" + utf8Name; }

 private:
  std::string path_;
};

// The whole file ("" when it cannot be read), and the file made to hold exactly `bytes`.
std::string readBytes(const std::string& utf8Path);
void writeBytes(const std::string& utf8Path, const std::string& bytes);

}  // namespace korvana::testing
