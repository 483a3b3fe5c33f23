#include "platform/PerUserStore.h"
#include "platform/PerUserStoreBackend.h"
#include "platform/sqlite/PerUserStoreFile.h"

#include "platform/posix/PrivateFiles.h"
#include "platform/sqlite/NoticingFileSystem.h"

#include <sqlite3.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <limits>
#include <mutex>
#include <set>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace tw {
namespace {

// The store is one SQLite file:
//
//   keys            (id INTEGER PRIMARY KEY, parent -> keys.id or NULL for a
//                    top-level key, path TEXT UNIQUE COLLATE NOCASE)
//   registry_values (key -> keys.id, name TEXT COLLATE NOCASE,
//                    type 4 = number / 1 = string, number INTEGER, text TEXT,
//                    PRIMARY KEY (key, name))
//
// A key's row holds its whole path ("Software\Brindlecove\Tumblewick"), so a
// lookup is one indexed comparison; `parent` answers "has it subkeys?".
// PRAGMA user_version is the schema version. A store from a later version is
// not ours to interpret and is treated as damaged.
//
// The journal stays in SQLite's default rollback (DELETE) mode on purpose:
// writes are a couple of small transactions per run, the store then stays a
// single file with no -wal/-shm companions to keep private or to carry along
// when a damaged store is moved aside, and rollback journals work on home
// folders mounted over the network, where WAL's shared memory does not. A
// copy of the game killed in the middle of a write leaves a hot journal that
// the next open rolls back.
constexpr int kSchemaVersion = 1;
constexpr const char* kCreateSchema = R"sql(
    CREATE TABLE keys (
        id     INTEGER PRIMARY KEY,
        parent INTEGER REFERENCES keys(id),
        path   TEXT NOT NULL COLLATE NOCASE UNIQUE
    );
    CREATE INDEX keys_by_parent ON keys(parent);
    CREATE TABLE registry_values (
        key    INTEGER NOT NULL REFERENCES keys(id),
        name   TEXT NOT NULL COLLATE NOCASE,
        type   INTEGER NOT NULL CHECK (type IN (1, 4)),
        number INTEGER,
        text   TEXT,
        PRIMARY KEY (key, name)
    ) WITHOUT ROWID;
    PRAGMA user_version = 1;
)sql";
constexpr int kTypeText = 1;
constexpr int kTypeNumber = 4;

enum class Access {
    Read,   // never creates the store, waits only a moment for a lock
    Change, // writes to a store that exists
    Create, // writes, making the folder and the store as needed
};

enum class Outcome { Ok, Failed, Damaged };

Outcome FromCode(int rc)
{
    switch (rc & 0xFF) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE:
        return Outcome::Ok;
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        return Outcome::Damaged;
    default:
        return Outcome::Failed;
    }
}

class Statement {
public:
    Statement(sqlite3* db, const char* sql) { rc = sqlite3_prepare_v2(db, sql, -1, &statement, nullptr); }
    ~Statement() { sqlite3_finalize(statement); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& Bind(int index, std::string_view text)
    {
        if (rc == SQLITE_OK) {
            rc = sqlite3_bind_text64(statement, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
        }
        return *this;
    }
    Statement& Bind(int index, std::optional<sqlite3_int64> number)
    {
        if (rc == SQLITE_OK) {
            rc = number ? sqlite3_bind_int64(statement, index, *number) : sqlite3_bind_null(statement, index);
        }
        return *this;
    }

    // SQLITE_ROW, SQLITE_DONE, or the error met while preparing, binding or
    // stepping.
    int Step()
    {
        if (rc == SQLITE_OK || rc == SQLITE_ROW) {
            rc = sqlite3_step(statement);
        }
        return rc;
    }

    sqlite3_stmt* Get() const { return statement; }

private:
    sqlite3_stmt* statement = nullptr;
    int rc = SQLITE_OK;
};

int Exec(sqlite3* db, const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }

// Files this process has already given a quick check. Damage met later shows
// up as SQLITE_CORRUPT or SQLITE_NOTADB on the call that meets it.
std::mutex checkedMutex;
std::set<FileIdentity> checkedFiles;

struct Store {
    Store() = default;
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;
    ~Store() { Close(); }

    void Close()
    {
        sqlite3_close_v2(db);
        db = nullptr;
    }

    std::filesystem::path path;
    FileIdentity identity;
    sqlite3* db = nullptr;
    bool missing = false; // no store yet, so every value is missing
    std::string failure;  // why it could not be opened or written, when it could not
    FileFailureWatch watch;
    std::chrono::milliseconds busyWait{};
    std::chrono::steady_clock::time_point busyUntil;
};

// SQLite's own busy timeout backs off to sleeps of 100 ms, long enough for
// another copy saving again and again to take the lock back each time it
// comes free, most of all on a loaded machine. Asking every millisecond
// finds the gaps between its saves.
int WaitForLock(void* opened, int attempt)
{
    Store& store = *static_cast<Store*>(opened);
    const auto now = std::chrono::steady_clock::now();
    if (attempt == 0) {
        store.busyUntil = now + store.busyWait;
    } else if (now >= store.busyUntil) {
        return 0;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return 1;
}

bool Fail(Store& store, std::string reason)
{
    store.failure = std::move(reason);
    return false;
}

std::string SystemReason() { return std::generic_category().message(errno); }

// Where SQLite only knows that a file could not be opened or written, the
// system's reason says more ("Permission denied", "File too large").
std::string SqliteReason(sqlite3* db)
{
    const int code = sqlite3_errcode(db) & 0xFF;
    if ((code == SQLITE_CANTOPEN || code == SQLITE_IOERR) && sqlite3_system_errno(db) != 0) {
        return std::generic_category().message(sqlite3_system_errno(db));
    }
    return sqlite3_errmsg(db);
}

// Opens the store file. With Access::Create, makes the folder and an empty
// file (an empty file is an empty SQLite database) so that the file is private
// from its first byte; SQLite gives its journal the same mode.
bool Open(Store& store, Access access)
{
    const bool create = access == Access::Create;
    store.path = PerUserStorePath();
    if (store.path.empty()) {
        store.missing = true;
        return Fail(store, "there is no configuration folder");
    }
    if (create && !EnsurePrivateFolder(store.path.parent_path())) {
        return Fail(store, SystemReason());
    }
    std::string reason;
    const std::optional<FileIdentity> identity = OpenPrivateFile(store.path, create, store.missing, reason);
    if (!identity) {
        return Fail(store, reason);
    }
    store.identity = *identity;

    const char* fileSystem = NoticingFileSystemName();
    int rc = sqlite3_open_v2(store.path.c_str(), &store.db, SQLITE_OPEN_READWRITE, fileSystem);
    if (rc != SQLITE_OK && !create) {
        // A store we may read but not write still answers reads.
        store.Close();
        rc = sqlite3_open_v2(store.path.c_str(), &store.db, SQLITE_OPEN_READONLY, fileSystem);
    }
    if (rc != SQLITE_OK) {
        store.failure = store.db ? SqliteReason(store.db) : sqlite3_errstr(rc);
        store.Close();
        return false;
    }
    store.busyWait = access == Access::Read ? store::kReadWait : store::kWriteWait;
    sqlite3_busy_handler(store.db, WaitForLock, &store);
    return true;
}

// The schema version and one line per schema object, read by one statement
// so that they come from the same moment even while another copy of the
// game creates the store.
int ListSchema(sqlite3* db, std::string& listing)
{
    Statement list(db, "SELECT 0, 'version ' || user_version FROM pragma_user_version UNION ALL "
                       "SELECT 1, type || ' ' || name || ' ' || tbl_name || ' ' || ifnull(sql, '') "
                       "FROM sqlite_master ORDER BY 1, 2");
    int rc = SQLITE_OK;
    while ((rc = list.Step()) == SQLITE_ROW) {
        if (const unsigned char* line = sqlite3_column_text(list.Get(), 1)) {
            listing += reinterpret_cast<const char*>(line);
        }
        listing += '\n';
    }
    return rc;
}

// The schema exactly as this version creates it. A file whose schema differs
// in any byte (a scribbled column name passes SQLite's own checks) would
// fail every statement for ever, so it counts as damaged; so does a file of
// a later version, or someone else's database.
const std::string& ExpectedSchema()
{
    static const std::string expected = [] {
        std::string listing;
        sqlite3* db = nullptr;
        if (sqlite3_open(":memory:", &db) == SQLITE_OK && Exec(db, kCreateSchema) == SQLITE_OK &&
            ListSchema(db, listing) != SQLITE_DONE) {
            listing.clear();
        }
        sqlite3_close(db);
        return listing;
    }();
    return expected;
}

// Whether the file holds this schema (`empty` when it holds none yet). Read
// at every open: it is the first page, which SQLite reads anyway.
Outcome CheckSchema(sqlite3* db, bool& empty)
{
    std::string listing;
    const int rc = ListSchema(db, listing);
    if (rc != SQLITE_DONE) {
        return FromCode(rc);
    }
    empty = listing == "version 0\n";
    // Without a reference to compare with, nothing is condemned.
    const bool ours = empty || listing == ExpectedSchema() || ExpectedSchema().empty();
    return ours ? Outcome::Ok : Outcome::Damaged;
}

// PRAGMA quick_check or integrity_check: Ok, or Damaged when it finds the
// file damaged.
Outcome Check(sqlite3* db, const char* pragma)
{
    Statement check(db, pragma);
    const int rc = check.Step();
    if (rc != SQLITE_ROW) {
        return FromCode(rc);
    }
    const unsigned char* verdict = sqlite3_column_text(check.Get(), 0);
    return verdict && std::string_view(reinterpret_cast<const char*>(verdict)) == "ok" ? Outcome::Ok
                                                                                        : Outcome::Damaged;
}

// A full integrity check costs a read of every page; once per file and
// process is enough to keep the game off a store that would mislead it.
Outcome CheckOnce(const Store& store)
{
    {
        std::lock_guard lock(checkedMutex);
        if (checkedFiles.contains(store.identity)) {
            return Outcome::Ok;
        }
    }
    const Outcome outcome = Check(store.db, "PRAGMA quick_check(1)");
    if (outcome == Outcome::Ok) {
        std::lock_guard lock(checkedMutex);
        checkedFiles.insert(store.identity);
    }
    return outcome;
}

// Every page and the schema, read at one moment.
Outcome CheckWhole(sqlite3* db)
{
    bool empty = false;
    Outcome outcome = FromCode(Exec(db, "BEGIN"));
    if (outcome == Outcome::Ok) {
        outcome = Check(db, "PRAGMA integrity_check(1)");
    }
    if (outcome == Outcome::Ok) {
        outcome = CheckSchema(db, empty);
    }
    Exec(db, "COMMIT");
    return outcome;
}

// Damage met by a call may be a read the system failed: only a fresh check
// of the same file, every read of it answered, condemns the file. A file
// that cannot be checked now is left alone.
bool ProvenDamaged(const Store& suspect)
{
    Store store;
    return Open(store, Access::Read) && store.identity == suspect.identity &&
           CheckWhole(store.db) == Outcome::Damaged && !store.watch.Failed();
}

// Keeps the damaged file (and a journal that belongs to it) under a new name
// for whoever wants to look at it, and lets the next open start afresh. When
// the path no longer names the file found damaged, another copy of the game
// has already done this and started a fresh store that must not be touched.
void MoveAside(const std::filesystem::path& path, FileIdentity identity)
{
    if (IdentityOf(path) != identity) {
        return;
    }
    char stamp[32] = {};
    const std::time_t now = std::time(nullptr);
    std::tm parts {};
    gmtime_r(&now, &parts);
    std::strftime(stamp, sizeof stamp, "%Y%m%dT%H%M%SZ", &parts);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string aside = path.string() + ".damaged-" + stamp;
        if (attempt > 0) {
            aside.append(1, '-').append(std::to_string(attempt));
        }
        if (RenameWithoutReplacing(path, aside)) {
            std::rename((path.string() + "-journal").c_str(), (aside + "-journal").c_str());
            return;
        }
        if (errno != EEXIST) {
            return;
        }
    }
}

// Runs `operation` on an open store. A store proven damaged is moved aside
// and the operation runs once more on a fresh one (for a read: on no store,
// which reads as empty). When it fails, `failure` (if given) receives the
// reason.
template <typename Operation>
bool WithStore(Access access, Operation&& operation, std::string* failure = nullptr)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        Store store;
        if (!Open(store, access)) {
            if (failure) {
                *failure = store.failure;
            }
            return access == Access::Read && store.missing;
        }
        Outcome outcome = CheckOnce(store);
        if (outcome == Outcome::Ok) {
            outcome = operation(store);
        }
        if (outcome != Outcome::Ok && failure) {
            *failure = store.failure.empty() ? SqliteReason(store.db) : store.failure;
        }
        if (outcome != Outcome::Damaged) {
            return outcome == Outcome::Ok;
        }
        store.Close();
        if (store.watch.Failed() || !ProvenDamaged(store)) {
            return false;
        }
        MoveAside(store.path, store.identity);
    }
    return false;
}

// BEGIN IMMEDIATE takes the write lock up front, so two writers queue on the
// busy timeout instead of one failing halfway through with a deadlock.
template <typename Body>
Outcome InWriteTransaction(Store& store, Body&& body)
{
    sqlite3* db = store.db;
    Outcome outcome = FromCode(Exec(db, "BEGIN IMMEDIATE"));
    if (outcome != Outcome::Ok) {
        return outcome;
    }
    bool empty = false;
    outcome = CheckSchema(db, empty);
    if (outcome == Outcome::Ok && empty) {
        outcome = FromCode(Exec(db, kCreateSchema));
    }
    if (outcome == Outcome::Ok) {
        outcome = body(db);
    }
    if (outcome == Outcome::Ok) {
        outcome = FromCode(Exec(db, "COMMIT"));
    }
    if (outcome != Outcome::Ok) {
        store.failure = SqliteReason(db); // before the rollback replaces it
        Exec(db, "ROLLBACK");
    }
    return outcome;
}

// The key's id, or nullopt with `outcome` Ok when there is no such key.
std::optional<sqlite3_int64> FindKey(sqlite3* db, std::string_view path, Outcome& outcome)
{
    Statement find(db, "SELECT id FROM keys WHERE path = ?1");
    const int rc = find.Bind(1, path).Step();
    outcome = FromCode(rc);
    if (rc != SQLITE_ROW) {
        return std::nullopt;
    }
    return sqlite3_column_int64(find.Get(), 0);
}

// Creates the key and every missing parent, as the registry does.
std::optional<sqlite3_int64> CreateKey(sqlite3* db, const store::KeyPath& key, Outcome& outcome)
{
    std::optional<sqlite3_int64> id;
    for (const std::string_view path : key.Lineage()) {
        Statement insert(db, "INSERT INTO keys (parent, path) VALUES (?1, ?2) ON CONFLICT (path) DO NOTHING");
        outcome = FromCode(insert.Bind(1, id).Bind(2, path).Step());
        if (outcome != Outcome::Ok) {
            return std::nullopt;
        }
        id = FindKey(db, path, outcome);
        if (!id) {
            outcome = outcome == Outcome::Ok ? Outcome::Failed : outcome;
            return std::nullopt;
        }
    }
    return id;
}

// Creates the write's key as needed and replaces any value of that name.
Outcome Upsert(sqlite3* db, const store::CheckedWrite& write)
{
    Outcome outcome = Outcome::Ok;
    const std::optional<sqlite3_int64> key = CreateKey(db, write.key, outcome);
    if (!key) {
        return outcome;
    }
    const bool number = write.value.type == StoredValue::Type::Number;
    Statement upsert(db, "INSERT INTO registry_values (key, name, type, number, text) "
                         "VALUES (?1, ?2, ?3, ?4, ?5) ON CONFLICT (key, name) DO UPDATE SET "
                         "type = excluded.type, number = excluded.number, text = excluded.text");
    upsert.Bind(1, *key).Bind(2, write.name).Bind(3, number ? kTypeNumber : kTypeText);
    upsert.Bind(4, number ? std::optional<sqlite3_int64>(write.value.number) : std::nullopt);
    if (number) {
        upsert.Bind(5, std::nullopt);
    } else {
        upsert.Bind(5, write.value.text);
    }
    return FromCode(upsert.Step());
}

// One value of the key, or nothing when it is missing (or holds what the
// game never writes).
Outcome ReadValue(sqlite3* db, std::string_view keyPath, std::string_view name, std::optional<StoredValue>& value)
{
    value.reset();
    Statement read(db, "SELECT v.type, v.number, v.text FROM registry_values v JOIN keys k ON k.id = v.key "
                       "WHERE k.path = ?1 AND v.name = ?2");
    const int rc = read.Bind(1, keyPath).Bind(2, name).Step();
    if (rc != SQLITE_ROW) {
        return FromCode(rc);
    }
    sqlite3_stmt* row = read.Get();
    const int type = sqlite3_column_int(row, 0);
    if (type == kTypeNumber && sqlite3_column_type(row, 1) == SQLITE_INTEGER) {
        const sqlite3_int64 number = sqlite3_column_int64(row, 1);
        // Wider numbers were never written by the game; they read as missing.
        if (number >= std::numeric_limits<std::int32_t>::min() && number <= std::numeric_limits<std::int32_t>::max()) {
            value = StoredValue::Number(static_cast<std::int32_t>(number));
        }
    } else if (type == kTypeText && sqlite3_column_type(row, 2) != SQLITE_NULL) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(row, 2));
        value = StoredValue::Text(std::string_view(text, static_cast<std::size_t>(sqlite3_column_bytes(row, 2))));
    }
    return Outcome::Ok;
}

Outcome ReadValues(sqlite3* db, std::string_view keyPath, std::span<const std::string> names, StoredValues& values)
{
    values.assign(names.size(), std::nullopt);
    for (std::size_t i = 0; i < names.size(); ++i) {
        const Outcome outcome = ReadValue(db, keyPath, names[i], values[i]);
        if (outcome != Outcome::Ok) {
            return outcome;
        }
    }
    return Outcome::Ok;
}

Outcome WriteAll(sqlite3* db, const std::optional<std::vector<store::CheckedWrite>>& writes)
{
    if (!writes) {
        return Outcome::Failed;
    }
    for (const store::CheckedWrite& write : *writes) {
        const Outcome outcome = Upsert(db, write);
        if (outcome != Outcome::Ok) {
            return outcome;
        }
    }
    return Outcome::Ok;
}

} // namespace

std::filesystem::path PerUserStorePath()
{
    const std::filesystem::path base = UserConfigFolder();
    if (base.empty()) {
        return {};
    }
    return base / "Tumblewick" / "tumblewick.sqlite";
}

namespace store {

std::optional<StoredValues> ReadKey(const KeyPath& key, std::span<const std::string> names)
{
    StoredValues values(names.size());
    const bool read = WithStore(Access::Read, [&](Store& store) {
        // One read transaction: the values come from one moment, even while
        // another copy of the game saves.
        sqlite3* db = store.db;
        Outcome outcome = FromCode(Exec(db, "BEGIN"));
        bool empty = false;
        if (outcome == Outcome::Ok) {
            outcome = CheckSchema(db, empty);
        }
        if (outcome == Outcome::Ok && !empty) {
            outcome = ReadValues(db, key.Whole(), names, values);
        }
        Exec(db, "COMMIT");
        return outcome;
    });
    if (!read) {
        return std::nullopt;
    }
    return values;
}

std::optional<Failure> UpdateKey(const KeyPath& key, std::span<const std::string> names, const CheckedChange& change)
{
    std::string failure;
    const bool written = WithStore(
        Access::Create,
        [&](Store& store) {
            return InWriteTransaction(store, [&](sqlite3* db) {
                StoredValues values;
                const Outcome outcome = ReadValues(db, key.Whole(), names, values);
                return outcome == Outcome::Ok ? WriteAll(db, change(values)) : outcome;
            });
        },
        &failure);
    return written ? std::nullopt : std::optional(Failure{failure});
}

bool DeleteKey(const KeyPath& key)
{
    return WithStore(Access::Change, [&](Store& store) {
        return InWriteTransaction(store, [&](sqlite3* db) {
            Outcome outcome = Outcome::Ok;
            const std::optional<sqlite3_int64> id = FindKey(db, key.Whole(), outcome);
            if (!id) {
                return outcome == Outcome::Ok ? Outcome::Failed : outcome;
            }
            Statement child(db, "SELECT 1 FROM keys WHERE parent = ?1 LIMIT 1");
            const int rc = child.Bind(1, *id).Step();
            if (rc != SQLITE_DONE) {
                return rc == SQLITE_ROW ? Outcome::Failed : FromCode(rc);
            }
            Statement values(db, "DELETE FROM registry_values WHERE key = ?1");
            Statement self(db, "DELETE FROM keys WHERE id = ?1");
            outcome = FromCode(values.Bind(1, *id).Step());
            return outcome == Outcome::Ok ? FromCode(self.Bind(1, *id).Step()) : outcome;
        });
    });
}

std::string Location(const KeyPath&) { return PerUserStorePath().string(); }

} // namespace store

bool PerUserStoreIsIntact()
{
    Store store;
    return Open(store, Access::Read) && CheckWhole(store.db) == Outcome::Ok;
}

} // namespace tw
