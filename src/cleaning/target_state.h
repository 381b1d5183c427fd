#pragma once
// What state a shortcut's target is in, as the shortcut cleaner lists it.

#include <string>
#include <string_view>
#include <vector>

#include "platform/mounts.h"

namespace vantum::cleaning {

enum class ShortcutState { LinkToCdRom, Undefined, NetworkLink, Broken, Ok };

// "Link to CDRom", "undefined", "Network Link", "Broken", "OK".
std::string_view StateText(ShortcutState state);
// Whether a listed shortcut in this state starts checked for deletion.
bool CheckedWhenListed(ShortcutState state);

// Decides in this order: an empty target is Undefined; a UNC path (\\server\share), a URL
// other than a local file: URL, or a path that reaches a network file system is NetworkLink;
// one that reaches an optical-disc file system is LinkToCdRom; a target that does not exist
// (or a relative one, which cannot be located) is Broken; else Ok. Symbolic links on the way
// are resolved one component at a time, each checked against the mounts before it is touched,
// so nothing on a network or optical file system is ever accessed; a link loop is Broken.
ShortcutState ClassifyTarget(const std::string& target, const std::vector<platform::MountEntry>& mounts);
// The same against the mounts of this process.
ShortcutState ClassifyTarget(const std::string& target);

}  // namespace vantum::cleaning
