// Busy, song-like loads for each chip core, shared by the render-digest
// tests and the benchmark: every channel sounding, LFOs, noise, ADPCM and
// rhythm where the chip has them, and note changes between blocks.
#pragma once
#include <stdint.h>

#include <memory>
#include <string>
#include <vector>

class ChipScript {
public:
    virtual ~ChipScript() {}
    virtual const char* name() const = 0;
    // Register changes between blocks (block = running block number).
    virtual void step(int block) = 0;
    virtual void mix(int32_t* buffer, int32_t frames) = 0;
};

// "psg", "opn", "opna", "opm"; null for other names.
std::unique_ptr<ChipScript> MakeChipScript(const std::string& name);
std::vector<std::string> ChipScriptNames();
