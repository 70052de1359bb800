#pragma once
// The end of a modal run (a dialog's or a sheet's): set by EndDialog from any thread, watched
// by the loop that runs the window; ending wakes that loop.
#include <cstdint>
#include <functional>
#include <mutex>

namespace ui {

class ModalState {
 public:
  void Reset();
  void End(int result);
  bool IsEnded() const;
  int Result() const;

 private:
  mutable std::mutex m_mutex;
  bool m_ended = false;
  int m_result = 0;
};

// DoModal asked for on another thread runs on the user-interface thread while the caller
// waits; returns true and the result when it was passed there, false when the caller is
// already on that thread (or there is no dispatcher) and runs the window itself.
bool RunModalOnUiThread(const std::function<std::intptr_t()>& doModal, std::intptr_t& result);

}  // namespace ui
