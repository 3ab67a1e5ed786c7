#include "VconfUtilFactory.h"

#include "VconfWatchUtil.h"

std::shared_ptr<VconfUtil> VconfUtilFactory::Make()
{
    return VconfWatchUtil::Make();
}
