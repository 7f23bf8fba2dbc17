#include "status/GnssStatus.h"

namespace zort {

const char* SystemName(GnssSystem system) {
    switch (system) {
        case GnssSystem::kGps:
            return "GPS";
        case GnssSystem::kGlonass:
            return "ГЛОНАСС";
        case GnssSystem::kGalileo:
            return "Galileo";
        case GnssSystem::kBeidou:
            return "BeiDou";
    }
    return "";
}

const char* SystemKey(GnssSystem system) {
    return system == GnssSystem::kGlonass ? "GLONASS" : SystemName(system);
}

const char* FixName(FixKind fix) {
    switch (fix) {
        case FixKind::k2D:
            return "2D";
        case FixKind::k3D:
            return "3D";
        case FixKind::kNone:
            break;
    }
    return "нет";
}

const char* FixKey(FixKind fix) {
    switch (fix) {
        case FixKind::k2D:
            return "2d";
        case FixKind::k3D:
            return "3d";
        case FixKind::kNone:
            break;
    }
    return "none";
}

}  // namespace zort
