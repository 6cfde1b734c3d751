#include "store/table_store.h"

#include <algorithm>
#include <cstring>

#include "store/table_file.h"
#include "store/table_path.h"
#include "text/fatal.h"
#include "text/gbk.h"

namespace korvana::store {
namespace {

using detail::TableFile;

// Codes of the store's own fatal conditions (readField).
constexpr int kFatalNoCurrentTable = -67;
constexpr int kFatalNoSuchField = -61;

bool isFullWidthLetter(unsigned char lead, unsigned char trail) {
    return lead == 0xA3 && ((trail >= 0xC1 && trail <= 0xDA) || (trail >= 0xE1 && trail <= 0xFA));
}
bool isFullWidthDigit(unsigned char lead, unsigned char trail) {
    return lead == 0xA3 && trail >= 0xB0 && trail <= 0xB9;
}
// A GBK Chinese character: GB2312's level 1 and 2 characters and GBK's extension areas.
bool isChineseCharacter(unsigned char lead, unsigned char trail) {
    if (trail == 0x7F) return false;
    if (lead >= 0xB0 && lead <= 0xF7 && trail >= 0xA1 && trail <= 0xFE) return true;
    if (lead >= 0x81 && lead <= 0xA0 && trail >= 0x40 && trail <= 0xFE) return true;
    if (lead >= 0xAA && lead <= 0xFE && trail >= 0x40 && trail <= 0xA0) return true;
    return false;
}

// A field name: 1..16 bytes; the first character a letter (half- or full-width) or a Chinese
// character; the others letters, digits or Chinese characters.
bool isValidFieldName(const std::string& name) {
    if (name.empty() || name.size() > 16) return false;
    for (std::size_t i = 0; i < name.size();) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        const bool first = i == 0;
        if (c < 0x80) {
            const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
            const bool digit = c >= '0' && c <= '9';
            if (!(letter || (digit && !first))) return false;
            ++i;
            continue;
        }
        if (i + 1 >= name.size()) return false;
        const unsigned char t = static_cast<unsigned char>(name[i + 1]);
        if (!(isFullWidthLetter(c, t) || isChineseCharacter(c, t) ||
              (isFullWidthDigit(c, t) && !first)))
            return false;
        i += 2;
    }
    return true;
}

// Byte equality of two short texts, without a library call per record of a scan.
inline bool sameBytes(const std::string& a, const std::string& b) {
    const std::size_t n = a.size();
    if (n != b.size()) return false;
    const char* x = a.data();
    const char* y = b.data();
    for (std::size_t i = 0; i < n; ++i) {
        if (x[i] != y[i]) return false;
    }
    return true;
}

int findField(const std::vector<FieldDescriptor>& fields, const std::string& name) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (text::equalsIgnoringAsciiCase(fields[i].name, name)) return static_cast<int>(i);
    }
    return -1;
}

// readField and readFieldAt away from a scan: the field of the record at the position, or the
// empty value of the field's type (-60 before the first record, -10 at or after the end).
FieldValue readFieldOf(TableFile& t, int position, const FieldDescriptor& field, int* error) {
    int32_t count = 0;
    if (int rc = detail::readCount(t, &count); rc != 0) {
        *error = rc;
        return detail::decodeField(field, nullptr);
    }
    if (position < 0 || position >= count) {
        *error = position < 0 ? -60 : -10;
        return detail::decodeField(field, nullptr);
    }
    char* bytes = t.record.data();
    int64_t got = t.file->readAt(t.offsetOf(position) + static_cast<uint64_t>(field.offset), bytes,
                                 static_cast<std::size_t>(field.width));
    if (got != field.width) {
        *error = got < 0 ? static_cast<int>(got) : -62;
        return detail::decodeField(field, nullptr);
    }
    *error = 0;
    return detail::decodeField(field, bytes);
}

// Creates (or truncates) a file holding `bytes`, synced; on failure no file is left.
int writeNewFile(FileSystem& fs, const std::string& utf8Path, const std::string& bytes) {
    int rc = 0;
    std::unique_ptr<File> file = fs.create(utf8Path, &rc);
    if (!file) return rc != 0 ? rc : -2;
    rc = file->writeAt(0, bytes.data(), bytes.size());
    if (rc == 0) rc = file->sync();
    if (rc != 0) {
        file.reset();
        fs.remove(utf8Path);
    }
    return rc;
}

int syncFile(TableFile& t) {
    if (!t.dirty) return 0;
    t.dirty = false;
    return t.file->sync();
}

// A field name and the value to store into it, borrowed from the caller.
struct NamedValue {
    const std::string& name;
    const FieldValue& value;
};

struct OpenTable {
    TableFile file;
    std::string path;      // absolute UTF-8 path of the file
    std::string baseName;  // GBK
    int position = 0;
    // While a findRecord condition runs: the candidate record's bytes and index.
    char* candidate = nullptr;
    int candidateIndex = -1;
    // readField's last lookup, so that a scan looks its field names up once.
    std::string lastName;
    int lastField = -1;
};

}  // namespace

// The last error of a store or handle: 0 after an operation that succeeded.
struct LastError {
    int error = 0;

    bool fail(int code) {
        error = code;
        return false;
    }
    bool succeed() {
        error = 0;
        return true;
    }
};

struct TableHandle::Impl : LastError {
    TableFile file;
    int position = 0;
};

struct TableStore::Impl : LastError {
    explicit Impl(FileSystem& f) : fs(f) {}
    FileSystem& fs;
    std::vector<std::unique_ptr<OpenTable>> tables;  // in the order they were opened
    OpenTable* current = nullptr;
    OpenTable* openedAt(const std::string& utf8Path) const {
        for (const auto& t : tables) {
            if (t->path == utf8Path) return t.get();
        }
        return nullptr;
    }
    // The count of the current table; false with the error set when it cannot be read.
    bool count(int32_t* n) {
        if (int rc = detail::readCount(current->file, n); rc != 0) return fail(rc);
        return true;
    }
    // writeField for one or more fields of the current record: the record is read, the values
    // stored into it, and it is written back from its fifth byte on in one write.
    bool writeFields(const NamedValue* values, std::size_t n);
    // The search of findRecord and findMatching: the records of `t` from `start` to `count` are
    // read in chunks and handed to `visit` in order (the record's bytes in the chunk, its
    // index) until it answers true. True once it did; false with the error cleared when no
    // record was, or with the read's error.
    template <typename Visit>
    bool scanRecords(OpenTable& t, int start, int32_t count, Visit&& visit) {
        if (count < 1 || start >= count) {
            error = 0;
            return false;
        }
        const int64_t rs = t.file.recordSize;
        const int64_t perChunk = std::max<int64_t>(1, (detail::kScanChunkBytes + rs - 1) / rs);
        std::vector<char> chunk(
            static_cast<std::size_t>(std::min<int64_t>(perChunk, count - start) * rs));
        for (int64_t first = start; first < count;) {
            const int64_t m = std::min<int64_t>(perChunk, count - first);
            const std::size_t bytes = static_cast<std::size_t>(m * rs);
            int64_t got = t.file.file->readAt(t.file.offsetOf(first), chunk.data(), bytes);
            if (got < 0) return fail(static_cast<int>(got));
            if (static_cast<std::size_t>(got) != bytes) return fail(-62);
            char* record = chunk.data();
            for (int64_t j = 0; j < m; ++j, record += rs) {
                if (visit(record, static_cast<int>(first + j))) return succeed();
            }
            first += m;
        }
        error = 0;
        return false;
    }
};

bool TableStore::Impl::writeFields(const NamedValue* values, std::size_t n) {
    if (!current) return fail(-67);
    OpenTable& t = *current;
    int32_t count = 0;
    if (!this->count(&count)) return false;
    if (t.position < 0 || t.position >= count) return fail(-60);
    // Fields the table does not have are ignored; every other value must suit its field.
    TableFile& tf = t.file;
    int fields[8];
    std::vector<int> more;
    int* index = n <= 8 ? fields : (more.resize(n), more.data());
    bool any = false;
    for (std::size_t i = 0; i < n; ++i) {
        index[i] = findField(tf.fields, values[i].name);
        if (index[i] < 0) continue;
        if (!detail::valueSuits(tf.fields[static_cast<std::size_t>(index[i])].type, values[i].value))
            return fail(-76);
        any = true;
    }
    if (!any) return succeed();

    const uint64_t at = tf.offsetOf(t.position);
    detail::RangeLock lock(*tf.file, at, 1);
    if (lock.result() != 0) return fail(lock.result());
    const std::size_t rs = static_cast<std::size_t>(tf.recordSize);
    int64_t got = tf.file->readAt(at, tf.record.data(), rs);
    if (got < 0) return fail(static_cast<int>(got));
    if (static_cast<std::size_t>(got) != rs) return fail(-62);
    for (std::size_t i = 0; i < n; ++i) {
        if (index[i] < 0) continue;
        const FieldDescriptor& field = tf.fields[static_cast<std::size_t>(index[i])];
        detail::encodeField(field, values[i].value, tf.record.data() + field.offset, false);
    }
    // The serial, and with it a deletion mark, is never rewritten.
    tf.dirty = true;
    if (int rc = tf.file->writeAt(at + 4, tf.record.data() + 4, rs - 4); rc != 0) return fail(rc);
    if (t.candidate && t.candidateIndex == t.position) {
        std::memcpy(t.candidate + 4, tf.record.data() + 4, rs - 4);
    }
    return succeed();
}

TableStore::TableStore(FileSystem& fs) : impl_(std::make_unique<Impl>(fs)) {}
TableStore::~TableStore() = default;

FileSystem& TableStore::fileSystem() { return impl_->fs; }

bool TableStore::createTable(const std::string& name, const std::vector<FieldInfo>& fieldList) {
    Impl& s = *impl_;
    if (name.empty()) return s.fail(-3);
    std::vector<FieldInfo> fields;
    for (const FieldInfo& f : fieldList) {
        if (f.name.empty()) break;
        fields.push_back(f);
    }
    if (fields.empty()) return s.fail(-16);
    for (const FieldInfo& f : fields) {
        if (!isValidFieldName(f.name)) return s.fail(-18);
        if (f.type < kByte || f.type > kMemo) return s.fail(-17);
        if (f.type == kText && (f.maxTextLength < 1 || f.maxTextLength > detail::kMaxTextLength))
            return s.fail(-19);
    }
    for (std::size_t i = 0; i < fields.size(); ++i) {
        for (std::size_t j = i + 1; j < fields.size(); ++j) {
            if (text::equalsIgnoringAsciiCase(fields[i].name, fields[j].name)) return s.fail(-20);
        }
    }

    detail::TablePath path;
    if (int rc = detail::resolveTablePath(s.fs, name, &path); rc != 0) return s.fail(rc);
    // Truncating a file this store has open would pull it from under the open table.
    if (s.openedAt(path.utf8)) return s.fail(-38);

    // The file is written under a temporary name and then renamed, so that a run that stops
    // half-way never leaves a table file without its header.
    const std::string header = detail::buildHeader(fields, detail::nowAsDays());
    const std::string temporary = path.utf8 + ".new";
    if (int rc = writeNewFile(s.fs, temporary, header); rc != 0) return s.fail(rc);
    if (s.fs.rename(temporary, path.utf8)) return s.succeed();
    // A file system that cannot rename: write the file in place.
    s.fs.remove(temporary);
    if (int rc = writeNewFile(s.fs, path.utf8, header); rc != 0) return s.fail(rc);
    return s.succeed();
}

bool TableStore::openTable(const std::string& pathName) {
    Impl& s = *impl_;
    detail::TablePath path;
    if (int rc = detail::resolveTablePath(s.fs, pathName, &path); rc != 0) return s.fail(rc);
    if (s.openedAt(path.utf8)) return s.fail(-38);
    int rc = 0;
    std::unique_ptr<File> file = s.fs.open(path.utf8, &rc);
    if (!file) return s.fail(rc != 0 ? rc : -1);
    auto table = std::make_unique<OpenTable>();
    if (rc = detail::loadTableFile(std::move(file), &table->file); rc != 0) return s.fail(rc);
    table->path = path.utf8;
    table->baseName = path.baseName;
    table->position = 0;
    s.tables.push_back(std::move(table));
    s.current = s.tables.back().get();
    return s.succeed();
}

bool TableStore::selectTable(const std::string& name) {
    Impl& s = *impl_;
    if (name.empty()) return s.fail(-66);
    for (auto it = s.tables.rbegin(); it != s.tables.rend(); ++it) {
        if (text::equalsIgnoringAsciiCase((*it)->baseName, name)) {
            s.current = it->get();
            return s.succeed();
        }
    }
    detail::TablePath path;
    if (detail::resolveTablePath(s.fs, name, &path) == 0) {
        for (auto it = s.tables.rbegin(); it != s.tables.rend(); ++it) {
            if ((*it)->path == path.utf8) {
                s.current = it->get();
                return s.succeed();
            }
        }
    }
    return s.fail(-66);
}

int TableStore::recordCount() {
    Impl& s = *impl_;
    if (!s.current) {
        s.error = -67;
        return 0;
    }
    int32_t count = 0;
    // Another process may hold the header for a moment; wait for it up to two seconds.
    if (int rc = detail::readCount(s.current->file, &count, 2000); rc != 0) {
        s.error = rc;
        return 0;
    }
    s.error = 0;
    return count;
}

void TableStore::firstRecord() {
    Impl& s = *impl_;
    if (!s.current) {
        s.error = -67;
        return;
    }
    s.current->position = 0;
    s.error = 0;
}

bool TableStore::skip(int n) {
    Impl& s = *impl_;
    if (!s.current) return s.fail(-67);
    if (n == 0) return s.succeed();
    int32_t count = 0;
    if (!s.count(&count)) return false;
    OpenTable& t = *s.current;
    if (n > 0 && (count == 0 || t.position >= count)) return s.fail(-26);
    if (n < 0 && (count == 0 || t.position < 0)) return s.fail(-25);
    const int64_t target = static_cast<int64_t>(t.position) + n;
    t.position = static_cast<int>(std::max<int64_t>(-1, std::min<int64_t>(count, target)));
    return s.succeed();
}

bool TableStore::goToRecord(int n) {
    Impl& s = *impl_;
    if (!s.current) return s.fail(-67);
    int32_t count = 0;
    if (!s.count(&count)) return false;
    const int64_t target = std::min<int64_t>(count - 1, static_cast<int64_t>(n) - 1);
    s.current->position = static_cast<int>(std::max<int64_t>(0, target));
    return s.succeed();
}

bool TableStore::findRecord(const std::function<bool()>& condition) {
    Impl& s = *impl_;
    if (!s.current) return s.fail(-67);
    if (!condition) return s.fail(-76);
    OpenTable& t = *s.current;
    const int p = t.position;
    int32_t count = 0;
    if (!s.count(&count)) return false;
    const int start = std::max(0, p);

    // Restores the table's scan state however the search ends (a condition may throw).
    struct ScanState {
        OpenTable& t;
        char* candidate;
        int candidateIndex;
        int position;
        bool found = false;
        ~ScanState() {
            t.candidate = candidate;
            t.candidateIndex = candidateIndex;
            if (!found) t.position = position;
        }
    } state{t, t.candidate, t.candidateIndex, p};

    // The condition sees each record in order as the current record, its fields served from
    // the chunk read.
    return s.scanRecords(t, start, count, [&](char* record, int index) {
        t.candidate = record;
        t.candidateIndex = index;
        t.position = index;
        if (!condition()) return false;
        state.found = true;
        t.position = index;
        return true;
    });
}

bool TableStore::findMatching(const std::vector<TextMatch>& matches) {
    Impl& s = *impl_;
    if (!s.current) return s.fail(-67);
    OpenTable& t = *s.current;
    struct Wanted {
        std::size_t offset;
        std::size_t width;
        const std::string* text;
    };
    std::vector<Wanted> wanted;
    bool possible = true;
    for (const TextMatch& m : matches) {
        const int f = findField(t.file.fields, m.field);
        if (f < 0) text::fatalError(kFatalNoSuchField, text::gbk("指定字段不存在"));
        const FieldDescriptor& field = t.file.fields[static_cast<std::size_t>(f)];
        if (field.type != kText || m.text.size() > static_cast<std::size_t>(field.width))
            possible = false;
        wanted.push_back({static_cast<std::size_t>(field.offset),
                          static_cast<std::size_t>(field.width), &m.text});
    }
    const int p = t.position;
    int32_t count = 0;
    if (!s.count(&count)) return false;
    const int start = std::max(0, p);
    if (!possible) {
        s.error = 0;
        return false;
    }

    // Each record's fields are compared in the chunk read.
    return s.scanRecords(t, start, count, [&](const char* record, int index) {
        for (const Wanted& w : wanted) {
            const char* field = record + w.offset;
            const std::size_t n = w.text->size();
            if (std::memcmp(field, w.text->data(), n) != 0 || (n < w.width && field[n] != '\0'))
                return false;
        }
        t.position = index;
        return true;
    });
}

FieldValue TableStore::readField(const std::string& name) {
    Impl& s = *impl_;
    OpenTable* t = s.current;
    if (!t) text::fatalError(kFatalNoCurrentTable, text::gbk("未指定当前数据库或者指定数据库未打开"));
    int f = t->lastField;
    if (f < 0 || !sameBytes(name, t->lastName)) {
        f = findField(t->file.fields, name);
        if (f < 0) text::fatalError(kFatalNoSuchField, text::gbk("指定字段不存在"));
        t->lastName = name;
        t->lastField = f;
    }
    const FieldDescriptor& field = t->file.fields[static_cast<std::size_t>(f)];
    if (t->candidate && t->position == t->candidateIndex) {
        s.error = 0;
        const char* bytes = t->candidate + field.offset;
        if (field.type == kText) {  // the common case of a scan, built in place
            const void* nul = std::memchr(bytes, '\0', static_cast<std::size_t>(field.width));
            const std::size_t n = nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - bytes)
                                      : static_cast<std::size_t>(field.width);
            return FieldValue(std::in_place_type<std::string>, bytes, n);
        }
        return detail::decodeField(field, bytes);
    }
    return readFieldOf(t->file, t->position, field, &s.error);
}

bool TableStore::writeField(const std::string& name, const FieldValue& value) {
    const NamedValue one{name, value};
    return impl_->writeFields(&one, 1);
}

bool TableStore::writeFields(const std::vector<std::pair<std::string, FieldValue>>& values) {
    std::vector<NamedValue> named;
    named.reserve(values.size());
    for (const auto& [name, value] : values) named.push_back({name, value});
    return impl_->writeFields(named.data(), named.size());
}

bool TableStore::addRecord(const std::vector<FieldValue>& values) {
    Impl& s = *impl_;
    if (!s.current) return s.fail(-67);
    OpenTable& t = *s.current;
    TableFile& tf = t.file;
    const std::size_t used = std::min(values.size(), tf.fields.size());
    for (std::size_t i = 0; i < used; ++i) {
        if (std::holds_alternative<Omitted>(values[i])) continue;
        if (!detail::valueSuits(tf.fields[i].type, values[i])) return s.fail(-72);
    }
    std::fill(tf.record.begin(), tf.record.end(), '\0');
    for (std::size_t i = 0; i < used; ++i) {
        if (std::holds_alternative<Omitted>(values[i])) continue;
        detail::encodeField(tf.fields[i], values[i], tf.record.data() + tf.fields[i].offset, true);
    }
    int32_t index = 0;
    if (int rc = detail::appendRecord(tf, tf.record.data(), &index); rc != 0) return s.fail(rc);
    t.position = index;
    return s.succeed();
}

bool TableStore::markDeleted() {
    Impl& s = *impl_;
    if (!s.current) return s.fail(-67);
    OpenTable& t = *s.current;
    int32_t count = 0;
    if (!s.count(&count)) return false;
    if (t.position < 0 || t.position >= count) return s.fail(-60);
    TableFile& tf = t.file;
    const uint64_t at = tf.offsetOf(t.position);
    detail::RangeLock lock(*tf.file, at, 1);
    if (lock.result() != 0) return s.fail(lock.result());
    int32_t serial = 0;
    int64_t got = tf.file->readAt(at, &serial, 4);
    if (got < 0) return s.fail(static_cast<int>(got));
    if (got != 4) return s.fail(-62);
    if (serial > 0) {
        serial = -serial;
        tf.dirty = true;
        if (int rc = tf.file->writeAt(at, &serial, 4); rc != 0) return s.fail(rc);
        if (t.candidate && t.candidateIndex == t.position) std::memcpy(t.candidate, &serial, 4);
    }
    return s.succeed();
}

bool TableStore::purgeDeleted() {
    Impl& s = *impl_;
    if (!s.current) return s.fail(-67);
    if (int rc = detail::purgeMarked(s.current->file); rc != 0) return s.fail(rc);
    s.current->position = 0;
    return s.succeed();
}

int TableStore::lastError() const { return impl_->error; }

int TableStore::position() const { return impl_->current ? impl_->current->position : -1; }

bool TableStore::syncWritten() {
    Impl& s = *impl_;
    int first = 0;
    for (const auto& t : s.tables) {
        if (int rc = syncFile(t->file); rc != 0 && first == 0) first = rc;
    }
    if (first != 0) return s.fail(first);
    return true;
}

std::string TableStore::errorText(int code) {
    const char* utf8 = nullptr;
    switch (code) {
        case 0: return std::string();
        case -1: utf8 = "未知错误"; break;
        case -2: utf8 = "创建数据库失败"; break;
        case -3: utf8 = "指定文件未找到"; break;
        case -4: utf8 = "无效的路径"; break;
        case -5: utf8 = "打开文件过多"; break;
        case -6: utf8 = "指定文件不能被访问"; break;
        case -7: utf8 = "无效的文件号"; break;
        case -8: utf8 = "不能删除现行工作目录"; break;
        case -9: utf8 = "创建目录过多"; break;
        case -10: utf8 = "文件指针定位失败"; break;
        case -11: utf8 = "访问文件时硬件产生故障"; break;
        case -12: utf8 = "访问文件时产生共享冲突"; break;
        case -13: utf8 = "加锁文件失败"; break;
        case -14: utf8 = "磁盘空间不够"; break;
        case -15: utf8 = "已经到达文件尾"; break;
        case -16: utf8 = "字段数目必须大于 0 "; break;
        case -17: utf8 = "无效的字段类型"; break;
        case -18:
            utf8 = "无效的字段名称。名称首字符必须为全半角字母或汉字，其他字符必须为全半角字母、"
                   "全半角数字或汉字。名称长度必须小于 16 字符";
            break;
        case -19: utf8 = "无效的字段尺寸"; break;
        case -20: utf8 = "存在重复的字段名称"; break;
        case -22: utf8 = "指定文件不是数据库文件"; break;
        case -23: utf8 = "指定数据库文件版本太高，无法读入，请升级系统软件"; break;
        case -25: utf8 = "已经越过数据库的首记录"; break;
        case -26: utf8 = "已经越过数据库的末记录"; break;
        case -38: utf8 = "指定数据库已经被打开"; break;
        case -60: utf8 = "现行记录不存在"; break;
        case -61: utf8 = "指定字段不存在"; break;
        case -62: utf8 = "读记录失败"; break;
        case -65: utf8 = "取数据库记录数失败"; break;
        case -66: utf8 = "未打开指定数据库"; break;
        case -67: utf8 = "未设置当前数据库"; break;
        case -72: utf8 = "所提供数据的类型与字段类型不匹配"; break;
        case -76: utf8 = "表达式类型错误"; break;
        default: utf8 = "未知错误"; break;
    }
    return text::gbk(utf8);
}

std::unique_ptr<TableHandle> TableStore::openHandle(const std::string& pathName, int* error) {
    Impl& s = *impl_;
    int rc = 0;
    auto done = [&](int code) -> std::unique_ptr<TableHandle> {
        if (error) *error = code;
        s.error = code;
        return nullptr;
    };
    detail::TablePath path;
    if (rc = detail::resolveTablePath(s.fs, pathName, &path); rc != 0) return done(rc);
    std::unique_ptr<File> file = s.fs.open(path.utf8, &rc);
    if (!file) return done(rc != 0 ? rc : -1);
    auto impl = std::make_unique<TableHandle::Impl>();
    if (rc = detail::loadTableFile(std::move(file), &impl->file); rc != 0) return done(rc);
    if (error) *error = 0;
    s.error = 0;
    return std::unique_ptr<TableHandle>(new TableHandle(std::move(impl)));
}

// ---- TableHandle ----


TableHandle::TableHandle(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
TableHandle::~TableHandle() = default;

int TableHandle::recordCount() {
    int32_t count = 0;
    if (int rc = detail::readCount(impl_->file, &count, 2000); rc != 0) {
        impl_->error = rc;
        return 0;
    }
    impl_->error = 0;
    return count;
}

int TableHandle::fieldCount() const { return static_cast<int>(impl_->file.fields.size()); }

const FieldDescriptor& TableHandle::field(int index) const {
    return impl_->file.fields.at(static_cast<std::size_t>(index));
}

int TableHandle::position() const { return impl_->position; }

FieldValue TableHandle::readFieldAt(int record, int fieldIndex) {
    Impl& h = *impl_;
    if (fieldIndex < 0 || fieldIndex >= fieldCount()) {
        h.error = -61;
        return Omitted{};
    }
    h.position = record;
    return readFieldOf(h.file, record, h.file.fields[static_cast<std::size_t>(fieldIndex)], &h.error);
}

bool TableHandle::writeFieldAt(int record, int fieldIndex, const FieldValue& value) {
    Impl& h = *impl_;
    if (fieldIndex < 0 || fieldIndex >= fieldCount()) return h.fail(-61);
    int32_t count = 0;
    if (int rc = detail::readCount(h.file, &count); rc != 0) return h.fail(rc);
    if (record < 0 || record >= count) return h.fail(-60);
    h.position = record;
    const FieldDescriptor& field = h.file.fields[static_cast<std::size_t>(fieldIndex)];
    if (!detail::valueSuits(field.type, value)) return h.fail(-76);
    char* bytes = h.file.record.data();
    detail::encodeField(field, value, bytes, true);
    const uint64_t at = h.file.offsetOf(record);
    detail::RangeLock lock(*h.file.file, at, 1);
    if (lock.result() != 0) return h.fail(lock.result());
    h.file.dirty = true;
    if (int rc = h.file.file->writeAt(at + static_cast<uint64_t>(field.offset), bytes,
                                      static_cast<std::size_t>(field.width));
        rc != 0)
        return h.fail(rc);
    return h.succeed();
}

bool TableHandle::appendBlankRecord() {
    Impl& h = *impl_;
    std::fill(h.file.record.begin(), h.file.record.end(), '\0');
    int32_t index = 0;
    if (int rc = detail::appendRecord(h.file, h.file.record.data(), &index); rc != 0)
        return h.fail(rc);
    h.position = index;
    return h.succeed();
}

bool TableHandle::removeRecords(int first, int n) {
    Impl& h = *impl_;
    if (n <= 0) return h.succeed();
    if (int rc = detail::removeRange(h.file, first, n); rc != 0) return h.fail(rc);
    h.position = 0;
    return h.succeed();
}

int TableHandle::lastError() const { return impl_->error; }

bool TableHandle::sync() {
    if (int rc = syncFile(impl_->file); rc != 0) return impl_->fail(rc);
    return true;
}

}  // namespace korvana::store
