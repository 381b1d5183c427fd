#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/dir_listing.h"
#include "support/temp_dir.h"

using namespace vantum::platform;
using vantum::test::TempDir;

TEST(DirListing, KindsHiddenFlagAndOwnSizes) {
    TempDir d;
    d.sparse("f.bin", 6000000000ULL);
    d.write(".hidden", "abc");
    d.mkdir("sub");
    ASSERT_EQ(::symlink("f.bin", (d / "link").c_str()), 0);
    auto entries = ListFolder(d.path());
    std::sort(entries.begin(), entries.end(), [](auto& a, auto& b) { return a.name < b.name; });
    ASSERT_EQ(entries.size(), 4u) << "\".\" and \"..\" are left out";
    EXPECT_EQ(entries[0].name, ".hidden");
    EXPECT_TRUE(entries[0].hidden);
    EXPECT_EQ(entries[0].size, 3u);
    EXPECT_EQ(entries[1].size, 6000000000ULL) << "64-bit sizes";
    EXPECT_EQ(entries[1].kind, EntryKind::File);
    EXPECT_EQ(entries[2].kind, EntryKind::Symlink);
    EXPECT_EQ(entries[2].size, 5u) << "a link's own size, never its target's";
    EXPECT_EQ(entries[3].kind, EntryKind::Folder);
    EXPECT_FALSE(entries[3].hidden);
}

TEST(DirListing, WhatCannotBeOpenedListsNothing) {
    TempDir d;
    d.write("file", "x");
    EXPECT_TRUE(ListFolder(d / "missing").empty());
    EXPECT_TRUE(ListFolder(d / "file").empty());
    ASSERT_EQ(::symlink(d.path().c_str(), (d / "dirlink").c_str()), 0);
    FolderHandle parent = FolderHandle::Open(d.path());
    EXPECT_FALSE(FolderHandle::OpenAt(parent.fd(), "dirlink").ok()) << "links are not followed";
}

TEST(DirListing, MountPointsAndSpace) {
    TempDir d;
    EXPECT_TRUE(IsMountPoint("/"));
    EXPECT_FALSE(IsMountPoint(d.path()));
    DiskSpace s = GetDiskSpace(d.path());
    EXPECT_GT(s.totalBytes, 0u);
    EXPECT_LE(s.freeBytes, s.totalBytes);
    EXPECT_EQ(GetDiskSpace(d / "missing").totalBytes, 0u);
}
