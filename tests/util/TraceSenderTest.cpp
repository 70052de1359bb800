// Trace senders: the record a viewer receives for each form (byte count always 255, the rest
// of the buffer zero, long texts cut), nothing happens without a viewer, and a viewer that
// never reads does not hold the sender up.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <optional>
#include <string>

#include "util/TraceSender.h"

namespace {

// A stand-in trace viewer: a datagram socket bound to the name of a window with a title of
// its own, so that test processes running side by side do not meet.
class FakeViewer {
 public:
  FakeViewer() : m_title("TRACE Window test " + std::to_string(::getpid())) {
    m_fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const std::string name = util::TraceViewerSocketName(util::kTraceViewerClass, m_title);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path + 1, name.data(), name.size());
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
    m_bound = m_fd >= 0 && ::bind(m_fd, reinterpret_cast<const sockaddr*>(&address), length) == 0;
    util::SetTraceViewer(util::kTraceViewerClass, m_title);
  }
  ~FakeViewer() {
    util::SetTraceViewer(util::kTraceViewerClass, util::kTraceViewerTitle);
    if (m_fd >= 0) ::close(m_fd);
  }
  bool Bound() const { return m_bound; }
  // The next record already delivered, if any (a datagram is queued when sendto returns).
  std::optional<std::string> Take() {
    char buffer[1024];
    const ssize_t got = ::recv(m_fd, buffer, sizeof buffer, MSG_DONTWAIT);
    if (got < 0) return std::nullopt;
    return std::string(buffer, static_cast<std::size_t>(got));
  }

 private:
  std::string m_title;
  int m_fd = -1;
  bool m_bound = false;
};

std::string Header() { return std::string("\0\0\0\0\xFF\0\0\0", 8); }

// The record of a text: header, the text, zeros up to 255 bytes.
std::string Expected(const std::string& text) { return Header() + text + std::string(255 - text.size(), '\0'); }

TEST(TraceSender, ViewerSocketIsNamedAfterWindowClassTitleAndUser) {
  EXPECT_EQ(util::TraceViewerSocketName("TMainFrame", "TRACE Window"),
            "TMainFrame/TRACE Window/" + std::to_string(::getuid()));
}

TEST(TraceSender, EveryFormSendsOneZeroPaddedRecordOf255Bytes) {
  FakeViewer viewer;
  ASSERT_TRUE(viewer.Bound());

  util::SendTrace(std::uint32_t{255});
  EXPECT_EQ(viewer.Take(), Expected("0xff"));
  util::SendTrace(std::uint32_t{0xDEADBEEF});
  EXPECT_EQ(viewer.Take(), Expected("0xdeadbeef"));
  util::SendTrace("Slot 3 started");
  EXPECT_EQ(viewer.Take(), Expected("Slot 3 started"));
  const std::string owned = "by reference";
  util::SendTrace(owned);
  EXPECT_EQ(viewer.Take(), Expected("by reference"));
  util::SendTrace(std::string_view("by value"));
  EXPECT_EQ(viewer.Take(), Expected("by value"));
  // Wide text arrives in code page 950: the CJK character U+6E2C is B4 FA there.
  util::SendTrace(L"wide \u6E2C");
  EXPECT_EQ(viewer.Take(), Expected("wide \xB4\xFA"));
  EXPECT_EQ(viewer.Take(), std::nullopt);
}

TEST(TraceSender, LongTextsAreCutTo255Bytes) {
  FakeViewer viewer;
  ASSERT_TRUE(viewer.Bound());
  const std::string exact(255, 'x');
  util::SendTrace(exact);  // arrives without its terminating zero
  EXPECT_EQ(viewer.Take(), Header() + exact);
  util::SendTrace(std::string(400, 'y'));
  EXPECT_EQ(viewer.Take(), Header() + std::string(255, 'y'));
  EXPECT_EQ(util::EncodeTraceRecord("").size(), util::kTraceRecordSize);
}

TEST(TraceSender, OnlyTheViewerOfThatClassAndTitleHears) {
  FakeViewer viewer;
  ASSERT_TRUE(viewer.Bound());
  // Another title: no such window, the call returns and the viewer hears nothing.
  util::SetTraceViewer(util::kTraceViewerClass, "no such viewer " + std::to_string(::getpid()));
  util::SendTrace("nobody listens");
  EXPECT_EQ(viewer.Take(), std::nullopt);
  util::SetTraceViewer("TOtherFrame", "TRACE Window test " + std::to_string(::getpid()));
  util::SendTrace("nobody listens");
  EXPECT_EQ(viewer.Take(), std::nullopt);
}

TEST(TraceSender, ViewerThatNeverReadsDoesNotBlockTheSender) {
  FakeViewer viewer;
  ASSERT_TRUE(viewer.Bound());
  // Far more records than a datagram queue holds: the sender must drop them, not wait.
  for (int i = 0; i < 5000; ++i) util::SendTrace(static_cast<std::uint32_t>(i));
  EXPECT_EQ(viewer.Take(), Expected("0x0"));  // the first ones were queued
}

}  // namespace
