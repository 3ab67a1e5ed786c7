#ifndef WEATHER_COMMON_LIFE_INDEX_DATA_H
#define WEATHER_COMMON_LIFE_INDEX_DATA_H

#include "utils/Pattern.h"
#include "utils/Ref.h"

// Access object of the life-index texts and icons, owned by the data manager.
// It holds no data: the values live in each city's LifeIndex record. The text
// and icon queries are not part of the data layer yet, so the data manager
// forwards none; they are added here together with their forwarders.
class LifeIndexData : public Ref {
public:
    DECLARE_MAKE(LifeIndexData)

    bool Init() override;
    ~LifeIndexData() override = default;

private:
    LifeIndexData() = default;
};

#endif
