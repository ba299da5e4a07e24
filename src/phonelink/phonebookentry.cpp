#include "phonebookentry.h"

const char* StorageName(uint8_t storage) {
    switch (storage) {
    case kStoragePhone: return "\"ME\"";
    case kStorageSim: return "\"SM\"";
    default: return "";
    }
}

uint8_t StorageCode(const std::string& name) {
    if (name == "\"ME\"" || name == "ME")
        return kStoragePhone;
    if (name == "\"SM\"" || name == "SM")
        return kStorageSim;
    return 0;
}
