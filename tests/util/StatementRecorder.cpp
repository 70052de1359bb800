#include "StatementRecorder.h"

namespace testsupport {

namespace {

class RecordedSet : public util::SheetRecordset {
 public:
  explicit RecordedSet(const StatementRecorder::Table& table) : m_table(table) {}
  std::vector<std::string> FieldNames() const override { return m_table.fields; }
  Fetch Next(std::vector<std::string>& values) override {
    if (m_next == m_table.failAtRow) return Fetch::Error;
    if (m_next >= static_cast<int>(m_table.rows.size())) return Fetch::End;
    values = m_table.rows[static_cast<std::size_t>(m_next++)];
    return Fetch::Row;
  }

 private:
  StatementRecorder::Table m_table;
  int m_next = 0;
};

class RecordingDatabase : public util::SheetDatabase {
 public:
  explicit RecordingDatabase(StatementRecorder& recorder) : m_recorder(recorder) {}

  std::optional<std::vector<std::string>> InstalledDrivers() override { return m_recorder.drivers; }
  std::string DriverLibrary(const std::string& driver) override {
    const auto found = m_recorder.driverLibraries.find(driver);
    return found == m_recorder.driverLibraries.end() ? std::string() : found->second;
  }
  bool Open(const std::string& connect) override {
    m_recorder.log.push_back("OPEN " + connect);
    if (!m_recorder.connectFailure.empty()) {
      m_error = m_recorder.connectFailure;
      return false;
    }
    m_open = true;
    return true;
  }
  void Close() override {
    if (!m_open) return;
    m_recorder.log.push_back("CLOSE");
    m_open = false;
  }
  bool Execute(const std::string& sql) override {
    m_recorder.log.push_back("EXEC " + sql);
    return Check(sql);
  }
  std::unique_ptr<util::SheetRecordset> Query(const std::string& sql) override {
    m_recorder.log.push_back("QUERY " + sql);
    if (!Check(sql)) return nullptr;
    const auto found = m_recorder.tables.find(sql);
    if (found == m_recorder.tables.end()) {
      m_error = "no such table\n";
      return nullptr;
    }
    return std::make_unique<RecordedSet>(found->second);
  }
  std::string LastError() const override { return m_error; }

 private:
  bool Check(const std::string& sql) {
    if (!m_open) {
      m_error = "not open\n";
      return false;
    }
    for (const auto& [prefix, text] : m_recorder.statementFailures) {
      if (sql.compare(0, prefix.size(), prefix) == 0) {
        m_error = text;
        return false;
      }
    }
    return true;
  }

  StatementRecorder& m_recorder;
  bool m_open = false;
  std::string m_error;
};

}  // namespace

util::SheetDatabaseFactory StatementRecorder::Factory() {
  return [this] { return std::make_unique<RecordingDatabase>(*this); };
}

std::vector<std::string> StatementRecorder::Take() {
  std::vector<std::string> taken;
  taken.swap(log);
  return taken;
}

}  // namespace testsupport
