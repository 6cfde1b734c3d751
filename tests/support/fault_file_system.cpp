#include "support/fault_file_system.h"

#include <cstring>

namespace korvana::testing {
namespace {

class FaultFile final : public store::File {
  public:
    FaultFile(std::unique_ptr<store::File> base, FaultFileSystem& fs)
        : base_(std::move(base)), fs_(fs) {}

    int64_t readAt(uint64_t offset, void* buffer, std::size_t n) override {
        fs_.countRead();
        return base_ ? base_->readAt(offset, buffer, n) : 0;
    }
    int writeAt(uint64_t offset, const void* buffer, std::size_t n) override {
        int plan = fs_.nextWrite();
        if (plan == FaultFileSystem::kDrop || !base_) return 0;
        if (plan < 0) return plan;
        return base_->writeAt(offset, buffer, n);
    }
    int64_t length() override { return base_ ? base_->length() : 0; }
    int truncate(uint64_t length) override {
        int plan = fs_.nextWrite();
        if (plan == FaultFileSystem::kDrop || !base_) return 0;
        if (plan < 0) return plan;
        return base_->truncate(length);
    }
    int lock(uint64_t offset, uint64_t length) override {
        return base_ ? base_->lock(offset, length) : 0;
    }
    int unlock(uint64_t offset, uint64_t length) override {
        return base_ ? base_->unlock(offset, length) : 0;
    }
    int sync() override {
        int plan = fs_.nextSync();
        if (plan == FaultFileSystem::kDrop || !base_) return 0;
        return base_->sync();
    }

  private:
    std::unique_ptr<store::File> base_;  // null for a file whose creation was dropped
    FaultFileSystem& fs_;
};

}  // namespace

FaultFileSystem::FaultFileSystem(store::FileSystem& base) : base_(base) {}

void FaultFileSystem::failWrite(int k, int code, bool andLater) {
    failAt_ = writes_ + k;
    failCode_ = code;
    failLater_ = andLater;
}

void FaultFileSystem::stopAtWrite(int k) { stopAt_ = writes_ + k; }

void FaultFileSystem::clearFaults() {
    failAt_ = 0;
    failLater_ = false;
    stopAt_ = 0;
    stopped_ = false;
}

int FaultFileSystem::nextWrite() {
    ++writes_;
    if (!stopped_ && stopAt_ != 0 && writes_ >= stopAt_) stopped_ = true;
    if (stopped_) return kDrop;
    if (failAt_ != 0 && (writes_ == failAt_ || (failLater_ && writes_ > failAt_))) return failCode_;
    return kPass;
}

int FaultFileSystem::nextSync() {
    ++syncs_;
    return stopped_ ? kDrop : kPass;
}

std::unique_ptr<store::File> FaultFileSystem::create(const std::string& utf8Path, int* error) {
    int plan = nextWrite();
    if (plan < 0) {
        if (error) *error = plan;
        return nullptr;
    }
    if (plan == kDrop) {
        if (error) *error = 0;
        return std::make_unique<FaultFile>(nullptr, *this);
    }
    std::unique_ptr<store::File> file = base_.create(utf8Path, error);
    if (!file) return nullptr;
    return std::make_unique<FaultFile>(std::move(file), *this);
}

std::unique_ptr<store::File> FaultFileSystem::open(const std::string& utf8Path, int* error) {
    std::unique_ptr<store::File> file = base_.open(utf8Path, error);
    if (!file) return nullptr;
    return std::make_unique<FaultFile>(std::move(file), *this);
}

bool FaultFileSystem::exists(const std::string& utf8Path) { return base_.exists(utf8Path); }

bool FaultFileSystem::listDirectory(const std::string& utf8Path, std::vector<std::string>* names) {
    return base_.listDirectory(utf8Path, names);
}

bool FaultFileSystem::remove(const std::string& utf8Path) {
    int plan = nextWrite();
    if (plan == kDrop) return true;
    if (plan < 0) return false;
    return base_.remove(utf8Path);
}

bool FaultFileSystem::rename(const std::string& fromUtf8Path, const std::string& toUtf8Path) {
    int plan = nextWrite();
    if (plan == kDrop) return true;
    if (plan < 0) return false;
    return base_.rename(fromUtf8Path, toUtf8Path);
}

}  // namespace korvana::testing
