#pragma once
// The database file as an array of fixed-size pages. Pages are numbered from
// 0; a new page is handed out at the end of the file and must be written
// before Close, which also makes the file length a whole number of pages.
// The file carries its format: the page layout and how its text is stored.
// Writes to neighbouring pages are gathered in memory and reach the file in
// large writes (reads see them at once); Close writes what is left. A full
// window is written on a thread of its own while the next one fills; a
// failed write throws at the next flush or at Close.
#include <cstdint>
#include <exception>
#include <filesystem>
#include <new>
#include <span>
#include <thread>
#include <vector>

#include "dao/stored_text.h"
#include "format/jet_layout.h"

namespace tarvex::dao {

// Memory aligned as writes that bypass the system's file cache need it.
template <typename T>
struct BlockAlignedAllocator {
  using value_type = T;
  static constexpr std::align_val_t kAlignment{4096};
  BlockAlignedAllocator() = default;
  template <typename U>
  BlockAlignedAllocator(const BlockAlignedAllocator<U>&) {}
  T* allocate(size_t count) {
    return static_cast<T*>(::operator new(count * sizeof(T), kAlignment));
  }
  void deallocate(T* bytes, size_t) { ::operator delete(bytes, kAlignment); }
  bool operator==(const BlockAlignedAllocator&) const = default;
};

class PageFile {
 public:
  enum class Mode { kCreateNew, kReadWrite, kReadOnly };

  // Throws DaoException when the file cannot be created or opened (kCreateNew
  // refuses an existing file), or when exclusive and another handle holds it.
  PageFile(const std::filesystem::path& path, Mode mode, bool exclusive,
           const format::JetLayout& layout);
  ~PageFile();
  PageFile(const PageFile&) = delete;
  PageFile& operator=(const PageFile&) = delete;

  const format::JetLayout& layout() const { return layout_; }
  uint32_t pageSize() const { return pageSize_; }
  const TextFormat& textFormat() const { return text_; }
  void SetCodePage(uint16_t codePage) { text_.codePage = codePage; }
  uint32_t pageCount() const { return pageCount_; }
  bool readOnly() const { return mode_ == Mode::kReadOnly; }

  // Reads page `page` into `out` (pageSize bytes); throws past the last page.
  void Read(uint32_t page, std::span<uint8_t> out) const;
  std::vector<uint8_t> Read(uint32_t page) const;
  void Write(uint32_t page, std::span<const uint8_t> bytes);
  // A new page number at the end of the file.
  uint32_t Allocate();
  // Writes the gathered pages, sets the length to pageCount pages, syncs and
  // closes; later calls throw.
  void Close();

 private:
  void RequireOpen() const;
  // Throws unless `page` exists and `size` is one page.
  void RequirePage(uint32_t page, size_t size) const;
  void WriteToFile(uint32_t firstPage, std::span<const uint8_t> bytes);
  // Starts writing every gathered page to the file and empties the window.
  void FlushGathered();
  // Waits for the window being written; throws when its write failed.
  void FinishFlush();
  // Writes each run of flagged pages of the window being written.
  void WriteFlushing();
  // The held bytes of `page`: of the filling window, else of the one being written; else null.
  const uint8_t* Held(uint32_t page) const;

  int fd_ = -1;
  // The same file opened to write past the system's cache where the system allows it, else -1:
  // whole windows are written once, and putting them through the cache can cost more than the
  // writing itself. Only the thread writing a window uses it.
  int directFd_ = -1;
  // The window of pages [gatherFirst_, gatherFirst_ + kGatherPages) whose
  // latest writes are held here; a page counts only when its flag is set.
  using Window = std::vector<uint8_t, BlockAlignedAllocator<uint8_t>>;
  Window gathered_;
  std::vector<bool> gatheredPage_;
  uint32_t gatherFirst_ = 0;
  // The previous window, while `flusher_` writes it; only that thread changes the file meanwhile.
  Window flushing_;
  std::vector<bool> flushingPage_;
  uint32_t flushingFirst_ = 0;
  std::thread flusher_;
  std::exception_ptr flushError_;
  Mode mode_;
  const format::JetLayout& layout_;
  uint32_t pageSize_;
  TextFormat text_;
  uint32_t pageCount_ = 0;
  std::filesystem::path path_;
};

}  // namespace tarvex::dao
