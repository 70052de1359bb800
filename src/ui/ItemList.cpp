#include "ui/ItemList.h"

#include <algorithm>

#include "platform/Text.h"

namespace ui {
namespace {
int CompareNoCase(std::string_view a, std::string_view b) {
  const std::string upperA = platform::ToUpper(a);
  const std::string upperB = platform::ToUpper(b);
  return upperA.compare(upperB);
}
}  // namespace

int ItemList::Add(std::string_view text, bool sorted) {
  if (!sorted) {
    m_items.push_back(Item{std::string(text), 0});
    return Count() - 1;
  }
  auto place = std::upper_bound(m_items.begin(), m_items.end(), text,
                                [](std::string_view value, const Item& item) { return CompareNoCase(value, item.text) < 0; });
  const int index = static_cast<int>(place - m_items.begin());
  if (index == Count()) {
    m_items.push_back(Item{std::string(text), 0});
  } else {
    Insert(index, text);
  }
  return index;
}

int ItemList::Insert(int index, std::string_view text) {
  if (index == -1) index = Count();
  if (index < 0 || index > Count()) return -1;
  m_items.insert(m_items.begin() + index, Item{std::string(text), 0});
  if (index < Count() - 1) {
    ++m_structureSerial;
    if (m_selection >= index) ++m_selection;
  }
  return index;
}

int ItemList::Remove(int index) {
  if (!Valid(index)) return -1;
  m_items.erase(m_items.begin() + index);
  ++m_structureSerial;
  if (m_selection == index) {
    m_selection = -1;
  } else if (m_selection > index) {
    --m_selection;
  }
  return Count();
}

void ItemList::Clear() {
  m_items.clear();
  m_selection = -1;
  ++m_structureSerial;
}

bool ItemList::SetData(int index, std::uintptr_t data) {
  if (!Valid(index)) return false;
  m_items[static_cast<std::size_t>(index)].data = data;
  return true;
}

int ItemList::Find(int start, std::string_view text, bool exact) const {
  const int count = Count();
  for (int step = 1; step <= count; ++step) {
    const int index = ((start < 0 ? -1 : start) + step) % count;
    const std::string& item = m_items[static_cast<std::size_t>(index)].text;
    if (exact ? platform::EqualsNoCase(item, text) : platform::StartsWithNoCase(item, text)) return index;
  }
  return -1;
}

bool ItemList::Select(int index) {
  if (index != -1 && !Valid(index)) {
    m_selection = -1;
    return false;
  }
  m_selection = index;
  return true;
}

std::vector<std::string> ItemList::Texts(int first, int count) const {
  std::vector<std::string> texts;
  for (int index = std::max(first, 0); index < Count() && index < first + count; ++index) {
    texts.push_back(m_items[static_cast<std::size_t>(index)].text);
  }
  return texts;
}

}  // namespace ui
