#pragma once
// Texts that the run writes into INI files (slot logs, results list, fail-serial record) come
// from drives and steps: a serial number, an error tag or a message could carry a line break,
// and a key could carry "=". Either would break the file's lines or be refused by the profile
// writer, so they are replaced by "_".
#include <string>
#include <string_view>

// CR and LF replaced by "_".
std::string IniValueText(std::string_view text);
// CR, LF and "=" replaced by "_".
std::string IniKeyText(std::string_view text);
