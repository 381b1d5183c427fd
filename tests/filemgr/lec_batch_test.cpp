#include "filemgr/lec_batch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "filemgr/lec_names.h"
#include "support/temp_dir.h"

namespace vantum {
namespace {

using test::ReadFile;
using test::TempDir;

std::set<std::string> Names(const std::string& dir) {
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir)) names.insert(e.path().filename().string());
    return names;
}

struct Recorder : ProgressSink {
    std::vector<int> ranges, positions;
    void SizeRange(int m) override { ranges.push_back(m); }
    void SizeProgress(int p) override { positions.push_back(p); }
};

TEST(LecBatch, EncryptRemovingSourcesThenDecryptBack) {
    for (const SourceRemoval removal : {SourceRemoval::Delete, SourceRemoval::Shred}) {
        TempDir dir;
        const std::vector<std::string> files = {dir.write("a.txt", "alpha"), dir.write("my_photo.png", std::string(3000, 'p')),
                                                dir.write("notes", ""), dir.write("\xff\xfe_x.d\xe9", "latin-1")};
        LecBatchOptions opts;
        opts.removal = removal;
        Recorder progress;
        const auto enc = EncryptFiles(files, "pw", opts, progress);
        ASSERT_EQ(enc.size(), 4u);
        for (const auto& o : enc) EXPECT_EQ(o.status, LecOutcome::Done) << o.file << ": " << o.message;
        EXPECT_EQ(progress.ranges, std::vector<int>{4});
        EXPECT_EQ(progress.positions, (std::vector<int>{1, 2, 3, 4}));
        EXPECT_EQ(Names(dir.path()), (std::set<std::string>{"a_" + ScrambleExtension(".txt") + ".lec",
                                                            "my_photo_" + ScrambleExtension(".png") + ".lec",
                                                            "notes_.lec",
                                                            "\xff\xfe_x_" + ScrambleExtension(".d\xe9") + ".lec"}));

        std::vector<std::string> lecs = {dir.write("plain.txt", "not encrypted")};
        for (const auto& o : enc) lecs.push_back(o.target);
        opts.removal = SourceRemoval::Keep;
        const auto dec = DecryptFiles(lecs, "pw", opts);
        ASSERT_EQ(dec.size(), 5u);
        EXPECT_EQ(dec[0].status, LecOutcome::Skipped);
        for (std::size_t i = 1; i < dec.size(); ++i) {
            EXPECT_EQ(dec[i].status, LecOutcome::Done) << dec[i].message;
            EXPECT_EQ(dec[i].target, files[i - 1]);
        }
        EXPECT_EQ(ReadFile(files[0]), "alpha");
        EXPECT_EQ(ReadFile(files[1]), std::string(3000, 'p'));
        EXPECT_EQ(ReadFile(files[3]), "latin-1");
        EXPECT_EQ(Names(dir.path()).size(), 9u);  // four plain, four .lec, plain.txt
    }
}

TEST(LecBatch, RepeatedEncryptionNeverOverwrites) {
    TempDir dir;
    const std::string file = dir.write("a.txt", "alpha");
    const std::string lec = EncryptedCopyName(file);
    for (const std::string& expected : {lec, dir / "new.lec", dir / "new (2).lec"}) {
        const auto out = EncryptFiles({file}, "pw", {});
        ASSERT_EQ(out.size(), 1u);
        EXPECT_EQ(out[0].status, LecOutcome::Done) << out[0].message;
        EXPECT_EQ(out[0].target, expected);
        EXPECT_EQ(ReadFile(expected).size(), 5u + 32);
    }
    EXPECT_EQ(ReadFile(file), "alpha");
}

TEST(LecBatch, FailuresKeepEverything) {
    TempDir dir;
    const std::string file = dir.write("a.txt", "alpha");
    LecBatchOptions opts;
    opts.removal = SourceRemoval::Delete;
    const auto enc = EncryptFiles({dir / "missing.txt", file}, "pw", opts);
    ASSERT_EQ(enc.size(), 2u);
    EXPECT_EQ(enc[0].status, LecOutcome::Failed);
    EXPECT_EQ(enc[0].message, "Unable to open the in file");
    EXPECT_EQ(enc[1].status, LecOutcome::Done);  // the next file follows

    // The plain file came back meanwhile: decryption keeps it unless told to replace it.
    dir.write("a.txt", "edited since");
    LecBatchOptions dec_opts;
    dec_opts.removal = SourceRemoval::Recycle;
    std::vector<std::string> recycled;
    dec_opts.recycle = [&](const std::string& p) { recycled.push_back(p); return std::string(); };
    auto dec = DecryptFiles({enc[1].target}, "wrong", dec_opts);
    EXPECT_EQ(dec[0].message, "Incorrect passphrase");
    dec = DecryptFiles({enc[1].target}, "pw", dec_opts);
    EXPECT_EQ(dec[0].status, LecOutcome::Failed);
    EXPECT_EQ(dec[0].message, file + " already exists");
    EXPECT_EQ(ReadFile(file), "edited since");
    EXPECT_TRUE(recycled.empty());

    dec_opts.replace_plain = true;
    dec = DecryptFiles({enc[1].target}, "pw", dec_opts);
    EXPECT_EQ(dec[0].status, LecOutcome::Done) << dec[0].message;
    EXPECT_EQ(ReadFile(file), "alpha");
    EXPECT_EQ(recycled, std::vector<std::string>{enc[1].target});
}

TEST(LecBatch, UndecodableNameIsReportedAndTheRestFollows) {
    TempDir dir;
    const std::string good = EncryptFiles({dir.write("b.txt", "beta")}, "pw", {})[0].target;
    const auto dec = DecryptFiles({dir / ".lec", good}, "pw", {});
    ASSERT_EQ(dec.size(), 2u);
    EXPECT_EQ(dec[0].status, LecOutcome::Failed);
    EXPECT_EQ(dec[0].message, "Cannot work out the original name of " + dir / ".lec");
    EXPECT_EQ(dec[1].status, LecOutcome::Failed);  // b.txt is still there
    EXPECT_EQ(dec[1].message, dir / "b.txt" + " already exists");
}

}  // namespace
}  // namespace vantum
