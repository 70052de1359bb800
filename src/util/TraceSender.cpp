#include "util/TraceSender.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <mutex>

#include "platform/Text.h"

namespace util {

namespace {

struct Viewer {
  std::mutex lock;
  std::string windowClass = kTraceViewerClass;
  std::string title = kTraceViewerTitle;
};

Viewer& TheViewer() {
  static Viewer viewer;
  return viewer;
}

std::string CurrentSocketName() {
  Viewer& viewer = TheViewer();
  std::lock_guard<std::mutex> guard(viewer.lock);
  return TraceViewerSocketName(viewer.windowClass, viewer.title);
}

void PutLittleEndian(std::uint32_t value, char* bytes) {
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

// UTF-32 (wchar_t on Linux) as UTF-8; code points that are not characters become "?".
std::string WideToUtf8(const wchar_t* text) {
  std::string utf8;
  for (; *text != L'\0'; ++text) {
    const auto code = static_cast<std::uint32_t>(*text);
    if (code < 0x80) {
      utf8 += static_cast<char>(code);
    } else if (code < 0x800) {
      utf8 += static_cast<char>(0xC0 | (code >> 6));
      utf8 += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000 && (code < 0xD800 || code > 0xDFFF)) {
      utf8 += static_cast<char>(0xE0 | (code >> 12));
      utf8 += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      utf8 += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code >= 0x10000 && code <= 0x10FFFF) {
      utf8 += static_cast<char>(0xF0 | (code >> 18));
      utf8 += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      utf8 += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      utf8 += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      utf8 += '?';
    }
  }
  return utf8;
}

// Sends the record to the viewer's socket without waiting: no viewer, or one whose queue is
// full, costs one failed call.
void Deliver(std::string_view text) {
  const std::string record = EncodeTraceRecord(text);
  const std::string name = CurrentSocketName();
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::size_t nameLength = std::min(name.size(), sizeof address.sun_path - 1);
  std::memcpy(address.sun_path + 1, name.data(), nameLength);  // sun_path[0] = 0: abstract
  const auto addressLength = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + nameLength);
  const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return;
  ::sendto(fd, record.data(), record.size(), MSG_DONTWAIT | MSG_NOSIGNAL,
           reinterpret_cast<const sockaddr*>(&address), addressLength);
  ::close(fd);
}

}  // namespace

std::string TraceViewerSocketName(std::string_view windowClass, std::string_view title) {
  std::string name(windowClass);
  name += '/';
  name += title;
  name += '/';
  name += std::to_string(static_cast<unsigned long>(::getuid()));
  return name;
}

void SetTraceViewer(std::string windowClass, std::string title) {
  Viewer& viewer = TheViewer();
  std::lock_guard<std::mutex> guard(viewer.lock);
  viewer.windowClass = std::move(windowClass);
  viewer.title = std::move(title);
}

std::string EncodeTraceRecord(std::string_view text) {
  char buffer[kTraceBufferSize] = {};  // zeroed: nothing of the caller's stack travels
  std::memcpy(buffer, text.data(), std::min<std::size_t>(text.size(), kTraceByteCount));
  std::string record(8, '\0');
  PutLittleEndian(0, record.data());
  PutLittleEndian(kTraceByteCount, record.data() + 4);
  record.append(buffer, kTraceByteCount);
  return record;
}

void SendTrace(std::uint32_t number) { Deliver(platform::Format("0x%x", number)); }

void SendTrace(const char* text) { Deliver(text != nullptr ? std::string_view(text) : std::string_view("(null)")); }

void SendTrace(const wchar_t* text) {
  Deliver(text != nullptr ? platform::Utf8ToCp950(WideToUtf8(text)) : std::string("(null)"));
}

void SendTrace(const std::string& text) { Deliver(text); }

void SendTrace(std::string_view text) { Deliver(text); }

}  // namespace util
