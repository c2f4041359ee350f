// CompatDriver: what the compatible variants of the PC-8801 and X1 drivers
// share on top of their machine (PC88Driver or X1Driver): music that comes
// as numbered song files and voice files of fixed size (DriverSlots), and a
// simpler host device.
//
//   class X1CompatDriver : public CompatDriver<X1Driver> { ... };
//   X1CompatDriver::X1CompatDriver(VM* vm, int32_t variant)
//       : CompatDriver(vm, variant, kProfile, kSlots, 0x0F) {}
//
// Host device (the machine routes the ports here):
//   0x00  1 play request, 2 stop request, 0 answered; every read idles the
//         CPU until its next event and does not clear the request
//   0x01  song code on a play request; OUT 0x01,n copies song slot n to
//         mdata_addr (and voice slot n to vdata_addr when it was given) and
//         clears port 0x00; OUT 0x01,0xFF acknowledges a stop
//   attrPort  the song entry's "attr" (low byte)
//
// [option]: init_pc, debug_mem and the slots' keys (DriverSlots); [file]:
// "code" to memory at "offset", "bgm" and "voice" to the slot "offset";
// other types are passed over. No [patch].
#pragma once

#include "DriverLoad.h"
#include "HostDeviceDriver.h"

#include <cstdint>
#include <string>
#include <vector>

template <class Machine>
class CompatDriver : public Machine {
public:
    // State for tests.
    const std::vector<uint8_t>& getSongSlots() const { return mSlots.song; }
    const std::vector<uint8_t>& getVoiceSlots() const { return mSlots.voice; }
    bool isSongPresent(int32_t n) const { return mSlots.hasSong(n); }
    bool isVoicePresent(int32_t n) const { return mSlots.hasVoice(n); }

protected:
    // `slots`: the copy rule and the defaults of the slots' keys.
    template <class Variant>
    CompatDriver(VM* vm, Variant variant, const HostDeviceDriver::Profile& profile, const DriverSlots& slots,
                 uint8_t attrPort);

    bool readOptions(ConfigSection* section) override;
    void loadFileEntry(ConfigEntry* ent, const std::string& name, const std::string& type, File* file) override;
    void readSong(ConfigEntry* song) override;

    // OUT 0x01,n.
    void loadSong(uint8_t number);
    // IN 0x00: the program polls the request; while none is there the CPU
    // may sleep until its next event.
    uint8_t readRequest();

    DriverSlots mSlots;
    uint8_t mAttrPort;
    int32_t mSlotOffset;   // the song entry's "offset" (COPY_FROM_OFFSET)
};

template <class Machine>
template <class Variant>
CompatDriver<Machine>::CompatDriver(VM* vm, Variant variant, const HostDeviceDriver::Profile& profile,
                                    const DriverSlots& slots, uint8_t attrPort)
    : Machine(vm, variant, profile), mSlots(slots), mAttrPort(attrPort), mSlotOffset(0)
{
    this->mRequestPort = 0x00;
    // The monitor's "MDATA:" page shows memory from the song address.
    this->mRegionAddr[0] = (uint32_t)mSlots.dataAddr;
}
