// The web image builder: images read back by a decoder of their own
// (support/web_image_decoder.h), the build's refusals, and that a failed
// build leaves nothing behind and an earlier image untouched.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "maintenance/web_image_builder.h"
#include "maintenance/web_image_check.h"
#include "maintenance/web_image_format.h"
#include "support/maintenance_run.h"
#include "support/temp_directory.h"
#include "support/web_image_decoder.h"

using namespace quillmar;
namespace fs = std::filesystem;

namespace {

class WebImageBuilder : public ::testing::Test {
protected:
    void SetUp() override
    {
        top_ = temp_.native();
        fs::create_directory(source());
    }

    std::string source() const { return top_ + "/pages"; }
    std::string output() const { return top_ + "/web.anf"; }
    void page(const std::string& name, const std::string& bytes) const
    {
        std::ofstream(source() + "/" + name, std::ios::binary) << bytes;
    }
    static std::string read(const std::string& path)
    {
        std::ifstream file(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    }
    WebImageBuild build(const std::string& into = {})
    {
        MaintenanceProgress progress;
        return buildWebImage(source(), into.empty() ? output() : into, progress);
    }
    // Only the pages and the output: no temporary file was left.
    std::size_t filesInTop() const { return std::distance(fs::directory_iterator(top_), fs::directory_iterator()); }

    test::TempDirectory temp_;
    std::string top_;
};

std::string bytes(std::size_t count, char seed)
{
    std::string data;
    for (std::size_t i = 0; i < count; ++i)
        data.push_back(static_cast<char>(seed + i * 13));
    return data;
}

}  // namespace

TEST_F(WebImageBuilder, AnIndexOfAThousandBytesIsOneRecordByteForByte)
{
    const std::string index = bytes(1000, 'a');
    page("index.html", index);
    const WebImageBuild result = build();
    ASSERT_EQ(result.code, webbuild::kOk);

    // Written out by hand from the layout.
    std::string expected(128, '\0');
    const unsigned char marks[] = {0x55, 0xAA, 0xF2};
    for (int i = 0; i < 3; ++i)
        expected[i] = static_cast<char>(marks[i]);
    const unsigned char layout[] = {0x00, 0x01, 0x03, 0x00, 0x02, 0x80, 0xFC, 0x80, 0x00, 0x0E};
    for (int i = 0; i < 10; ++i)
        expected[3 + i] = static_cast<char>(layout[i]);
    expected[126] = static_cast<char>(0xAA);
    expected[127] = 0x55;
    // next 1856, name 778, response 790, data 856, response length 1066.
    const unsigned char record[] = {0x07, 0x40, 0x03, 0x0A, 0x03, 0x16, 0x03, 0x58, 0x04, 0x2A};
    expected.append(reinterpret_cast<const char*>(record), sizeof record);
    expected += std::string("/index.html") + '\0';
    expected += "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\nContent-type: text/html\r\n\r\n";
    expected += index;
    EXPECT_TRUE(read(output()) == expected);

    const test::DecodedImage image = test::decodeWebImage(read(output()));
    ASSERT_EQ(image.error, "");
    ASSERT_EQ(image.records.size(), 1u);
    EXPECT_EQ(image.records[0].next, 1856u);
    EXPECT_EQ(image.records[0].responseHeader.size(), 66u);
    ASSERT_EQ(result.entries.size(), 1u);
    EXPECT_EQ(result.entries[0].address, 768u);
    EXPECT_EQ(result.imageBytes, expected.size());
    EXPECT_EQ(checkWebImageFile(output()), std::nullopt) << "the upload takes what the build made";
    EXPECT_EQ(filesInTop(), 2u);
}

TEST_F(WebImageBuilder, RecordsInNameOrderWithTheirContentTypes)
{
    // Capitals are not the index page, nor a known picture type.
    const std::pair<std::string, std::string> pages[] = {
        {"INDEX.HTML", "HTML"},
        {"a.plain", "raw bytes"},
        {"abcdefghi.htm", "thirteen"},
        {"index.html", "<html></html>"},
        {"logo.gif", "GIF89a"},
        {"logo.png", "PNG"},
        {"noext", "x"},
        {"photo.jpg", "JPG"},
        {"pic.GIF", "gif?"},
    };
    for (const auto& [name, content] : pages)
        page(name, content);
    page("old.anf", "an earlier image");
    fs::create_directory(source() + "/sub");
    ASSERT_EQ(build().code, webbuild::kOk);

    const test::DecodedImage image = test::decodeWebImage(read(output()));
    ASSERT_EQ(image.error, "");
    ASSERT_EQ(image.records.size(), std::size(pages));
    const char* types[] = {"application/octet-stream",
                           nullptr,
                           "text/html",
                           "text/html",
                           "image/gif",
                           "image/png",
                           "application/octet-stream",
                           "image/jpeg",
                           "application/octet-stream"};
    for (std::size_t i = 0; i < std::size(pages); ++i) {
        const test::DecodedRecord& record = image.records[i];
        EXPECT_EQ(record.name, "/" + pages[i].first);
        EXPECT_EQ(record.data, pages[i].second);
        if (!types[i]) {
            EXPECT_EQ(record.responseHeader, "") << "a plain file is stored as it is";
            continue;
        }
        const std::string octet = std::string(types[i]) == "application/octet-stream" ? "Content-Type: "
                                                                                      : "Content-type: ";
        EXPECT_EQ(record.responseHeader, "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(pages[i].second.size())
                                             + "\r\n" + octet + types[i] + "\r\n\r\n")
            << record.name;
    }
    EXPECT_EQ(image.records.back().next, static_cast<std::uint32_t>(read(output()).size() + 640));
}

TEST_F(WebImageBuilder, AFailedBuildLeavesTheEarlierImageAlone)
{
    struct Case {
        std::vector<std::pair<std::string, std::string>> pages;
        int code;
    };
    const Case cases[] = {
        {{{"index.html", "x"}, {"zabcdefghi.htm", "fourteen"}}, webbuild::kNameTooLong},
        {{{"INDEX.HTML", "x"}}, webbuild::kNoIndex},
        {{{"index.html", "x"}, {"z.txt", ""}}, webbuild::kConvertFailed},  // empty, after the index
        {{{"a.txt", ""}, {"index.html", "x"}}, webbuild::kNoIndex},        // empty, before it
        {{{"index.html", bytes(64000, 'i')}, {"more.htm", bytes(600, 'm')}}, webbuild::kImageTooLarge},
    };
    std::ofstream(output(), std::ios::binary) << "the image that was there";
    for (const Case& c : cases) {
        fs::remove_all(source());
        fs::create_directory(source());
        for (const auto& [name, content] : c.pages)
            page(name, content);
        EXPECT_EQ(build().code, c.code) << c.pages.back().first;
        EXPECT_EQ(read(output()), "the image that was there");
        EXPECT_EQ(filesInTop(), 2u) << "no temporary file stays";
    }
    // Nothing at all when there was no image before.
    fs::remove(output());
    EXPECT_EQ(build().code, webbuild::kImageTooLarge);
    EXPECT_FALSE(fs::exists(output()));
}

TEST_F(WebImageBuilder, WhatCannotBeWrittenOrReadIsRefusedAtOnce)
{
    page("index.html", "x");
    // The output's directory is missing, or the output is a directory.
    EXPECT_EQ(build(top_ + "/missing/web.anf").code, webbuild::kCreateFailed);
    fs::create_directory(top_ + "/folder.anf");
    EXPECT_EQ(build(top_ + "/folder.anf").code, webbuild::kCreateFailed);
    EXPECT_TRUE(fs::is_directory(top_ + "/folder.anf"));

    // A FIFO among the pages is not waited on.
    ASSERT_EQ(mkfifo((source() + "/pipe.htm").c_str(), 0600), 0);
    const auto began = std::chrono::steady_clock::now();
    const WebImageBuild result = build();
    EXPECT_EQ(result.code, webbuild::kConvertFailed);
    EXPECT_EQ(result.failedFile, "pipe.htm");
    EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(2));
}

TEST_F(WebImageBuilder, AnImageBuiltIntoItsOwnSourceDirectoryLeavesItselfOut)
{
    page("index.html", "x");
    const std::string inside = source() + "/site.anf";
    ASSERT_EQ(build(inside).code, webbuild::kOk);
    ASSERT_EQ(build(inside).code, webbuild::kOk);
    const test::DecodedImage image = test::decodeWebImage(read(inside));
    ASSERT_EQ(image.records.size(), 1u);
    EXPECT_EQ(image.records[0].name, "/index.html");
    EXPECT_EQ(std::distance(fs::directory_iterator(source()), fs::directory_iterator()), 2);
}

// A link is followed only to a file of the source directory: one to a file
// outside it (/etc/shadow, say), relative or absolute, or to nothing, is left
// out with a log line, and its target's bytes never reach the image.
TEST_F(WebImageBuilder, ALinkIsFollowedOnlyToAFileOfTheSourceDirectory)
{
    page("index.html", "x");
    fs::create_directory(source() + "/img");
    std::ofstream(source() + "/img/logo.png") << "png bytes";
    std::ofstream(top_ + "/shadow") << "root:secret";
    ASSERT_EQ(symlink("img/logo.png", (source() + "/logo.png").c_str()), 0);
    ASSERT_EQ(symlink((top_ + "/shadow").c_str(), (source() + "/shadow").c_str()), 0);
    ASSERT_EQ(symlink("../shadow", (source() + "/up.txt").c_str()), 0);
    ASSERT_EQ(symlink("missing", (source() + "/gone.htm").c_str()), 0);
    test::RecordingProgress progress;
    const WebImageBuild result = buildWebImage(source(), output(), progress);
    ASSERT_EQ(result.code, webbuild::kOk);
    const test::DecodedImage image = test::decodeWebImage(read(output()));
    ASSERT_EQ(image.records.size(), 2u);
    EXPECT_EQ(image.records[0].name, "/index.html");
    EXPECT_EQ(image.records[1].name, "/logo.png");
    EXPECT_EQ(read(output()).find("root:secret"), std::string::npos);
    const std::vector<std::string> skipped{"gone.htm -> missing", "shadow -> " + top_ + "/shadow",
                                           "up.txt -> ../shadow"};
    EXPECT_EQ(result.skippedLinks, skipped);
    const std::vector<std::string> expected{
        "web image: link gone.htm -> missing skipped: its target is no file of the source directory",
        "web image: link shadow -> " + top_ + "/shadow skipped: its target is no file of the source directory",
        "web image: link up.txt -> ../shadow skipped: its target is no file of the source directory"};
    EXPECT_EQ(progress.lines(), expected);
}

TEST(WebImageCheck, TheUploadRefusesWhatIsNoImage)
{
    const test::TempDirectory temp;
    const std::string dir = temp.native();
    std::string image(128, '\0');
    image[0] = 0x55;
    image[1] = static_cast<char>(0xAA);
    image[2] = static_cast<char>(0xF1);
    image[126] = static_cast<char>(0xAA);
    image[127] = 0x55;
    std::ofstream(dir + "/f1.anf", std::ios::binary) << image;
    std::ofstream(dir + "/short.anf", std::ios::binary) << image.substr(0, 127);
    mkfifo((dir + "/fifo.anf").c_str(), 0600);
    EXPECT_EQ(checkWebImageFile(""), "file can't be blank");
    EXPECT_EQ(checkWebImageFile(dir + "/none.anf"), "file isn't exists");
    EXPECT_EQ(checkWebImageFile(dir + "/fifo.anf"), "open file failed");
    EXPECT_EQ(checkWebImageFile(dir), "open file failed");
    EXPECT_EQ(checkWebImageFile(dir + "/short.anf"), "read file failed");
    EXPECT_EQ(checkWebImageFile(dir + "/f1.anf"), "file can't be recognised");
}
