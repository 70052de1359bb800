#pragma once
// Texts of a slot's status cell. Fields are separated by "*"; long model and serial texts are
// split by "*" after every ten characters so that they fit the cell.
#include <string>
#include <string_view>

// "ABCDEFGHIJKLMNOPQRSTUVW" -> "ABCDEFGHIJ*KLMNOPQRST*UVW"; a text of ten characters or fewer
// comes back unchanged.
std::string SplitEveryTenCharacters(std::string_view text);

// The bracket part of a message: from its first "[" to the first "]" at or after it,
// both included; empty when the message has no such pair.
std::string BracketPart(std::string_view message);
