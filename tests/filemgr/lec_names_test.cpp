#include "filemgr/lec_names.h"

#include <gtest/gtest.h>

#include <set>

namespace vantum {
namespace {

TEST(LecNames, ScrambleKeepsEveryValidNameByteValid) {
    for (int b = 1; b < 256; ++b) {
        if (b == '/') continue;
        const std::string s = ScrambleExtension(std::string(1, static_cast<char>(b)));
        ASSERT_EQ(s.size(), 1u);
        EXPECT_NE(s[0], '\0') << b;
        EXPECT_NE(s[0], '/') << b;
        EXPECT_EQ(ScrambleExtension(s), std::string(1, static_cast<char>(b)));
    }
    EXPECT_EQ(ScrambleExtension(".txt"), "\x01[W[");
    EXPECT_EQ(ScrambleExtension(std::string(300, 'a')).size(), 255u);
}

TEST(LecNames, EncryptedNameRoundTrips) {
    const struct {
        std::string plain, encrypted;
    } cases[] = {
        {"/d/notes", "/d/notes_.lec"},
        {"/d/report.txt", "/d/report_" + ScrambleExtension(".txt") + ".lec"},
        {"/d/my_old_file.doc", "/d/my_old_file_" + ScrambleExtension(".doc") + ".lec"},
        // 'p' scrambles to '_': the last underscore then lies inside the extension.
        {"/d/report.pdf", "/d/report_" + ScrambleExtension(".pdf") + ".lec"},
        {"/d/a_b.png", "/d/a_b_" + ScrambleExtension(".png") + ".lec"},
        {"/d/archive.tar.gz", "/d/archive.tar_" + ScrambleExtension(".gz") + ".lec"},
        {"/d/.bashrc", "/d/_" + ScrambleExtension(".bashrc") + ".lec"},
        {"/d.x/name", "/d.x/name_.lec"},
        {"rel.c", "rel_" + ScrambleExtension(".c") + ".lec"},
        {"/d/\xff\xfe_\x80.\xe9t\xe9", "/d/\xff\xfe_\x80_" + ScrambleExtension(".\xe9t\xe9") + ".lec"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(EncryptedCopyName(c.plain), c.encrypted);
        EXPECT_EQ(DecryptionTarget(c.encrypted).value_or("<none>"), c.plain);
    }
}

TEST(LecNames, DecryptionOfNamesWithoutUnderscore) {
    // The last four bytes are the extension, the byte before them is dropped.
    EXPECT_EQ(DecryptionTarget("/home/new.lec"), "/home/" + ScrambleExtension("new"));
    EXPECT_EQ(DecryptionTarget("/home/abcdefgh.lec"), "/home/abc" + ScrambleExtension("efgh"));
    EXPECT_EQ(DecryptionTarget("/a.lec"), std::nullopt);   // shorter than 5 without extension
    EXPECT_EQ(DecryptionTarget("/home/.lec"), std::nullopt);  // would be the folder itself
    EXPECT_EQ(DecryptionTarget("/home/_" + ScrambleExtension(".") + ".lec"), std::nullopt);
}

TEST(LecNames, EncryptionTargetNeverNamesAnExistingFile) {
    std::set<std::string> existing;
    auto exists = [&](const std::string& p) { return existing.count(p) > 0; };
    const std::string first = EncryptionTarget("/d/a.txt", exists);
    EXPECT_EQ(first, EncryptedCopyName("/d/a.txt"));
    existing.insert(first);
    EXPECT_EQ(EncryptionTarget("/d/a.txt", exists), "/d/new.lec");
    existing.insert("/d/new.lec");
    existing.insert("/d/new (2).lec");
    EXPECT_EQ(EncryptionTarget("/d/a.txt", exists), "/d/new (3).lec");
}

TEST(LecNames, WhatDecryptionTakes) {
    EXPECT_TRUE(LooksEncrypted("/d/x_.lec"));
    EXPECT_TRUE(LooksEncrypted("/d/X_.LeC"));
    EXPECT_TRUE(LooksEncrypted("/d.lec/readme"));  // anywhere in the path
    EXPECT_FALSE(LooksEncrypted("/d/x.le"));
    EXPECT_EQ(CommandLineDecryptionTarget("report_xyz.lec"), "report_xyz");
    EXPECT_EQ(CommandLineDecryptionTarget(".le"), "");
}

}  // namespace
}  // namespace vantum
