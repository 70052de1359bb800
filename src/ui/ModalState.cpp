#include "ui/ModalState.h"

#include "ui/Dispatcher.h"

namespace ui {

void ModalState::Reset() {
  std::lock_guard<std::mutex> guard(m_mutex);
  m_ended = false;
  m_result = 0;
}

void ModalState::End(int result) {
  {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_ended = true;
    m_result = result;
  }
  if (Dispatcher* dispatcher = Dispatcher::Current()) dispatcher->Wake();
}

bool ModalState::IsEnded() const {
  std::lock_guard<std::mutex> guard(m_mutex);
  return m_ended;
}

int ModalState::Result() const {
  std::lock_guard<std::mutex> guard(m_mutex);
  return m_result;
}

bool RunModalOnUiThread(const std::function<std::intptr_t()>& doModal, std::intptr_t& result) {
  Dispatcher* dispatcher = Dispatcher::Current();
  if (!dispatcher || dispatcher->IsUiThread()) return false;
  result = -1;
  dispatcher->Send([&] { result = doModal(); });
  return true;
}

}  // namespace ui
