#pragma once
// The group file (/etc/group) as the access check needs it: who owns a device and who
// has been made a member. Read from the view's file, not through getgrgid(), so that
// the answer is about the file a fix changes and tests can give one of their own.

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "connect/SystemView.h"

namespace zort {

struct GroupEntry {
    std::string name;
    gid_t gid = 0;
    std::vector<std::string> members;
};

// Lines "name:password:gid:member,member"; comments and malformed lines are skipped.
std::vector<GroupEntry> ParseGroups(std::string_view text);
std::vector<GroupEntry> ReadGroups(const SystemView& system);

std::optional<GroupEntry> GroupById(const std::vector<GroupEntry>& groups, gid_t gid);

}  // namespace zort
