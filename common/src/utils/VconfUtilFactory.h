#ifndef WEATHER_COMMON_VCONF_UTIL_FACTORY_H
#define WEATHER_COMMON_VCONF_UTIL_FACTORY_H

#include <memory>

#include "utils/VconfUtil.h"

// Picks the system key utility of this device kind; callers only see VconfUtil.
class VconfUtilFactory {
public:
    // Empty when the utility failed to initialise.
    static std::shared_ptr<VconfUtil> Make();
};

#endif
