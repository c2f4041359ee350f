#include "chip_scripts.h"

#include <math.h>

#include "opm.h"
#include "opn.h"
#include "opna.h"
#include "psgcore.h"

namespace {

// A fixed melody table (block, F-number) so that every host plays the same.
const uint16_t kFNums[8] = {618, 654, 693, 734, 778, 824, 873, 925};

void OpnVoices(void (*w)(void*, uint32_t, uint8_t), void* ctx, int channels)
{
    for (int ch = 0; ch < channels; ch++) {
        const uint32_t base = (ch >= 3 ? 0x100 : 0) + (ch % 3);
        static const int kSlot[4] = {0, 2, 1, 3};
        for (int op = 0; op < 4; op++) {
            const uint32_t s = base + 4 * kSlot[op];
            w(ctx, 0x30 + s, (uint8_t)(((op + ch) & 3) << 4 | (op + 1)));
            w(ctx, 0x40 + s, (uint8_t)(op == 3 ? 0 : 20 + 4 * op));
            w(ctx, 0x50 + s, (uint8_t)(0x40 | 28));
            w(ctx, 0x60 + s, (uint8_t)(0x80 | 8));
            w(ctx, 0x70 + s, 3);
            w(ctx, 0x80 + s, 0x47);
        }
        w(ctx, 0xB0 + base, (uint8_t)((ch % 8) << 3 | (ch % 8)));
        w(ctx, 0xB4 + base, (uint8_t)(0xC0 | 0x33));
    }
}

void OpnNote(void (*w)(void*, uint32_t, uint8_t), void* ctx, int ch, int block, int n)
{
    const uint32_t base = (ch >= 3 ? 0x100 : 0) + (ch % 3);
    const int f = kFNums[n & 7];
    w(ctx, 0x28, (uint8_t)(ch >= 3 ? 4 + ch - 3 : ch));
    w(ctx, 0xA4 + base, (uint8_t)((block << 3) | (f >> 8)));
    w(ctx, 0xA0 + base, (uint8_t)f);
    w(ctx, 0x28, (uint8_t)(0xF0 | (ch >= 3 ? 4 + ch - 3 : ch)));
}

void PsgBusy(void (*w)(void*, uint32_t, uint8_t), void* ctx)
{
    const uint8_t regs[14] = {0x1C, 0x01, 0xFD, 0x00, 0x77, 0x02, 0x07, 0x30, 0x0F, 0x10, 0x0C, 0x00, 0x08, 0x0E};
    for (int r = 0; r < 14; r++)
        w(ctx, (uint32_t)r, regs[r]);
}

class PsgScript : public ChipScript {
public:
    PsgScript()
    {
        psg.init(1000000, 44100, true);
        psg.reset();
        PsgBusy(&PsgScript::write, this);
    }
    const char* name() const override { return "psg"; }
    void step(int block) override
    {
        psg.setReg(0, (uint8_t)(0x1C + (block & 15) * 9));
        psg.setReg(4, (uint8_t)(0x77 - (block & 7) * 5));
        if ((block & 31) == 0)
            psg.setReg(13, 14);
    }
    void mix(int32_t* b, int32_t n) override { psg.mix(b, n); }

private:
    static void write(void* c, uint32_t r, uint8_t d) { static_cast<PsgScript*>(c)->psg.setReg((uint8_t)r, d); }
    PsgCore psg;
};

class OpnScript : public ChipScript {
public:
    OpnScript()
    {
        opn.init(3993600, 44100, false);
        OpnVoices(&OpnScript::write, this, 3);
        PsgBusy(&OpnScript::write, this);
        for (int ch = 0; ch < 3; ch++)
            OpnNote(&OpnScript::write, this, ch, 4, ch * 2);
    }
    const char* name() const override { return "opn"; }
    void step(int block) override
    {
        OpnNote(&OpnScript::write, this, block % 3, 3 + (block & 1), block);
        opn.setReg(0, (uint8_t)(block * 13));
    }
    void mix(int32_t* b, int32_t n) override { opn.mix(b, n); }

private:
    static void write(void* c, uint32_t r, uint8_t d) { static_cast<OpnScript*>(c)->opn.setReg(r, d); }
    OpnCore opn;
};

class OpnaScript : public ChipScript {
public:
    OpnaScript()
    {
        opna.init(7987200, 44100, true);
        write(this, 0x29, 0x9F);
        write(this, 0x22, 0x0B);
        OpnVoices(&OpnaScript::write, this, 6);
        PsgBusy(&OpnaScript::write, this);
        for (int ch = 0; ch < 6; ch++)
            OpnNote(&OpnaScript::write, this, ch, 3 + (ch & 1), ch);
        // ADPCM: a looping saw-like pattern made of fixed nibbles.
        uint8_t* ram = opna.getAdpcmMemory();
        for (int i = 0; i < 4096; i++)
            ram[i] = (uint8_t)((i & 8) ? 0x91 : 0x19);
        write(this, 0x101, 0xC0);
        write(this, 0x102, 0);
        write(this, 0x103, 0);
        write(this, 0x104, 0xFF);
        write(this, 0x105, 0x03);
        write(this, 0x109, 0x00);
        write(this, 0x10A, 0x60);
        write(this, 0x10B, 0x80);
        write(this, 0x100, 0xB0);
        write(this, 0x11, 0x3F);
        for (int i = 0; i < 6; i++)
            write(this, (uint32_t)(0x18 + i), 0xDC);
        write(this, 0x10, 0x3F);
    }
    const char* name() const override { return "opna"; }
    void step(int block) override
    {
        OpnNote(&OpnaScript::write, this, block % 6, 3 + (block & 1), block);
        if ((block & 15) == 0)
            write(this, 0x10, (uint8_t)(1 << ((block >> 4) % 6)));
        write(this, 0x109, (uint8_t)(block * 29));
    }
    void mix(int32_t* b, int32_t n) override { opna.mix(b, n); }

private:
    static void write(void* c, uint32_t r, uint8_t d) { static_cast<OpnaScript*>(c)->opna.setReg(r, d); }
    OpnaCore opna;
};

class OpmScript : public ChipScript {
public:
    OpmScript()
    {
        opm.init(4000000, 44100);
        static const int kSlot[4] = {0, 2, 1, 3};
        for (int ch = 0; ch < 8; ch++) {
            for (int op = 0; op < 4; op++) {
                const uint32_t s = ch + 8 * kSlot[op];
                opm.setReg(0x40 + s, (uint8_t)(((op + ch) & 7) << 4 | (op + 1)));
                opm.setReg(0x60 + s, (uint8_t)(op == 3 ? 0 : 24 + 4 * op));
                opm.setReg(0x80 + s, (uint8_t)(0x40 | 28));
                opm.setReg(0xA0 + s, (uint8_t)(0x80 | 7));
                opm.setReg(0xC0 + s, (uint8_t)(((op & 3) << 6) | 3));
                opm.setReg(0xE0 + s, 0x47);
            }
            opm.setReg(0x20 + ch, (uint8_t)(0xC0 | ((ch % 8) << 3) | (ch % 8)));
            opm.setReg(0x38 + ch, 0x52);
            opm.setReg(0x28 + ch, (uint8_t)(0x3A + 2 * ch));
            opm.setReg(0x08, (uint8_t)(0x78 | ch));
        }
        opm.setReg(0x18, 0xC8);
        opm.setReg(0x19, 0x40);
        opm.setReg(0x19, 0xA0);
        opm.setReg(0x1B, 2);
        opm.setReg(0x0F, 0x9C);
    }
    const char* name() const override { return "opm"; }
    void step(int block) override
    {
        const int ch = block & 7;
        opm.setReg(0x08, (uint8_t)ch);
        opm.setReg(0x28 + ch, (uint8_t)(0x3A + (block * 3) % 40));
        opm.setReg(0x30 + ch, (uint8_t)(block * 20));
        opm.setReg(0x08, (uint8_t)(0x78 | ch));
        if ((block & 63) == 0)
            opm.setReg(0x1B, (uint8_t)((block >> 6) & 3));
    }
    void mix(int32_t* b, int32_t n) override { opm.mix(b, n); }

private:
    OpmCore opm;
};

}  // namespace

std::unique_ptr<ChipScript> MakeChipScript(const std::string& name)
{
    if (name == "psg")
        return std::unique_ptr<ChipScript>(new PsgScript);
    if (name == "opn")
        return std::unique_ptr<ChipScript>(new OpnScript);
    if (name == "opna")
        return std::unique_ptr<ChipScript>(new OpnaScript);
    if (name == "opm")
        return std::unique_ptr<ChipScript>(new OpmScript);
    return nullptr;
}

std::vector<std::string> ChipScriptNames()
{
    return {"psg", "opn", "opna", "opm"};
}
