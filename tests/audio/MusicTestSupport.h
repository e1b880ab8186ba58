#pragma once
// Shared by the music tests: waiting on the event loop with a deadline, and a screensaver file
// whose payload is nothing but sound items laid end to end.

#include "payload/PayloadRecords.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace vorlandite::audio::testing {

using namespace std::chrono_literals;

// Runs the event loop until done() or the timeout; every wait in these tests has one.
inline bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

inline void RunEventsFor(std::chrono::milliseconds span) {
    WaitUntil([] { return false; }, span);
}

// A file whose payload starts at byte 0 and has no other section than the one the sounds are
// in, so item offsets are file positions for melodies and enter sounds alike.
struct SoundPayload {
    payload::TKelFixedSizeInfo header;
    std::vector<uint8_t> bytes;

    // Appends a file's bytes as one raw item; returns its offset.
    int32_t Append(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        const std::vector<uint8_t> item((std::istreambuf_iterator<char>(in)), {});
        const auto offset = int32_t(bytes.size());
        bytes.insert(bytes.end(), item.begin(), item.end());
        return offset;
    }
    void Save(const std::string& path) {
        std::ofstream(path, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        header.FileSizeAtRun = int64_t(bytes.size());
        header.PayloadSize = int32_t(bytes.size());
        header.MelodySectionSize = int32_t(bytes.size());
    }
};

inline std::vector<std::string> FileNamesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace vorlandite::audio::testing
