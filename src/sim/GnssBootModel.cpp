#include "sim/GnssBootModel.h"

#include <algorithm>

#include "sim/FaultPlan.h"
#include "sim/JsonWriter.h"

namespace zort::sim {
namespace {

struct StepName {
    const char* text;
    GnssBootStep step;
};

const StepName kStepNames[kGnssBootStepCount] = {
    {"sync", GnssBootStep::kSync},
    {"0a", GnssBootStep::kHandshake0A},
    {"50", GnssBootStep::kHandshake50},
    {"05", GnssBootStep::kHandshake05},
    {"a1", GnssBootStep::kWriteCommand},
    {"a1-addr", GnssBootStep::kWriteAddress},
    {"a1-size", GnssBootStep::kWriteSize},
    {"a1-data", GnssBootStep::kWriteData},
    {"a4", GnssBootStep::kChecksumCommand},
    {"a4-addr", GnssBootStep::kChecksumAddress},
    {"a4-size", GnssBootStep::kChecksumSize},
    {"a8", GnssBootStep::kJumpCommand},
    {"a8-addr", GnssBootStep::kJumpAddress},
    {"d3", GnssBootStep::kErase},
    {"d5", GnssBootStep::kBlockSize},
    {"block", GnssBootStep::kBlock},
};

constexpr uint8_t kSync = 0xA0;
constexpr uint8_t kSyncAnswer = 0x5F;
constexpr uint8_t kHandshake[3][2] = {{0x0A, 0xF5}, {0x50, 0xAF}, {0x05, 0xFA}};
constexpr uint8_t kWrite = 0xA1;
constexpr uint8_t kChecksum = 0xA4;
constexpr uint8_t kJump = 0xA8;
constexpr uint8_t kErase = 0xD3;
constexpr uint8_t kBlockSizeCommand = 0xD5;
constexpr uint8_t kRestart = 0xD9;
constexpr uint8_t kStatusOk = 0x00;
constexpr uint8_t kStatusRefused = 0xFF;
// Blocks the loader takes at most: far above what a frame can carry.
constexpr uint32_t kBlockSizeLimit = 64 * 1024;

uint32_t LoadBE32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
           static_cast<uint32_t>(p[2]) << 8 | p[3];
}

}  // namespace

const std::array<uint8_t, 20> GnssBootModel::kStartupReport = {
    'G', 'N', 'S', 'S', ' ', 'L', 'O', 'A', 'D', 'E', 'R', ' ', '1', '.', '0', ' ', 'O', 'K', '\r', '\n'};

bool GnssBootFault::Parse(const std::string& text, GnssBootFault& fault, std::string& error) {
    fault = GnssBootFault{};
    const size_t colon = text.find(':');
    if (colon == std::string::npos) {
        error = "expected STEP[#N[+]]:KIND: " + text;
        return false;
    }
    std::string step = text.substr(0, colon);
    const std::string kind = text.substr(colon + 1);
    if (const size_t hash = step.find('#'); hash != std::string::npos) {
        const std::string nth = step.substr(hash + 1);
        step.resize(hash);
        if (!ParseOccurrence(nth, fault.nth, fault.onward)) {
            error = "bad occurrence: " + text;
            return false;
        }
    }
    const auto named = std::find_if(std::begin(kStepNames), std::end(kStepNames),
                                    [&](const StepName& n) { return step == n.text; });
    if (named == std::end(kStepNames)) {
        error = "unknown receiver step: " + step;
        return false;
    }
    fault.step = named->step;
    if (kind == "silent") {
        fault.kind = GnssFaultKind::kSilent;
    } else if (kind == "wrong") {
        fault.kind = GnssFaultKind::kWrong;
    } else if (kind == "close") {
        fault.kind = GnssFaultKind::kClose;
    } else if (kind == "checksum") {
        fault.kind = GnssFaultKind::kChecksum;
        if (fault.step != GnssBootStep::kWriteData && fault.step != GnssBootStep::kChecksumSize &&
            fault.step != GnssBootStep::kBlock) {
            error = "checksum applies to a1-data, a4-size and block only: " + text;
            return false;
        }
    } else {
        error = "unknown fault kind: " + kind;
        return false;
    }
    return true;
}

void GnssBootModel::Enter() {
    phase = Phase::kSync;
    syncTries = 0;
    handshake = 0;
    args.clear();
    loaderWritten = false;
    loaderStarted = false;
    erased = false;
}

void GnssBootModel::PowerOff() {
    phase = Phase::kOff;
}

std::string GnssBootModel::PhaseName() const {
    switch (phase) {
        case Phase::kOff:
            return "off";
        case Phase::kSync:
        case Phase::kHandshake:
        case Phase::kRomCommand:
        case Phase::kRomArgs:
        case Phase::kRomData:
            return "boot-rom";
        case Phase::kLoaderCommand:
        case Phase::kLoaderArgs:
        case Phase::kLoaderBlocks:
            return "loader";
        case Phase::kCrashed:
            return "crashed";
        case Phase::kRestarted:
            return "restarted";
    }
    return "?";
}

std::vector<uint8_t> GnssBootModel::OnPayload(const std::vector<uint8_t>& payload, uint32_t linkBaud) {
    std::vector<uint8_t> out;
    if (!Active() || lineClosed) return out;
    if (linkBaud != kRomBaud) {
        garbledBytes += payload.size();
        return out;
    }
    dataFaultLooked = false;
    dataFault = nullptr;
    for (uint8_t b : payload) {
        Byte(b, out);
        if (lineClosed) return {};
    }
    FlushData(out);
    if (lineClosed) return {};
    return out;
}

void GnssBootModel::Byte(uint8_t b, std::vector<uint8_t>& out) {
    switch (phase) {
        case Phase::kSync:
            if (b != kSync) return;  // the PMTK251 texts and other noise
            ++syncTries;
            if (syncTries > syncAfter && Emit(GnssBootStep::kSync, {kSyncAnswer}, out)) {
                phase = Phase::kHandshake;
                handshake = 0;
            }
            return;
        case Phase::kHandshake:
            if (b == kHandshake[handshake][0]) {
                Emit(static_cast<GnssBootStep>(static_cast<int>(GnssBootStep::kHandshake0A) + handshake),
                     {kHandshake[handshake][1]}, out);
                if (++handshake == 3) phase = Phase::kRomCommand;
            } else if (b == kSync && handshake == 0) {
                out.push_back(kSyncAnswer);  // a client that missed our first answer
            }
            return;
        case Phase::kRomCommand:
            RomCommandByte(b, out);
            return;
        case Phase::kRomArgs:
            args.push_back(b);
            if (args.size() == 4 || args.size() == argsWanted) RomArgsDone(out);
            return;
        case Phase::kRomData:
            RomDataByte(b, out);
            return;
        case Phase::kLoaderCommand:
            if (b == kErase || b == kBlockSizeCommand) {
                command = b;
                args.clear();
                argsWanted = b == kErase ? 9 : 4;
                phase = Phase::kLoaderArgs;
            } else if (b == kRestart) {
                ++restarts;
                phase = Phase::kRestarted;
            }
            return;
        case Phase::kLoaderArgs:
            args.push_back(b);
            if (args.size() == argsWanted) LoaderArgsDone(out);
            return;
        case Phase::kLoaderBlocks: {
            block.push_back(b);
            const uint64_t left = image.size() - received;
            if (block.size() == std::min<uint64_t>(blockSize, left) + 2) BlockDone(out);
            return;
        }
        case Phase::kOff:
        case Phase::kCrashed:
        case Phase::kRestarted:
            return;
    }
}

void GnssBootModel::RomCommandByte(uint8_t b, std::vector<uint8_t>& out) {
    GnssBootStep step;
    if (b == kWrite) {
        step = GnssBootStep::kWriteCommand;
    } else if (b == kChecksum) {
        step = GnssBootStep::kChecksumCommand;
    } else if (b == kJump) {
        step = GnssBootStep::kJumpCommand;
    } else {
        return;
    }
    Emit(step, {b}, out);
    command = b;
    args.clear();
    argsWanted = b == kJump ? 4 : 8;
    phase = Phase::kRomArgs;
}

void GnssBootModel::RomDataByte(uint8_t b, std::vector<uint8_t>& out) {
    // A fault of loader data concerns the payload: looked up at its first byte.
    bool corrupt = false;
    if (!dataFaultLooked) {
        dataFaultLooked = true;
        dataFault = Next(GnssBootStep::kWriteData);
        corrupt = dataFault && dataFault->kind == GnssFaultKind::kChecksum;
    }
    dataEcho.push_back(b);
    StoreWordByte(dataIndex++, corrupt ? static_cast<uint8_t>(b ^ 0xFF) : b);
    if (dataIndex == writeWords * 2) {
        FlushData(out);
        loaderWritten = true;
        loaderAddress = writeAddress;
        loaderWords = writeWords;
        phase = Phase::kRomCommand;
    }
}

void GnssBootModel::RomArgsDone(std::vector<uint8_t>& out) {
    const uint32_t address = LoadBE32(args.data());
    if (args.size() == 4) {
        if (command == kWrite) {
            Emit(GnssBootStep::kWriteAddress, args, out);
        } else if (command == kChecksum) {
            Emit(GnssBootStep::kChecksumAddress, args, out);
        } else {
            jumpAddress = address;
            std::vector<uint8_t> answer = args;
            if (loaderWritten && address == loaderAddress) {
                answer.resize(4 + kStartupReport.size());
                std::copy(kStartupReport.begin(), kStartupReport.end(), answer.begin() + 4);
                loaderStarted = true;
                phase = Phase::kLoaderCommand;
            } else {
                phase = Phase::kCrashed;  // nothing runnable there
            }
            Emit(GnssBootStep::kJumpAddress, answer, out);
        }
        return;
    }
    const uint32_t words = LoadBE32(args.data() + 4);
    if (command == kWrite) {
        Emit(GnssBootStep::kWriteSize, std::vector<uint8_t>(args.begin() + 4, args.end()), out);
        writeAddress = address;
        writeWords = words;
        dataIndex = 0;
        loaderWritten = false;
        phase = words == 0 ? Phase::kRomCommand : Phase::kRomData;
        return;
    }
    lastChecksum = RamChecksum(address, words);
    std::vector<uint8_t> answer(args.begin() + 4, args.end());
    answer.push_back(static_cast<uint8_t>(lastChecksum >> 8));
    answer.push_back(static_cast<uint8_t>(lastChecksum));
    Emit(GnssBootStep::kChecksumSize, answer, out);
    phase = Phase::kRomCommand;
}

void GnssBootModel::LoaderArgsDone(std::vector<uint8_t>& out) {
    phase = Phase::kLoaderCommand;
    if (command == kErase) {
        flashKind = args[0];
        eraseBegin = LoadBE32(args.data() + 1);
        eraseEnd = LoadBE32(args.data() + 5);
        erased = eraseEnd >= eraseBegin && eraseEnd - eraseBegin < kFlashLimit;
        image.assign(erased ? eraseEnd - eraseBegin + 1 : 0, 0xFF);
        received = 0;
        blocks = 0;
        badSums.clear();
        Emit(GnssBootStep::kErase, {kErase, erased ? kStatusOk : kStatusRefused}, out);
        return;
    }
    blockSize = LoadBE32(args.data());
    const bool ok = erased && blockSize > 0 && blockSize <= kBlockSizeLimit;
    Emit(GnssBootStep::kBlockSize, {kBlockSizeCommand, ok ? kStatusOk : kStatusRefused}, out);
    if (ok) {
        block.clear();
        phase = Phase::kLoaderBlocks;
    }
}

void GnssBootModel::BlockDone(std::vector<uint8_t>& out) {
    const GnssBootFault* fault = Next(GnssBootStep::kBlock);
    const size_t n = block.size() - 2;
    if (fault && fault->kind == GnssFaultKind::kChecksum) block[0] ^= 0xFF;  // hit on the way
    uint32_t sum = 0;
    for (size_t i = 0; i < n; ++i) sum += block[i];
    const uint16_t carried = static_cast<uint16_t>(block[n] << 8 | block[n + 1]);
    ++blocks;
    const bool good = static_cast<uint16_t>(sum) == carried;
    if (good) {
        std::copy(block.begin(), block.begin() + static_cast<long>(n),
                  image.begin() + static_cast<long>(received));
    } else {
        badSums.push_back(blocks);
    }
    received += n;
    block.clear();
    if (received == image.size()) phase = Phase::kLoaderCommand;
    Apply(fault, {good ? kBlockGood : kBlockBadSum}, out);
}

void GnssBootModel::FlushData(std::vector<uint8_t>& out) {
    if (dataEcho.empty()) return;
    std::vector<uint8_t> echo;
    echo.swap(dataEcho);
    Apply(dataFault, std::move(echo), out);
}

const GnssBootFault* GnssBootModel::Next(GnssBootStep step) {
    const int occurrence = ++occurrences[static_cast<int>(step)];
    for (const GnssBootFault& f : faults) {
        if (f.step != step) continue;
        if (f.onward ? occurrence >= f.nth : occurrence == f.nth) return &f;
    }
    return nullptr;
}

bool GnssBootModel::Apply(const GnssBootFault* fault, std::vector<uint8_t> answer,
                          std::vector<uint8_t>& out) {
    if (fault) {
        switch (fault->kind) {
            case GnssFaultKind::kSilent:
                return false;
            case GnssFaultKind::kClose:
                lineClosed = true;
                if (lineCloser) lineCloser();
                return false;
            case GnssFaultKind::kWrong:
                if (!answer.empty()) answer[0] ^= 0xFF;
                out.insert(out.end(), answer.begin(), answer.end());
                return false;
            case GnssFaultKind::kChecksum:
                // Loader data and blocks were hit on the way in; their answers are true.
                if (fault->step != GnssBootStep::kChecksumSize) break;
                answer.back() ^= 0x5A;
                out.insert(out.end(), answer.begin(), answer.end());
                return false;
        }
    }
    out.insert(out.end(), answer.begin(), answer.end());
    return true;
}

void GnssBootModel::StoreWordByte(uint32_t index, uint8_t b) {
    // Words come high byte first and are kept low byte first, as the loader file has them.
    const uint64_t at = static_cast<uint64_t>(writeAddress) + (index ^ 1u);
    if (at >= ram.size()) {
        ++ramFaults;
        return;
    }
    ram[at] = b;
}

std::vector<uint8_t> GnssBootModel::LoaderBytes() const {
    const uint64_t end = static_cast<uint64_t>(loaderAddress) + 2ull * loaderWords;
    if (!loaderWritten || end > ram.size()) return {};
    return std::vector<uint8_t>(ram.begin() + loaderAddress, ram.begin() + static_cast<long>(end));
}

uint16_t GnssBootModel::RamChecksum(uint32_t address, uint32_t words) const {
    uint16_t x = 0;
    for (uint64_t i = 0; i < words; ++i) {
        const uint64_t at = static_cast<uint64_t>(address) + 2 * i;
        if (at + 1 >= ram.size()) break;
        x ^= static_cast<uint16_t>(ram[at + 1] << 8 | ram[at]);
    }
    return x;
}

std::string GnssBootModel::StateJson() const {
    std::string j = "{\"phase\": " + JsonQuote(PhaseName());
    j += ", \"sync_tries\": " + std::to_string(syncTries);
    j += ", \"garbled_bytes\": " + std::to_string(garbledBytes);
    const std::vector<uint8_t> loader = LoaderBytes();
    j += ", \"loader\": {\"address\": " + JsonQuote(HexId(loaderAddress)) +
         ", \"words\": " + std::to_string(loaderWritten ? loaderWords : 0) +
         ", \"checksum\": " + std::to_string(lastChecksum) +
         ", \"started\": " + (loaderStarted ? "true" : "false") +
         ", \"jump_address\": " + JsonQuote(HexId(jumpAddress)) +
         ", \"ram_faults\": " + std::to_string(ramFaults) + ", \"hex\": \"" +
         HexBytes(loader.data(), loader.size()) + "\"}";
    j += ", \"flash\": {\"kind\": " + std::to_string(flashKind) +
         ", \"begin\": " + JsonQuote(HexId(eraseBegin)) + ", \"end\": " + JsonQuote(HexId(eraseEnd)) +
         ", \"block_size\": " + std::to_string(blockSize) + ", \"blocks\": " + std::to_string(blocks) +
         ", \"bad_sums\": [";
    for (size_t i = 0; i < badSums.size(); ++i) j += (i ? ", " : "") + std::to_string(badSums[i]);
    j += "], \"received\": " + std::to_string(received) + ", \"size\": " + std::to_string(image.size()) +
         ", \"hex\": \"" + HexBytes(image.data(), image.size()) + "\"}";
    j += ", \"restarts\": " + std::to_string(restarts) + "}";
    return j;
}

}  // namespace zort::sim
