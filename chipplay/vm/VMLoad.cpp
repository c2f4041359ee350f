// VM::load, apart from the rest of the VM because it reads the archive's
// configuration.
#include "VM.h"

#include "Config.h"
#include "System.h"

bool VM::load(Config* _config, Archive* _folder)
{
    if (_config == NULL) {
        System::assertFailed("vm/VM.cpp", __LINE__, "_config != NULL");
        return false;
    }
    if (_folder == NULL) {
        System::assertFailed("vm/VM.cpp", __LINE__, "_folder != NULL");
        return false;
    }
    return loadDriver(_config->getString("info", "driver", ""), _config, _folder);
}
