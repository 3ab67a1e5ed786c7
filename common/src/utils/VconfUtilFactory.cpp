#include "utils/VconfUtilFactory.h"

#include "utils/VconfWatchUtil.h"

std::shared_ptr<VconfUtil> VconfUtilFactory::Make()
{
    return VconfWatchUtil::Make();
}
