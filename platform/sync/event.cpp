// Manual-reset events.
//
// How a named event is shared between processes
// ------------------------------------------------
// Every named event is a small file in the folder "<home>/events-<uid>"
// (home = quorvia::QuorviaHome(), uid = the effective user), so events of
// different users or different settings folders never meet. The file name is
// a readable part of the event name plus a 64-bit hash of the whole name.
// The file holds one EventState; every handle maps it MAP_SHARED.
//
// State word: bit 0 is "signalled", bits 1-31 count the SetEvent calls that
// switched it on. A waiter sleeps in a futex on that word and returns when
// the bit is set or the count moved while it slept, so a SetEvent followed
// at once by ResetEvent still releases everybody who was waiting. Changes
// are single atomic operations: there is no mutex in the shared memory that
// a process killed at the wrong moment could leave locked.
//
// Lifetime: every handle keeps its own open file description of the file
// with a shared flock. Creating or opening takes an exclusive flock on the
// folder's ".create.lock" file first; under it, the creator opens the event
// file and tries an exclusive flock on its new description. If that
// succeeds nobody holds the event (holders that died lost their locks with
// their descriptors), so the state is initialised afresh and "already exists"
// is not reported; otherwise the event is live and is opened as it is.
// Closing the last handle of a process drops its lock; if a fresh exclusive
// flock then succeeds (again under the creation lock) nobody else holds it
// and the file is removed. A file left behind by processes that were killed
// is simply reinitialised by the next creation. The kernel drops flocks of
// dead processes, so no crash can leave an event locked or stuck.
//
// Unnamed events keep the same state word in this process's memory and wait
// with private futexes.
#include "platform/sync/event.h"

#include <fcntl.h>
#include <linux/futex.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "platform/home.h"
#include "platform/sync/last_error.h"
#include "platform/text/convert.h"

namespace {

constexpr std::uint32_t kSignalled = 1;
constexpr std::uint32_t kMagic = 0x54564551;  // "QEVT"
constexpr std::uint32_t kVersion = 1;

struct EventState {
  std::uint32_t word;  // bit 0: signalled; bits 1-31: count of signallings
  std::uint32_t magic;
  std::uint32_t version;
  std::uint32_t reserved;
};

static_assert(std::atomic_ref<std::uint32_t>::is_always_lock_free,
              "the shared state word needs lock-free atomics");

DWORD ErrorFromErrno(int err) {
  switch (err) {
    case ENOENT:
    case ENOTDIR:
      return static_cast<DWORD>(ERROR_PATH_NOT_FOUND);
    case EACCES:
    case EPERM:
    case EROFS:
      return static_cast<DWORD>(ERROR_ACCESS_DENIED);
    case ENOMEM:
    case EMFILE:
    case ENFILE:
      return static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY);
    default:
      return static_cast<DWORD>(ERROR_WRITE_FAULT);
  }
}

int FlockRetry(int fd, int operation) {
  int rc;
  do {
    rc = ::flock(fd, operation);
  } while (rc != 0 && errno == EINTR);
  return rc;
}

int OpenRetry(const std::string& path, int flags) {
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NOFOLLOW, 0600);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

long FutexWait(std::uint32_t* word, std::uint32_t expected, const timespec* deadline, bool shared) {
  // FUTEX_WAIT_BITSET takes an absolute CLOCK_MONOTONIC deadline, so an
  // interrupted or spurious wake-up simply waits again until the same time.
  const int op = FUTEX_WAIT_BITSET | (shared ? 0 : FUTEX_PRIVATE_FLAG);
  return ::syscall(SYS_futex, word, op, expected, deadline, nullptr, FUTEX_BITSET_MATCH_ANY);
}

void FutexWakeAll(std::uint32_t* word, bool shared) {
  const int op = FUTEX_WAKE | (shared ? 0 : FUTEX_PRIVATE_FLAG);
  ::syscall(SYS_futex, word, op, INT_MAX, nullptr, nullptr, 0);
}

// The readable part keeps ASCII letters, digits, '-' and '_'; the hash tells
// apart names that differ elsewhere.
std::string EventFileName(const std::string& utf8_name) {
  std::string readable;
  std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
  for (const char ch : utf8_name) {
    const auto c = static_cast<unsigned char>(ch);
    hash = (hash ^ c) * 1099511628211ull;
    if (readable.size() < 48) {
      const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                         c == '_';
      readable += plain ? ch : '_';
    }
  }
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
  return readable + "-" + hex + ".event";
}

// The user's event folder inside the settings folder, created 0700.
bool EventFolder(std::string* folder, DWORD* error) {
  const std::string home = quorvia::QuorviaHome();
  if (home.empty()) {
    *error = static_cast<DWORD>(ERROR_PATH_NOT_FOUND);
    return false;
  }
  const uid_t uid = ::geteuid();
  std::string path = home + "/events-" + std::to_string(uid);
  if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
    *error = ErrorFromErrno(errno);
    return false;
  }
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) {
    *error = ErrorFromErrno(errno);
    return false;
  }
  if (!S_ISDIR(st.st_mode) || st.st_uid != uid) {
    *error = static_cast<DWORD>(ERROR_ACCESS_DENIED);
    return false;
  }
  *folder = std::move(path);
  return true;
}

// The folder-wide lock that serialises creating, opening and removing
// events. Held from construction to destruction.
class CreationLock {
 public:
  explicit CreationLock(const std::string& folder) {
    fd_ = OpenRetry(folder + "/.create.lock", O_RDWR | O_CREAT);
    if (fd_ < 0) {
      error_ = errno;
      return;
    }
    if (FlockRetry(fd_, LOCK_EX) != 0) {
      error_ = errno;
      ::close(fd_);
      fd_ = -1;
    }
  }
  ~CreationLock() {
    if (fd_ >= 0) ::close(fd_);  // closing drops the lock
  }
  CreationLock(const CreationLock&) = delete;
  CreationLock& operator=(const CreationLock&) = delete;

  bool Held() const { return fd_ >= 0; }
  int Error() const { return error_; }

 private:
  int fd_ = -1;
  int error_ = 0;
};

class EventObject {
 public:
  // A new event that only this process can reach.
  explicit EventObject(bool initial_state) { local_.word = initial_state ? kSignalled : 0; }

  // Opens or creates the named event; null with *error on failure.
  static std::shared_ptr<EventObject> OpenNamed(const std::string& utf8_name, bool initial_state, bool* existed,
                                                DWORD* error) {
    std::string folder;
    if (!EventFolder(&folder, error)) return nullptr;
    CreationLock creation(folder);
    if (!creation.Held()) {
      *error = ErrorFromErrno(creation.Error());
      return nullptr;
    }

    const std::string path = folder + "/" + EventFileName(utf8_name);
    const int fd = OpenRetry(path, O_RDWR | O_CREAT);
    if (fd < 0) {
      *error = ErrorFromErrno(errno);
      return nullptr;
    }
    auto fail = [&](DWORD code) -> std::shared_ptr<EventObject> {
      ::close(fd);
      *error = code;
      return nullptr;
    };
    struct stat st {};
    if (::fstat(fd, &st) != 0) return fail(ErrorFromErrno(errno));
    if (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) return fail(static_cast<DWORD>(ERROR_ACCESS_DENIED));

    bool fresh;
    if (FlockRetry(fd, LOCK_EX | LOCK_NB) == 0) {
      // Nobody holds it: whatever the file says is left over. Start anew.
      fresh = true;
      if (::ftruncate(fd, 0) != 0 || ::ftruncate(fd, sizeof(EventState)) != 0) return fail(ErrorFromErrno(errno));
    } else if (errno == EWOULDBLOCK) {
      fresh = false;
      if (static_cast<std::size_t>(st.st_size) < sizeof(EventState))
        return fail(static_cast<DWORD>(ERROR_INVALID_HANDLE));
    } else {
      return fail(ErrorFromErrno(errno));
    }

    void* map = ::mmap(nullptr, sizeof(EventState), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (map == MAP_FAILED) return fail(ErrorFromErrno(errno));
    auto* state = static_cast<EventState*>(map);
    if (fresh) {
      state->magic = kMagic;
      state->version = kVersion;
      state->reserved = 0;
      std::atomic_ref<std::uint32_t>(state->word).store(initial_state ? kSignalled : 0, std::memory_order_release);
    } else if (state->magic != kMagic || state->version != kVersion) {
      // The name belongs to something that is not one of our events.
      ::munmap(map, sizeof(EventState));
      return fail(static_cast<DWORD>(ERROR_INVALID_HANDLE));
    }
    // Become one of the holders. Converting the exclusive lock is not atomic,
    // but nobody else can look while the creation lock is held.
    if (FlockRetry(fd, LOCK_SH | LOCK_NB) != 0) {
      const DWORD code = ErrorFromErrno(errno);
      ::munmap(map, sizeof(EventState));
      return fail(code);
    }

    std::shared_ptr<EventObject> object;
    try {
      object = std::make_shared<EventObject>(false);
    } catch (const std::bad_alloc&) {
      ::munmap(map, sizeof(EventState));
      return fail(static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    }
    object->state_ = state;
    object->shared_ = true;
    object->fd_ = fd;
    object->folder_ = folder;
    object->path_ = path;
    *existed = !fresh;
    return object;
  }

  ~EventObject() {
    if (fd_ < 0) return;
    ::munmap(state_, sizeof(EventState));
    CreationLock creation(folder_);
    ::close(fd_);  // drops this handle's shared lock
    if (!creation.Held()) return;
    // A new description of the same file: its exclusive lock succeeds only
    // when no description anywhere (forked children included) holds a lock.
    const int probe = OpenRetry(path_, O_RDONLY);
    if (probe < 0) return;
    if (FlockRetry(probe, LOCK_EX | LOCK_NB) == 0) ::unlink(path_.c_str());
    ::close(probe);
  }

  EventObject(const EventObject&) = delete;
  EventObject& operator=(const EventObject&) = delete;

  void Set() {
    std::atomic_ref<std::uint32_t> word(state_->word);
    std::uint32_t seen = word.load(std::memory_order_relaxed);
    for (;;) {
      if ((seen & kSignalled) != 0) return;
      const std::uint32_t next = (((seen >> 1) + 1) << 1) | kSignalled;
      if (word.compare_exchange_weak(seen, next, std::memory_order_acq_rel, std::memory_order_relaxed)) break;
    }
    FutexWakeAll(&state_->word, shared_);
  }

  void Reset() {
    std::atomic_ref<std::uint32_t>(state_->word).fetch_and(~kSignalled, std::memory_order_acq_rel);
  }

  DWORD Wait(DWORD milliseconds) {
    std::atomic_ref<std::uint32_t> word(state_->word);
    std::uint32_t seen = word.load(std::memory_order_acquire);
    if ((seen & kSignalled) != 0) return WAIT_OBJECT_0;
    if (milliseconds == 0) return WAIT_TIMEOUT;

    const std::uint32_t start_count = seen >> 1;
    timespec deadline{};
    const bool bounded = milliseconds != INFINITE;
    if (bounded) {
      ::clock_gettime(CLOCK_MONOTONIC, &deadline);
      deadline.tv_sec += static_cast<time_t>(milliseconds / 1000);
      deadline.tv_nsec += static_cast<long>(milliseconds % 1000) * 1000000L;
      if (deadline.tv_nsec >= 1000000000L) {
        deadline.tv_sec += 1;
        deadline.tv_nsec -= 1000000000L;
      }
    }
    for (;;) {
      const long rc = FutexWait(&state_->word, seen, bounded ? &deadline : nullptr, shared_);
      const int err = rc == 0 ? 0 : errno;
      seen = word.load(std::memory_order_acquire);
      if ((seen & kSignalled) != 0 || (seen >> 1) != start_count) return WAIT_OBJECT_0;
      if (err == ETIMEDOUT) return WAIT_TIMEOUT;
      if (err != 0 && err != EAGAIN && err != EINTR) {
        SetLastError(static_cast<DWORD>(ERROR_INVALID_HANDLE));
        return WAIT_FAILED;
      }
    }
  }

 private:
  EventState local_{};
  EventState* state_ = &local_;
  bool shared_ = false;
  int fd_ = -1;
  std::string folder_;
  std::string path_;
};

// Open handles of this process. Handle values are never reused, so a closed
// or made-up handle is recognised instead of reaching freed memory. Waits
// keep their event alive through the shared pointer, so closing a handle
// while another thread waits on it is safe.
class HandleTable {
 public:
  HANDLE Add(std::shared_ptr<EventObject> event) {
    std::lock_guard<std::mutex> guard(mutex_);
    const std::uintptr_t key = next_++ << 4;
    events_.emplace(key, std::move(event));
    return reinterpret_cast<HANDLE>(key);
  }

  std::shared_ptr<EventObject> Find(HANDLE handle) {
    std::lock_guard<std::mutex> guard(mutex_);
    const auto it = events_.find(reinterpret_cast<std::uintptr_t>(handle));
    return it == events_.end() ? nullptr : it->second;
  }

  std::shared_ptr<EventObject> Remove(HANDLE handle) {
    std::lock_guard<std::mutex> guard(mutex_);
    const auto it = events_.find(reinterpret_cast<std::uintptr_t>(handle));
    if (it == events_.end()) return nullptr;
    std::shared_ptr<EventObject> event = std::move(it->second);
    events_.erase(it);
    return event;
  }

 private:
  std::mutex mutex_;
  std::unordered_map<std::uintptr_t, std::shared_ptr<EventObject>> events_;
  std::uintptr_t next_ = 1;
};

// Never destroyed: libraries close their handles from their own static
// destructors, which may run after this library's.
HandleTable& Handles() {
  static HandleTable* const table = new HandleTable;
  return *table;
}

std::shared_ptr<EventObject> FindEvent(HANDLE handle) {
  std::shared_ptr<EventObject> event = Handles().Find(handle);
  if (!event) SetLastError(static_cast<DWORD>(ERROR_INVALID_HANDLE));
  return event;
}

}  // namespace

HANDLE CreateEventW(void* security, BOOL manualReset, BOOL initialState, LPCWSTR name) {
  (void)security;
  if (!manualReset) {
    SetLastError(static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    return nullptr;
  }
  try {
    std::shared_ptr<EventObject> event;
    bool existed = false;
    if (name == nullptr || *name == u'\0') {
      event = std::make_shared<EventObject>(initialState != FALSE);
    } else {
      DWORD error = 0;
      event = EventObject::OpenNamed(quorvia::Utf16ToUtf8(std::u16string_view(name)), initialState != FALSE,
                                     &existed, &error);
      if (!event) {
        SetLastError(error);
        return nullptr;
      }
    }
    HANDLE handle = Handles().Add(std::move(event));
    SetLastError(existed ? static_cast<DWORD>(ERROR_ALREADY_EXISTS) : 0);
    return handle;
  } catch (const std::bad_alloc&) {
    SetLastError(static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    return nullptr;
  }
}

BOOL SetEvent(HANDLE event) {
  const std::shared_ptr<EventObject> object = FindEvent(event);
  if (!object) return FALSE;
  object->Set();
  return TRUE;
}

BOOL ResetEvent(HANDLE event) {
  const std::shared_ptr<EventObject> object = FindEvent(event);
  if (!object) return FALSE;
  object->Reset();
  return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  const std::shared_ptr<EventObject> object = FindEvent(handle);
  if (!object) return WAIT_FAILED;
  return object->Wait(milliseconds);
}

BOOL CloseHandle(HANDLE handle) {
  std::shared_ptr<EventObject> object = Handles().Remove(handle);
  if (!object) {
    SetLastError(static_cast<DWORD>(ERROR_INVALID_HANDLE));
    return FALSE;
  }
  object.reset();  // outside the table's lock: releasing may wait for the creation lock
  return TRUE;
}
