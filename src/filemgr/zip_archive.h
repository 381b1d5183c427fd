#pragma once
// Packing files into zip archives and unpacking them, on libzip.
//
// Packing keeps Unix modes and symbolic links (as links), stores names as UTF-8 when they are
// and as their raw bytes when they are not, encrypts with WinZip AES-256 when a password is
// given, and can move the files into the archive. Unpacking never writes outside its target
// folder and never follows a link on the way.
#include <string>
#include <vector>

#include "core/progress.h"

namespace vantum {

inline constexpr int kDefaultZipLevel = 4;

struct ZipPackOptions {
    int level = kDefaultZipLevel;  // deflate level 1 to 9
    bool withFolderNames = true;   // false: every file under its bare name, no folder entries
    bool move = false;             // delete the originals once the archive is safely written
    std::string password;          // empty: no encryption. Wiped by AddToArchive.
};

struct ZipUnpackOptions {
    bool withFolderNames = true;  // false: every file into the target folder itself
    bool overwrite = false;       // replace existing files (a kept file is reported)
    std::string password;         // empty: none. Wiped by ExtractArchive.
};

struct ZipResult {
    bool ok = false;         // everything asked for was done
    bool cancelled = false;  // stopped through the sink; nothing reported as done
    int files = 0;           // files (and links) packed or unpacked
    int removed = 0;         // originals deleted by a move
    std::string message;     // the error that stopped the operation; empty otherwise
    std::vector<std::string> problems;  // entries refused or kept, each naming its entry
    std::string target;      // the folder unpacked into
    std::string comment;     // the archive comment, "<CR>" turned into line breaks
};

// Whether a file of this name is stored without compression (already-compressed formats).
bool IsStoredSuffix(const std::string& name);

// Packs the items (files, links or folders, walked without following links and without
// leaving their file system) into the archive, adding to it when it already is one. With
// folder names each item is stored under its own name plus its path below it ("dir/a/b.txt");
// flat, every file under its bare name, and two files of one name are refused. The archive
// itself is never packed. A move deletes the packed originals only after the archive was
// written, synced and read back whole; a file changed since it was packed stays.
// Progress: SizeRange(1000), then SizeProgress in thousandths; AbortRequested cancels.
ZipResult AddToArchive(const std::string& archive, const std::vector<std::string>& items,
                       ZipPackOptions& options, ProgressSink& sink = NullProgress());

// Unpacks every entry into target; an empty target means a folder beside the archive named
// after it (without its extension), created when missing. Entries with "..", absolute names,
// backslashes, drive letters or links leading out of the target are refused, as is writing
// through a link. Progress: SizeRange(entries), SizeProgress per entry.
ZipResult ExtractArchive(const std::string& archive, const std::string& target,
                         ZipUnpackOptions& options, ProgressSink& sink = NullProgress());

// Moves a folder's whole contents into "<folder>/<name>_vti.zip" with folder names.
ZipResult MoveFolderToArchive(const std::string& folder, int level,
                              ProgressSink& sink = NullProgress());

// The archive's entry names as stored (for listings); empty with message set on failure.
std::vector<std::string> ListArchive(const std::string& archive, std::string& message);

}  // namespace vantum
