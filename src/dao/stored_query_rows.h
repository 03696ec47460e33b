#pragma once
// The rows a saved query had in the file it comes from, offered beside its
// SQL. SQL has no words for some of what those rows hold (the first row's
// flag, whether a select keeps a type row or an options row without options,
// rows of codes no statement writes), so a query whose stored rows say what
// its SQL says keeps them as they were.
#include <string>
#include <vector>

#include "dao/saved_query_rows.h"

namespace tarvex::dao {

// Sorts rows in the order Access numbers them: by attribute, then Order.
void SortAsNumbered(std::vector<SavedQueryRow>& rows);

// Why the stored rows, sorted so, cannot stand for the rows read from the
// SQL; empty when they can. They can when they are whole (one first and one
// last row, each attribute numbered 1, 2, …) and, apart from the rows SQL has
// no words for, equal the rows read from the SQL field by field.
std::string StoredRowsMismatch(const SavedQuery& parsed, const std::vector<SavedQueryRow>& stored);

}  // namespace tarvex::dao
