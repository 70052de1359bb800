#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/Debug.h"

namespace {

// Captures the debug output while it lives.
class CapturedDebug {
 public:
  CapturedDebug() {
    platform::SetDebugSink([this](std::string_view text) { m_lines.emplace_back(text); });
  }
  ~CapturedDebug() { platform::SetDebugSink({}); }
  const std::vector<std::string>& Lines() const { return m_lines; }

 private:
  std::vector<std::string> m_lines;  // the sink is called under the output lock
};

TEST(Debug, SinkReceivesTheTextAsWritten) {
  CapturedDebug captured;
  platform::DebugOutput("CE:0,CH:1\r\n");
  platform::DebugOutput("no line end");
  ASSERT_EQ(captured.Lines().size(), 2u);
  EXPECT_EQ(captured.Lines()[0], "CE:0,CH:1\r\n");
  EXPECT_EQ(captured.Lines()[1], "no line end");
}

TEST(Debug, DefaultSinkIsSilentWithoutTvDebug) {
  if (std::getenv("TV_DEBUG") != nullptr) GTEST_SKIP() << "TV_DEBUG is set for this run";
  testing::internal::CaptureStderr();
  platform::DebugOutput("should not appear\n");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(Debug, RestoringTheDefaultStopsTheCapture) {
  std::vector<std::string> lines;
  platform::SetDebugSink([&](std::string_view text) { lines.emplace_back(text); });
  platform::DebugOutput("one");
  platform::SetDebugSink({});
  platform::DebugOutput("two");
  EXPECT_EQ(lines, std::vector<std::string>{"one"});
}

TEST(Debug, ASinkMayReplaceItselfAndWriteAgain) {
  std::vector<std::string> lines;
  platform::SetDebugSink([&](std::string_view text) {
    platform::SetDebugSink([&](std::string_view later) { lines.emplace_back("second:" + std::string(later)); });
    lines.emplace_back("first:" + std::string(text));
    platform::DebugOutput("nested");
  });
  platform::DebugOutput("outer");
  platform::SetDebugSink({});
  EXPECT_EQ(lines, (std::vector<std::string>{"first:outer", "second:nested"}));
}

TEST(DebugThreads, LinesFromManyThreadsStayWhole) {
  constexpr int kThreads = 8;
  constexpr int kLines = 300;
  std::string all;  // appended to piecewise: only whole-line serialisation keeps it clean
  platform::SetDebugSink([&](std::string_view text) {
    for (char c : text) all.push_back(c);
  });
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t] {
      const std::string line = "thread " + std::to_string(t) + " writes a whole line\n";
      for (int i = 0; i < kLines; ++i) platform::DebugOutput(line);
    });
  }
  for (auto& thread : threads) thread.join();
  platform::SetDebugSink({});
  std::vector<int> counts(kThreads, 0);
  std::size_t start = 0;
  while (start < all.size()) {
    const std::size_t end = all.find('\n', start);
    ASSERT_NE(end, std::string::npos);
    const std::string line = all.substr(start, end - start);
    int thread = -1;
    char tail[64] = {};
    ASSERT_EQ(std::sscanf(line.c_str(), "thread %d %63[^\n]", &thread, tail), 2) << line;
    ASSERT_EQ(std::string(tail), "writes a whole line") << line;
    ASSERT_GE(thread, 0);
    ASSERT_LT(thread, kThreads);
    ++counts[thread];
    start = end + 1;
  }
  for (int count : counts) EXPECT_EQ(count, kLines);
}

}  // namespace
