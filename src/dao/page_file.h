#pragma once
// The database file as an array of fixed-size pages. Pages are numbered from
// 0; a new page is handed out at the end of the file and must be written
// before Close, which also makes the file length a whole number of pages.
#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

namespace tarvex::dao {

class PageFile {
 public:
  enum class Mode { kCreateNew, kReadWrite, kReadOnly };

  // Throws DaoException when the file cannot be created or opened (kCreateNew
  // refuses an existing file), or when exclusive and another handle holds it.
  PageFile(const std::filesystem::path& path, Mode mode, bool exclusive, uint32_t pageSize);
  ~PageFile();
  PageFile(const PageFile&) = delete;
  PageFile& operator=(const PageFile&) = delete;

  uint32_t pageSize() const { return pageSize_; }
  uint32_t pageCount() const { return pageCount_; }
  bool readOnly() const { return mode_ == Mode::kReadOnly; }

  // Reads page `page` into `out` (pageSize bytes); throws past the last page.
  void Read(uint32_t page, std::span<uint8_t> out) const;
  std::vector<uint8_t> Read(uint32_t page) const;
  void Write(uint32_t page, std::span<const uint8_t> bytes);
  // A new page number at the end of the file.
  uint32_t Allocate();
  // Sets the length to pageCount pages, syncs and closes; later calls throw.
  void Close();

 private:
  void RequireOpen() const;
  // Throws unless `page` exists and `size` is one page.
  void RequirePage(uint32_t page, size_t size) const;

  int fd_ = -1;
  Mode mode_;
  uint32_t pageSize_;
  uint32_t pageCount_ = 0;
  std::filesystem::path path_;
};

}  // namespace tarvex::dao
