#pragma once
// CSecondPropertyPage: the summary page of the legacy page's family. It shows how many cards
// failed and passed, with rates, and how often each error code occurred, from the station's
// summary log "_Summary.log", and the header fields of the MP firmware image that param.ini
// names. The application does not add it to its sheet; CreateObject makes one.
#include <memory>
#include <string>

#include "controls/ReportListCtrl.h"
#include "ui/ComboBox.h"
#include "ui/Edit.h"
#include "ui/Font.h"
#include "ui/PropertyPage.h"

class CSecondPropertyPage : public ui::CPropertyPage {
 public:
  static constexpr const char* kRuntimeClassName = "CSecondPropertyPage";

  CSecondPropertyPage();
  static std::unique_ptr<CSecondPropertyPage> CreateObject();

  bool OnInitDialog() override;
  bool OnCommand(int id, int code) override;
  bool PreTranslateMessage(const ui::KeyMessage& message) override;
  void DoDataExchange(ui::CDataExchange* exchange) override;

  // Rebuilds both lists from the summary log.
  void OnGenerate();
  // Shows or hides the choice of another summary spreadsheet.
  void OnGenerateAnother();
  // Writes m_strSaveText into "<summary folder>\<prefix>_Summary.log".
  void OnSaveAsText();
  // Appends text at the end of an existing file: 0 on success, 1 when it cannot be opened or
  // written.
  static int AppendTextToFile(std::string path, std::string text);
  // Fills the firmware-header panel.
  void ShowBinHeaderInfo();
  // Appends text and "\n" to the edit, or empties it when clear is set.
  void AppendEditLine(ui::CEdit& edit, std::string text, bool clear);

  CReportListCtrl m_listErrorCodes;
  CReportListCtrl m_listCardTotals;
  // The log folder (without a trailing "\"): Save as Text file and the spreadsheet search
  // work there.
  std::string m_strSummaryFolder;
  std::string m_strSummaryLog;
  ui::CEdit m_editHeaderInfo;
  // What Save as Text file writes (the card totals and error codes as the lists show them) and
  // the prefix of its file name.
  std::string m_strSaveText;
  std::string m_strSavePrefix = "Text";
  ui::CComboBox m_comboSummaryFiles;
  int m_bGenerateAnother = 0;
  std::uint8_t m_bIsTV3160 = 0;
  int m_nStationIndex = 0;

 private:
  void SetShown(std::initializer_list<int> ids, bool shown);
  ui::CFont m_headerFont;
};
