#pragma once

// The tool's fixed texts, as the end-to-end tests expect them byte for byte.

#include <string>

namespace velto_test {

inline const std::string banner =
    "Quarnel ver. 1.1\n  Copyright (C) 2026 the Velto developers.\n\n";
inline const std::string usage =
    "Argument Error :\n  How to use... Velto  InputFileName  [/c]\n\n    c : Count colors";
inline const std::string file_header_short = "File Read Error :\n  Fail to read the FileHeader.\n";
inline const std::string info_header_short = "File Read Error :\n  Fail to read the InfoHeader.\n";
inline const std::string reading = "Prease wait now reading the file.\n";
inline const std::string counting = "Prease wait now counting the color.\n";
inline const std::string cannot_count = "Warning :\n Cannot count the color.\n";
inline const std::string no_memory = "Memory Error :\n Not enough memory.\n";
inline const std::string image_short = "File Read Error :\n  Fail to read the Image.\n";

inline std::string open_failed(const std::string& name) {
    return "File Read Error :\n  Fail to open the file. ( " + name + " )\n";
}

} // namespace velto_test
