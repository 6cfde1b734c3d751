#pragma once
// The file layer of the table engine. Every byte the store reads or writes goes through File;
// tests substitute implementations that fail or stop at a chosen write.
//
// Error results are the store's file-system codes (-1..-15): -3 missing file, -4 bad path,
// -6 access denied, -12 sharing violation, -13 lock violation, -14 disk full, -15 end of file,
// -1 anything else. Paths handed to a FileSystem are UTF-8 (the file system's own names).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace korvana::store {

class File {
 public:
  virtual ~File() = default;
  // Reads up to n bytes at offset; returns the number read (short only at the end of the
  // file) or a negative error code.
  virtual int64_t readAt(uint64_t offset, void* buffer, std::size_t n) = 0;
  // Writes all n bytes at offset; 0 or a negative error code.
  virtual int writeAt(uint64_t offset, const void* buffer, std::size_t n) = 0;
  // The file's length in bytes, or a negative error code.
  virtual int64_t length() = 0;
  // Sets the file's length; 0 or a negative error code.
  virtual int truncate(uint64_t length) = 0;
  // Locks or unlocks a byte range for writing without waiting (length 0: the whole file);
  // 0, or -13 when another opening holds a conflicting lock.
  virtual int lock(uint64_t offset, uint64_t length) = 0;
  virtual int unlock(uint64_t offset, uint64_t length) = 0;
  // Makes what was written reach the disk (fdatasync); 0 or a negative error code.
  virtual int sync() = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Creates the file, or truncates it if it exists, for writing. nullptr and *error on failure.
  virtual std::unique_ptr<File> create(const std::string& utf8Path, int* error) = 0;
  // Opens an existing file for reading and writing, shared with other openers.
  virtual std::unique_ptr<File> open(const std::string& utf8Path, int* error) = 0;
  virtual bool exists(const std::string& utf8Path) = 0;
  // The entry names of a directory (for matching file names without regard to case).
  virtual bool listDirectory(const std::string& utf8Path, std::vector<std::string>* names) = 0;
  // Removes a file (used only to undo a half-created table file).
  virtual bool remove(const std::string& utf8Path) = 0;
  // Replaces `to` by `from` in one step (rename(2)), so that a new table file appears whole
  // or not at all. A file system that cannot returns false; the store then writes in place.
  virtual bool rename(const std::string& fromUtf8Path, const std::string& toUtf8Path) {
    return false;
  }
};

// The real file system: pread/pwrite and open-file-description locks (F_OFD_SETLK), so the
// locks of one opening survive the closing of another opening of the same file.
FileSystem& posixFileSystem();

// Resolves a file name within its directory without regard to ASCII letter case: the exact
// name when it exists, else the first directory entry that matches ignoring case, else the
// name unchanged.
std::string matchFileName(FileSystem& fs, const std::string& utf8Path);

// The current working directory (UTF-8), for resolving relative table names.
std::string workingDirectory();

}  // namespace korvana::store
