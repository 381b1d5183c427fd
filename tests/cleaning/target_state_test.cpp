#include "cleaning/target_state.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "support/temp_dir.h"

namespace vantum::cleaning {
namespace {

using platform::MountEntry;
using test::TempDir;

TEST(ShortcutState, TextsAndDefaultChecks) {
    EXPECT_EQ(StateText(ShortcutState::LinkToCdRom), "Link to CDRom");
    EXPECT_EQ(StateText(ShortcutState::Undefined), "undefined");
    EXPECT_EQ(StateText(ShortcutState::NetworkLink), "Network Link");
    EXPECT_EQ(StateText(ShortcutState::Broken), "Broken");
    EXPECT_EQ(StateText(ShortcutState::Ok), "OK");
    EXPECT_TRUE(CheckedWhenListed(ShortcutState::Broken));
    EXPECT_TRUE(CheckedWhenListed(ShortcutState::LinkToCdRom));
    EXPECT_FALSE(CheckedWhenListed(ShortcutState::Ok));
    EXPECT_FALSE(CheckedWhenListed(ShortcutState::NetworkLink));
    EXPECT_FALSE(CheckedWhenListed(ShortcutState::Undefined));
}

TEST(ClassifyTarget, StatesAgainstAGivenMountTable) {
    TempDir dir;
    const std::string d = dir.path();
    std::string file = dir.write("file.txt", "x");
    dir.mkdir("sub");
    // The network and optical mount points do not exist: reaching them must not touch them,
    // or these targets would read as broken.
    std::vector<MountEntry> mounts = {{"/", "ext4", "/dev/sda1", 1},
                                      {d + "/nfs", "nfs4", "server:/export", 2},
                                      {d + "/cd", "iso9660", "/dev/sr0", 3},
                                      {d + "/sshfs", "fuse.sshfs", "user@host:", 4}};
    ASSERT_EQ(::symlink("file.txt", (dir / "to-file").c_str()), 0);
    ASSERT_EQ(::symlink("missing", (dir / "dangling").c_str()), 0);
    ASSERT_EQ(::symlink("loop-b", (dir / "loop-a").c_str()), 0);
    ASSERT_EQ(::symlink("loop-a", (dir / "loop-b").c_str()), 0);
    ASSERT_EQ(::symlink("dangling", (dir / "to-dangling").c_str()), 0);
    ASSERT_EQ(::symlink((d + "/nfs/share").c_str(), (dir / "to-nfs").c_str()), 0);
    ASSERT_EQ(::symlink("cd", (dir / "to-cd").c_str()), 0);
    ASSERT_EQ(::symlink(".", (dir / "self-dir").c_str()), 0);

    struct Case {
        std::string target;
        ShortcutState state;
    } cases[] = {
        {"", ShortcutState::Undefined},
        {"\\\\server\\share\\doc.txt", ShortcutState::NetworkLink},
        {"smb://server/share/doc.txt", ShortcutState::NetworkLink},
        {"sftp://host/home/x", ShortcutState::NetworkLink},
        {"https://example.org/", ShortcutState::NetworkLink},
        {"file://server/share/x", ShortcutState::NetworkLink},
        {d + "/nfs/share/missing.txt", ShortcutState::NetworkLink},
        {d + "/nfs", ShortcutState::NetworkLink},
        {d + "/sshfs/x", ShortcutState::NetworkLink},
        {d + "/to-nfs/missing.txt", ShortcutState::NetworkLink},
        {d + "/cd/setup.exe", ShortcutState::LinkToCdRom},
        {d + "/sub/../to-cd/x", ShortcutState::LinkToCdRom},
        {"/", ShortcutState::Ok},
        {d, ShortcutState::Ok},
        {file, ShortcutState::Ok},
        {"file://" + file, ShortcutState::Ok},
        {d + "/sub/../file.txt", ShortcutState::Ok},
        {d + "/./sub/", ShortcutState::Ok},
        {d + "/to-file", ShortcutState::Ok},
        {d + "/self-dir/self-dir/file.txt", ShortcutState::Ok},
        {d + "/missing", ShortcutState::Broken},
        {d + "/file.txt/inside", ShortcutState::Broken},
        {d + "/file.txt/", ShortcutState::Broken},
        {d + "/to-file/", ShortcutState::Broken},
        {d + "/dangling", ShortcutState::Broken},
        {d + "/to-dangling", ShortcutState::Broken},
        {d + "/loop-a", ShortcutState::Broken},
        {"file://" + d + "/missing", ShortcutState::Broken},
        {"relative/path", ShortcutState::Broken},
        {"C:\\Windows\\notepad.exe", ShortcutState::Broken},
    };
    for (const auto& c : cases) EXPECT_EQ(ClassifyTarget(c.target, mounts), c.state) << c.target;
}

TEST(ClassifyTarget, RootOfANetworkSystemIsNeverTouched) {
    // When "/" itself is a network mount (a diskless machine), nothing can be tested.
    std::vector<MountEntry> mounts = {{"/", "nfs", "server:/root", 1}};
    EXPECT_EQ(ClassifyTarget("/definitely/missing", mounts), ShortcutState::NetworkLink);
}

TEST(ClassifyTarget, WithThisMachinesMounts) {
    TempDir dir;
    EXPECT_EQ(ClassifyTarget(dir.write("a", "")), ShortcutState::Ok);
    EXPECT_EQ(ClassifyTarget(dir / "b"), ShortcutState::Broken);
}

}  // namespace
}  // namespace vantum::cleaning
