#pragma once
// Writes a key of one of the station's settings files (".\\param.ini"); the test fails where
// the key cannot be written.
#include <gtest/gtest.h>

#include <string>

#include "platform/Profile.h"

namespace testsupport {

inline void SetKey(const char* file, const char* section, const char* key, const std::string& value) {
  ASSERT_TRUE(platform::WriteProfileString(file, section, key, value));
}

}  // namespace testsupport
