#include "platform/PerUserStore.h"
#include "platform/PerUserStoreBackend.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <utility>

namespace tw {
namespace store {

std::optional<KeyPath> KeyPath::Parse(std::string_view path)
{
    if (path.empty() || path.front() == '\\' || path.back() == '\\' ||
        path.find("\\\\") != std::string_view::npos || path.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    return KeyPath(path);
}

std::string_view KeyPath::Parent() const
{
    const std::size_t last = path.rfind('\\');
    return last == std::string::npos ? std::string_view() : std::string_view(path).substr(0, last);
}

std::string_view KeyPath::Name() const
{
    return std::string_view(path).substr(path.rfind('\\') + 1); // npos + 1 is 0
}

std::vector<std::string_view> KeyPath::Lineage() const
{
    std::vector<std::string_view> keys;
    for (std::size_t end = path.find('\\'); end != std::string::npos; end = path.find('\\', end + 1)) {
        keys.push_back(std::string_view(path).substr(0, end));
    }
    keys.push_back(path);
    return keys;
}

} // namespace store

namespace {

bool ValidName(std::string_view name) { return name.find('\0') == std::string_view::npos; }

bool ValidNames(std::span<const std::string> names) { return std::ranges::all_of(names, ValidName); }

std::optional<std::vector<store::CheckedWrite>> Check(std::span<const StoredWrite> writes)
{
    std::vector<store::CheckedWrite> checked;
    checked.reserve(writes.size());
    for (const StoredWrite& write : writes) {
        std::optional<store::KeyPath> key = store::KeyPath::Parse(write.keyPath);
        if (!key || !ValidName(write.name)) {
            return std::nullopt;
        }
        checked.push_back({std::move(*key), write.name, write.value});
    }
    return checked;
}

// A store that cannot be written stays so for the rest of the run, and the
// game says nothing of it in its windows: one line is enough to tell whoever
// started it from a terminal why nothing is kept.
void ReportFailedSave(const store::KeyPath& key, const store::Failure& failure)
{
    static std::atomic_flag reported;
    if (!reported.test_and_set()) {
        std::fprintf(stderr, "Tumblewick: cannot save settings to %s: %s\n", store::Location(key).c_str(),
                     failure.reason.c_str());
        std::fflush(stderr);
    }
}

} // namespace

std::optional<StoredValue> ReadStoredValue(std::string_view keyPath, std::string_view name)
{
    const std::string names[] = {std::string(name)};
    std::optional<StoredValues> values = ReadStoredValues(keyPath, names);
    return values ? std::move(values->front()) : std::nullopt;
}

std::optional<StoredValues> ReadStoredValues(std::string_view keyPath, std::span<const std::string> names)
{
    const std::optional<store::KeyPath> key = store::KeyPath::Parse(keyPath);
    if (!key || !ValidNames(names)) {
        return StoredValues(names.size());
    }
    return store::ReadKey(*key, names);
}

bool UpdateStoredValues(std::string_view keyPath, std::span<const std::string> names,
                        const std::function<std::vector<StoredWrite>(const StoredValues&)>& change)
{
    const std::optional<store::KeyPath> key = store::KeyPath::Parse(keyPath);
    if (!key || !ValidNames(names)) {
        return false;
    }
    bool malformed = false;
    std::optional<store::Failure> failure = store::UpdateKey(*key, names, [&](const StoredValues& values) {
        std::optional<std::vector<store::CheckedWrite>> writes = Check(change(values));
        malformed = !writes;
        return writes;
    });
    if (failure) {
        if (malformed) {
            failure->reason = "a key path or value name is malformed";
        }
        ReportFailedSave(*key, *failure);
    }
    return !failure;
}

bool WriteStoredValues(std::span<const StoredWrite> writes)
{
    if (!Check(writes)) {
        return false;
    }
    if (writes.empty()) {
        return true;
    }
    const std::vector<StoredWrite> all(writes.begin(), writes.end());
    return UpdateStoredValues(writes.front().keyPath, {}, [&](const StoredValues&) { return all; });
}

bool DeleteStoredKey(std::string_view keyPath)
{
    const std::optional<store::KeyPath> key = store::KeyPath::Parse(keyPath);
    return key && store::DeleteKey(*key);
}

} // namespace tw
