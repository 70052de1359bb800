#pragma once
// The product information and serial-number range that the legacy slot page shows, from
// .\param.ini and the log folder's serial record.
#include <string>
#include <string_view>
#include <vector>

// The eleven lines of the "Product Informations" list, in order, without their line ends;
// workingNo is the cached work number (empty: [General Info] WorkingNo of param.ini).
std::vector<std::string> ProductInfoLines(std::string_view infoSource, std::string_view workingNo);
// Flh_Capacity in MB as the list shows it: "%d MB" below 1024, else whole GB as "%d GB".
std::string CapacityText(int megabytes);
// "<first 12 characters of last><start> ~ <last 8 characters of last minus 1, 8 digits>";
// without a last serial number: "<start> ~ ".
std::string SerialRangeText(std::string_view start, std::string_view last);
