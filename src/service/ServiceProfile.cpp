#include "service/ServiceProfile.h"

namespace zort {

IniProfile OpenConfigIni() {
    return IniProfile(ConfigIniPath(ConfigLocation::FromEnvironment()));
}

ServiceProfile ServiceProfile::Load(const IniProfile& ini) {
    ServiceProfile p;
    p.directory = ini.Read(kConfigSection, kKeyDirectory);
    p.daPath = ini.Read(kConfigSection, kKeyDAPath);
    p.firmwarePath = ini.Read(kConfigSection, kKeyFirmwarePath);
    p.phone = ini.Read(kConfigSection, kKeyPhone);
    return p;
}

}  // namespace zort
