#include "store/table_file.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <ctime>
#include <limits>
#include <thread>
#include <type_traits>

#include "text/datetime.h"

namespace korvana::store::detail {
namespace {

int32_t loadInt32(const char* p) {
    uint32_t v = static_cast<uint32_t>(static_cast<unsigned char>(p[0])) |
                 static_cast<uint32_t>(static_cast<unsigned char>(p[1])) << 8 |
                 static_cast<uint32_t>(static_cast<unsigned char>(p[2])) << 16 |
                 static_cast<uint32_t>(static_cast<unsigned char>(p[3])) << 24;
    return static_cast<int32_t>(v);
}

void storeInt32(char* p, int32_t value) {
    uint32_t v = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) p[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// Little-endian loads and stores of the other widths (the machine is little-endian; the
// copies keep alignment and aliasing sound).
template <class T>
T loadRaw(const char* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
template <class T>
void storeRaw(char* p, T v) {
    std::memcpy(p, &v, sizeof v);
}

int64_t absSerial(int32_t serial) { return serial < 0 ? -static_cast<int64_t>(serial) : serial; }

// Days from 1970-01-01 of a Gregorian date.
int64_t daysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

// Values of the numeric kinds, as the widest integer or as a double.
struct Number {
    bool isInteger = true;
    int64_t integer = 0;
    double real = 0;
};

bool numberOf(const FieldValue& value, Number* n) {
    return std::visit(
        [n](const auto& v) -> bool {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, uint8_t> || std::is_same_v<T, int16_t> ||
                          std::is_same_v<T, int32_t> || std::is_same_v<T, int64_t>) {
                n->isInteger = true;
                n->integer = v;
                return true;
            } else if constexpr (std::is_same_v<T, float> || std::is_same_v<T, double>) {
                n->isInteger = false;
                n->real = v;
                return true;
            } else {
                return false;
            }
        },
        value);
}

// An integer field's value: integers wrap as in C++; reals are truncated toward zero and held
// within the field's range (NaN gives 0) instead of being undefined.
template <class T>
T integerFrom(const Number& n) {
    if (n.isInteger) return static_cast<T>(n.integer);
    double d = n.real;
    if (std::isnan(d)) return 0;
    d = std::trunc(d);
    constexpr double lo = static_cast<double>(std::numeric_limits<T>::min());
    // 2^(bits) for unsigned, 2^(bits-1) for signed: the first value above the range.
    constexpr double above = std::is_signed_v<T> ? -lo : 2.0 * (static_cast<double>(
                                                               std::numeric_limits<T>::max() / 2 + 1));
    if (d < lo) return std::numeric_limits<T>::min();
    if (d >= above) return std::numeric_limits<T>::max();
    return static_cast<T>(d);
}

float floatFrom(const Number& n) {
    if (n.isInteger) return static_cast<float>(n.integer);
    double d = n.real;
    constexpr double kMax = std::numeric_limits<float>::max();
    if (std::isfinite(d) && std::fabs(d) > kMax) {
        // Round to nearest: up to half a unit in the last place above the largest float it is
        // that float, beyond it infinity.
        const double halfUlp = std::ldexp(1.0, 103);
        float limit = std::fabs(d) < kMax + halfUlp ? std::numeric_limits<float>::max()
                                                     : std::numeric_limits<float>::infinity();
        return d < 0 ? -limit : limit;
    }
    return static_cast<float>(d);
}

double doubleFrom(const Number& n) {
    return n.isInteger ? static_cast<double>(n.integer) : n.real;
}

// The count word, for a caller that already holds a lock covering it.
int readCountUnlocked(TableFile& t, int32_t* count) {
    char word[4];
    if (t.file->readAt(kCountOffset, word, 4) != 4) return -65;
    *count = std::max<int32_t>(0, loadInt32(word));
    return 0;
}

// Moves the records of [from, count) that keep(index, bytes) accepts down so that they start
// at `from`, in order, reading and writing chunks of records. Chunks before the first dropped
// record are not written. Each chunk of kept records is one write to slots that have already
// been read, so a stop between writes leaves the kept prefix followed by the original
// records. *kept receives the number of records after the compaction.
template <class Keep>
int compactRecords(TableFile& t, int64_t from, int64_t count, Keep&& keep, int64_t* kept) {
    const int64_t rs = t.recordSize;
    const int64_t chunkRecords = std::max<int64_t>(1, kCompactionChunkBytes / rs);
    int64_t write = from;
    if (from < count) {
        std::vector<char> chunk(static_cast<std::size_t>(std::min(chunkRecords, count - from) * rs));
        for (int64_t read = from; read < count;) {
            const int64_t m = std::min(chunkRecords, count - read);
            const std::size_t bytes = static_cast<std::size_t>(m * rs);
            int64_t got = t.file->readAt(t.offsetOf(read), chunk.data(), bytes);
            if (got < 0) return static_cast<int>(got);
            if (static_cast<std::size_t>(got) != bytes) return -62;
            int64_t k = 0;
            for (int64_t j = 0; j < m; ++j) {
                const char* rec = chunk.data() + j * rs;
                if (!keep(read + j, rec)) continue;
                if (k != j) std::memmove(chunk.data() + k * rs, rec, static_cast<std::size_t>(rs));
                ++k;
            }
            if (!(write == read && k == m) && k > 0) {
                t.dirty = true;
                int rc = t.file->writeAt(t.offsetOf(write), chunk.data(),
                                         static_cast<std::size_t>(k * rs));
                if (rc != 0) return rc;
            }
            write += k;
            read += m;
        }
    }
    *kept = write;
    return 0;
}

// Writes the count after a compaction that kept `kept` of `count` records, then cuts the file.
int finishCompaction(TableFile& t, int64_t count, int64_t kept) {
    if (kept == count) return 0;
    char word[4];
    storeInt32(word, static_cast<int32_t>(kept));
    t.dirty = true;
    if (int rc = t.file->writeAt(kCountOffset, word, 4); rc != 0) return rc;
    return t.file->truncate(t.offsetOf(kept));
}

}  // namespace

int fieldWidth(int type, int maxTextLength) {
    switch (type) {
        case kByte: return 1;
        case kShort: return 2;
        case kInt: return 4;
        case kInt64: return 8;
        case kFloat: return 4;
        case kDouble: return 8;
        case kBool: return 1;
        case kDateTime: return 8;
        case kRoutine: return 4;
        case kText: return maxTextLength;
        case kBytes: return 4;
        case kMemo: return 4;
        default: return 0;
    }
}

std::string buildHeader(const std::vector<FieldInfo>& fields, double creationDays) {
    std::string out(static_cast<std::size_t>(kHeaderSize + 4 + kDescriptorSize * fields.size()),
                    '\0');
    char* p = out.data();
    std::memcpy(p, "WEDB", 4);
    storeInt32(p + 4, kVersion);
    storeRaw<double>(p + 8, creationDays);
    storeInt32(p + kCountOffset, 0);
    storeInt32(p + kNextSerialOffset, 1);
    int offset = 4;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const FieldInfo& f = fields[i];
        char* d = p + kHeaderSize + 4 + kDescriptorSize * i;
        std::memcpy(d, f.name.data(), std::min<std::size_t>(f.name.size(), kFieldNameSize - 1));
        storeInt32(d + 20, f.type);
        storeInt32(d + 24, offset);
        storeInt32(d + 28, f.type == kText ? f.maxTextLength : 0);
        offset += fieldWidth(f.type, f.maxTextLength);
    }
    storeInt32(p + 24, offset);
    storeInt32(p + kHeaderSize, static_cast<int32_t>(fields.size()));
    return out;
}

double nowAsDays() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const int64_t days = daysFromCivil(local.tm_year + 1900, static_cast<unsigned>(local.tm_mon + 1),
                                       static_cast<unsigned>(local.tm_mday)) -
                         daysFromCivil(1899, 12, 30);
    const int seconds = local.tm_hour * 3600 + local.tm_min * 60 + std::min(local.tm_sec, 59);
    return static_cast<double>(days) + seconds / 86400.0;
}

int loadTableFile(std::unique_ptr<File> file, TableFile* out) {
    const int64_t length = file->length();
    if (length < 0) return static_cast<int>(length);

    // The header and the field count.
    char head[kHeaderSize + 4];
    int64_t got = file->readAt(0, head, sizeof head);
    if (got < 0) return static_cast<int>(got);
    if (got < kHeaderSize) return -22;
    if (std::memcmp(head, "WEDB", 4) != 0) return -22;
    if (loadInt32(head + 4) > kVersion) return -23;
    const int32_t recordSize = loadInt32(head + 24);
    const int32_t count = loadInt32(head + kCountOffset);
    const int32_t nextSerial = loadInt32(head + kNextSerialOffset);
    if (recordSize <= 0 || count < 0 || nextSerial < 1) return -22;
    if (got < kHeaderSize + 4) return -22;
    const int32_t fieldCount = loadInt32(head + kHeaderSize);
    if (fieldCount <= 0) return -22;

    // The descriptors must all be in the file; this also bounds what is allocated for them.
    const int64_t dataStart = kHeaderSize + 4 + static_cast<int64_t>(kDescriptorSize) * fieldCount;
    if (dataStart > length) return -22;
    // Every record starts with its serial, and no record can be wider than the widest fields
    // the engine creates; a record size beyond that is not a table's.
    if (recordSize < 4 || recordSize > 4 + static_cast<int64_t>(kMaxTextLength) * fieldCount)
        return -22;

    std::vector<char> raw(static_cast<std::size_t>(dataStart - kHeaderSize - 4));
    got = file->readAt(kHeaderSize + 4, raw.data(), raw.size());
    if (got < 0) return static_cast<int>(got);
    if (static_cast<std::size_t>(got) != raw.size()) return -22;

    std::vector<FieldDescriptor> fields(static_cast<std::size_t>(fieldCount));
    for (int32_t i = 0; i < fieldCount; ++i) {
        const char* d = raw.data() + static_cast<std::size_t>(kDescriptorSize) * i;
        const void* nul = std::memchr(d, '\0', kFieldNameSize);
        if (nul == nullptr) return -22;
        const int32_t type = loadInt32(d + 20);
        const int32_t offset = loadInt32(d + 24);
        const int32_t maxLength = loadInt32(d + 28);
        if (type < kByte || type > kMemo) return -22;
        if (type == kText && maxLength <= 0) return -22;
        // A field must lie after the serial and inside the record.
        const int width = fieldWidth(type, maxLength);
        if (offset < 4 || static_cast<int64_t>(offset) + width > recordSize) return -22;
        FieldDescriptor& f = fields[static_cast<std::size_t>(i)];
        f.name.assign(d, static_cast<const char*>(nul) - d);
        f.type = type;
        f.offset = offset;
        f.width = width;
    }

    out->file = std::move(file);
    out->fields = std::move(fields);
    out->recordSize = recordSize;
    out->dataStart = dataStart;
    out->dirty = false;
    out->record.assign(static_cast<std::size_t>(recordSize), '\0');

    // Repair. Another opening that holds a lock is in the middle of a change whose bytes are
    // not ours to cut; the file is then used as it is.
    RangeLock whole(*out->file, 0, 0);
    if (whole.result() != 0) return 0;
    return repairRecords(*out);
}

int repairRecords(TableFile& t) {
    // Read again under the caller's lock: another opening may have appended since the header
    // was validated, and its record must not be taken for a partly written one.
    const int64_t length = t.file->length();
    if (length < 0) return static_cast<int>(length);
    char words[8];
    const int64_t got = t.file->readAt(kCountOffset, words, 8);
    if (got < 0) return static_cast<int>(got);
    if (got != 8) return -65;
    const int32_t count = std::max<int32_t>(0, loadInt32(words));
    const int32_t nextSerial = loadInt32(words + 4);
    const int64_t whole_records = std::max<int64_t>(0, (length - t.dataStart) / t.recordSize);
    const int64_t counted = std::min<int64_t>(count, whole_records);
    int64_t maxSerial = 0;
    int64_t kept = 0;
    int rc = compactRecords(
        t, 0, counted,
        [&maxSerial](int64_t, const char* rec) {
            const int64_t serial = absSerial(loadInt32(rec));
            if (serial <= maxSerial) return false;  // a stale copy, or no serial at all
            maxSerial = serial;
            return true;
        },
        &kept);
    if (rc != 0) return rc;
    if (maxSerial >= nextSerial && maxSerial < std::numeric_limits<int32_t>::max()) {
        // Serials must keep growing: the next one handed out is above every serial present.
        char word[4];
        storeInt32(word, static_cast<int32_t>(maxSerial + 1));
        t.dirty = true;
        if (int w = t.file->writeAt(kNextSerialOffset, word, 4); w != 0) return w;
    }
    if (kept != count) {
        char word[4];
        storeInt32(word, static_cast<int32_t>(kept));
        t.dirty = true;
        if (int w = t.file->writeAt(kCountOffset, word, 4); w != 0) return w;
    }
    if (length != t.dataStart + kept * t.recordSize) {
        t.dirty = true;
        if (int w = t.file->truncate(t.offsetOf(kept)); w != 0) return w;
    }
    return 0;
}

int readCount(TableFile& t, int32_t* count, int waitMs) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        RangeLock lock(*t.file, kCountOffset, 1);
        if (lock.result() == 0) return readCountUnlocked(t, count);
        if (lock.result() != -13 || Clock::now() >= deadline) return lock.result();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

int appendRecord(TableFile& t, char* record, int32_t* index) {
    RangeLock lock(*t.file, kCountOffset, 1);
    if (lock.result() != 0) return lock.result();
    char words[8];
    int64_t got = t.file->readAt(kCountOffset, words, 8);
    if (got < 0) return static_cast<int>(got);
    if (got != 8) return -65;
    const int32_t count = std::max<int32_t>(0, loadInt32(words));
    const int32_t serial = loadInt32(words + 4);
    // The count and the serials are 32-bit words; a full table cannot take more.
    if (count == std::numeric_limits<int32_t>::max() || serial < 1 ||
        serial == std::numeric_limits<int32_t>::max())
        return -1;
    storeInt32(record, serial);
    t.dirty = true;
    if (int rc = t.file->writeAt(t.offsetOf(count), record, static_cast<std::size_t>(t.recordSize));
        rc != 0)
        return rc;
    storeInt32(words, count + 1);
    storeInt32(words + 4, serial + 1);
    if (int rc = t.file->writeAt(kCountOffset, words, 8); rc != 0) return rc;
    *index = count;
    return 0;
}

int purgeMarked(TableFile& t) {
    RangeLock lock(*t.file, 0, 0);
    if (lock.result() != 0) return lock.result();
    int32_t count = 0;
    if (int rc = readCountUnlocked(t, &count); rc != 0) return rc;
    int64_t kept = 0;
    int rc = compactRecords(
        t, 0, count, [](int64_t, const char* rec) { return loadInt32(rec) >= 0; }, &kept);
    if (rc == 0) rc = finishCompaction(t, count, kept);
    if (rc != 0) repairRecords(t);  // a failed write may have left copies behind: drop them now
    return rc;
}

int removeRange(TableFile& t, int64_t first, int64_t n) {
    RangeLock lock(*t.file, 0, 0);
    if (lock.result() != 0) return lock.result();
    int32_t count = 0;
    if (int rc = readCountUnlocked(t, &count); rc != 0) return rc;
    if (first < 0 || first >= count) return -60;
    const int64_t end = first + std::min<int64_t>(n, count - first);
    int64_t kept = 0;
    int rc = compactRecords(
        t, first, count, [end](int64_t index, const char*) { return index >= end; }, &kept);
    if (rc == 0) rc = finishCompaction(t, count, kept);
    if (rc != 0) repairRecords(t);  // a failed write may have left copies behind: drop them now
    return rc;
}

bool valueSuits(int type, const FieldValue& value) {
    switch (type) {
        case kByte:
        case kShort:
        case kInt:
        case kInt64:
        case kFloat:
        case kDouble: {
            Number n;
            return numberOf(value, &n);
        }
        case kBool: return std::holds_alternative<bool>(value);
        case kDateTime: return std::holds_alternative<DateTime>(value);
        case kText: return std::holds_alternative<std::string>(value);
        default: return false;
    }
}

void encodeField(const FieldDescriptor& field, const FieldValue& value, char* bytes,
                 bool padText) {
    Number n;
    switch (field.type) {
        case kByte:
            if (numberOf(value, &n)) storeRaw<uint8_t>(bytes, integerFrom<uint8_t>(n));
            break;
        case kShort:
            if (numberOf(value, &n)) storeRaw<int16_t>(bytes, integerFrom<int16_t>(n));
            break;
        case kInt:
            if (numberOf(value, &n)) storeRaw<int32_t>(bytes, integerFrom<int32_t>(n));
            break;
        case kInt64:
            if (numberOf(value, &n)) storeRaw<int64_t>(bytes, integerFrom<int64_t>(n));
            break;
        case kFloat:
            if (numberOf(value, &n)) storeRaw<float>(bytes, floatFrom(n));
            break;
        case kDouble:
            if (numberOf(value, &n)) storeRaw<double>(bytes, doubleFrom(n));
            break;
        case kBool:
            if (const bool* b = std::get_if<bool>(&value)) bytes[0] = *b ? 1 : 0;
            break;
        case kDateTime:
            if (const DateTime* d = std::get_if<DateTime>(&value)) storeRaw<double>(bytes, d->days);
            break;
        case kText:
            if (const std::string* s = std::get_if<std::string>(&value)) {
                const std::size_t width = static_cast<std::size_t>(field.width);
                const std::size_t n = std::min(width, s->size());
                std::memcpy(bytes, s->data(), n);
                if (n < width) {
                    if (padText) std::memset(bytes + n, 0, width - n);
                    else bytes[n] = '\0';
                }
            }
            break;
        default: break;
    }
}

FieldValue decodeField(const FieldDescriptor& field, const char* bytes) {
    switch (field.type) {
        case kByte: return bytes ? loadRaw<uint8_t>(bytes) : uint8_t{0};
        case kShort: return bytes ? loadRaw<int16_t>(bytes) : int16_t{0};
        case kInt: return bytes ? loadRaw<int32_t>(bytes) : int32_t{0};
        case kInt64: return bytes ? loadRaw<int64_t>(bytes) : int64_t{0};
        case kFloat: return bytes ? loadRaw<float>(bytes) : 0.0f;
        case kDouble: return bytes ? loadRaw<double>(bytes) : 0.0;
        case kBool: return bytes ? bytes[0] != 0 : false;
        case kDateTime: {
            if (!bytes) return DateTime{0.0};
            double d = loadRaw<double>(bytes);
            // Clamped into the date range; a NaN reads as the empty date.
            if (!(d >= text::kEmptyDate)) d = text::kEmptyDate;
            if (d > text::kLastDate) d = text::kLastDate;
            return DateTime{d};
        }
        case kText: {
            if (!bytes) return std::string();
            const void* nul = std::memchr(bytes, '\0', static_cast<std::size_t>(field.width));
            const std::size_t n = nul ? static_cast<const char*>(nul) - bytes
                                      : static_cast<std::size_t>(field.width);
            return std::string(bytes, n);
        }
        default:  // routine, bytes and memo references: the stored word
            return bytes ? loadRaw<int32_t>(bytes) : int32_t{0};
    }
}

}  // namespace korvana::store::detail
