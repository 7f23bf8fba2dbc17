#pragma once
// A sink that records every call as a line, in order, for tests to compare.

#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "worker/WorkerSink.h"

namespace zort::test {

class RecordingSink : public WorkerSink {
  public:
    void ShowProgress(const std::string& caption) override { Add("show " + caption); }
    void SetProgress(int maximum, int position) override {
        Add("progress " + std::to_string(position) + "/" + std::to_string(maximum));
    }
    void HideProgress() override { Add("hide"); }
    void ShowMessage(int statusKind, const std::string& message, const std::string& detail) override {
        Add("message " + std::to_string(statusKind) + " " + message);
        std::lock_guard lock(mutex);
        lastDetail = detail;
    }
    void LogReply(const uint8_t*) override { Add("reply"); }
    void ImageRead() override { Add("image"); }
    void LogLine(const std::string& line) override { Add("log " + line); }

    std::vector<std::string> Calls() const {
        std::lock_guard lock(mutex);
        return calls;
    }
    std::vector<std::string> Messages() const {
        std::vector<std::string> out;
        for (const auto& c : Calls()) {
            if (c.rfind("message ", 0) == 0) out.push_back(c);
        }
        return out;
    }
    std::string Detail() const {
        std::lock_guard lock(mutex);
        return lastDetail;
    }

  private:
    void Add(std::string line) {
        std::lock_guard lock(mutex);
        calls.push_back(std::move(line));
    }
    mutable std::mutex mutex;
    std::vector<std::string> calls;
    std::string lastDetail;
};

}  // namespace zort::test
