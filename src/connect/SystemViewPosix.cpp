#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "connect/SystemView.h"

namespace zort {

UserIdentity HostSystemView::User() const {
    UserIdentity user;
    user.uid = getuid();
    const int count = getgroups(0, nullptr);
    if (count > 0) {
        user.gids.resize(static_cast<size_t>(count));
        const int got = getgroups(count, user.gids.data());
        user.gids.resize(got > 0 ? static_cast<size_t>(got) : 0);
    }
    // The effective group is not always among the supplementary ones.
    if (std::find(user.gids.begin(), user.gids.end(), getegid()) == user.gids.end())
        user.gids.push_back(getegid());
    // The account behind the uid, not getlogin(): that names the terminal's owner, which
    // differs under su and is missing without a terminal.
    passwd entry{};
    passwd* found = nullptr;
    char buffer[4096];
    if (getpwuid_r(user.uid, &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr)
        user.login = found->pw_name;
    else if (const char* name = std::getenv("USER"))
        user.login = name;
    return user;
}

const SystemView& HostSystem() {
    static const HostSystemView host;
    return host;
}

FixedSystemView::FixedSystemView() {
    const SystemView& host = HostSystem();
    sysRoot = host.SysRoot();
    procRoot = host.ProcRoot();
    groupFile = host.GroupFile();
    devRoot = host.DevRoot();
    lockDir = host.LockDir();
    user = host.User();
}

}  // namespace zort
