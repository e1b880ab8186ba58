#include "platform/FileRegistry.h"

#include "base/ErrnoError.h"
#include "base/PendingFile.h"
#include "base/Windows1252.h"
#include "platform/PlatformPaths.h"
#include "platform/RegFile.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <optional>
#include <set>
#include <thread>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vorlandite::platform {

struct FileRegistry::Store {
    Store(std::string filePath, WarningSink sink) : path(std::move(filePath)), warn(std::move(sink)) {}

    std::string path;
    WarningSink warn;

    void Warn(const std::string& message) const {
        if (warn)
            warn(message);
    }

    // Skipped lines are met again by every read of the file; each is reported once.
    void WarnOnce(const std::string& message) const {
        {
            std::lock_guard<std::mutex> guard(mutex);
            if (!reported.insert(message).second)
                return;
        }
        Warn(message);
    }

    mutable std::mutex mutex;
    mutable std::set<std::string> reported;
};

namespace {

using Store = FileRegistry::Store;

std::string Shown(std::string_view name) { return "\"" + Cp1252ToUtf8(name) + "\""; }

std::string FolderOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool Missing(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) != 0 && errno == ENOENT;
}

// Takes `operation` (LOCK_SH or LOCK_EX) on `fd`, waiting at most `patience`: a process that
// holds the lock for longer is stuck, and must not stop the caller for good. false with errno
// EWOULDBLOCK when it is still held.
bool LockWithin(int fd, int operation, std::chrono::milliseconds patience) {
    const auto giveUp = std::chrono::steady_clock::now() + patience;
    while (::flock(fd, operation | LOCK_NB) != 0) {
        if (errno == EINTR)
            continue;
        if (errno != EWOULDBLOCK || std::chrono::steady_clock::now() >= giveUp)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// A save holds the lock for a few milliseconds; these bounds are for a holder that never lets go.
constexpr std::chrono::milliseconds kWritePatience{10000};
constexpr std::chrono::milliseconds kReadPatience{1000};

// The writers' exclusive lock, held while alive. The lock lives on a file of its own because
// the store itself is replaced by every save, and a lock on a replaced file guards nothing.
class FileLock {
public:
    static Result<std::unique_ptr<FileLock>> Take(const std::string& lockPath) {
        // O_NONBLOCK: something other than a file there (a FIFO) must not hang the open.
        int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0600);
        if (fd < 0)
            return ErrnoError("cannot open the lock file " + lockPath);
        if (!LockWithin(fd, LOCK_EX, kWritePatience)) {
            Error error = errno == EWOULDBLOCK
                ? MakeError("cannot lock " + lockPath + ": another process holds it")
                : ErrnoError("cannot lock " + lockPath);
            ::close(fd);
            return error;
        }
        return std::unique_ptr<FileLock>(new FileLock(fd));
    }
    ~FileLock() { ::close(fd_); }  // closing releases the lock
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

private:
    explicit FileLock(int fd) : fd_(fd) {}
    int fd_;
};

// A reader's lock: shared, and only on a lock file that is already there and may be read; a
// reader creates nothing and needs no write access. Saves replace the store with a rename, so a
// read sees one whole file with or without it; the lock only lets a save under way finish
// first, and a reader that cannot have it (another user's lock file, a stuck holder) reads on.
class ReadLock {
public:
    explicit ReadLock(const std::string& lockPath) {
        struct stat st {};
        if (::stat(lockPath.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            return;
        fd_ = ::open(lockPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd_ >= 0)
            (void)LockWithin(fd_, LOCK_SH, kReadPatience);
    }
    ~ReadLock() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    ReadLock(const ReadLock&) = delete;
    ReadLock& operator=(const ReadLock&) = delete;

private:
    int fd_ = -1;
};

// nullopt when the file does not exist.
Result<std::optional<std::string>> ReadWholeFile(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        if (errno == ENOENT)
            return std::optional<std::string>();
        return ErrnoError("cannot read " + path);
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        Error error = S_ISDIR(st.st_mode) ? MakeError("cannot read " + path + ": it is a folder")
                                          : MakeError("cannot read " + path + ": not a regular file");
        ::close(fd);
        return error;
    }
    std::string text;
    char buffer[65536];
    while (true) {
        ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            Error error = ErrnoError("cannot read " + path);
            ::close(fd);
            return error;
        }
        if (got == 0)
            break;
        text.append(buffer, std::size_t(got));
    }
    ::close(fd);
    return std::optional<std::string>(std::move(text));
}

// Renames the unreadable file to "<name>.corrupt-<local time>[-n]" without ever replacing an
// earlier kept file. Called under the lock.
Result<std::string> KeepAside(const std::string& target) {
    char stamp[32];
    std::time_t now = std::time(nullptr);
    std::tm local {};
    ::localtime_r(&now, &local);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    const std::string base = target + ".corrupt-" + stamp;
    for (int n = 0; n < 1000; ++n) {
        std::string candidate = n == 0 ? base : base + "-" + std::to_string(n);
        // link() refuses an existing name, which rename() would silently replace.
        if (::link(target.c_str(), candidate.c_str()) == 0) {
            ::unlink(target.c_str());
            return candidate;
        }
        if (errno == EEXIST)
            continue;
        // A file system without hard links: look first, then rename (we hold the lock).
        if (!Missing(candidate))
            continue;
        if (::rename(target.c_str(), candidate.c_str()) == 0)
            return candidate;
        return ErrnoError("cannot rename " + target);
    }
    return MakeError("too many kept-aside files beside " + target);
}

// Each skipped line is reported (once) with the file and its line; the first few are enough.
void ReportSkipped(const Store& store, const std::string& target,
                   const std::vector<RegProblem>& skipped) {
    constexpr std::size_t kShown = 10;
    for (std::size_t i = 0; i < skipped.size() && i < kShown; ++i)
        store.WarnOnce(target + ", line " + std::to_string(skipped[i].line) + ": "
                       + skipped[i].reason + "; the line is skipped and kept in the file as it is");
    if (skipped.size() > kShown)
        store.WarnOnce(target + ": " + std::to_string(skipped.size() - kShown)
                       + " more lines are skipped and kept in the file as they are");
}

// Reads the store under the writers' lock. A missing file is an empty store; lines that cannot
// be read are reported and kept. A file that is not a store at all is kept aside and reported,
// and the store reads as empty; when it cannot be kept aside, a writer gets an error so the file
// is not written over.
Result<RegDocument> LoadLocked(const Store& store, bool forWriting) {
    const std::string target = WriteThroughTarget(store.path);
    auto text = ReadWholeFile(target);
    if (!text)
        return text.error();
    if (!*text)
        return RegDocument{};
    std::vector<RegProblem> skipped;
    auto document = ParseRegFile(**text, &skipped);
    if (document) {
        ReportSkipped(store, target, skipped);
        return std::move(document).value();
    }
    const std::string problem = "the registry file " + target + " is not a registry file ("
                              + document.message() + ")";
    auto aside = KeepAside(target);
    if (aside) {
        store.Warn(problem + "; kept as " + *aside + ", starting with empty settings");
        return RegDocument{};
    }
    store.Warn(problem + " and cannot be kept aside (" + aside.message() + ")");
    if (forWriting)
        return MakeError(problem + "; not writing over it");
    return RegDocument{};
}

Status SaveLocked(const Store& store, const RegDocument& document) {
    const std::string target = WriteThroughTarget(store.path);
    const std::string text = SerializeRegFile(document);
    PendingFile file(target);
    if (!file.IsOpen())
        return ErrnoError("cannot create a temporary file beside " + target);
    if (Status written = file.WriteDurablyKeepingMode(text); !written)
        return written;
    return file.Commit();
}

// Applies `change` to the store as it is now and saves it when `change` reports a change.
using Change = std::function<Result<bool>(RegDocument&)>;
Status Update(const Store& store, const Change& change) {
    const std::string folder = FolderOf(store.path);
    if (Missing(folder)) {
        // No folder, so no file: create them only when there is something to write.
        RegDocument empty;
        auto changed = change(empty);
        if (!changed)
            return changed.error();
        if (!*changed)
            return {};
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        if (ec)
            return MakeError("cannot create " + folder + ": " + ec.message());
    }
    auto lock = FileLock::Take(store.path + ".lock");
    if (!lock)
        return lock.error();
    auto document = LoadLocked(store, true);
    if (!document)
        return document.error();
    auto changed = change(*document);
    if (!changed)
        return changed.error();
    if (!*changed)
        return {};
    return SaveLocked(store, *document);
}

// Reads the store as it is now, changing nothing but the name of a file that is no store.
Result<RegDocument> ReadStore(const Store& store) {
    if (Missing(store.path))
        return RegDocument{};  // not written yet
    const std::string target = WriteThroughTarget(store.path);
    {
        ReadLock lock(store.path + ".lock");
        auto text = ReadWholeFile(target);
        if (!text)
            return text.error();
        if (!*text)
            return RegDocument{};
        std::vector<RegProblem> skipped;
        auto document = ParseRegFile(**text, &skipped);
        if (document) {
            ReportSkipped(store, target, skipped);
            return std::move(document).value();
        }
    }
    // Not a store at all. Keeping it aside is a write, done under the writers' lock, where the
    // file is read again: a save may have put a good one there meanwhile.
    auto lock = FileLock::Take(store.path + ".lock");
    if (!lock) {
        store.Warn("the registry file " + target + " is not a registry file and cannot be kept aside ("
                   + lock.message() + "); reading it as empty");
        return RegDocument{};
    }
    return LoadLocked(store, false);
}

class FileRegistryKey final : public RegistryKey {
public:
    FileRegistryKey(std::shared_ptr<const Store> store, std::vector<std::string> names,
                    std::vector<RegValue> values)
        : store_(std::move(store)), names_(std::move(names)) {
        view_.values = std::move(values);
    }

    ~FileRegistryKey() override {
        if (Status saved = Close(); !saved)
            store_->Warn(saved.message());
    }

    bool ValueExists(std::string_view name) const override {
        return FindValue(view_, name) != nullptr;
    }

    bool ValueUnreadable(std::string_view name) const override {
        return HasUnreadableValue(view_, name);
    }

    Result<int32_t> ReadInteger(std::string_view name) const override {
        const RegValue* value = FindValue(view_, name);
        if (!value)
            return NotFound(name);
        if (value->kind != RegValueKind::Integer)
            return MakeError("registry value " + Shown(name) + " is not an integer");
        return int32_t(value->integer);
    }

    Result<std::string> ReadString(std::string_view name) const override {
        const RegValue* value = FindValue(view_, name);
        if (!value)
            return NotFound(name);
        if (value->kind != RegValueKind::String)
            return MakeError("registry value " + Shown(name) + " is not a string");
        return value->text;
    }

    std::vector<std::string> ValueNames() const override {
        std::vector<std::string> names;
        for (const RegValue& value : view_.values)
            if (value.kind != RegValueKind::Unreadable)
                names.push_back(value.name);
        return names;
    }

    void WriteInteger(std::string_view name, int32_t number) override {
        RegValue value;
        value.name = name;
        value.kind = RegValueKind::Integer;
        value.integer = uint32_t(number);
        Queue(std::move(value));
    }

    void WriteString(std::string_view name, std::string_view text) override {
        RegValue value;
        value.name = name;
        value.kind = RegValueKind::String;
        value.text = text;
        Queue(std::move(value));
    }

    void DeleteValue(std::string_view name) override {
        if (closed_)
            return;
        // Queued even when the snapshot lacks it: someone may have written it since.
        RemoveValue(view_, name);
        pending_.push_back({std::string(name), std::nullopt});
    }

    Status Close() override {
        if (closed_)
            return {};
        closed_ = true;
        Status saved;
        if (!pending_.empty())
            saved = Update(*store_, [this](RegDocument& document) -> Result<bool> {
                // The key may have been deleted by someone else since it was opened; writing
                // to it makes it again, as the writes are what the caller asked for.
                RegSection& section = CreateKey(document, names_);
                for (const PendingChange& change : pending_) {
                    if (change.value)
                        SetValue(section, *change.value);
                    else
                        RemoveValue(section, change.name);
                }
                return true;
            });
        pending_.clear();
        if (!saved)
            return saved;
        if (!refused_.empty())
            return MakeError(refused_);
        return {};
    }

private:
    struct PendingChange {
        std::string name;
        std::optional<RegValue> value;  // nullopt: delete the value
    };

    Error NotFound(std::string_view name) const {
        return MakeError("registry value " + Shown(name) + " does not exist");
    }

    void Queue(RegValue value) {
        if (closed_)
            return;  // after Close the key no longer reaches the file
        if (!IsStorableName(value.name)) {
            if (refused_.empty())
                refused_ = "registry value name " + Shown(value.name)
                         + " holds a control character and was not saved";
            return;
        }
        SetValue(view_, value);
        pending_.push_back({value.name, std::move(value)});
    }

    std::shared_ptr<const Store> store_;
    std::vector<std::string> names_;
    RegSection view_;  // the values as opened, with this key's own changes applied
    std::vector<PendingChange> pending_;
    std::string refused_;
    bool closed_ = false;
};

std::unique_ptr<RegistryKey> MakeKey(std::shared_ptr<const Store> store, std::vector<std::string> names,
                                     std::vector<RegValue> values) {
    return std::make_unique<FileRegistryKey>(std::move(store), std::move(names), std::move(values));
}

} // namespace

std::string DefaultUserRegistryPath() {
    std::string base;
    // Relative values of XDG_CONFIG_HOME are to be ignored.
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && config[0] == '/')
        base = config;
    else
        base = HomeFolder() + "/.config";
    return base + "/vorlandite/user.reg";
}

FileRegistry::FileRegistry(std::string filePath, WarningSink warn) {
    if (!warn)
        warn = [](const std::string& message) {
            std::fprintf(stderr, "vorlandite: %s\n", message.c_str());
        };
    store_ = std::make_shared<const Store>(std::move(filePath), std::move(warn));
}

FileRegistry::~FileRegistry() = default;

const std::string& FileRegistry::FilePath() const { return store_->path; }

std::string FileRegistry::Location() const { return store_->path; }

Result<std::unique_ptr<RegistryKey>> FileRegistry::OpenKey(std::string_view path, bool create) {
    std::vector<std::string> names = SplitKeyPath(path);
    for (const std::string& name : names)
        if (!IsStorableName(name))
            return MakeError("registry key name " + Shown(name) + " holds a control character");

    auto document = ReadStore(*store_);
    if (!document)
        return document.error();
    const RegSection* own = FindSection(*document, names);
    // A key that is there needs no write access, even when the caller would create it. One that
    // exists only through its subkeys is given a section of its own, so it stays when they go;
    // the root needs none.
    if (!create || own || names.empty()) {
        if (!KeyExists(*document, names))
            return MakeError("registry key " + Shown(JoinKeyPath(names)) + " does not exist");
        return MakeKey(store_, std::move(names), own ? own->values : std::vector<RegValue>{});
    }
    std::vector<RegValue> values;
    Status created = Update(*store_, [&](RegDocument& current) -> Result<bool> {
        // Read again under the lock: someone may have made the key since.
        const RegSection* found = FindSection(current, names);
        if (found) {
            values = found->values;
            return false;
        }
        CreateKey(current, names);
        return true;
    });
    if (!created)
        return created.error();
    return MakeKey(store_, std::move(names), std::move(values));
}

Result<std::unique_ptr<RegistryKey>> FileRegistry::FindKey(std::string_view path) {
    std::vector<std::string> names = SplitKeyPath(path);
    for (const std::string& name : names)
        if (!IsStorableName(name))
            return std::unique_ptr<RegistryKey>();  // no such key can be in the store
    auto document = ReadStore(*store_);
    if (!document)
        return document.error();
    if (!KeyExists(*document, names))
        return std::unique_ptr<RegistryKey>();
    const RegSection* own = FindSection(*document, names);
    return MakeKey(store_, std::move(names), own ? own->values : std::vector<RegValue>{});
}

Status FileRegistry::DeleteKey(std::string_view path) {
    std::vector<std::string> names = SplitKeyPath(path);
    if (names.empty())
        return MakeError("the root key cannot be deleted");
    return Update(*store_, [&](RegDocument& document) -> Result<bool> {
        if (!RemoveKey(document, names))
            return false;
        // The parent stays, as it would on the platform, even when the deleted key was all
        // that made it exist.
        std::span<const std::string> parent(names.data(), names.size() - 1);
        if (!parent.empty() && !KeyExists(document, parent))
            CreateKey(document, parent);
        return true;
    });
}

} // namespace vorlandite::platform
