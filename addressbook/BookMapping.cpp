#include "addressbook/BookMapping.h"

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdlib>

#include <sys/mman.h>
#include <unistd.h>

namespace tallowby {

namespace {

// Larger files are read in pieces: expat's buffer size is an int, and doubles.
constexpr std::uint64_t kMostBytes = std::uint64_t{1} << 30;
// Parsed pages are given back this many bytes at a time, this far behind the parse.
constexpr std::uint64_t kReleaseStep = std::uint64_t{8} << 20;
constexpr std::uint64_t kKeepBehind = std::uint64_t{1} << 20;

std::uintptr_t PageSize() {
    static const auto size = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    return size;
}

std::size_t RoundUpToPage(std::uint64_t bytes) {
    const std::uintptr_t page = PageSize();
    return static_cast<std::size_t>((bytes + page - 1) / page * page);
}

// ---------------------------------------------------------------- lost pages

// The mappings in use, for the bus-error handler: a fixed table, since a signal
// handler may neither allocate nor lock.
struct Slot {
    std::atomic<std::uintptr_t> buffer{0};  // what the parser frees
    std::atomic<std::uintptr_t> begin{0};
    std::atomic<std::uintptr_t> end{0};
    std::atomic<bool> lost{false};
};
Slot g_slots[32];
struct sigaction g_previousBusAction;

void OnBusError(int signal, siginfo_t* info, void* context) {
    const auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
    for (Slot& slot : g_slots) {
        if (address < slot.begin.load() || address >= slot.end.load()) continue;
        // A page of a book that the file no longer backs: zeros take its place, and
        // the access that failed runs again.
        void* page = reinterpret_cast<void*>(address & ~(PageSize() - 1));
        if (::mmap(page, PageSize(), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) ==
            MAP_FAILED)
            break;
        slot.lost.store(true);
        return;
    }
    // Anything else is handled as it was before this handler came.
    if (g_previousBusAction.sa_flags & SA_SIGINFO) {
        g_previousBusAction.sa_sigaction(signal, info, context);
        return;
    }
    if (g_previousBusAction.sa_handler != SIG_DFL && g_previousBusAction.sa_handler != SIG_IGN) {
        g_previousBusAction.sa_handler(signal);
        return;
    }
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    ::sigaction(SIGBUS, &standard, nullptr);
    ::raise(signal);
}

// Installs the handler once, for the rest of the program's life.
bool HandleBusErrors() {
    static const bool installed = [] {
        PageSize();
        struct sigaction action {};
        action.sa_sigaction = &OnBusError;
        action.sa_flags = SA_SIGINFO;
        sigemptyset(&action.sa_mask);
        return ::sigaction(SIGBUS, &action, &g_previousBusAction) == 0;
    }();
    return installed;
}

int Register(char* base, std::size_t length, char* buffer) {
    for (int i = 0; i < static_cast<int>(std::size(g_slots)); ++i) {
        std::uintptr_t free = 0;
        if (!g_slots[i].begin.compare_exchange_strong(free, reinterpret_cast<std::uintptr_t>(base))) continue;
        g_slots[i].lost.store(false);
        g_slots[i].buffer.store(reinterpret_cast<std::uintptr_t>(buffer));
        g_slots[i].end.store(reinterpret_cast<std::uintptr_t>(base) + length);  // only now can it match
        return i;
    }
    return -1;
}

void Unregister(int slot) {
    g_slots[slot].end.store(0);
    g_slots[slot].buffer.store(0);
    g_slots[slot].begin.store(0);
}

bool IsMapping(void* pointer) {
    for (const Slot& slot : g_slots)
        if (pointer != nullptr && slot.buffer.load() == reinterpret_cast<std::uintptr_t>(pointer)) return true;
    return false;
}

// ---------------------------------------------------------------- the parser's memory

// The mapping offered to the next large allocation on this thread (see BecomeInputOf).
struct Offer {
    char* base;
    std::size_t reserved;
    std::uint64_t size;
    bool taken;
};
thread_local Offer* t_offer = nullptr;

void* Allocate(std::size_t size) {
    Offer* offer = t_offer;
    if (offer != nullptr && !offer->taken && size >= offer->size && size <= offer->reserved) {
        offer->taken = true;
        return offer->base;
    }
    return std::malloc(size);
}

void* Reallocate(void* pointer, std::size_t size) {
    return IsMapping(pointer) ? nullptr : std::realloc(pointer, size);  // the mapping never grows
}

void Free(void* pointer) {
    if (!IsMapping(pointer)) std::free(pointer);  // the mapping goes with its BookMapping
}

constexpr XML_Memory_Handling_Suite kSuite{&Allocate, &Reallocate, &Free};

} // namespace

BookMapping::BookMapping(int fd, std::uint64_t size) : BookMapping(fd, size, 0, size, {}, {}) {}

BookMapping::BookMapping(int fd, std::uint64_t fileSize, std::uint64_t begin, std::uint64_t end,
                         std::string_view head, std::string_view tail) {
    if (begin >= end || end > fileSize || head.size() > begin) return;
    const std::uint64_t size = head.size() + (end - begin) + tail.size();
    if (size > kMostBytes || !HandleBusErrors()) return;
    // The file's pages from the one that holds the head's first byte; the buffer
    // starts in that page.
    const std::uint64_t from = (begin - head.size()) / PageSize() * PageSize();
    const std::size_t lead = static_cast<std::size_t>(begin - head.size() - from);
    // Room for any buffer size the parser asks for (it doubles up to the size needed),
    // the file's pages at its start. Only pages that are read take memory.
    const std::size_t reserved = RoundUpToPage(lead + 2 * size + 2048);
    const std::size_t filePages = RoundUpToPage(end - from);
    void* base = ::mmap(nullptr, reserved, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (base == MAP_FAILED) return;
    char* const buffer = static_cast<char*>(base) + lead;
    if (::mmap(base, filePages, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_FIXED | MAP_NORESERVE, fd,
               static_cast<off_t>(from)) == MAP_FAILED ||
        (slot_ = Register(static_cast<char*>(base), filePages, buffer)) < 0) {
        ::munmap(base, reserved);
        return;
    }
    ::madvise(base, filePages, MADV_SEQUENTIAL);
    // The private copies of the pages take the head and the tail; the file stays as it is.
    std::copy(head.begin(), head.end(), buffer);
    std::copy(tail.begin(), tail.end(), buffer + head.size() + (end - begin));
    base_ = static_cast<char*>(base);
    buffer_ = buffer;
    // Pages with bytes of the head are kept: given back, they would read as the file
    // again, and the parser keeps pointing at the names of the tags still open there.
    released_ = head.empty() ? 0 : RoundUpToPage(lead + head.size());
    reserved_ = reserved;
    size_ = size;
}

BookMapping::~BookMapping() {
    if (base_ == nullptr) return;
    Unregister(slot_);
    ::munmap(base_, reserved_);
}

const XML_Memory_Handling_Suite* BookMapping::MemorySuite() { return &kSuite; }

bool BookMapping::BecomeInputOf(XML_Parser parser) {
    if (base_ == nullptr || taken_) return false;
    Offer offer{buffer_, reserved_ - static_cast<std::size_t>(buffer_ - base_), size_, false};
    t_offer = &offer;
    const void* buffer = XML_GetBuffer(parser, static_cast<int>(size_));
    t_offer = nullptr;
    taken_ = offer.taken;
    return taken_ && buffer == buffer_;
}

void BookMapping::Parsed(std::uint64_t offset) {
    if (base_ == nullptr) return;
    offset += static_cast<std::uint64_t>(buffer_ - base_);
    if (offset < released_ + kReleaseStep + kKeepBehind) return;
    const std::uint64_t until = (offset - kKeepBehind) / PageSize() * PageSize();
    ::madvise(base_ + released_, static_cast<std::size_t>(until - released_), MADV_DONTNEED);
    released_ = until;
}

bool BookMapping::lostPages() const { return slot_ >= 0 && g_slots[slot_].lost.load(); }

} // namespace tallowby
