#pragma once
// The second half of record extraction: makes the texts of the values cut
// from a table's rows and writes them to the table's data file. Making texts
// costs about as much as cutting rows, so it runs on a thread of its own
// while the next rows are cut; rows go over in batches of bounded size, in
// order, so the file is the same as one written on a single thread.
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "format/data_reader.h"
#include "format/value_format.h"
#include "model/table_data_file.h"

namespace tarvex::engine {

// How the values of one column become texts.
struct ColumnFormat {
  uint8_t type = 0;
  format::ValueContext context;
  bool indexedText = false;  // text an index keys, whose characters beyond Latin-1 matter
};

class RowTextWriter {
 public:
  // Writes rows of `columns` into `output`, which must outlive the writer.
  RowTextWriter(model::CAccessTableDataFile& output, std::vector<ColumnFormat> columns);
  RowTextWriter(const RowTextWriter&) = delete;
  RowTextWriter& operator=(const RowTextWriter&) = delete;
  ~RowTextWriter() { Finish(); }

  // One row: a value for every column (its bytes are copied) and its null-mask bit, as
  // FormatValue takes them.
  void AddRow(std::span<const format::Bytes> values, const std::vector<bool>& nullMaskBits);
  // Waits until every row given is written; no row is given after it.
  void Finish();

  // After Finish: whether a write failed, and whether indexed text went beyond Latin-1.
  bool failed() const { return failed_; }
  bool textBeyondLatin1() const { return textBeyondLatin1_; }

 private:
  struct Value {
    size_t offset;  // in the batch's bytes
    size_t size;
    bool nullMaskBit;
  };
  struct Batch {
    std::vector<uint8_t> bytes;  // the first `used` hold values; the rest is room, never cleared
    size_t used = 0;
    std::vector<Value> values;
  };

  // Passes the batch being filled to the writing thread and takes an empty one.
  void Hand();
  void Run();
  void Write(Batch& batch);

  model::CAccessTableDataFile& output_;
  const std::vector<ColumnFormat> columns_;
  // Filled by the cutting thread; three let one be filled while one waits and one is written.
  std::vector<Batch> batches_;
  Batch* filling_ = nullptr;  // none once finished

  std::mutex lock_;
  std::condition_variable changed_;
  std::vector<Batch*> full_;   // in order, first to write first
  std::vector<Batch*> empty_;  // ready to be filled
  bool finishing_ = false;
  std::thread thread_;  // not started where the system has no thread to give: then rows
                        // are written as they are handed over

  // Of the writing thread, read by the other once it has ended; on cache lines of their own, so
  // that writing them per value does not slow the cutting thread's reads of the members above.
  alignas(64) size_t column_ = 0;
  std::u16string text_;
  bool failed_ = false;
  bool textBeyondLatin1_ = false;
};

}  // namespace tarvex::engine
