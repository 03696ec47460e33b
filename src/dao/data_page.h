#pragma once
// One data page (table rows, usage-map rows, long-value rows): building a new
// page row by row, and reading the rows of an existing one.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace tarvex::dao {

class DataPage {
 public:
  // An empty page owned by `owner` (a TDEF page, 0 for usage maps, "LVAL").
  explicit DataPage(uint32_t owner);
  // Continues an existing page; throws DaoException when it is not a sound data page.
  static DataPage FromBytes(std::vector<uint8_t> bytes);

  size_t rowCount() const { return rowCount_; }
  size_t freeSpace() const;
  bool CanAdd(size_t rowLength) const;
  // Whether enough room is left for the page to be offered for new rows again.
  bool WorthFilling() const;
  // Adds a row at the next row number and returns that number; the caller
  // checks CanAdd first.
  uint8_t Add(std::span<const uint8_t> row);
  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  DataPage() = default;
  void UpdateHeader();

  std::vector<uint8_t> bytes_;
  size_t rowCount_ = 0;
  size_t lowestRowStart_ = 0;
};

struct RowSlot {
  size_t start = 0;
  size_t end = 0;
  bool deleted = false;   // also set on the place a moved row went to
  bool overflow = false;  // the row holds a 4-byte pointer to where it lives
  bool valid = true;      // false when the slot's offset lies outside the page
};

// The row slots of a data page, bounds-checked: a slot that does not lie inside
// the page is reported deleted and not valid. Empty when `page` is not a data page.
std::vector<RowSlot> ReadRowSlots(std::span<const uint8_t> page);

}  // namespace tarvex::dao
