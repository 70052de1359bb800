#pragma once
// SendTrace: one line of diagnostic text to a separate trace viewer, if one runs.
//
// The viewer is found by its window class and title ("TMainFrame", "TRACE Window"): here it
// listens on a local datagram socket in the abstract namespace named after them and the user
// ("<class>/<title>/<uid>", see TraceViewerSocketName). Each call sends one record:
//   identifier  4 bytes, little-endian: 0
//   byte count  4 bytes, little-endian: 255
//   text        255 bytes: the text, cut to 255 characters, then zeros
// So a text of exactly 255 characters arrives without its terminating zero. Without a
// viewer the call returns at once and does nothing else; a viewer that does not read (its
// queue full) never holds the caller up: that record is dropped.
#include <cstdint>
#include <string>
#include <string_view>

namespace util {

inline constexpr char kTraceViewerClass[] = "TMainFrame";
inline constexpr char kTraceViewerTitle[] = "TRACE Window";
inline constexpr std::size_t kTraceBufferSize = 256;
inline constexpr std::uint32_t kTraceByteCount = 255;
inline constexpr std::size_t kTraceRecordSize = 8 + kTraceByteCount;

// The abstract socket name (without its leading zero byte) of the viewer window with this
// class and title, for the calling user.
std::string TraceViewerSocketName(std::string_view windowClass, std::string_view title);

// Which viewer the senders look for; the default is the trace viewer's class and title.
// Any thread.
void SetTraceViewer(std::string windowClass, std::string title);

// The record of one text: the text cut to 255 bytes in a zeroed 256-byte buffer, of which
// the first 255 bytes travel.
std::string EncodeTraceRecord(std::string_view text);

void SendTrace(std::uint32_t number);         // "0x%x"
void SendTrace(const char* text);             // "%s"
void SendTrace(const wchar_t* text);          // "%ls", in code page 950
void SendTrace(const std::string& text);      // unchanged
void SendTrace(std::string_view text);        // unchanged

}  // namespace util
