#include "engine/row_text_writer.h"

#include <algorithm>
#include <cstring>
#include <system_error>
#include <utility>

namespace tarvex::engine {
namespace {

// A batch goes over once it holds this much: large enough that handing over
// costs little, small enough that memory stays low whatever the table's size.
constexpr size_t kBatchBytes = 1 << 18;
constexpr size_t kBatchValues = 1 << 14;
constexpr size_t kBatches = 3;

}  // namespace

RowTextWriter::RowTextWriter(model::CAccessTableDataFile& output, std::vector<ColumnFormat> columns)
    : output_(output), columns_(std::move(columns)), batches_(kBatches) {
  for (Batch& batch : batches_) {
    batch.bytes.resize(kBatchBytes);
    batch.values.reserve(kBatchValues);
  }
  filling_ = &batches_[0];
  for (size_t i = 1; i < batches_.size(); ++i) empty_.push_back(&batches_[i]);
  if (columns_.empty()) return;
  try {
    thread_ = std::thread([this] { Run(); });
  } catch (const std::system_error&) {
  }
}

void RowTextWriter::AddRow(std::span<const format::Bytes> values,
                           const std::vector<bool>& nullMaskBits) {
  Batch& batch = *filling_;
  size_t size = 0;
  for (const format::Bytes value : values) size += value.size();
  if (batch.bytes.size() - batch.used < size)
    batch.bytes.resize(std::max(batch.used + size, 2 * batch.bytes.size()));
  for (size_t i = 0; i < values.size(); ++i) {
    const format::Bytes value = values[i];
    batch.values.push_back({batch.used, value.size(), nullMaskBits[i]});
    if (!value.empty()) std::memcpy(batch.bytes.data() + batch.used, value.data(), value.size());
    batch.used += value.size();
  }
  if (batch.used >= kBatchBytes || batch.values.size() >= kBatchValues) Hand();
}

void RowTextWriter::Hand() {
  if (!thread_.joinable()) {
    Write(*filling_);
    return;
  }
  std::unique_lock guard(lock_);
  full_.push_back(filling_);
  changed_.notify_all();
  changed_.wait(guard, [this] { return !empty_.empty(); });
  filling_ = empty_.back();
  empty_.pop_back();
}

void RowTextWriter::Finish() {
  if (filling_ == nullptr) return;
  if (!thread_.joinable()) {
    Write(*filling_);
    filling_ = nullptr;
    return;
  }
  {
    std::lock_guard guard(lock_);
    full_.push_back(filling_);
    filling_ = nullptr;
    finishing_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void RowTextWriter::Run() {
  std::unique_lock guard(lock_);
  for (;;) {
    changed_.wait(guard, [this] { return !full_.empty() || finishing_; });
    if (full_.empty()) return;
    Batch* batch = full_.front();
    full_.erase(full_.begin());
    guard.unlock();
    Write(*batch);
    guard.lock();
    empty_.push_back(batch);
    changed_.notify_all();
  }
}

void RowTextWriter::Write(Batch& batch) {
  for (const Value& value : batch.values) {
    const ColumnFormat& column = columns_[column_];
    column_ = column_ + 1 == columns_.size() ? 0 : column_ + 1;
    const format::Bytes bytes(batch.bytes.data() + value.offset, value.size);
    if (!format::FormatValueInto(column.context, column.type, bytes, value.nullMaskBit, text_)) {
      if (!output_.AppendNull()) failed_ = true;
      continue;
    }
    if (!output_.AppendValueText(text_)) failed_ = true;
    if (column.indexedText && !textBeyondLatin1_)
      textBeyondLatin1_ =
          std::any_of(text_.begin(), text_.end(), [](char16_t c) { return c > 0xFF; });
  }
  batch.used = 0;
  batch.values.clear();
}

}  // namespace tarvex::engine
