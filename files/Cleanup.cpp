// The table of registered temporary names and the signal handler that removes them.
//
// The handler may run at any moment on any thread, also while a slot is being
// written: every field is an atomic read without locks, and a slot's generation,
// read before and after, tells the handler whether the name it copied is whole.
#include "files/Cleanup.h"
#include "files/Output.h"

#include <atomic>
#include <csignal>
#include <cstddef>
#include <cstring>
#include <mutex>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tallowby::files {

namespace detail {

namespace {

constexpr std::size_t kSlots = 16;
constexpr std::size_t kNameRoom = 32;  // ".tallowby-tmp-" + 10 and the 0

enum SlotState : int { kFree = 0, kWriting = 1, kLive = 2, kRemoving = 3 };

struct Slot {
    std::atomic<int> state{kFree};
    std::atomic<unsigned> generation{0};
    std::atomic<int> folder{-1};
    std::atomic<int> contents{-1};  // a private folder's own descriptor
    std::atomic<unsigned long> contentsDevice{0}, contentsInode{0};  // what it was opened on
    std::atomic<bool> isFolder{false};
    std::atomic<char> name[kNameRoom] = {};
};

static_assert(std::atomic<int>::is_always_lock_free && std::atomic<char>::is_always_lock_free &&
              std::atomic<unsigned>::is_always_lock_free && std::atomic<bool>::is_always_lock_free &&
              std::atomic<unsigned long>::is_always_lock_free);

Slot g_slots[kSlots];

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction g_previous[std::size(kSignals)];

// Unlinks the regular files of a folder through getdents64, which, unlike readdir,
// allocates nothing and is safe in a signal handler.
void RemoveRegularFilesSafely(int folder) {
    alignas(8) char buffer[2048];
    for (int pass = 0; pass < 2; ++pass) {
        if (::lseek(folder, 0, SEEK_SET) != 0) return;
        for (;;) {
            const ssize_t got = ::getdents64(folder, buffer, sizeof buffer);
            if (got <= 0) break;
            for (ssize_t at = 0; at < got;) {
                const auto* entry = reinterpret_cast<const struct dirent64*>(buffer + at);
                at += entry->d_reclen;
                bool regular = entry->d_type == DT_REG;
                if (entry->d_type == DT_UNKNOWN) {
                    struct stat info {};
                    regular = ::fstatat(folder, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode);
                }
                if (regular) ::unlinkat(folder, entry->d_name, 0);
            }
        }
    }
}

void RemoveSlot(Slot& slot) {
    int expected = kLive;
    // Claimed once: two signals on two threads do not both remove the same name.
    if (!slot.state.compare_exchange_strong(expected, kRemoving)) return;
    const unsigned generation = slot.generation.load();
    char name[kNameRoom];
    for (std::size_t i = 0; i < kNameRoom; ++i) name[i] = slot.name[i].load(std::memory_order_relaxed);
    name[kNameRoom - 1] = '\0';
    const int folder = slot.folder.load(), contents = slot.contents.load();
    const bool isFolder = slot.isFolder.load();
    if (slot.generation.load() != generation || name[0] == '\0' || folder < 0) return;
    if (isFolder) {
        // The descriptor is checked to be still the private folder's: its files go.
        struct stat info {};
        if (contents >= 0 && ::fstat(contents, &info) == 0 && S_ISDIR(info.st_mode) &&
            info.st_dev == slot.contentsDevice.load() && info.st_ino == slot.contentsInode.load())
            RemoveRegularFilesSafely(contents);
        ::unlinkat(folder, name, AT_REMOVEDIR);
    } else {
        ::unlinkat(folder, name, 0);
    }
}

void RemoveAllAndResignal(int signal) {
    const int savedErrno = errno;
    for (Slot& slot : g_slots) RemoveSlot(slot);
    // The action the program had before (the default: it ends), then the signal
    // again; it is blocked while this handler runs and arrives when it returns.
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        if (kSignals[i] == signal) ::sigaction(signal, &g_previous[i], nullptr);
    ::raise(signal);
    errno = savedErrno;
}

} // namespace

int RegisterTemporary(int folder, std::string_view name, bool isFolder) {
    if (name.size() >= kNameRoom) return -1;
    for (std::size_t i = 0; i < kSlots; ++i) {
        Slot& slot = g_slots[i];
        int expected = kFree;
        if (!slot.state.compare_exchange_strong(expected, kWriting)) continue;
        slot.generation.fetch_add(1);
        slot.folder.store(folder);
        slot.contents.store(-1);
        slot.isFolder.store(isFolder);
        for (std::size_t k = 0; k < kNameRoom; ++k)
            slot.name[k].store(k < name.size() ? name[k] : '\0', std::memory_order_relaxed);
        slot.state.store(kLive);
        return static_cast<int>(i);
    }
    return -1;
}

void SetTemporaryContents(int slot, int contents) {
    struct stat info {};
    if (slot < 0 || ::fstat(contents, &info) != 0) return;
    g_slots[slot].contentsDevice.store(info.st_dev);
    g_slots[slot].contentsInode.store(info.st_ino);
    g_slots[slot].contents.store(contents);
}

void UnregisterTemporary(int slot) {
    if (slot < 0) return;
    Slot& entry = g_slots[slot];
    entry.generation.fetch_add(1);
    entry.state.store(kFree);
}

void RemoveRegularFilesIn(int folder) {
    const int listing = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listing < 0) return;
    DIR* dir = ::fdopendir(listing);
    if (dir == nullptr) {
        ::close(listing);
        return;
    }
    while (const struct dirent* entry = ::readdir(dir)) {
        struct stat info {};
        if (::fstatat(folder, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode))
            ::unlinkat(folder, entry->d_name, 0);
    }
    ::closedir(dir);
}

} // namespace detail

void InstallSignalCleanup() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction action {};
        action.sa_handler = &detail::RemoveAllAndResignal;
        sigemptyset(&action.sa_mask);
        for (const int signal : detail::kSignals) sigaddset(&action.sa_mask, signal);
        action.sa_flags = SA_RESTART;
        for (std::size_t i = 0; i < std::size(detail::kSignals); ++i) {
            struct sigaction current {};
            // `nohup` and a shell's background jobs ignore some signals: they stay so.
            if (::sigaction(detail::kSignals[i], nullptr, &current) != 0 || current.sa_handler == SIG_IGN) continue;
            detail::g_previous[i] = current;
            ::sigaction(detail::kSignals[i], &action, nullptr);
        }
    });
}

} // namespace tallowby::files
