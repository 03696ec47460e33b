#include "dao/page_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <system_error>
#include <utility>

#include "dao/dao_exception.h"
#include "format/code_page.h"

namespace tarvex::dao {
namespace {

// Jet keeps page numbers in 24-bit row pointers.
constexpr uint32_t kMaxPages = 1u << 24;
// Pages gathered before they are written: a run of new pages the size of this
// window costs one write instead of one per page.
constexpr uint32_t kGatherPages = 256;

[[noreturn]] void ThrowIo(const std::string& what, const std::filesystem::path& path) {
  throw DaoException(what + " '" + path.string() + "': " + std::strerror(errno));
}

int OpenFlags(PageFile::Mode mode) {
  switch (mode) {
    case PageFile::Mode::kCreateNew:
      return O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC;
    case PageFile::Mode::kReadWrite:
      return O_RDWR | O_CLOEXEC;
    case PageFile::Mode::kReadOnly:
      return O_RDONLY | O_CLOEXEC;
  }
  return O_RDONLY;
}

}  // namespace

PageFile::PageFile(const std::filesystem::path& path, Mode mode, bool exclusive,
                   const format::JetLayout& layout)
    : mode_(mode),
      layout_(layout),
      pageSize_(layout.pageSize),
      text_{layout.version, format::kDefaultCodePage},
      path_(path) {
  std::error_code error;
  if (mode == Mode::kCreateNew && std::filesystem::exists(path, error))
    throw DaoException("Database '" + path.string() + "' already exists.");
  fd_ = ::open(path.c_str(), OpenFlags(mode), 0644);
  if (fd_ < 0) ThrowIo("Cannot open database", path);
  // Writers hold the file alone (pages are cached nowhere else); readers share it.
  int lock = (exclusive || mode != Mode::kReadOnly) ? LOCK_EX : LOCK_SH;
  if (::flock(fd_, lock | LOCK_NB) != 0) {
    ::close(fd_);
    fd_ = -1;
    throw DaoException("Database '" + path.string() + "' is in use by another process.");
  }
  struct stat info {};
  if (::fstat(fd_, &info) != 0) ThrowIo("Cannot read size of", path);
  uint64_t size = static_cast<uint64_t>(info.st_size);
  if (size % pageSize_ != 0 || size / pageSize_ >= kMaxPages) {
    ::close(fd_);
    fd_ = -1;
    throw DaoException("'" + path.string() + "' is not a database file of whole pages.");
  }
  pageCount_ = static_cast<uint32_t>(size / pageSize_);
  if (mode != Mode::kReadOnly) directFd_ = ::open(path.c_str(), O_WRONLY | O_DIRECT | O_CLOEXEC);
}

PageFile::~PageFile() {
  if (fd_ < 0) return;
  try {
    // What was written stays written, as if it had gone to the file at once.
    FlushGathered();
    FinishFlush();
  } catch (const DaoException&) {
    // A file left without Close may be incomplete in any case.
  }
  if (flusher_.joinable()) flusher_.join();
  if (directFd_ >= 0) ::close(directFd_);
  ::close(fd_);
}

void PageFile::RequireOpen() const {
  if (fd_ < 0) throw DaoException("The database file is closed.");
}

void PageFile::RequirePage(uint32_t page, size_t size) const {
  if (page >= pageCount_ || size != pageSize_)
    throw DaoException("Page " + std::to_string(page) + " lies outside the database file.");
}

const uint8_t* PageFile::Held(uint32_t page) const {
  const auto in = [&](const Window& bytes, const std::vector<bool>& flags,
                      uint32_t first) -> const uint8_t* {
    if (page < first || page - first >= flags.size() || !flags[page - first]) return nullptr;
    return bytes.data() + static_cast<size_t>(page - first) * pageSize_;
  };
  // The flusher only reads the window it writes, so this thread may read it too.
  const uint8_t* held = in(gathered_, gatheredPage_, gatherFirst_);
  return held ? held : in(flushing_, flushingPage_, flushingFirst_);
}

void PageFile::Read(uint32_t page, std::span<uint8_t> out) const {
  RequireOpen();
  RequirePage(page, out.size());
  if (const uint8_t* held = Held(page)) {
    std::memcpy(out.data(), held, pageSize_);
    return;
  }
  size_t done = 0;
  off_t base = static_cast<off_t>(page) * pageSize_;
  while (done < out.size()) {
    ssize_t got =
        ::pread(fd_, out.data() + done, out.size() - done, base + static_cast<off_t>(done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) ThrowIo("Cannot read", path_);
    if (got == 0) {  // an allocated page not yet written reads as zeros
      std::memset(out.data() + done, 0, out.size() - done);
      break;
    }
    done += static_cast<size_t>(got);
  }
}

std::vector<uint8_t> PageFile::Read(uint32_t page) const {
  std::vector<uint8_t> bytes(pageSize_);
  Read(page, bytes);
  return bytes;
}

void PageFile::Write(uint32_t page, std::span<const uint8_t> bytes) {
  RequireOpen();
  if (mode_ == Mode::kReadOnly) throw DaoException("The database is opened read-only.");
  RequirePage(page, bytes.size());
  if (page < gatherFirst_ || page - gatherFirst_ >= kGatherPages) {
    FlushGathered();
    gatherFirst_ = page;
  }
  if (gathered_.empty()) {
    gathered_.resize(static_cast<size_t>(kGatherPages) * pageSize_);
    gatheredPage_.assign(kGatherPages, false);
  }
  const uint32_t slot = page - gatherFirst_;
  std::memcpy(gathered_.data() + static_cast<size_t>(slot) * pageSize_, bytes.data(), pageSize_);
  gatheredPage_[slot] = true;
}

void PageFile::FlushGathered() {
  FinishFlush();
  if (std::find(gatheredPage_.begin(), gatheredPage_.end(), true) == gatheredPage_.end()) return;
  std::swap(gathered_, flushing_);
  std::swap(gatheredPage_, flushingPage_);
  flushingFirst_ = gatherFirst_;
  gathered_.resize(flushing_.size());
  gatheredPage_.assign(flushingPage_.size(), false);
  try {
    flusher_ = std::thread([this] {
      try {
        WriteFlushing();
      } catch (const DaoException&) {
        flushError_ = std::current_exception();
      }
    });
  } catch (const std::system_error&) {
    WriteFlushing();  // no thread to be had: written here and now
  }
}

void PageFile::FinishFlush() {
  if (flusher_.joinable()) flusher_.join();
  // Written or failed, the window no longer holds the file's latest pages.
  flushingPage_.assign(flushingPage_.size(), false);
  if (flushError_) std::rethrow_exception(std::exchange(flushError_, nullptr));
}

void PageFile::WriteFlushing() {
  // Each run of gathered pages is one write; pages not gathered keep what the file has.
  const auto flags = flushingPage_.begin();
  for (auto first = std::find(flags, flushingPage_.end(), true); first != flushingPage_.end();) {
    const auto last = std::find(first, flushingPage_.end(), false);
    const auto slot = static_cast<size_t>(first - flags);
    const auto count = static_cast<size_t>(last - first);
    WriteToFile(flushingFirst_ + static_cast<uint32_t>(slot),
                std::span<const uint8_t>(flushing_).subspan(slot * pageSize_, count * pageSize_));
    first = std::find(last, flushingPage_.end(), true);
  }
}

void PageFile::WriteToFile(uint32_t firstPage, std::span<const uint8_t> bytes) {
  size_t done = 0;
  off_t base = static_cast<off_t>(firstPage) * pageSize_;
  while (done < bytes.size()) {
    const uint8_t* from = bytes.data() + done;
    const size_t size = bytes.size() - done;
    const off_t at = base + static_cast<off_t>(done);
    constexpr auto kBlock = static_cast<size_t>(Window::allocator_type::kAlignment);
    const bool direct = directFd_ >= 0 && reinterpret_cast<uintptr_t>(from) % kBlock == 0 &&
                        size % kBlock == 0 && static_cast<size_t>(at) % kBlock == 0;
    ssize_t put = ::pwrite(direct ? directFd_ : fd_, from, size, at);
    if (put < 0 && errno == EINTR) continue;
    if (put < 0 && direct && errno == EINVAL) {
      // The file system takes no such writes after all, or wants larger blocks.
      ::close(std::exchange(directFd_, -1));
      continue;
    }
    if (put < 0) ThrowIo("Cannot write", path_);
    done += static_cast<size_t>(put);
  }
}

uint32_t PageFile::Allocate() {
  RequireOpen();
  if (mode_ == Mode::kReadOnly) throw DaoException("The database is opened read-only.");
  if (pageCount_ + 1 >= kMaxPages) throw DaoException("The database file is full.");
  return pageCount_++;
}

void PageFile::Close() {
  if (fd_ < 0) return;
  FlushGathered();
  FinishFlush();
  if (directFd_ >= 0) ::close(std::exchange(directFd_, -1));
  int fd = fd_;
  fd_ = -1;
  bool ok = true;
  if (mode_ != Mode::kReadOnly) {
    ok = ::ftruncate(fd, static_cast<off_t>(pageCount_) * pageSize_) == 0 && ::fsync(fd) == 0;
  }
  ok = (::close(fd) == 0) && ok;
  if (!ok) ThrowIo("Cannot finish writing", path_);
}

}  // namespace tarvex::dao
