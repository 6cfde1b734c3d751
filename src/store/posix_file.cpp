// The real file layer: POSIX descriptors, pread/pwrite, and open-file-description locks.
#include "store/file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

namespace korvana::store {
namespace {

// errno to the store's file-system codes.
int codeOf(int error) {
    switch (error) {
        case ENOENT: return -3;
        case ENOTDIR:
        case ENAMETOOLONG:
        case ELOOP: return -4;
        case EMFILE:
        case ENFILE: return -5;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR: return -6;
        case EIO: return -11;
        case ENOSPC:
        case EDQUOT: return -14;
        default: return -1;
    }
}

class PosixFile final : public File {
  public:
    explicit PosixFile(int fd) : fd_(fd) {}
    ~PosixFile() override { ::close(fd_); }

    int64_t readAt(uint64_t offset, void* buffer, std::size_t n) override {
        if (offset > static_cast<uint64_t>(INT64_MAX)) return -10;
        auto* out = static_cast<char*>(buffer);
        std::size_t done = 0;
        while (done < n) {
            ssize_t got = ::pread(fd_, out + done, n - done, static_cast<off_t>(offset + done));
            if (got < 0) {
                if (errno == EINTR) continue;
                return codeOf(errno);
            }
            if (got == 0) break;  // end of file
            done += static_cast<std::size_t>(got);
        }
        return static_cast<int64_t>(done);
    }

    int writeAt(uint64_t offset, const void* buffer, std::size_t n) override {
        if (offset > static_cast<uint64_t>(INT64_MAX)) return -10;
        const auto* in = static_cast<const char*>(buffer);
        std::size_t done = 0;
        while (done < n) {
            ssize_t put = ::pwrite(fd_, in + done, n - done, static_cast<off_t>(offset + done));
            if (put < 0) {
                if (errno == EINTR) continue;
                return codeOf(errno);
            }
            if (put == 0) return -14;  // nothing more fits
            done += static_cast<std::size_t>(put);
        }
        return 0;
    }

    int64_t length() override {
        struct stat st;
        if (::fstat(fd_, &st) != 0) return codeOf(errno);
        return static_cast<int64_t>(st.st_size);
    }

    int truncate(uint64_t length) override {
        if (length > static_cast<uint64_t>(INT64_MAX)) return -10;
        while (::ftruncate(fd_, static_cast<off_t>(length)) != 0) {
            if (errno != EINTR) return codeOf(errno);
        }
        return 0;
    }

    int lock(uint64_t offset, uint64_t length) override { return setLock(F_WRLCK, offset, length); }
    int unlock(uint64_t offset, uint64_t length) override {
        return setLock(F_UNLCK, offset, length);
    }

    int sync() override {
        while (::fdatasync(fd_) != 0) {
            if (errno != EINTR) return codeOf(errno);
        }
        return 0;
    }

  private:
    int setLock(short type, uint64_t offset, uint64_t length) {
        if (offset > static_cast<uint64_t>(INT64_MAX) || length > static_cast<uint64_t>(INT64_MAX))
            return -13;
        struct flock fl;
        std::memset(&fl, 0, sizeof fl);  // l_pid must be 0 for open-file-description locks
        fl.l_type = type;
        fl.l_whence = SEEK_SET;
        fl.l_start = static_cast<off_t>(offset);
        fl.l_len = static_cast<off_t>(length);
        while (::fcntl(fd_, F_OFD_SETLK, &fl) != 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN || errno == EACCES) return -13;
            return codeOf(errno);
        }
        return 0;
    }

    int fd_;
};

class PosixFileSystem final : public FileSystem {
  public:
    std::unique_ptr<File> create(const std::string& utf8Path, int* error) override {
        return openWith(utf8Path, O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, error);
    }

    std::unique_ptr<File> open(const std::string& utf8Path, int* error) override {
        return openWith(utf8Path, O_RDWR | O_CLOEXEC, error);
    }

    bool exists(const std::string& utf8Path) override {
        struct stat st;
        return ::stat(utf8Path.c_str(), &st) == 0;
    }

    bool listDirectory(const std::string& utf8Path, std::vector<std::string>* names) override {
        names->clear();
        DIR* dir = ::opendir(utf8Path.empty() ? "." : utf8Path.c_str());
        if (dir == nullptr) return false;
        while (const struct dirent* entry = ::readdir(dir)) {
            std::string name = entry->d_name;
            if (name != "." && name != "..") names->push_back(std::move(name));
        }
        ::closedir(dir);
        // The directory's own order is arbitrary; a sorted list makes "the first match" stable.
        std::sort(names->begin(), names->end());
        return true;
    }

    bool remove(const std::string& utf8Path) override { return ::unlink(utf8Path.c_str()) == 0; }

    // The new name reaches the disk before this returns: the directory is synced too, so a
    // table file created this way cannot vanish in a power cut after its first changes.
    bool rename(const std::string& from, const std::string& to) override {
        if (::rename(from.c_str(), to.c_str()) != 0) return false;
        const std::string::size_type slash = to.find_last_of('/');
        const std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : to.substr(0, slash);
        const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0) {
            ::fsync(fd);
            ::close(fd);
        }
        return true;
    }

  private:
    static std::unique_ptr<File> openWith(const std::string& path, int flags, int* error) {
        if (path.empty() || path.find('\0') != std::string::npos) {
            if (error) *error = -4;
            return nullptr;
        }
        int fd;
        do {
            fd = ::open(path.c_str(), flags, 0644);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0) {
            if (error) *error = codeOf(errno);
            return nullptr;
        }
        // Only regular files are tables; a directory or a device is refused as access denied.
        struct stat st;
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd);
            if (error) *error = -6;
            return nullptr;
        }
        if (error) *error = 0;
        return std::make_unique<PosixFile>(fd);
    }
};

bool asciiEqualIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + ('a' - 'A'));
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + ('a' - 'A'));
        if (x != y) return false;
    }
    return true;
}

}  // namespace

FileSystem& posixFileSystem() {
    static PosixFileSystem fs;
    return fs;
}

std::string matchFileName(FileSystem& fs, const std::string& utf8Path) {
    if (fs.exists(utf8Path)) return utf8Path;
    std::size_t slash = utf8Path.rfind('/');
    std::string dir = slash == std::string::npos ? std::string(".") : utf8Path.substr(0, slash);
    if (slash == 0) dir = "/";
    std::string name = slash == std::string::npos ? utf8Path : utf8Path.substr(slash + 1);
    if (name.empty()) return utf8Path;
    std::vector<std::string> names;
    if (!fs.listDirectory(dir, &names)) return utf8Path;
    for (const std::string& entry : names) {
        if (asciiEqualIgnoringCase(entry, name)) {
            return slash == std::string::npos ? entry : utf8Path.substr(0, slash + 1) + entry;
        }
    }
    return utf8Path;
}

std::string workingDirectory() {
    std::string buffer(256, '\0');
    for (;;) {
        if (::getcwd(buffer.data(), buffer.size()) != nullptr) {
            buffer.resize(std::strlen(buffer.c_str()));
            return buffer;
        }
        if (errno != ERANGE) return std::string();
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace korvana::store
