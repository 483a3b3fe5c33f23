#pragma once

namespace tw {

// SQLite reports a read that the system failed (EIO from a flaky disk or a
// network home folder) as "database disk image is malformed", exactly as it
// reports bytes that really are damaged. The per-user store opens its files
// through this SQLite file system, which passes every call on to the default
// one and counts, per thread, the reads and writes the system failed, so
// that the store can tell the two apart.
const char* NoticingFileSystemName();

// Whether the system failed a file operation of this thread since the watch
// was made.
class FileFailureWatch {
public:
    FileFailureWatch();
    bool Failed() const;

private:
    unsigned long start;
};

} // namespace tw
