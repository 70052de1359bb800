#pragma once
// CResultMessageDlg: one slot's report while it grows. A worker thread watches the report file
// and appends its new lines to the list; "Open the File folder" hands the report folder to the
// shell; Close (or Escape, or Space at the RDTResult station) stops the worker and ends the
// dialog.
#include <atomic>
#include <cstdint>
#include <string>

#include "platform/Thread.h"
#include "ui/Dialog.h"
#include "ui/Keyboard.h"
#include "ui/ListBox.h"

class CResultMessageDlg : public ui::CDialog {
 public:
  static constexpr std::uint32_t kWatchPeriodMs = 100;
  static constexpr int kScrollExtent = 1500;
  static constexpr std::size_t kReadPiece = 254;  // characters per read of a line

  explicit CResultMessageDlg(ui::CWnd* parent = nullptr);
  ~CResultMessageDlg() override;

  bool OnInitDialog() override;
  void OnCancel() override;
  bool OnCommand(int id, int code) override;
  bool PreTranslateMessage(const ui::KeyMessage& message) override;
  void DoDataExchange(ui::CDataExchange* exchange) override;
  void OnDestroy() override;

  void OnOpenFolder();
  void OnSpaceKey();
  // The Open button's caption from the caption file (section "Result Dialog"); shown on the
  // button when apply is set.
  std::string GetCaption(int controlId, bool apply);

  // One pass of the worker: reloads the file when it changed since the last pass.
  void WatchOnce();

  ui::CListBox& List() { return m_List; }

  int m_Slot = 0;
  std::string m_ReportFile;
  std::string m_ReportFolder;
  int m_ClosedByKey = 0;

 private:
  // The file's identity when it was last loaded: last-write time and size.
  struct FileStamp {
    std::int64_t seconds = 0;
    std::int64_t nanoseconds = 0;
    std::uintmax_t size = 0;
    bool operator==(const FileStamp&) const = default;
  };
  void StopWatcher(bool pumpWhileWaiting);

  ui::CListBox m_List;
  platform::Thread m_Watcher;
  std::atomic<bool> m_WatcherDone{false};
  std::atomic<bool> m_Stop{false};
  ui::AcceleratorTable m_Accelerators;
  bool m_HasStamp = false;
  FileStamp m_LastStamp;
};
