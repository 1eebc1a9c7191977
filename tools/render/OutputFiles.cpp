#include "tools/render/OutputFiles.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>

#if defined(_WIN32)
#include <io.h>
#include <process.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace brisko::render {
namespace {

// Temporaries that an interrupt must remove: fixed storage, so that the
// signal handler touches nothing but these bytes and remove().
constexpr int kMaxPending = 8;
constexpr size_t kMaxPathBytes = 4096;
char pendingPaths[kMaxPending][kMaxPathBytes];
std::atomic<bool> pendingUsed[kMaxPending];

extern "C" void removePendingAndExit(int signalNumber) {
  for (int i = 0; i < kMaxPending; ++i)
    if (pendingUsed[i].load()) std::remove(pendingPaths[i]);
  std::_Exit(128 + signalNumber);
}

void track(const std::string& path, bool add) {
  for (int i = 0; i < kMaxPending; ++i) {
    if (add && !pendingUsed[i].load() && path.size() < kMaxPathBytes) {
      std::memcpy(pendingPaths[i], path.c_str(), path.size() + 1);
      pendingUsed[i].store(true);
      return;
    }
    if (!add && pendingUsed[i].load() && path == pendingPaths[i]) {
      pendingUsed[i].store(false);
      return;
    }
  }
}

int processId() {
#if defined(_WIN32)
  return _getpid();
#else
  return static_cast<int>(getpid());
#endif
}

bool replaceFile(const std::string& from, const std::string& to) {
#if defined(_WIN32)
  return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
#else
  return std::rename(from.c_str(), to.c_str()) == 0;
#endif
}

}  // namespace

bool sameFile(const std::string& a, const std::string& b) {
#if defined(_WIN32)
  const auto identify = [](const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
    HANDLE handle = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    const bool ok = GetFileInformationByHandle(handle, &info) != 0;
    CloseHandle(handle);
    return ok;
  };
  BY_HANDLE_FILE_INFORMATION infoA{}, infoB{};
  if (!identify(a, infoA) || !identify(b, infoB)) return false;
  return infoA.dwVolumeSerialNumber == infoB.dwVolumeSerialNumber && infoA.nFileIndexHigh == infoB.nFileIndexHigh &&
         infoA.nFileIndexLow == infoB.nFileIndexLow;
#else
  struct stat statA{}, statB{};
  if (stat(a.c_str(), &statA) != 0 || stat(b.c_str(), &statB) != 0) return false;
  return statA.st_dev == statB.st_dev && statA.st_ino == statB.st_ino;
#endif
}

OutputFiles::OutputFiles() {
  std::signal(SIGINT, removePendingAndExit);
  std::signal(SIGTERM, removePendingAndExit);
}

OutputFiles::~OutputFiles() { discard(); }

std::string OutputFiles::create(const std::string& destination, std::string& error) {
  static unsigned counter = 0;
  const size_t slash = destination.find_last_of("/\\");
  const std::string folder = slash == std::string::npos ? "" : destination.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? destination : destination.substr(slash + 1);
  if (name.empty()) {
    error = "'" + destination + "' names a folder, not a file";
    return "";
  }
  // Renaming over a device, a pipe or a folder would replace it: only
  // regular files (or new names) are written.
  struct stat existing{};
  if (stat(destination.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode)) {
    error = "cannot write " + destination + ": it exists and is not a regular file";
    return "";
  }
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string temporary = folder + "." + name + ".partial-" + std::to_string(processId()) + "-" +
                                  std::to_string(counter++);
#if defined(_WIN32)
    const int fd = _open(temporary.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
#else
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
#endif
    if (fd >= 0) {
#if defined(_WIN32)
      _close(fd);
#else
      ::close(fd);
#endif
      track(temporary, true);
      entries_.push_back(Entry{temporary, destination});
      return temporary;
    }
    if (errno != EEXIST) {
      error = "cannot create " + destination + ": " + std::strerror(errno);
      return "";
    }
  }
  error = "cannot create a temporary file beside " + destination;
  return "";
}

std::FILE* OutputFiles::open(const std::string& temporary, std::string& error) {
  std::FILE* file = std::fopen(temporary.c_str(), "wb");
  if (file == nullptr) error = "cannot write " + temporary + ": " + std::strerror(errno);
  return file;
}

bool OutputFiles::commit(std::string& error) {
  for (const Entry& entry : entries_) {
    if (!replaceFile(entry.temporary, entry.destination)) {
      error = "cannot move the result into place as " + entry.destination + ": " + std::strerror(errno);
      return false;
    }
    track(entry.temporary, false);
  }
  entries_.clear();
  return true;
}

void OutputFiles::discard() {
  for (const Entry& entry : entries_) {
    std::remove(entry.temporary.c_str());
    track(entry.temporary, false);
  }
  entries_.clear();
}

}  // namespace brisko::render
