#pragma once
// The GNSS receiver's boot ROM and the loader it runs, as the firmware update meets
// them. Bytes in, bytes out; no I/O, no time. The receiver model in front of it hands
// over once the receiver has left NMEA for its ROM, and takes back after the loader
// restarts the receiver.
//
// Boot ROM (listens at 115200 baud only; at any other link speed it hears noise):
//   A0 -> 5F                       synchronisation, optionally only after K tries
//   0A -> F5, 50 -> AF, 05 -> FA   handshake, in this order
//   A1 addr size data...           writes `size` 16-bit words (high byte first) at addr;
//                                  every byte is echoed
//   A4 addr size                   echoes, then the XOR of the words held, high first
//   A8 addr                        echoes the address and starts the loader there; the
//                                  loader sends its 20-byte start-up report
// Loader:
//   D3 kind begin end -> 2 bytes   erases begin..end
//   D5 size -> 2 bytes             block size; the firmware follows in blocks of `size`
//                                  bytes (the last shorter), each with its 16-bit sum
//                                  high first, each answered with one byte
//   D9                             restarts the receiver with its new firmware
//
// The model works on the byte stream, not on payloads: a block may come in one payload
// or in many. Faults bend the answer of one step: silence, a wrong answer, a wrong sum
// or a closed line.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace zort::sim {

enum class GnssBootStep {
    kSync,             // 5F for A0
    kHandshake0A,      // F5
    kHandshake50,      // AF
    kHandshake05,      // FA
    kWriteCommand,     // A1 echo
    kWriteAddress,     // its address echo
    kWriteSize,        // its size echo
    kWriteData,        // the echo of one payload of loader data
    kChecksumCommand,  // A4 echo
    kChecksumAddress,
    kChecksumSize,  // size echo and the sum
    kJumpCommand,   // A8 echo
    kJumpAddress,   // address echo and the start-up report
    kErase,         // D3's answer
    kBlockSize,     // D5's answer
    kBlock,         // a firmware block's acknowledgement
};
inline constexpr int kGnssBootStepCount = 16;
static_assert(static_cast<int>(GnssBootStep::kBlock) + 1 == kGnssBootStepCount);

enum class GnssFaultKind {
    kSilent,    // no answer
    kWrong,     // the answer's first byte inverted
    kChecksum,  // A4: a wrong sum; loader data: stored wrong but echoed right;
                // block: arrives with a wrong sum
    kClose,     // the line goes dead instead of answering
};

// Text form (zort-sim --gnss-fail): STEP[#N[+]]:KIND
//   STEP  sync 0a 50 05 a1 a1-addr a1-size a1-data a4 a4-addr a4-size a8 a8-addr d3 d5 block
//   N     the step's 1-based occurrence (a1-data counts payloads, block counts blocks);
//         "+" for that one and every later one; default 1
//   KIND  silent | wrong | checksum | close
struct GnssBootFault {
    GnssBootStep step = GnssBootStep::kSync;
    GnssFaultKind kind = GnssFaultKind::kSilent;
    int nth = 1;
    bool onward = false;

    static bool Parse(const std::string& text, GnssBootFault& fault, std::string& error);
};

class GnssBootModel {
  public:
    static constexpr uint32_t kRomBaud = 115200;
    static constexpr size_t kRamSize = 64 * 1024;
    static constexpr uint32_t kFlashLimit = 16 * 1024 * 1024;
    static constexpr uint8_t kBlockGood = 0x00;
    static constexpr uint8_t kBlockBadSum = 0xEE;
    static const std::array<uint8_t, 20> kStartupReport;

    // The receiver enters its ROM (after "$PMTK180"): synchronisation starts afresh.
    void Enter();
    // Power went away: whatever ran stops. What was received stays for inspection.
    void PowerOff();
    // The ROM or the loader is in charge of the receiver's line.
    bool Active() const { return phase != Phase::kOff && phase != Phase::kRestarted; }
    // The loader restarted the receiver (D9): its firmware runs again.
    bool Restarted() const { return phase == Phase::kRestarted; }

    // `linkBaud` is the speed of the tracker's line to the receiver right now.
    std::vector<uint8_t> OnPayload(const std::vector<uint8_t>& payload, uint32_t linkBaud);

    // The ROM ignores the first `tries` A0 (a receiver slow to reach its ROM).
    void SetSyncAfter(int tries) { syncAfter = tries; }
    void AddFault(const GnssBootFault& fault) { faults.push_back(fault); }
    void ClearFaults() { faults.clear(); }
    // How a "close" fault pulls the cable (the transport's CloseLine).
    void SetLineCloser(std::function<void()> closer) { lineCloser = std::move(closer); }

    int SyncTries() const { return syncTries; }
    bool LoaderStarted() const { return loaderStarted; }
    // The bytes the ROM holds where the loader was written, in memory order (each word
    // low byte first, as in the loader file).
    std::vector<uint8_t> LoaderBytes() const;
    uint16_t RamChecksum(uint32_t address, uint32_t words) const;
    uint32_t EraseBegin() const { return eraseBegin; }
    uint32_t EraseEnd() const { return eraseEnd; }
    uint32_t BlockSize() const { return blockSize; }
    // The firmware as the loader stored it, from the start of the erased range.
    const std::vector<uint8_t>& Image() const { return image; }
    int Blocks() const { return blocks; }
    // 1-based numbers of the blocks whose sum did not match.
    const std::vector<int>& BadSums() const { return badSums; }
    // Bytes that reached the receiver at a speed it was not listening at.
    uint64_t GarbledBytes() const { return garbledBytes; }
    std::string PhaseName() const;
    std::string StateJson() const;

  private:
    enum class Phase {
        kOff,
        kSync,
        kHandshake,
        kRomCommand,
        kRomArgs,
        kRomData,
        kLoaderCommand,
        kLoaderArgs,
        kLoaderBlocks,
        kCrashed,  // jumped where no loader was written
        kRestarted,
    };

    void Byte(uint8_t b, std::vector<uint8_t>& out);
    void RomCommandByte(uint8_t b, std::vector<uint8_t>& out);
    void RomDataByte(uint8_t b, std::vector<uint8_t>& out);
    void RomArgsDone(std::vector<uint8_t>& out);
    void LoaderArgsDone(std::vector<uint8_t>& out);
    void BlockDone(std::vector<uint8_t>& out);
    void FlushData(std::vector<uint8_t>& out);
    // Counts one more occurrence of `step` and returns the fault planned for it, if any.
    const GnssBootFault* Next(GnssBootStep step);
    // Appends `answer` as `fault` bends it; true when it went out unbent.
    bool Apply(const GnssBootFault* fault, std::vector<uint8_t> answer, std::vector<uint8_t>& out);
    bool Emit(GnssBootStep step, std::vector<uint8_t> answer, std::vector<uint8_t>& out) {
        return Apply(Next(step), std::move(answer), out);
    }
    void StoreWordByte(uint32_t index, uint8_t b);

    Phase phase = Phase::kOff;
    int syncAfter = 0;
    std::vector<GnssBootFault> faults;
    std::function<void()> lineCloser;
    bool lineClosed = false;
    int occurrences[kGnssBootStepCount] = {};

    int syncTries = 0;
    int handshake = 0;  // bytes of the handshake done
    uint8_t command = 0;
    std::vector<uint8_t> args;
    size_t argsWanted = 0;

    std::vector<uint8_t> ram = std::vector<uint8_t>(kRamSize, 0);
    uint32_t writeAddress = 0;
    uint32_t writeWords = 0;
    uint32_t dataIndex = 0;        // loader bytes received of this A1
    bool dataFaultLooked = false;  // this payload's data fault was looked up
    const GnssBootFault* dataFault = nullptr;
    std::vector<uint8_t> dataEcho;  // this payload's loader bytes, echoed at its end
    uint32_t loaderAddress = 0;
    uint32_t loaderWords = 0;
    bool loaderWritten = false;
    bool loaderStarted = false;
    uint32_t jumpAddress = 0;
    uint16_t lastChecksum = 0;
    uint64_t ramFaults = 0;

    uint8_t flashKind = 0;
    uint32_t eraseBegin = 0;
    uint32_t eraseEnd = 0;
    bool erased = false;
    uint32_t blockSize = 0;
    uint64_t received = 0;  // firmware bytes stored
    std::vector<uint8_t> block;
    std::vector<uint8_t> image;
    int blocks = 0;
    std::vector<int> badSums;
    int restarts = 0;
    uint64_t garbledBytes = 0;
};

}  // namespace zort::sim
