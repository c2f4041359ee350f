// The real Win32System for tests under Wine, with the modal box and the
// runtime's assertion replaced by a record of what they would have shown.
// Everything else (the error log, the "error log" window, the tick, threads)
// is the real thing.
#pragma once

#include "Win32System.h"

#include <mutex>
#include <string>
#include <vector>

class BoxlessSystem : public Win32System {
public:
    std::mutex mutex;
    std::vector<std::string> boxes;
    std::vector<std::string> raised;

    // All boxes' texts in order, one string.
    std::string allBoxes()
    {
        std::lock_guard<std::mutex> hold(mutex);
        std::string all;
        for (const std::string& b : boxes) all += b;
        return all;
    }

protected:
    void showErrorBox(const char* text) override
    {
        std::lock_guard<std::mutex> hold(mutex);
        boxes.push_back(text);
    }
    void raiseAssertion(const char* file, int line, const char* expression) override
    {
        std::lock_guard<std::mutex> hold(mutex);
        raised.push_back(std::string(file) + ":" + std::to_string(line) + ":" + expression);
    }
};
