#include "platform/sqlite/NoticingFileSystem.h"

#include <sqlite3.h>

namespace tw {
namespace {

thread_local unsigned long failures = 0;

// Short reads are how SQLite learns that a file ends; every other I/O error
// is the system's.
int Noted(int rc)
{
    if ((rc & 0xFF) == SQLITE_IOERR && rc != SQLITE_IOERR_SHORT_READ) {
        ++failures;
    }
    return rc;
}

struct NoticingFile {
    sqlite3_file base;
    sqlite3_file* real; // the default file system's file, right behind this one
};

sqlite3_file* Real(sqlite3_file* file) { return reinterpret_cast<NoticingFile*>(file)->real; }

// Version 1 methods only: the store uses neither WAL's shared memory nor
// memory-mapped reads.
const sqlite3_io_methods kMethods = {
    1,
    [](sqlite3_file* f) { return Noted(Real(f)->pMethods->xClose(Real(f))); },
    [](sqlite3_file* f, void* data, int amount, sqlite3_int64 offset) {
        return Noted(Real(f)->pMethods->xRead(Real(f), data, amount, offset));
    },
    [](sqlite3_file* f, const void* data, int amount, sqlite3_int64 offset) {
        return Noted(Real(f)->pMethods->xWrite(Real(f), data, amount, offset));
    },
    [](sqlite3_file* f, sqlite3_int64 size) { return Noted(Real(f)->pMethods->xTruncate(Real(f), size)); },
    [](sqlite3_file* f, int flags) { return Noted(Real(f)->pMethods->xSync(Real(f), flags)); },
    [](sqlite3_file* f, sqlite3_int64* size) { return Noted(Real(f)->pMethods->xFileSize(Real(f), size)); },
    [](sqlite3_file* f, int lock) { return Noted(Real(f)->pMethods->xLock(Real(f), lock)); },
    [](sqlite3_file* f, int lock) { return Noted(Real(f)->pMethods->xUnlock(Real(f), lock)); },
    [](sqlite3_file* f, int* reserved) {
        return Noted(Real(f)->pMethods->xCheckReservedLock(Real(f), reserved));
    },
    [](sqlite3_file* f, int op, void* arg) { return Real(f)->pMethods->xFileControl(Real(f), op, arg); },
    [](sqlite3_file* f) { return Real(f)->pMethods->xSectorSize(Real(f)); },
    [](sqlite3_file* f) { return Real(f)->pMethods->xDeviceCharacteristics(Real(f)); },
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
};

int Open(sqlite3_vfs* vfs, const char* name, sqlite3_file* file, int flags, int* outFlags)
{
    auto* base = static_cast<sqlite3_vfs*>(vfs->pAppData);
    auto* noticing = reinterpret_cast<NoticingFile*>(file);
    noticing->real = reinterpret_cast<sqlite3_file*>(noticing + 1);
    noticing->real->pMethods = nullptr;
    const int rc = Noted(base->xOpen(base, name, noticing->real, flags, outFlags));
    noticing->base.pMethods = noticing->real->pMethods ? &kMethods : nullptr;
    return rc;
}

sqlite3_vfs* Register()
{
    static sqlite3_vfs vfs = [] {
        sqlite3_vfs* base = sqlite3_vfs_find(nullptr);
        sqlite3_vfs made = *base;
        made.pNext = nullptr;
        made.zName = "tumblewick-noticing";
        made.pAppData = base;
        made.szOsFile = static_cast<int>(sizeof(NoticingFile)) + base->szOsFile;
        made.xOpen = Open;
        return made;
    }();
    static const int registered = sqlite3_vfs_register(&vfs, 0);
    return registered == SQLITE_OK ? &vfs : nullptr;
}

} // namespace

const char* NoticingFileSystemName()
{
    const sqlite3_vfs* vfs = Register();
    return vfs ? vfs->zName : nullptr; // nullptr: SQLite's default
}

FileFailureWatch::FileFailureWatch() : start(failures) {}

bool FileFailureWatch::Failed() const { return failures != start; }

} // namespace tw
