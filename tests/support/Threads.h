// Counting the threads of this process without the ones already on their way out.
//
// A joined thread is not gone from /proc at once: the kernel lets the joiner go as soon
// as the thread has left its own code, and drops the task a moment later. Such a task
// carries the exiting flag from its first step out, so skipping it makes "every thread
// was joined" a question with a fixed answer; a thread still running never has the flag.

#pragma once

#include <dirent.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace zort::test {

inline int RunningThreadsOfThisProcess() {
    constexpr unsigned long kExiting = 0x4;  // PF_EXITING in the task's flags
    int n = 0;
    DIR* dir = opendir("/proc/self/task");
    if (!dir) return -1;
    while (const dirent* e = readdir(dir)) {
        if (e->d_name[0] == '.') continue;
        std::ifstream file(std::string("/proc/self/task/") + e->d_name + "/stat");
        std::string stat;
        if (!std::getline(file, stat)) continue;  // gone between listing and reading
        const size_t nameEnd = stat.rfind(')');
        if (nameEnd == std::string::npos) continue;
        // After the name: state, parent, group, session, terminal, foreground group, flags.
        std::istringstream fields(stat.substr(nameEnd + 1));
        std::string field;
        for (int k = 0; k < 7; ++k) fields >> field;
        if ((std::strtoul(field.c_str(), nullptr, 10) & kExiting) == 0) ++n;
    }
    closedir(dir);
    return n;
}

}  // namespace zort::test
