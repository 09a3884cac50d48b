// The built tool, run on files written here, against its exact output and status.
#include "bmp_writer.h"
#include "messages.h"
#include "run_tool.h"

#include <gtest/gtest.h>

#include <bitset>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace {

using bmpgen::BmpSpec;
using Bytes = std::vector<std::uint8_t>;

using namespace velto_test; // the expected messages

// The expected report, field by field as printed. The defaults are those of the
// default 2 × 2 fixture.
struct Report {
    std::string name = "pic.bmp";
    std::string size = "     70";
    std::string width = "      2";
    std::string height = "      2";
    std::string planes = "      1";
    std::string bits = "     24";
    std::string compression = "BI_RGB";
    std::string image_size = "     16";
    std::string direction = "Bottom-Up Bitmap";
    std::string x_dpi = "     72";
    std::string x_ppm = "2835";
    std::string y_dpi = "     72";
    std::string y_ppm = "2835";
};

std::string text(const Report& r) {
    return "\nFile Name    : " + r.name + "\nFile Size    : " + r.size +
           " Byte.\nImage Width  : " + r.width + " Pixels.\nImage Height : " + r.height +
           " Pixels.\nColor Planes : " + r.planes + " Planes.\nColor Bits   : " + r.bits +
           " bit.\nCompression  : " + r.compression + "\nImage Size   : " + r.image_size +
           " Byte.\nDirection    : " + r.direction + "\nX-Resolution : " + r.x_dpi + " DPI (" +
           r.x_ppm + " Pixels/Meter).\nY-Resolution : " + r.y_dpi + " DPI (" + r.y_ppm +
           " Pixels/Meter).\n\n";
}

std::string used(const std::string& count) {
    return "Used Color   : " + count + ".\n";
}

// Three pixels of one color and one of another.
const Bytes two_colors = {10, 20, 30, 10, 20, 30, 10, 20, 30, 10, 20, 31};
const Bytes one_color = {7, 8, 9, 7, 8, 9, 7, 8, 9, 7, 8, 9};

BmpSpec spec_with(void (*edit)(BmpSpec&)) {
    BmpSpec spec;
    edit(spec);
    return spec;
}

Bytes image(const BmpSpec& spec, const Bytes& pixels = two_colors) {
    return bmpgen::bmp_file(spec, pixels);
}

Bytes claim(const BmpSpec& spec) {
    return bmpgen::bmp_headers(spec);
}

Bytes cut(Bytes bytes, std::size_t size) {
    bytes.resize(size);
    return bytes;
}

struct Case {
    const char* label;
    std::optional<Bytes> file; // written as pic.bmp; none for a missing file
    std::vector<std::string> args;
    int status;
    std::string out;
    std::string err; // after the banner
};

std::ostream& operator<<(std::ostream& os, const Case& c) {
    return os << c.label;
}

const std::vector<std::string> count = {"pic.bmp", "/c"};
const std::vector<std::string> report_only = {"pic.bmp"};

Report with(void (*edit)(Report&)) {
    Report r;
    edit(r);
    return r;
}

std::vector<Case> cases() {
    const Report plain;
    const std::string counted = text(plain) + used("      2");
    const std::string notes = reading + counting;
    return {
        // Arguments and the first opening.
        {"no arguments", image({}), {}, 1, "", usage},
        {"missing file", {}, {"absent.bmp"}, 2, "", open_failed("absent.bmp")},
        {"option first", image({}), {"/c", "pic.bmp"}, 2, "", open_failed("/c")},
        {"count /c", image({}), count, 0, counted, notes},
        {"count -C", image({}), {"pic.bmp", "-C"}, 0, counted, notes},
        {"count /count", image({}), {"pic.bmp", "/count"}, 0, counted, notes},
        {"extra arguments ignored", image({}), {"pic.bmp", "-c", "more"}, 0, counted, notes},
        {"plain c", image({}), {"pic.bmp", "c"}, 0, text(plain), ""},
        {"unknown switch", image({}), {"pic.bmp", "/x"}, 0, text(plain), ""},
        {"lone slash", image({}), {"pic.bmp", "/"}, 0, text(plain), ""},
        {"empty option", image({}), {"pic.bmp", ""}, 0, text(plain), ""},
        {"no option", image({}), report_only, 0, text(plain), ""},

        // Header lengths.
        {"empty file", Bytes{}, report_only, 3, "", file_header_short},
        {"13 bytes", cut(image({}), 13), count, 3, "", file_header_short},
        {"14 bytes", cut(image({}), 14), count, 4, "", info_header_short},
        {"53 bytes", cut(image({}), 53), count, 4, "", info_header_short},
        {"54 bytes of headers", claim({}), report_only, 0, text(plain), ""},

        // Magic and checks: the first failing check wins, with or without the option.
        {"magic reversed", image(spec_with([](BmpSpec& s) { s.magic = 0x424D; })), count, 5, "",
         "Data Error :\n This file isn't a bitmap image file. ( pic.bmp )\n"},
        {"planes 0 and width 0", claim(spec_with([](BmpSpec& s) { s.planes = 0, s.width = 0; })),
         count, 5, text(with([](Report& r) {
             r.planes = "      0", r.width = "      0", r.size = "     54",
             r.image_size = "      0";
         })),
         "Data Error :\n Parameter \"Color Planes\" must be 1.\n"},
        {"planes 65535", image(spec_with([](BmpSpec& s) { s.planes = 0xFFFF; })), report_only, 5,
         text(with([](Report& r) { r.planes = "  65535"; })),
         "Data Error :\n Parameter \"Color Planes\" must be 1.\n"},
        {"width 0", claim(spec_with([](BmpSpec& s) { s.width = 0; })), count, 5,
         text(with(
             [](Report& r) { r.width = "      0", r.size = "     54", r.image_size = "      0"; })),
         "Warning :\n No Image in this bitmap.\n"},
        {"height 0", claim(spec_with([](BmpSpec& s) { s.height = 0; })), report_only, 5,
         text(with([](Report& r) {
             r.height = "      0", r.direction = "No Image", r.size = "     54",
             r.image_size = "      0";
         })),
         "Warning :\n No Image in this bitmap.\n"},
        {"BI_RLE8", image(spec_with([](BmpSpec& s) { s.compression = 1; })), count, 5,
         text(with([](Report& r) { r.compression = "BI_RLE8"; })), cannot_count},
        {"BI_RLE4", image(spec_with([](BmpSpec& s) { s.compression = 2; })), report_only, 5,
         text(with([](Report& r) { r.compression = "BI_RLE4"; })), cannot_count},
        {"BI_BITFIELDS", image(spec_with([](BmpSpec& s) { s.compression = 3; })), report_only, 5,
         text(with([](Report& r) { r.compression = "BI_BITFIELDS"; })), cannot_count},
        {"compression 4", image(spec_with([](BmpSpec& s) { s.compression = 4; })), report_only, 5,
         text(with([](Report& r) { r.compression = "Unknown"; })), cannot_count},
        {"compression 0x80000000", image(spec_with([](BmpSpec& s) { s.compression = 0x80000000; })),
         report_only, 5, text(with([](Report& r) { r.compression = "Unknown"; })), cannot_count},
        {"8 bits with count", image(spec_with([](BmpSpec& s) { s.bits = 8; })), count, 5,
         text(with([](Report& r) { r.bits = "      8"; })), cannot_count},
        {"32 bits", image(spec_with([](BmpSpec& s) { s.bits = 32; })), report_only, 5,
         text(with([](Report& r) { r.bits = "     32"; })), cannot_count},

        // Report fields.
        {"top-down", image(spec_with([](BmpSpec& s) { s.height = -2; })), count, 0,
         text(with([](Report& r) { r.direction = "Top-Down Bitmap"; })) + used("      2"), notes},
        {"sizes print unsigned",
         image(spec_with([](BmpSpec& s) { s.file_size = 0x80000000, s.image_size = 0xFFFFFFFF; })),
         report_only, 0,
         text(with([](Report& r) { r.size = "2147483648", r.image_size = "4294967295"; })), ""},
        {"eight-digit width", claim(spec_with([](BmpSpec& s) {
             s.width = 12345678, s.height = 1, s.file_size = 54, s.image_size = 0;
         })),
         report_only, 0, text(with([](Report& r) {
             r.width = "12345678", r.height = "      1", r.size = "     54",
             r.image_size = "      0";
         })),
         ""},
        {"biSize 12 read as 40 bytes", image(spec_with([](BmpSpec& s) { s.info_size = 12; })),
         report_only, 0, text(plain), ""},

        // Claims beyond the data and beyond memory.
        {"ends inside the last padding", cut(image({}), 69), count, 8, text(plain),
         reading + image_short},
        {"one row missing", cut(image({}), 62), count, 8, text(plain), reading + image_short},
        {"30000 x 30000 is too big",
         claim(spec_with([](BmpSpec& s) { s.width = s.height = 30000; })), count, 6,
         text(with([](Report& r) {
             r.width = r.height = "  30000", r.size = "2700000054", r.image_size = "2700000000";
         })),
         no_memory},
        {"20000 x 30000 fits but is short",
         claim(spec_with([](BmpSpec& s) { s.width = 20000, s.height = 30000; })), count, 8,
         text(with([](Report& r) {
             r.width = "  20000", r.height = "  30000", r.size = "1800000054",
             r.image_size = "1800000000";
         })),
         reading + image_short},
        {"height 2147483647 is too big", claim(spec_with([](BmpSpec& s) {
             s.width = 1, s.height = 2147483647, s.file_size = 54, s.image_size = 0;
         })),
         count, 6, text(with([](Report& r) {
             r.width = "      1", r.height = "2147483647", r.size = "     54",
             r.image_size = "      0";
         })),
         no_memory},
        {"width 100000000 fits but is short", claim(spec_with([](BmpSpec& s) {
             s.width = 100000000, s.height = 1, s.file_size = 54, s.image_size = 0;
         })),
         count, 8, text(with([](Report& r) {
             r.width = "100000000", r.height = "      1", r.size = "     54",
             r.image_size = "      0";
         })),
         reading + image_short},

        {"width 89478486: 24 x width leaves 32 bits", claim(spec_with([](BmpSpec& s) {
             s.width = 89478486, s.height = 1, s.file_size = 54, s.image_size = 0;
         })),
         count, 8, text(with([](Report& r) {
             r.width = "89478486", r.height = "      1", r.size = "     54",
             r.image_size = "      0";
         })),
         reading + image_short},
        {"width 715827882: the stride leaves 31 bits", claim(spec_with([](BmpSpec& s) {
             s.width = 715827882, s.height = 1, s.file_size = 54, s.image_size = 0;
         })),
         count, 6, text(with([](Report& r) {
             r.width = "715827882", r.height = "      1", r.size = "     54",
             r.image_size = "      0";
         })),
         no_memory},

        // Pixel data starts at bfOffBits. Read from byte 54, these would count header bytes.
        {"124-byte header", image(spec_with([](BmpSpec& s) { s.info_size = 124; }), one_color),
         count, 0, text(with([](Report& r) { r.size = "    154"; })) + used("      1"), notes},
        {"color table before the pixels",
         image(spec_with([](BmpSpec& s) { s.gap_bytes = 1024; }), one_color), count, 0,
         text(with([](Report& r) { r.size = "   1094"; })) + used("      1"), notes},
        {"offset 0 means 54", image(spec_with([](BmpSpec& s) { s.data_offset = 0; })), count, 0,
         counted, notes},
        {"offset 53 means 54", image(spec_with([](BmpSpec& s) { s.data_offset = 53; })), count, 0,
         counted, notes},
        {"offset at the end", image(spec_with([](BmpSpec& s) { s.data_offset = 70; })), count, 8,
         text(plain), reading + image_short},
        {"offset 0x7FFFFFFF", image(spec_with([](BmpSpec& s) { s.data_offset = 0x7FFFFFFF; })),
         count, 8, text(plain), reading + image_short},
        {"offset 0xFFFFFFFF", image(spec_with([](BmpSpec& s) { s.data_offset = 0xFFFFFFFF; })),
         count, 8, text(plain), reading + image_short},

        // A negative width has no pixels: never counted, but reported as it stands.
        {"width -1", claim(spec_with([](BmpSpec& s) { s.width = -1; })), count, 6,
         text(with(
             [](Report& r) { r.width = "     -1", r.size = "     54", r.image_size = "      0"; })),
         no_memory},
        {"width -1, height -2147483648",
         claim(spec_with([](BmpSpec& s) { s.width = -1, s.height = -2147483647 - 1; })), count, 6,
         text(with([](Report& r) {
             r.width = "     -1", r.height = "-2147483648", r.direction = "Top-Down Bitmap",
             r.size = "     54", r.image_size = "      0";
         })),
         no_memory},
        {"width 1, height -2147483648", claim(spec_with([](BmpSpec& s) {
             s.width = 1, s.height = -2147483647 - 1, s.file_size = 54, s.image_size = 0;
         })),
         count, 6, text(with([](Report& r) {
             r.width = "      1", r.height = "-2147483648", r.direction = "Top-Down Bitmap",
             r.size = "     54", r.image_size = "      0";
         })),
         no_memory},
        {"width -5 reported", claim(spec_with([](BmpSpec& s) { s.width = -5; })), report_only, 0,
         text(with(
             [](Report& r) { r.width = "     -5", r.size = "     54", r.image_size = "      0"; })),
         ""},
    };
}

class Tool : public ::testing::TestWithParam<Case> {};

TEST_P(Tool, PrintsExactlyAndEndsWithItsStatus) {
    const Case& c = GetParam();
    const auto dir = velto_test::scratch_dir();
    if (c.file) {
        velto_test::write_bytes(dir / "pic.bmp", *c.file);
    }
    const auto run = velto_test::run_tool(c.args, dir);
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.out, c.out);
    EXPECT_EQ(run.err, banner + c.err);
}

INSTANTIATE_TEST_SUITE_P(Cases, Tool, ::testing::ValuesIn(cases()), [](const auto& test) {
    std::string name;
    for (const char ch : std::string(test.param.label)) {
        name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
    }
    return name;
});

// Resolution in dots per inch: rounded half up, truncated toward zero, never wrapped.
TEST(Tool, PrintsResolutionInBothUnits) {
    struct Dpi {
        std::int32_t ppm;
        std::string dpi;
        std::string ppm_text;
    };
    const std::vector<Dpi> table = {
        {2835, "     72", "2835"},
        {3780, "     96", "3780"},
        {3779, "     96", "3779"},
        {11811, "    300", "11811"},
        {0, "      0", "0"},
        {-2835, "    -71", "-2835"},
        {8454640, " 214748", "8454640"},
        {8454641, " 214748", "8454641"},
        {2147483647, "54546085", "2147483647"},
        {-2147483647 - 1, "-54546084", "-2147483648"},
    };
    const auto dir = velto_test::scratch_dir();
    for (const Dpi& d : table) {
        BmpSpec spec;
        spec.x_ppm = d.ppm;
        spec.y_ppm = 3780;
        velto_test::write_bytes(dir / "pic.bmp", image(spec));
        Report expected;
        expected.x_dpi = d.dpi;
        expected.x_ppm = d.ppm_text;
        expected.y_dpi = "     96";
        expected.y_ppm = "3780";
        const auto run = velto_test::run_tool(report_only, dir);
        EXPECT_EQ(run.out, text(expected)) << d.ppm;
        EXPECT_EQ(run.status, 0);
    }
}

// With both streams in one pipe the lines keep the order in which the run makes them.
TEST(Tool, KeepsTheOrderOfBothStreamsInOnePipe) {
    const auto dir = velto_test::scratch_dir();
    velto_test::write_bytes(dir / "pic.bmp", image({}));
    EXPECT_EQ(velto_test::run_tool_merged(count, dir),
              banner + text(Report{}) + reading + counting + used("      2"));

    BmpSpec eight_bits;
    eight_bits.bits = 8;
    velto_test::write_bytes(dir / "pic.bmp", image(eight_bits));
    Report report;
    report.bits = "      8";
    EXPECT_EQ(velto_test::run_tool_merged(count, dir), banner + text(report) + cannot_count);
}

// The count agrees with an independent count of the same pixels, for pictures of each
// kind, with row padding and in both row directions.
TEST(Tool, CountAgreesWithASetOfTheKeys) {
    struct Picture {
        bmpgen::Picture kind;
        std::int32_t width;
        std::int32_t height;
    };
    const std::vector<Picture> pictures = {
        {bmpgen::Picture::noise, 1, 1},    {bmpgen::Picture::noise, 97, 61},
        {bmpgen::Picture::noise, 4, -300}, {bmpgen::Picture::photo, 333, 201},
        {bmpgen::Picture::photo, 50, -50}, {bmpgen::Picture::flat, 129, 127},
        {bmpgen::Picture::flat, 1, 1000},
    };
    const auto dir = velto_test::scratch_dir();
    auto seen = std::make_unique<std::bitset<0x1000000>>();
    for (const Picture& p : pictures) {
        const std::int32_t rows = p.height < 0 ? -p.height : p.height;
        const Bytes pixels = bmpgen::make_pixels(p.kind, p.width, rows, 42);
        seen->reset();
        for (std::size_t i = 0; i < pixels.size(); i += 3) {
            seen->set(pixels[i] | pixels[i + 1] << 8 | pixels[i + 2] << 16);
        }
        BmpSpec spec;
        spec.width = p.width;
        spec.height = p.height;
        velto_test::write_bytes(dir / "pic.bmp", bmpgen::bmp_file(spec, pixels));
        const auto run = velto_test::run_tool(count, dir);
        const auto line = run.out.substr(run.out.rfind("Used Color"));
        char expected[64];
        std::snprintf(expected, sizeof expected, "Used Color   : %7zu.\n", seen->count());
        EXPECT_EQ(line, expected) << p.width << " x " << p.height;
        EXPECT_EQ(run.status, 0);
    }
}

} // namespace
