#include "cli/ConsoleSink.h"

#include <algorithm>
#include <cmath>

namespace zort::cli {
namespace {

constexpr int kBarWidth = 30;
// A bar redrawn for every 512-byte block would cost more terminal time than the
// update itself on a fast line.
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

std::string Duration(long long seconds) {
    char buf[32];
    if (seconds >= 3600) {
        std::snprintf(buf, sizeof buf, "%lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60, seconds % 60);
    } else {
        std::snprintf(buf, sizeof buf, "%lld:%02lld", seconds / 60, seconds % 60);
    }
    return buf;
}

}  // namespace

std::string ProgressLine(std::string_view caption, int maximum, int position, double elapsedSeconds) {
    const int max = std::max(maximum, 0);
    const int pos = std::clamp(position, 0, max);
    const double fraction = max > 0 ? static_cast<double>(pos) / max : 0.0;
    const int filled = static_cast<int>(fraction * kBarWidth);
    std::string line(caption);
    line += " [";
    line.append(static_cast<size_t>(filled), '#');
    line.append(static_cast<size_t>(kBarWidth - filled), '-');
    char percent[16];
    std::snprintf(percent, sizeof percent, "] %3d%%", static_cast<int>(fraction * 100.0));
    line += percent;
    line += "  осталось ";
    if (pos > 0 && elapsedSeconds > 0.0) {
        const double left = elapsedSeconds * (max - pos) / pos;
        line += Duration(static_cast<long long>(std::ceil(left)));
    } else {
        line += "--:--";
    }
    return line;
}

ConsoleSink::ConsoleSink(bool drawProgress, std::FILE* out, std::FILE* err)
    : drawProgress(drawProgress), out(out), err(err) {}

void ConsoleSink::Begin(std::string newCaption) {
    std::lock_guard lock(mutex);
    caption = std::move(newCaption);
    started = Clock::now();
    lastDrawn = {};
}

void ConsoleSink::ClearLineLocked() {
    if (!lineShown) return;
    // Carriage return, then erase to the end of the line.
    std::fputs("\r\033[K", err);
    std::fflush(err);
    lineShown = false;
}

void ConsoleSink::Print(std::string_view line) {
    std::lock_guard lock(mutex);
    ClearLineLocked();
    std::fprintf(out, "%.*s\n", static_cast<int>(line.size()), line.data());
    std::fflush(out);
}

void ConsoleSink::Note(std::string_view line) {
    std::lock_guard lock(mutex);
    ClearLineLocked();
    std::fprintf(err, "%.*s\n", static_cast<int>(line.size()), line.data());
    std::fflush(err);
}

void ConsoleSink::ShowProgress(const std::string& newCaption) {
    std::lock_guard lock(mutex);
    caption = newCaption;
}

void ConsoleSink::SetProgress(int maximum, int position) {
    if (!drawProgress) return;
    std::lock_guard lock(mutex);
    const auto now = Clock::now();
    if (lineShown && position < maximum && now - lastDrawn < kRedrawInterval) return;
    lastDrawn = now;
    const double elapsed = std::chrono::duration<double>(now - started).count();
    std::fprintf(err, "\r%s\033[K", ProgressLine(caption, maximum, position, elapsed).c_str());
    std::fflush(err);
    lineShown = true;
}

void ConsoleSink::HideProgress() {
    std::lock_guard lock(mutex);
    ClearLineLocked();
}

void ConsoleSink::ShowMessage(int statusKind, const std::string& message, const std::string&) {
    std::lock_guard lock(mutex);
    ClearLineLocked();
    if (statusKind == kStatusSuccess) {
        std::fprintf(out, "%s\n", message.c_str());
        std::fflush(out);
    }
}

}  // namespace zort::cli
