#pragma once
// One saved-query entry of the catalogue: an MSysObjects row whose Type is 5.
#include <string>

namespace tarvex::model {

struct CQuerySysObject {
  virtual ~CQuerySysObject() = default;

  CQuerySysObject* next = nullptr;
  std::u16string name;   // the row's Name
  std::u16string id;     // its Id as decimal text, written as MSysQueries writes ObjectId
  std::u16string flags;  // its Flags as decimal text: the query kind
};

}  // namespace tarvex::model
