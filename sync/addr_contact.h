#pragma once
// One company contact as the mail server hands it out, and the ordered list
// a run passes to a writer. Fields are copied from the answer unchanged.

#include <cstddef>
#include <initializer_list>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "common/utf_convert.h"

struct AddrContact {
  std::u16string Name;
  std::u16string EMail;

  bool operator==(const AddrContact&) const = default;
};

// Keeps the server's order and its duplicates. The texts stay in UTF-8,
// the form the answer arrives in and Foxmail 7 stores, all in one buffer:
// NameUtf8/EMailUtf8 read them as they are, while a contact taken whole
// (by index or by iterating) comes decoded to UTF-16, the form Outlook and
// the address book want. Contacts added as UTF-16 are stored as their
// UTF-8 (an unpaired surrogate becomes U+FFFD).
class AddrContactList {
 public:
  class const_iterator {
   public:
    using iterator_category = std::input_iterator_tag;
    using value_type = AddrContact;
    using difference_type = std::ptrdiff_t;
    using reference = const AddrContact;
    using pointer = void;

    const_iterator() = default;
    const AddrContact operator*() const { return (*list_)[index_]; }
    const_iterator& operator++() {
      ++index_;
      return *this;
    }
    const_iterator operator++(int) { return {list_, index_++}; }
    bool operator==(const const_iterator&) const = default;

   private:
    friend class AddrContactList;
    const_iterator(const AddrContactList* list, std::size_t index) : list_(list), index_(index) {}
    const AddrContactList* list_ = nullptr;
    std::size_t index_ = 0;
  };
  using iterator = const_iterator;
  using value_type = AddrContact;
  using size_type = std::size_t;

  AddrContactList() = default;
  AddrContactList(std::initializer_list<AddrContact> contacts) {
    for (const AddrContact& contact : contacts) push_back(contact);
  }
  explicit AddrContactList(std::size_t count, const AddrContact& contact = {}) {
    reserve(count);
    for (std::size_t i = 0; i < count; ++i) push_back(contact);
  }

  std::size_t size() const { return ends_.size(); }
  bool empty() const { return ends_.empty(); }
  void reserve(std::size_t count) { ends_.reserve(count); }
  // Room for `count` contacts whose texts take `textBytes` together.
  void reserve(std::size_t count, std::size_t textBytes) {
    ends_.reserve(count);
    texts_.reserve(textBytes);
  }

  void push_back(const AddrContact& contact) {
    AppendUtf8(Utf16ToUtf8(contact.Name), Utf16ToUtf8(contact.EMail));
  }
  // Both texts must be well-formed UTF-8 (RepairUtf8).
  void AppendUtf8(std::string_view name, std::string_view email) {
    texts_.append(name);
    const std::size_t nameEnd = texts_.size();
    texts_.append(email);
    ends_.push_back({nameEnd, texts_.size()});
  }

  std::string_view NameUtf8(std::size_t index) const {
    return Text(index == 0 ? 0 : ends_[index - 1].email, ends_[index].name);
  }
  std::string_view EMailUtf8(std::size_t index) const {
    return Text(ends_[index].name, ends_[index].email);
  }

  // A decoded copy, const so that `list[i].EMail = ...` does not compile:
  // it would change only the copy. A changed list is built with push_back.
  const AddrContact operator[](std::size_t index) const {
    return {Utf8ToUtf16(NameUtf8(index)), Utf8ToUtf16(EMailUtf8(index))};
  }
  const AddrContact front() const { return (*this)[0]; }
  const AddrContact back() const { return (*this)[size() - 1]; }
  const_iterator begin() const { return {this, 0}; }
  const_iterator end() const { return {this, size()}; }

  bool operator==(const AddrContactList&) const = default;

 private:
  // Where a contact's name and address end in texts_; each starts where the
  // text before it ends.
  struct Ends {
    std::size_t name;
    std::size_t email;
    bool operator==(const Ends&) const = default;
  };

  std::string_view Text(std::size_t from, std::size_t to) const {
    return std::string_view(texts_).substr(from, to - from);
  }

  std::string texts_;
  std::vector<Ends> ends_;
};
