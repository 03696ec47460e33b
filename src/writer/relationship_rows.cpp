#include "writer/relationship_rows.h"

#include <algorithm>
#include <iterator>

#include "writer/value_rules.h"

namespace tarvex::writer {
namespace {

// More field pairs than any relationship Access makes: a count above it is damage.
constexpr int kMaxFieldPairs = 32;

const std::u16string* ValueAt(std::span<const std::u16string> values, int position) {
  if (position < 0 || static_cast<size_t>(position) >= values.size()) return nullptr;
  const std::u16string& value = values[static_cast<size_t>(position)];
  return value.empty() ? nullptr : &value;
}

}  // namespace

RelationshipPositions RelationshipPositions::For(bool jet4) {
  if (jet4) return {0, 1, 3, 4, 5, 6, 7};
  return {2, 1, 5, 4, 7, 6, 0};
}

RelationshipPositions RelationshipPositions::Of(std::span<const std::u16string> columnNames,
                                                bool jet4) {
  auto at = [&](std::u16string_view name) {
    const auto found = std::find(columnNames.begin(), columnNames.end(), name);
    return found == columnNames.end() ? -1 : static_cast<int>(found - columnNames.begin());
  };
  const RelationshipPositions named{at(u"ccolumn"),
                                    at(u"grbit"),
                                    at(u"szColumn"),
                                    at(u"szObject"),
                                    at(u"szReferencedColumn"),
                                    at(u"szReferencedObject"),
                                    at(u"szRelationship")};
  const int positions[] = {named.count,
                           named.attributes,
                           named.referencingField,
                           named.referencingTable,
                           named.referencedField,
                           named.referencedTable,
                           named.name};
  const bool allNamed = std::none_of(std::begin(positions), std::end(positions),
                                     [](int position) { return position < 0; });
  return allNamed ? named : For(jet4);
}

std::optional<dao::RelationInfo> CRelationshipAssembler::AddRow(
    std::span<const std::u16string> values, std::vector<SkippedItem>& dropped) {
  const std::u16string* name = ValueAt(values, positions_.name);
  // A new name while the current relationship is short of rows: it stays incomplete.
  if (rows_ > 0 && (name ? *name : std::u16string()) != current_.name)
    Drop("it has fewer rows than field pairs", dropped);

  if (rows_ == 0) current_ = {};
  if (name) current_.name = *name;
  if (const auto* text = ValueAt(values, positions_.count)) {
    const int count = LeadingInteger(*text);
    if (rows_ == 0) {
      count_ = count;
      if (count >= 1 && count <= kMaxFieldPairs) current_.fields.resize(static_cast<size_t>(count));
    }
  }
  ++rows_;
  if (current_.fields.empty()) {
    Drop("its field count " + std::to_string(count_) + " is not one of 1 to " +
             std::to_string(kMaxFieldPairs),
         dropped);
    return std::nullopt;
  }
  if (const auto* text = ValueAt(values, positions_.attributes))
    current_.attributes = LeadingInteger(*text);
  if (const auto* text = ValueAt(values, positions_.referencingTable))
    current_.foreignTable = *text;
  if (const auto* text = ValueAt(values, positions_.referencedTable)) current_.table = *text;
  if (rows_ <= count_) {
    auto& pair = current_.fields[static_cast<size_t>(rows_ - 1)];
    if (const auto* text = ValueAt(values, positions_.referencingField)) pair.foreignName = *text;
    if (const auto* text = ValueAt(values, positions_.referencedField)) pair.name = *text;
  }
  if (rows_ < count_) return std::nullopt;
  rows_ = 0;
  count_ = 0;
  return std::move(current_);
}

void CRelationshipAssembler::Finish(std::vector<SkippedItem>& dropped) {
  if (rows_ > 0) Drop("it has fewer rows than field pairs", dropped);
}

void CRelationshipAssembler::Drop(const std::string& reason, std::vector<SkippedItem>& dropped) {
  // A damaged relationship of several rows is named once.
  if (dropped.empty() || dropped.back().name != current_.name)
    dropped.push_back({current_.name, reason});
  current_ = {};
  rows_ = 0;
  count_ = 0;
}

}  // namespace tarvex::writer
