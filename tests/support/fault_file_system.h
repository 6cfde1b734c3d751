#pragma once
// A file system that counts the writes made through it and can make one of them fail, or stop
// the run at it as if the process had died there.
//
// A write is every call that changes the disk: File::writeAt, File::truncate,
// FileSystem::create, FileSystem::remove and FileSystem::rename, counted across all files
// opened through this file system, from 1. Reads, locks and syncs are passed through and are
// not writes (reads and syncs are counted on their own). The FaultFileSystem must outlive the
// files it hands out.
#include <memory>
#include <string>
#include <vector>

#include "store/file.h"

namespace korvana::testing {

class FaultFileSystem final : public store::FileSystem {
  public:
    explicit FaultFileSystem(store::FileSystem& base = store::posixFileSystem());

    // Writes, syncs and File::readAt calls made so far (dropped and failed writes included).
    int writes() const { return writes_; }
    int syncs() const { return syncs_; }
    int reads() const { return reads_; }
    void resetCounters() {
        writes_ = 0;
        syncs_ = 0;
        reads_ = 0;
    }

    // The k-th write from now on (k >= 1) fails with `code` and changes nothing; with
    // andLater, every write after it fails too.
    void failWrite(int k, int code, bool andLater = false);
    // The k-th write from now on and every later one are dropped and reported as done: the
    // files keep what they held before that write, as after a crash at that moment. Syncs
    // after the stop do nothing.
    void stopAtWrite(int k);
    // Ends every plan: writes reach the disk again.
    void clearFaults();
    // Whether a stop has happened.
    bool stopped() const { return stopped_; }

    std::unique_ptr<store::File> create(const std::string& utf8Path, int* error) override;
    std::unique_ptr<store::File> open(const std::string& utf8Path, int* error) override;
    bool exists(const std::string& utf8Path) override;
    bool listDirectory(const std::string& utf8Path, std::vector<std::string>* names) override;
    bool remove(const std::string& utf8Path) override;
    bool rename(const std::string& fromUtf8Path, const std::string& toUtf8Path) override;

    // What to do with the write about to be made: kPass, kDrop, or a negative error code.
    static constexpr int kPass = 1;
    static constexpr int kDrop = 2;
    int nextWrite();
    int nextSync();
    void countRead() { ++reads_; }

  private:
    store::FileSystem& base_;
    int writes_ = 0;
    int syncs_ = 0;
    int reads_ = 0;
    int failAt_ = 0;  // absolute write number, 0 for none
    int failCode_ = 0;
    bool failLater_ = false;
    int stopAt_ = 0;
    bool stopped_ = false;
};

}  // namespace korvana::testing
