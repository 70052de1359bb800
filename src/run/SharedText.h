#pragma once
// CSharedText: a text that one thread sets and others read, each read a whole copy. The run's
// path texts (work-order file, work folder, work number) and the per-port result texts are
// written by the page's thread or a slot's worker and read by the others while a pass runs.
#include <mutex>
#include <string>
#include <string_view>

class CSharedText {
 public:
  CSharedText() = default;
  explicit CSharedText(std::string_view text) : m_text(text) {}
  CSharedText(const CSharedText&) = delete;
  CSharedText& operator=(const CSharedText&) = delete;

  void Set(std::string_view text) {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_text.assign(text);
  }
  std::string Get() const {
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_text;
  }
  bool Empty() const {
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_text.empty();
  }
  CSharedText& operator=(std::string_view text) {
    Set(text);
    return *this;
  }
  operator std::string() const { return Get(); }

 private:
  mutable std::mutex m_mutex;
  std::string m_text;
};
