#include "history/action_type.h"

namespace kernel {

const char* ActionNameKey(uint32_t type)
{
    static const char* const kKeys[] = {nullptr,    "01000309", "0100030A", "01000401", "01000402",
                                        "01000403", "01000405", "01000404", "01000103", "01000104",
                                        "01000106", "01000109", "01000108", "01000500", "01000118",
                                        "0100030B", "01000105", "01000116", "01000117", "01000406",
                                        "01000407", "01000408", "01000409", "0100040A", "0100040B"};
    return type < sizeof kKeys / sizeof kKeys[0] ? kKeys[type] : nullptr;
}

uint32_t ActionTimelineFlag(uint32_t type)
{
    switch (type) {
    case kActionAddTrack:
    case kActionDeleteTrack:
    case kActionCopy:
    case kActionRecord:
    case kActionExtractTrack:
    case kActionCopyToNew:
        return 0;
    default:
        return 1;
    }
}

uint32_t ActionTrackFlags(uint32_t type)
{
    switch (type) {
    case kActionAddTrack:
    case kActionRecord:
    case kActionExtractTrack:
    case kActionCopyToNew:
        return 1;
    case kActionDeleteTrack:
        return 2;
    default:
        return 4;
    }
}

} // namespace kernel
