#pragma once
// Table files held in memory for the fuzz targets: the engine reads and writes them through
// its File interface as it would files on disk, and nothing touches the disk.
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "store/file.h"

namespace korvana::fuzz {

// A file's bytes; writes and truncation change them, up to a bound no valid repair or purge
// of a fuzz input comes near.
class MemoryFile final : public store::File {
 public:
  explicit MemoryFile(std::string& bytes) : bytes_(bytes) {}
  int64_t readAt(uint64_t offset, void* buffer, std::size_t n) override {
    if (offset >= bytes_.size()) return 0;
    const std::size_t got = std::min<std::size_t>(n, bytes_.size() - offset);
    std::memcpy(buffer, bytes_.data() + offset, got);
    return static_cast<int64_t>(got);
  }
  int writeAt(uint64_t offset, const void* buffer, std::size_t n) override {
    if (offset + n > kLimit) return -14;
    if (bytes_.size() < offset + n) bytes_.resize(offset + n, '\0');
    std::memcpy(bytes_.data() + offset, buffer, n);
    return 0;
  }
  int64_t length() override { return static_cast<int64_t>(bytes_.size()); }
  int truncate(uint64_t length) override {
    if (length > kLimit) return -14;
    bytes_.resize(length, '\0');
    return 0;
  }
  int lock(uint64_t, uint64_t) override { return 0; }
  int unlock(uint64_t, uint64_t) override { return 0; }
  int sync() override { return 0; }

 private:
  static constexpr uint64_t kLimit = 64u << 20;
  std::string& bytes_;
};

// A folder of files by absolute path.
class MemoryFileSystem final : public store::FileSystem {
 public:
  std::map<std::string, std::string> files;

  std::unique_ptr<store::File> create(const std::string& path, int* error) override {
    if (error) *error = 0;
    files[path].clear();
    return std::make_unique<MemoryFile>(files[path]);
  }
  std::unique_ptr<store::File> open(const std::string& path, int* error) override {
    auto it = files.find(path);
    if (it == files.end()) {
      if (error) *error = -3;
      return nullptr;
    }
    if (error) *error = 0;
    return std::make_unique<MemoryFile>(it->second);
  }
  bool exists(const std::string& path) override { return files.count(path) > 0; }
  bool listDirectory(const std::string& dir, std::vector<std::string>* names) override {
    names->clear();
    for (const auto& [path, bytes] : files) {
      if (path.size() > dir.size() && path.compare(0, dir.size(), dir) == 0 && path[dir.size()] == '/')
        names->push_back(path.substr(dir.size() + 1));
    }
    return true;
  }
  bool remove(const std::string& path) override { return files.erase(path) > 0; }
  bool rename(const std::string& from, const std::string& to) override {
    auto it = files.find(from);
    if (it == files.end()) return false;
    files[to] = std::move(it->second);
    files.erase(from);
    return true;
  }
};

}  // namespace korvana::fuzz
