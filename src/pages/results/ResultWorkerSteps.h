#pragma once
// The steps both result-page workers take alike: the controller check (IC version, then the
// running code), the failure shown in the status box ("Fail, <code>, <message>"), and the
// verdict at the end ("Pass" and a full progress bar when no step failed).
#include <cstdint>

class CColorEdit;
class CMPDevice;
namespace ui {
class CProgressCtrl;
}

// Pause of the workers before the verdict and after the engine object is gone.
inline constexpr std::uint32_t kWorkerPauseMs = 100;
// The points the workers' RDT log reading may add to the progress bar.
inline constexpr int kRdtReadingProgressSpan = 70;

class CResultWorkerSteps {
 public:
  CResultWorkerSteps(CColorEdit& status, ui::CProgressCtrl& progress) : m_status(status), m_progress(progress) {}

  // CheckICVer (a failure shows the code of "I_V01" and "Detect Error Please Re-Plug!!"),
  // progress 10, then ChkRC with the running-code mode; false after a failure.
  bool CheckController(CMPDevice& engine, std::uint8_t runningCodeMode);
  // Shows the engine's failure and marks the run failed; returns false.
  bool Fail(CMPDevice& engine);
  bool Ok() const { return m_ok; }
  // Waits, then shows the verdict of a run without failure.
  void Finish(bool driveDone);

 private:
  void ShowFailure(const char* tag, const char* message);

  CColorEdit& m_status;
  ui::CProgressCtrl& m_progress;
  bool m_ok = true;
};
