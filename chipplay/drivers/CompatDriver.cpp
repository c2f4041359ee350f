// CompatDriver: loading ([option], [file]) and the song-slot copies of the
// compatible variants, made for both machines.
#include "CompatDriver.h"

#include "Config.h"
#include "PC88Driver.h"
#include "System.h"
#include "VM.h"
#include "X1Driver.h"

template <class Machine>
bool CompatDriver<Machine>::readOptions(ConfigSection* section)
{
    this->mInitPc = section->getInt("init_pc", this->mInitPc);
    this->mDebugMem = section->getInt("debug_mem", this->mDebugMem);
    mSlots.readOptions(section);
    // No address bit selects the port array here.
    this->mRegionAddr[0] = (uint32_t)mSlots.dataAddr & 0xFFFF;
    if (!mSlots.allocate()) {
        System::error("%s曲データ領域の確保に失敗しました\n", this->mTag);
        return false;
    }
    return true;
}

template <class Machine>
void CompatDriver<Machine>::loadFileEntry(ConfigEntry* ent, const std::string& name, const std::string& type,
                                          File* file)
{
    const int32_t offset = ent->getInt("offset", 0);
    if (type == "code")
        DriverReadAt(file, this->mMemory.data(), HostDeviceDriver::MEMORY_SIZE, offset, name, this->mTag, "コード");
    else if (type == "bgm" || type == "voice")
        mSlots.fill(type == "voice", file, offset, name, this->mTag);
}

template <class Machine>
void CompatDriver<Machine>::readSong(ConfigEntry* _ent)
{
    this->mPorts[mAttrPort] = (uint8_t)_ent->getInt("attr", 0);
    if (mSlots.copy == DriverSlots::COPY_FROM_OFFSET) mSlotOffset = _ent->getInt("offset", 0);
}

template <class Machine>
void CompatDriver<Machine>::loadSong(uint8_t number)
{
    if (number == 0xFF || mSlots.load(number, this->mMemory.data(), HostDeviceDriver::MEMORY_SIZE, mSlotOffset,
                                      this->mTag))
        this->mPorts[0x00] = 0;
}

template <class Machine>
uint8_t CompatDriver<Machine>::readRequest()
{
    this->mVM->idleCpu();
    return this->mPorts[0x00];
}

template class CompatDriver<PC88Driver>;
template class CompatDriver<X1Driver>;
