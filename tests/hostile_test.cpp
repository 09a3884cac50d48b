// Files cut short at every length, and file names that are awkward to pass around.
#include "bmp_writer.h"
#include "messages.h"
#include "run_tool.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

using namespace velto_test; // the expected messages

// Every prefix of a valid file: too short for either header, then a report and a short
// read with the count option, and the full file counts.
TEST(Prefixes, EachLengthEndsWithItsStatus) {
    struct Sample {
        const char* label;
        bmpgen::BmpSpec spec;
        std::string used;
    };
    std::vector<Sample> samples(3);
    samples[0] = {"padded", {}, "      6"};
    samples[0].spec.width = 3, samples[0].spec.height = 2;
    samples[1] = {"top-down", {}, "      4"};
    samples[1].spec.width = 1, samples[1].spec.height = -4;
    samples[2] = {"124-byte header", {}, "      4"};
    samples[2].spec.width = 2, samples[2].spec.height = 2, samples[2].spec.info_size = 124;

    const auto dir = velto_test::scratch_dir();
    for (const Sample& s : samples) {
        const std::int32_t rows = s.spec.height < 0 ? -s.spec.height : s.spec.height;
        Bytes pixels;
        for (std::int32_t i = 0; i < s.spec.width * rows; ++i) {
            pixels.insert(pixels.end(), {static_cast<std::uint8_t>(i), 1, 2});
        }
        const Bytes full = bmpgen::bmp_file(s.spec, pixels);
        velto_test::write_bytes(dir / "pic.bmp", full);
        const auto whole = velto_test::run_tool({"pic.bmp", "/c"}, dir);
        ASSERT_EQ(whole.status, 0) << s.label;
        ASSERT_EQ(whole.err, banner + reading + counting) << s.label;
        const std::string report = whole.out.substr(0, whole.out.find("Used Color"));
        ASSERT_EQ(whole.out, report + "Used Color   : " + s.used + ".\n") << s.label;

        for (std::size_t length = 0; length < full.size(); ++length) {
            velto_test::write_bytes(dir / "pic.bmp", Bytes(full.begin(), full.begin() + length));
            const auto run = velto_test::run_tool({"pic.bmp", "/c"}, dir);
            if (length < 14) {
                EXPECT_EQ(run.status, 3) << s.label << ", " << length << " bytes";
                EXPECT_EQ(run.err, banner + file_header_short) << s.label << ", " << length;
                EXPECT_EQ(run.out, "");
            } else if (length < 54) {
                EXPECT_EQ(run.status, 4) << s.label << ", " << length << " bytes";
                EXPECT_EQ(run.err, banner + info_header_short) << s.label << ", " << length;
                EXPECT_EQ(run.out, "");
            } else {
                EXPECT_EQ(run.status, 8) << s.label << ", " << length << " bytes";
                EXPECT_EQ(run.err, banner + reading + image_short) << s.label << ", " << length;
                EXPECT_EQ(run.out, report) << s.label << ", " << length;
            }
        }
    }
}

TEST(FileNames, ArePassedAndPrintedUnchanged) {
    const auto dir = velto_test::scratch_dir();
    const Bytes picture = bmpgen::bmp_file({}, Bytes(12, 9));
    std::vector<std::string> readable = {"my picture.bmp", "-pic.bmp",
                                         (dir / "pic.bmp").string()}; // starts with "/"
    if (!velto_test::windows_build()) {
        // A Windows program sees its arguments in the ANSI code page, not as these bytes.
        readable.push_back("caf\xc3\xa9 \xff.bmp");
    }
    for (const std::string& name : readable) {
        velto_test::write_bytes(dir / name, picture);
        const auto run = velto_test::run_tool({name}, dir);
        EXPECT_EQ(run.status, 0) << name;
        EXPECT_EQ(run.out.substr(0, 17 + name.size()), "\nFile Name    : " + name + "\n");
        EXPECT_EQ(run.err, banner);
    }

    const std::string long_name(5000, 'x');
    for (const std::string& name : {std::string(), long_name, std::string("absent dir/pic.bmp")}) {
        const auto run = velto_test::run_tool({name}, dir);
        EXPECT_EQ(run.status, 2) << name.size();
        EXPECT_EQ(run.err, banner + open_failed(name));
        EXPECT_EQ(run.out, "");
    }

    // The null device opens and is empty.
    const std::string null_device = velto_test::windows_build() ? "NUL" : "/dev/null";
    const auto empty = velto_test::run_tool({null_device, "/c"}, dir);
    EXPECT_EQ(empty.status, 3);
    EXPECT_EQ(empty.err, banner + file_header_short);

    // A folder: Windows refuses to open it; elsewhere it opens and yields no bytes.
    std::filesystem::create_directory(dir / "folder.bmp");
    const auto folder = velto_test::run_tool({"folder.bmp", "/c"}, dir);
    if (velto_test::windows_build()) {
        EXPECT_EQ(folder.status, 2);
        EXPECT_EQ(folder.err, banner + open_failed("folder.bmp"));
    } else {
        EXPECT_EQ(folder.status, 3);
        EXPECT_EQ(folder.err, banner + file_header_short);
    }
}

} // namespace
