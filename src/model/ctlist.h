#pragma once
// CTList<T>: an owning singly linked list whose elements carry their own `next`
// link. Elements belong to one list at a time; the list deletes them.
#include <cstdint>

namespace tarvex::model {

template <typename T>
class CTList {
 public:
  CTList() = default;
  CTList(const CTList&) = delete;
  CTList& operator=(const CTList&) = delete;
  ~CTList() { Clear(); }

  // Takes ownership of `element` and links it at the tail.
  void Append(T* element) {
    element->next = nullptr;
    if (tail_) {
      tail_->next = element;
    } else {
      head_ = element;
    }
    tail_ = element;
    ++count_;
  }

  // Unlinks the head and hands it to the caller (with a cleared link); null when empty.
  T* TakeHead() {
    T* element = head_;
    if (!element) return nullptr;
    head_ = element->next;
    if (!head_) tail_ = nullptr;
    element->next = nullptr;
    --count_;
    return element;
  }

  // Deletes every element, iteratively so that long lists cannot exhaust the stack.
  void Clear() {
    while (T* element = TakeHead()) delete element;
  }

  T* head() const { return head_; }
  T* tail() const { return tail_; }
  int32_t count() const { return count_; }
  bool empty() const { return count_ == 0; }

 private:
  T* head_ = nullptr;
  T* tail_ = nullptr;
  int32_t count_ = 0;
};

}  // namespace tarvex::model
