#pragma once
// The items of a combo box or list box: texts with a data value each, a current selection and
// a serial that changes whenever items are removed, inserted before the end or reordered
// (appends leave it alone, so the front end can add just the new rows). Not locked itself:
// the owning control holds its lock around every call.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ui {

class ItemList {
 public:
  struct Item {
    std::string text;
    std::uintptr_t data = 0;
  };

  int Count() const { return static_cast<int>(m_items.size()); }
  bool Valid(int index) const { return index >= 0 && index < Count(); }
  // Appends the text, or with sorted set inserts it at its place in text order (ASCII case
  // ignored; equal texts keep their order of arrival). Returns the new index.
  int Add(std::string_view text, bool sorted);
  // Inserts at index (-1 or Count(): at the end); -1 when the index is out of range.
  int Insert(int index, std::string_view text);
  // Removes the item; returns the number left, or -1 when the index is out of range.
  int Remove(int index);
  void Clear();
  const Item* At(int index) const { return Valid(index) ? &m_items[static_cast<std::size_t>(index)] : nullptr; }
  bool SetData(int index, std::uintptr_t data);
  // First item from start + 1 (wrapping) whose text equals the text (exact) or begins with
  // it, ASCII case ignored; -1 when there is none.
  int Find(int start, std::string_view text, bool exact) const;

  int Selection() const { return m_selection; }
  // Sets the selection (-1 clears); false when the index is out of range (selection cleared).
  bool Select(int index);

  std::uint64_t StructureSerial() const { return m_structureSerial; }
  std::vector<std::string> Texts(int first, int count) const;

 private:
  std::vector<Item> m_items;
  int m_selection = -1;
  std::uint64_t m_structureSerial = 0;
};

}  // namespace ui
