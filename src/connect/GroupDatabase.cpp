#include "connect/GroupDatabase.h"

#include <fstream>
#include <sstream>

namespace zort {
namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, separator)) parts.push_back(part);
    if (!text.empty() && text.back() == separator) parts.emplace_back();
    return parts;
}

}  // namespace

std::vector<GroupEntry> ParseGroups(std::string_view text) {
    std::vector<GroupEntry> groups;
    std::istringstream lines{std::string(text)};
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty() || line[0] == '#') continue;
        const std::vector<std::string> fields = Split(line, ':');
        if (fields.size() < 3 || fields[0].empty()) continue;
        GroupEntry entry;
        entry.name = fields[0];
        try {
            size_t used = 0;
            const unsigned long gid = std::stoul(fields[2], &used);
            if (used != fields[2].size()) continue;
            entry.gid = static_cast<gid_t>(gid);
        } catch (...) {
            continue;
        }
        if (fields.size() > 3) {
            for (const std::string& member : Split(fields[3], ',')) {
                if (!member.empty()) entry.members.push_back(member);
            }
        }
        groups.push_back(std::move(entry));
    }
    return groups;
}

std::vector<GroupEntry> ReadGroups(const SystemView& system) {
    std::ifstream in(system.GroupFile());
    std::stringstream text;
    text << in.rdbuf();
    return ParseGroups(text.str());
}

std::optional<GroupEntry> GroupById(const std::vector<GroupEntry>& groups, gid_t gid) {
    for (const GroupEntry& g : groups) {
        if (g.gid == gid) return g;
    }
    return std::nullopt;
}

}  // namespace zort
