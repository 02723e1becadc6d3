#include "pci/sim/shared_boards.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <new>

#include "pci/own_descriptors.h"
#include "pci/sim/register_model.h"
#include "pci/sim/robust_mutex.h"

namespace zemtra::pci::sim {
namespace {

constexpr const char* kShmDir = "/dev/shm/";  // where shm_open keeps its objects

std::string ObjectFile(std::string_view name) {
  return "zemtra-" + std::to_string(::geteuid()) + "-" + std::string(name);
}

std::size_t ObjectSize(uint32_t boards) { return sizeof(SharedHeader) + boards * sizeof(SharedBoard); }

int64_t MonotonicNs() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec * 1'000'000'000LL + now.tv_nsec;
}

void* Map(int fd, std::size_t size) {
  void* base = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  return base == MAP_FAILED ? nullptr : base;
}

std::string Failed(const std::string& what, const std::string& path, int err) {
  return "cannot " + what + " '" + path + "' (" + std::strerror(err) + ")";
}

// A small file of /proc, whole; empty when it cannot be read.
std::string ReadProcFile(const std::string& path) {
  std::string text;
  const int fd = OpenOwn(path.c_str(), O_RDONLY);
  if (fd < 0) return text;
  char chunk[4096];
  for (ssize_t n; (n = ::read(fd, chunk, sizeof chunk)) > 0;) text.append(chunk, static_cast<std::size_t>(n));
  ::close(fd);
  return text;
}

// Whether a /proc/PID/maps text maps the object at `path` with inode
// `inode`: under that name, or under the temporary one its maker mapped.
bool MapsObject(const std::string& maps, const std::string& path, ino_t inode) {
  for (std::size_t at = maps.find(path); at != std::string::npos; at = maps.find(path, at + 1)) {
    const std::size_t start = maps.rfind('\n', at) + 1;  // npos + 1 == 0: the first line
    const std::size_t end = at + path.size();
    if (end < maps.size() && std::strchr("\n .", maps[end]) == nullptr) continue;  // another name
    // address perms offset device inode path
    std::size_t field = start;
    for (int skip = 0; skip < 4 && field < at; ++skip) field = maps.find(' ', field) + 1;
    if (std::strtoull(maps.c_str() + field, nullptr, 10) == inode) return true;
  }
  return false;
}

// Every file of /dev/shm whose name starts with `prefix` and that is ours.
void RemoveOwnFiles(const std::string& prefix) {
  DIR* dir = OpenOwnDir(kShmDir);
  if (dir == nullptr) return;
  while (const dirent* entry = ::readdir(dir)) {
    if (std::strncmp(entry->d_name, prefix.c_str(), prefix.size()) != 0) continue;
    struct stat info {};
    if (::fstatat(::dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 && info.st_uid == ::geteuid()) {
      ::unlinkat(::dirfd(dir), entry->d_name, 0);
    }
  }
  ::closedir(dir);
}

}  // namespace

std::string SharedObjectPath(std::string_view name) { return kShmDir + ObjectFile(name); }

SharedBoards::SharedBoards(std::string name, void* base, std::size_t size)
    : name_(std::move(name)), path_(SharedObjectPath(name_)), base_(base), size_(size) {}

SharedBoards::~SharedBoards() { ::munmap(base_, size_); }

std::string SharedBoards::Config() const {
  const auto* header = static_cast<const SharedHeader*>(base_);
  return std::string(header->config, ::strnlen(header->config, sizeof header->config));
}

int SharedBoards::Count() const { return static_cast<int>(static_cast<const SharedHeader*>(base_)->boardCount); }

SharedBoard& SharedBoards::Board(int index) const {
  return reinterpret_cast<SharedBoard*>(static_cast<char*>(base_) + sizeof(SharedHeader))[index];
}

std::string SharedBoards::EventPrefix(int index) const { return path_ + "." + std::to_string(index) + ".event-"; }

std::shared_ptr<SharedBoards> SharedBoards::Open(const SimConfig& config, std::string* error) {
  error->clear();
  const std::string path = SharedObjectPath(config.share);
  for (int attempt = 0; attempt < 4; ++attempt) {
    const int fd = OpenOwn(path.c_str(), O_RDWR | O_NOFOLLOW);
    if (fd >= 0) return Attach(fd, config, error);
    if (errno != ENOENT) {
      *error = Failed("open", path, errno);
      return nullptr;
    }
    std::shared_ptr<SharedBoards> made = Make(config, error);
    if (made || !error->empty()) return made;
  }
  *error = "'" + path + "' was removed again and again while being opened";
  return nullptr;
}

// Null without an error when another process made them first.
std::shared_ptr<SharedBoards> SharedBoards::Make(const SimConfig& config, std::string* error) {
  static std::atomic<unsigned> serial{0};
  const std::string path = SharedObjectPath(config.share);
  const std::string temporary = path + ".new-" + std::to_string(::getpid()) + "-" + std::to_string(serial++);
  const int fd = OpenOwn(temporary.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW, 0600);
  if (fd < 0) {
    *error = Failed("make", temporary, errno);
    return nullptr;
  }
  const auto boards = static_cast<uint32_t>(config.boards);
  const std::size_t size = ObjectSize(boards);
  // 0600 whatever the umask: the owner must read and write it.
  void* base = ::fchmod(fd, 0600) == 0 && ::ftruncate(fd, static_cast<off_t>(size)) == 0 ? Map(fd, size) : nullptr;
  const int err = errno;
  ::close(fd);
  auto discard = [&](const std::string& why) -> std::shared_ptr<SharedBoards> {
    if (base != nullptr) ::munmap(base, size);
    ::unlink(temporary.c_str());
    *error = why;
    return nullptr;
  };
  if (base == nullptr) return discard(Failed("make", path, err));

  auto* header = new (base) SharedHeader{};
  std::memcpy(header->magic, kSharedMagic, sizeof header->magic);
  header->layoutVersion = kLayoutVersion;
  header->boardCount = boards;
  header->size = size;
  DescribeBoards(config).copy(header->config, sizeof header->config - 1);
  const int64_t origin = MonotonicNs();
  auto* board = reinterpret_cast<SharedBoard*>(static_cast<char*>(base) + sizeof(SharedHeader));
  for (uint32_t i = 0; i < boards; ++i) {
    new (&board[i]) SharedBoard{};
    if (!InitRobustMutex(&board[i].lock)) return discard("this system offers no robust process-shared mutex");
    BoardConfig made = config.board;
    made.index = i;
    RegisterModel::Initialize(&board[i].state, made, origin);
  }
  // In place at once: whoever finds the name finds the boards complete.
  if (::link(temporary.c_str(), path.c_str()) != 0) {
    const int linkError = errno;
    return discard(linkError == EEXIST ? std::string() : Failed("make", path, linkError));
  }
  ::unlink(temporary.c_str());
  return std::shared_ptr<SharedBoards>(new SharedBoards(config.share, base, size));
}

std::shared_ptr<SharedBoards> SharedBoards::Attach(int fd, const SimConfig& config, std::string* error) {
  const std::string path = SharedObjectPath(config.share);
  const std::string remove = ": remove it with 'zemtra sim reset'";
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid() ||
      (info.st_mode & 077) != 0) {
    ::close(fd);
    *error = "'" + path + "' is not this user's alone (a file of mode 0600 is): not used";
    return nullptr;
  }
  const auto size = static_cast<std::size_t>(info.st_size);
  void* base = size >= sizeof(SharedHeader) ? Map(fd, size) : nullptr;
  ::close(fd);
  const auto* header = static_cast<const SharedHeader*>(base);
  auto refuse = [&](const std::string& why) -> std::shared_ptr<SharedBoards> {
    if (base != nullptr) ::munmap(base, size);
    *error = why;
    return nullptr;
  };
  if (base == nullptr || std::memcmp(header->magic, kSharedMagic, sizeof header->magic) != 0) {
    return refuse("'" + path + "' is not an object of Zemtra shared boards" + remove);
  }
  if (header->layoutVersion != kLayoutVersion) {
    return refuse("shared boards '" + config.share + "' were made by another version of the library (layout " +
                  std::to_string(header->layoutVersion) + ", this one reads layout " +
                  std::to_string(kLayoutVersion) + "): remove them with 'zemtra sim reset' once no program uses them");
  }
  if (header->boardCount < 1 || header->boardCount > static_cast<uint32_t>(kMaxBoards) || header->size != size ||
      size != ObjectSize(header->boardCount)) {
    return refuse("'" + path + "' is damaged" + remove);
  }
  const std::string made(header->config, ::strnlen(header->config, sizeof header->config));
  const std::string wanted = DescribeBoards(config);
  if (made != wanted) {
    return refuse("shared boards '" + config.share + "' were made with '" + made + "', this process asks for '" +
                  wanted + "' (name the same items, or remove them with 'zemtra sim reset')");
  }
  return std::shared_ptr<SharedBoards>(new SharedBoards(config.share, base, size));
}

std::vector<ProcessUse> SharedBoardUsers(std::string_view name) {
  std::vector<ProcessUse> users;
  const std::string path = SharedObjectPath(name);
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) return users;
  DIR* proc = OpenOwnDir("/proc");
  if (proc == nullptr) return users;
  const int self = ::getpid();
  while (const dirent* entry = ::readdir(proc)) {
    char* end = nullptr;
    const long pid = std::strtol(entry->d_name, &end, 10);
    if (pid <= 0 || *end != '\0' || pid == self) continue;
    const std::string dir = std::string("/proc/") + entry->d_name;
    if (!MapsObject(ReadProcFile(dir + "/maps"), path, info.st_ino)) continue;
    std::string command = ReadProcFile(dir + "/comm");
    if (!command.empty() && command.back() == '\n') command.pop_back();
    users.push_back({static_cast<int>(pid), Printable(command)});
  }
  ::closedir(proc);
  return users;
}

Removal RemoveSharedBoards(std::string_view name, bool force, std::vector<ProcessUse>* users, std::string* error) {
  const std::string path = SharedObjectPath(name);
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) {
    if (errno != ENOENT) {
      *error = Failed("look at", path, errno);
      return Removal::kFailed;
    }
    RemoveOwnFiles(ObjectFile(name) + ".");
    return Removal::kAbsent;
  }
  if (info.st_uid != ::geteuid()) {
    *error = "'" + path + "' belongs to another user";
    return Removal::kFailed;
  }
  *users = SharedBoardUsers(name);
  if (!users->empty() && !force) return Removal::kInUse;
  if (::unlink(path.c_str()) != 0) {
    *error = Failed("remove", path, errno);
    return Removal::kFailed;
  }
  RemoveOwnFiles(ObjectFile(name) + ".");
  return Removal::kRemoved;
}

}  // namespace zemtra::pci::sim
