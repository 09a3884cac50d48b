#include "cli/driver.h"

#include "bitmap/headers.h"
#include "bitmap/report.h"
#include "cli/file.h"
#include "colors/count.h"

namespace velto {

bool is_count_option(const char* argument) {
    // The second character is looked at only when the first is a switch character,
    // so an empty argument is never read past its end.
    return (argument[0] == '/' || argument[0] == '-') && (argument[1] == 'c' || argument[1] == 'C');
}

ExitStatus run_velto(int argc, const char* const* argv, const Console& console) {
    std::fputs("Quarnel ver. 1.1\n  Copyright (C) 2026 the Velto developers.\n\n",
               err_stream(console));
    if (argc < 2) {
        std::fputs(
            "Argument Error :\n  How to use... Velto  InputFileName  [/c]\n\n    c : Count colors",
            err_stream(console));
        return ExitStatus::no_file_name;
    }
    const char* const name = argv[1];

    BitmapHeaders headers;
    {
        const File file = open_for_reading(name);
        if (!file) {
            std::fprintf(err_stream(console),
                         "File Read Error :\n  Fail to open the file. ( %s )\n", name);
            return ExitStatus::open_failed;
        }
        switch (read_bitmap_headers(file.get(), headers)) {
        case HeaderRead::file_header_short:
            std::fputs("File Read Error :\n  Fail to read the FileHeader.\n", err_stream(console));
            return ExitStatus::file_header_short;
        case HeaderRead::info_header_short:
            std::fputs("File Read Error :\n  Fail to read the InfoHeader.\n", err_stream(console));
            return ExitStatus::info_header_short;
        case HeaderRead::ok:
            break;
        }
    }

    if (!report_bitmap(name, headers, console)) {
        return ExitStatus::rejected;
    }
    if (argc >= 3 && is_count_option(argv[2])) {
        return count_colors(name, headers, console);
    }
    return ExitStatus::ok;
}

} // namespace velto
